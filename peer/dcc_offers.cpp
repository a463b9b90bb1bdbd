// File offers and resume answers from other users: the user is asked (on the interface thread,
// in turn, while the connection goes on), the file is chosen, and qx is started to receive it.
#include "peer/dcc_offers.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/text_format.h"
#include "common/xstring.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"
#include "irc_lines/dcc_offer_checks.h"
#include "irc_lines/local_addresses.h"
#include "irc_lines/transfer_program.h"
#include "markup/untrusted_text.h"
#include "peer/blocked_files.h"
#include "peer/own_files.h"
#include "peer/pending_resumes.h"
#include "peer/questions_in_turn.h"
#include "views/line_printer.h"
#include "markup/markup_codes.h"

#include <commdlg.h>

#include <algorithm>

namespace {

std::wstring Shown(const std::string& text) {
    return CleanUntrustedTextW(NarrowToWide(text, CP_UTF8));
}

void Info(WindowRecord* window, const std::wstring& text) {
    PrintToWindow(kInformationLine, window, text);
}

bool Ask(HWND owner, const std::wstring& text) {
    return AppMessageBox(owner, text.c_str(), L"Brindlex 7", MB_YESNO, MB_ICONQUESTION) == IDYES;
}

// The folder received files go to, without trailing backslashes.
std::wstring DownloadFolder() {
    const std::string configured = Settings::DownloadFolder();
    std::wstring folder = configured.empty() ? DocumentsFolder : NarrowToWide(configured, CP_UTF8);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

// The save dialog, starting with the proposed path; false on Cancel.
bool ChooseSavePath(const std::wstring& folder, std::wstring& path) {
    std::wstring buffer(1000, L'\0');
    path.copy(buffer.data(), std::min<size_t>(path.size(), 999));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hInstance = GetModuleHandleW(nullptr);
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = 1000;
    dialog.lpstrInitialDir = folder.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog)) return false;
    path.assign(buffer.c_str());
    return true;
}

std::wstring BaseName(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
}

// The size of an existing file; 0 when there is none.
uint64_t ExistingSize(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    CloseHandle(file);
    return static_cast<uint64_t>(size.QuadPart);
}

// A file name travels as one word; one with blanks is quoted.
std::string RequestFileName(const std::string& name) {
    return name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
}

void SendCtcp(WindowRecord* window, const std::string& nick, const std::string& request) {
    SendServerLine("PRIVMSG " + nick + " :\x01" + request + "\x01\r\n", window, 0);
}

// Starts qx to receive: it connects to the sender, or for a passive offer listens and the sender
// is told where with "DCC INDIRECT".
void StartReceive(WindowRecord* window, const std::string& nick, const peer::ReceiveJob& job) {
    if (job.Port != 0) {
        StartTransferProgram(ReceiveOutCommandLine(ProgramFolder, job.Address, job.Port, job.IsIPv6,
                                                   job.Protocol, job.Offset, job.Size, job.Path));
        return;
    }
    const uint32_t port = PickListenPort(job.IsIPv6 ? 1 : 0);
    StartTransferProgram(
        ReceiveInCommandLine(ProgramFolder, port, job.IsIPv6, job.Protocol, job.Offset, job.Size, job.Path));
    std::string own;
    if (job.IsIPv6)
        GetLocalIpv6AddressText(window, own);
    else
        GetLocalIpAddressText(window, own);
    SendCtcp(window, nick, "DCC INDIRECT " + own + " " + std::to_string(port));
}

bool StartsWithT(const std::string& word) {
    return !word.empty() && (word[0] == 'T' || word[0] == 't');
}

// A file offer waiting for the user's answers. It keeps the window it came through only to
// look it up again: the window may close while the question is open.
struct OfferInTurn {
    WindowRecord* Window = nullptr;
    const ServerConnection* Connection = nullptr;
    std::string Nick;
    std::string Word;     // SEND or TSEND
    std::string File;     // the plain base name, UTF-8
    std::string PortWord; // as the offer wrote it, for the resume request
    std::wstring Question;
    std::wstring Folder;
    peer::ReceiveJob Job;
    bool AutoAccept = false;

    // The window, while it is still the one the offer came through (interface thread).
    WindowRecord* Open() const {
        return IsWindowRecordListed(Window) && Window->Connection == Connection ? Window : nullptr;
    }
};

// The file exists already: resume it from its end, receive it anew, or leave it. The questions
// have no owner, as the offer's own question is over.
void AnswerExisting(const OfferInTurn& offer, peer::ReceiveJob job, uint64_t existing) {
    if (existing < job.Size) {
        if (Ask(nullptr, GetLangString(kResumeQuestion))) {
            WindowRecord* window = offer.Open();
            if (!window) return;
            SendCtcp(window, offer.Nick,
                     std::string(StartsWithT(offer.Word) ? "DCC TRESUME " : "DCC RESUME ") +
                         RequestFileName(offer.File) + " " + offer.PortWord + " " + std::to_string(existing));
            peer::AddPendingResume({job, offer.Nick, offer.File, existing});
            return;
        }
    } else if (!Ask(nullptr, GetLangString(kReceiveAgainQuestion))) {
        return;
    }
    if (WindowRecord* window = offer.Open()) StartReceive(window, offer.Nick, job);
}

