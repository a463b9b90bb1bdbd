// "/sendobject", "/getobject", "/ffetch" and "/sendobjectkill": embedded objects offered to and
// fetched from other users.
#include "commands/client_command_handlers.h"

#include "common/lang_string_ids.h"
#include "common/owned_job_thread.h"
#include "common/crc32.h"
#include "common/data_folders.h"
#include "common/lang_strings.h"
#include "common/plain_base_name.h"
#include "common/script_number.h"
#include "common/shell_helpers.h"
#include "common/text_format.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "irc_lines/local_addresses.h"
#include "core/client_services.h"
#include "core/object_transfer.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <process.h>

#include <string>

namespace {

constexpr DWORD kAcceptWait = 5000;

// The name the offer announces: the part after the last backslash, or, when that holds a blank,
// the same part of the file's short name.
std::string AnnouncedName(const std::wstring& path) {
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    if (name.find(L' ') != std::wstring::npos) {
        wchar_t shortPath[MAX_PATH] = {};
        const DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            const std::wstring shortened(shortPath, length);
            name = shortened.substr(shortened.find_last_of(L'\\') + 1);
        }
    }
    return WideToNarrow(name);
}

std::string DottedAddress(WindowRecord* window) {
    std::string address;
    return GetLocalIpAddressText(window, address);
}

} // namespace

uint64_t SendObjectCommand(const CommandCall& call) {
    WindowRecord* window =
        call.Connection ? GetWindowRecordAt(FindWindowRecordIndex(call.Words[1], call.Connection)) : nullptr;
    if (!window) return 1;
    const std::wstring path = RestWide(call, 2);
    auto* job = new ObjectTransfer;
    job->Path = path;
    job->Port = PickListenPort(0);
    job->Crc = Crc32OfFile(path);
    const uint32_t port = job->Port, crc = job->Crc;
    HANDLE accepted = CreateEventW(nullptr, TRUE, FALSE, kObjectAcceptEventName);
    unsigned threadId = 0;
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ObjectAcceptThread, job, 0, &threadId));
    if (!thread) delete job;
    // The wait ends early when the thread ends without listening.
    if (thread && accepted) {
        HANDLE both[2] = {accepted, thread};
        WaitForMultipleObjects(2, both, FALSE, kAcceptWait);
    }
    if (accepted) CloseHandle(accepted);
    if (thread) CloseHandle(thread);
    // Nothing listens: the user is not told of an offer no one could take.
    const SOCKET socket = thread ? ObjectOfferSocket(threadId) : INVALID_SOCKET;
    if (socket == INVALID_SOCKET) return 1;

    const uint64_t size = GetFileSizeByName(path.c_str());
    const wchar_t* label = GetLangString(kRemoveLabel);
    LinkCommand removal(ProgramCommand(L"/sendobjectkill"));
    removal.Arg(static_cast<uint64_t>(socket)).Arg(threadId);
    PrintToWindow(kInformationLine, window,
                  DisplayText()
                      .Bold()
                      .Dot()
                      .Text(L" (Object) " + path + L" [" + FormatByteSize(size) + L"] [")
                      .Link(L"Remove", label ? label : L"", removal)
                      .Text(L"] "));
    SendCommandLine("PRIVMSG " + window->Name + " :\x12\x07 0 " + std::to_string(size) + " " +
                        DottedAddress(window) + " " + std::to_string(port) + " " + std::to_string(crc) + " " +
                        AnnouncedName(path) + "\x12",
                    window);
    return 1;
}

uint64_t GetObjectCommand(const CommandCall& call) {
    const auto& words = call.Words;
    // The name came from the peer: only a plain name inside the data folder.
    std::wstring path = UserDataFolder + L"\\" + PlainBaseNameUtf8(words[4]);
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!PromptSaveFileName(UserDataFolder, L"*.*", path) || path.empty()) return 1;
    }
    auto* job = new ObjectTransfer;
    job->Path = path;
    job->PeerHost = words[1];
    job->Port = static_cast<uint32_t>(ScriptValueToInt64(words[2]));
    job->Size = static_cast<uint64_t>(ScriptValueToInt64(words[3]));
    job->Crc = static_cast<uint32_t>(ScriptValueToInt64(words[5]));
    job->InsertIntoView = call.CommandIs("/getobject") ? 1 : 0;
    job->IsIPv6 = words[1].find(':') != std::string::npos ? 1 : 0;
    WindowRecord* target = call.Target;
    if (words.size() > 6 && words[6] != "this")
        target =
            call.Connection ? GetWindowRecordAt(FindWindowRecordIndex(words[6], call.Connection)) : nullptr;
    job->TargetView = target ? target->View : nullptr;
    StartOwnedJobThread(&ObjectReceiveThread, job);
    return 1;
}

uint64_t SendObjectKillCommand(const CommandCall& call) {
    const uint64_t listener = static_cast<uint64_t>(ScriptValueToInt64(call.Words[1]));
    const DWORD thread = static_cast<DWORD>(ScriptValueToInt64(call.Words[2]));
    // Only a socket this program opened for an offer, while its serving thread runs.
    if (KillObjectOffer(static_cast<SOCKET>(listener), thread)) return 1;
    PrintToWindow(kInformationLine, call.Target ? call.Target : call.ConnectionWindow,
                  DisplayText().Color(4).Dot().Text(
                      L" No object offer has socket " + std::to_wstring(listener) + L" and thread " +
                      std::to_wstring(thread) + L": the offer ended or was removed already."));
    return 1;
}