// On the interface thread, in turn: the question, the save dialog, then what an existing file
// needs; qx starts once everything is answered.
void AnswerOffer(const OfferInTurn& offer) {
    if (!offer.Open()) return;
    peer::ReceiveJob job = offer.Job;
    if (!offer.AutoAccept) {
        if (!Ask(MainWindow.load(), offer.Question) || !offer.Open()) return;
        if (!ChooseSavePath(offer.Folder, job.Path)) return;
        if (peer::IsProgramOwnFile(job.Path)) {
            if (WindowRecord* window = offer.Open()) Info(window, peer::OwnFileRefusal(BaseName(job.Path)));
            return;
        }
    }
    if (const uint64_t existing = ExistingSize(job.Path)) {
        AnswerExisting(offer, job, existing);
        return;
    }
    if (WindowRecord* window = offer.Open()) StartReceive(window, offer.Nick, job);
}

void FileOffer(WindowRecord* window, const std::vector<std::string>& words, const UserAddress& sender,
               bool autoAccept) {
    const std::string& word = words[4];
    Info(window, std::wstring(kSymbolDot) + L" DCC " + Shown(word) + L" " + Shown(words[5]) + L" [" +
                     Shown(words[8]) + L"] (" + Shown(sender.Nick) + L"!" + Shown(sender.User) + L"@" +
                     Shown(sender.Host) + L")");
    // Never a path or an address the offer did not name validly, auto-accept or not.
    const std::string file = PlainOfferFileName(words[5]);
    peer::ReceiveJob job;
    job.Port = words[7] == "0" ? 0 : ParseOfferPort(words[7]);
    OfferAddress address;
    const bool addressOk = job.Port == 0 ? words[6] == "0" || ParseOfferAddress(words[6], address)
                                         : ParseOfferAddress(words[6], address);
    uint64_t size = 0;
    const bool sizeOk = words[8] == "0" || ParseOfferSize(words[8], size);
    if (file.empty() || !addressOk || (job.Port == 0 && words[7] != "0") || !sizeOk) {
        Info(window, std::wstring(kSymbolDot) + L" DCC " + Shown(word) +
                         L": the offer names no valid file, address or port.");
        return;
    }
    job.Address = address.Text;
    job.IsIPv6 = address.IsIPv6;
    job.Size = size;
    job.Protocol = StartsWithT(word) ? L"tdcc" : L"dcc";
    if (peer::IsBlockedFileName(file)) {
        Info(window, GetLangString(kBlockedFileText));
        return;
    }
    const std::wstring wideFile = NarrowToWide(file, CP_UTF8);
    OfferInTurn offer;
    offer.Folder = DownloadFolder();
    job.Path = offer.Folder + L"\\" + wideFile;
    if (peer::IsProgramOwnFile(job.Path)) {
        Info(window, peer::OwnFileRefusal(wideFile));
        return;
    }
    job.Offset = 0;
    // Nothing to ask: received at once, as before any question of another offer.
    if (autoAccept && ExistingSize(job.Path) == 0) {
        StartReceive(window, sender.Nick, job);
        return;
    }
    offer.Window = window;
    offer.Connection = window->Connection;
    offer.Nick = sender.Nick;
    offer.Word = word;
    offer.File = file;
    offer.PortWord = words[7];
    offer.Job = job;
    offer.AutoAccept = autoAccept;
    offer.Question = std::wstring(GetLangString(kFileOfferQuestion)) + L"\r\n\r\n" + Shown(sender.Nick) +
                     L" (" + Shown(sender.User) + L"@" + Shown(sender.Host) + L") " +
                     NarrowToWide(job.Address) + L":" + std::to_wstring(job.Port) + L"\r\n" + wideFile +
                     L"\t[" + FormatByteSize(size) + L"]";
    if (!peer::AskInTurn([offer] { AnswerOffer(offer); }))
        Info(window, std::wstring(kSymbolDot) + L" DCC " + Shown(word) + L" " + wideFile + L" refused: " +
                         std::to_wstring(peer::kMaxWaitingQuestions) +
                         L" offers wait for an answer already.");
}

void ResumeAccepted(WindowRecord* window, const std::vector<std::string>& words, const UserAddress& sender) {
    uint64_t position = 0;
    const bool positionOk = words[7] == "0" || ParseOfferSize(words[7], position);
    const uint32_t port = words[6] == "0" ? 0 : ParseOfferPort(words[6]);
    if (!positionOk || (port == 0 && words[6] != "0")) return;
    // Only the answer to what we asked: same nick, file, port and the position we hold.
    peer::PendingResume pending;
    if (!peer::TakePendingResume(sender.Nick, PlainOfferFileName(words[5]), port, position, pending)) return;
    if (peer::IsBlockedFileName(pending.File)) {
        Info(window, GetLangString(kBlockedFileText));
        return;
    }
    pending.Job.Offset = position;
    StartReceive(window, sender.Nick, pending.Job);
}

} // namespace

void peer::HandleDccSendOffer(WindowRecord* window, const std::vector<std::string>& words,
                              const UserAddress& sender, uint8_t mode, DccOfferOptions options) {
    if (!window) return;
    if (mode == 0 && words.size() >= 9) FileOffer(window, words, sender, options.AutoAccept);
    if (mode == 1 && words.size() >= 8) ResumeAccepted(window, words, sender);
}
