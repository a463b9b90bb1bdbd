// Saving a window's text (plain, RTF, encrypted) and switching its log file on and off.
#include "shell/chats/window_text_commands.h"

#include "common/aes_crypt.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/data_folders.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/plain_base_name.h"
#include "common/replacing_file.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "shell/chats/channel_list_view.h"
#include "shell/windows/log_files.h"
#include "shell/menus/menu_command_handlers.h"
#include "shell/windows/window_record_ops.h"
#include "ui/prompt_dialogs.h"
#include "views/channel_list_rtf.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr DWORD kLogDialogFlags = 0x8200C;  // explorer, create prompt, hide read-only, keep folder
constexpr DWORD kSaveDialogFlags = 0x8200E; // the same with the overwrite prompt

std::wstring LogFolder() {
    const std::string folder = Settings::LogFolder();
    return folder.size() < 2 ? UserDataFolder : NarrowToWide(folder);
}

// The save dialog owned by the window; the chosen path, empty when cancelled.
std::wstring AskFile(WindowRecord* record, const std::wstring& name, const wchar_t* pattern, DWORD flags) {
    std::wstring file(MAX_PATH * 4, L'\0');
    name.copy(file.data(), std::min(name.size(), file.size() - 1));
    const std::wstring folder = LogFolder();
    std::wstring filter = std::wstring(pattern) + L'\0' + pattern + L'\0' + L'\0';
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = record->Window;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.Flags = flags;
    if (!GetSaveFileNameW(&dialog)) return {};
    file.resize(wcslen(file.c_str()));
    // A save replaces its file: never one a window's log is being written to.
    if (flags == kSaveDialogFlags && IsLiveLogFile(file)) {
        AppMessageBox(record->Window, (file + L" is the log being written; it is not replaced.").c_str(),
                      kProgramTitle, MB_OK, MB_ICONWARNING);
        return {};
    }
    const size_t slash = file.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        XmlWriteProfileString(Settings::Keys::LogFolder.Section, Settings::Keys::LogFolder.Key,
                              WideToNarrow(file.substr(0, slash)).c_str(), nullptr, UserConfigDocument);
    return file;
}

// The view's whole text as UTF-8, lines ending in CR LF.
std::string ViewTextUtf8(const WindowRecord* record) {
    // A channel list shows its rows in a list control, not in the view.
    if (ShowsChannelListRows(record)) return ChannelListShownText(record);
    if (!record->View) return {};
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_USECRLF | GTL_PRECISE, 1200};
    const LRESULT count =
        SendMessageW(record->View, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    if (count <= 0) return {};
    std::wstring text(static_cast<size_t>(count) + 1, L'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    get.flags = GT_USECRLF;
    get.codepage = 1200;
    text.resize(static_cast<size_t>(SendMessageW(record->View, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                                 reinterpret_cast<LPARAM>(text.data()))));
    return WideToNarrow(text);
}

bool IsEmptyOrMissing(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return true;
    return data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
}

void StartLog(WindowRecord* record) {
    const std::wstring path =
        AskFile(record, PlainBaseNameUtf8(record->Name) + L".log", L"*.log", kLogDialogFlags);
    if (path.empty()) return;
    if (AppMessageBox(record->Window, GetLangString(kAddShownTextQuestion), kProgramTitle, MB_YESNO,
                      MB_ICONINFORMATION) == IDYES) {
        // The mark starts a new file only: in the middle of a log it would be a stray character.
        std::string bytes = IsEmptyOrMissing(path) ? kUtf8Mark : "";
        bytes += ViewTextUtf8(record);
        if (FILE* file = _wfopen(path.c_str(), L"a+b")) {
            fwrite(bytes.data(), 1, bytes.size(), file);
            fclose(file);
        }
    }
    record->Logging = 1;
    record->LogPath = path;
    CheckChildToolbarButton(record, ID_SAVE_TEXT, true);
    shell::WriteLogLine(record, kLogStartMarker);
}

DWORD CALLBACK CollectStream(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* written) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(bytes),
                                                   static_cast<size_t>(count));
    *written = count;
    return 0;
}

void SaveRtf(WindowRecord* record) {
    const std::wstring path =
        AskFile(record, SaveFileProposal(LogFolder(), record->Name, L".rtf"), L"*.rtf", kSaveDialogFlags);
    if (path.empty()) return;
    // A channel list's rows are in its list control: the file gets the lines its view would hold
    // for them, in the view's font (the fixed font it was opened with) and colours.
    if (ShowsChannelListRows(record)) {
        const HFONT fixed = ConfiguredFonts.size() > kFixedFont ? ConfiguredFonts[kFixedFont] : nullptr;
        WriteChannelListRtf(path, record->ChannelListShown, ViewLookForFile(record->View, fixed));
        return;
    }
    if (!record->View) return;
    std::string rtf;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rtf);
    stream.pfnCallback = CollectStream;
    SendMessageW(record->View, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    WriteFileReplacing(path, rtf.data(), rtf.size());
}

void SaveText(WindowRecord* record) {
    if (!record->ChannelListRows.Empty()) {
        WindowRecord* server = record->Server ? record->Server : record;
        const std::wstring path =
            AskFile(record, PlainBaseNameUtf8(server->Name) + L".lst", L"*.lst", kSaveDialogFlags);
        if (path.empty()) return;
        const std::string text = FormatChannelListFile(record->ChannelListRows.Copy());
        WriteFileReplacing(path, text.data(), text.size());
        return;
    }
    const std::wstring path =
        AskFile(record, SaveFileProposal(LogFolder(), record->Name, L".log"), L"*.log", kSaveDialogFlags);
    if (path.empty()) return;
    const std::string text = kUtf8Mark + ViewTextUtf8(record);
    WriteFileReplacing(path, text.data(), text.size());
}

// The text is encrypted in memory: no plain copy of it ever reaches the disk.
void SaveEncrypted(WindowRecord* record) {
    const std::wstring path =
        AskFile(record, SaveFileProposal(LogFolder(), record->Name, L".log"), L"*.log", kSaveDialogFlags);
    if (path.empty()) return;
    wchar_t phrase[1000] = {};
    if (!ui::PromptSecret(record->Window, kProgramTitle, GetLangString(kPassPhrasePrompt), phrase, 1000))
        return;
    const std::string text = kUtf8Mark + ViewTextUtf8(record);
    std::vector<unsigned char> sealed;
    if (!AesCryptBuffer(WideToNarrow(phrase).substr(0, 16), 256, text.data(), text.size(), true, sealed))
        return;
    SecureZeroMemory(phrase, sizeof phrase);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!WriteFileReplacing(path, sealed.data(), sealed.size())) return;
    SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_READONLY);
}

void ToggleLog(WindowRecord* record) {
    if (record->Logging) {
        shell::WriteLogLine(record, kLogEndMarker);
        record->Logging = 0;
    } else {
        StartLog(record);
    }
}

struct LogCommandRow {
    uint32_t Id;
    void (*Run)(WindowRecord* record);
};
constexpr LogCommandRow kLogCommands[] = {
    {ID_LOG_WINDOW, ToggleLog},
    {ID_SAVE_RTF, SaveRtf},
    {ID_SAVE_TEXT, SaveText},
    {ID_SAVE_ENCRYPTED, SaveEncrypted},
};

} // namespace

// The log button shows whether the window logs, whichever of these ran.
void shell::RunLogCommand(WindowRecord* record, uint32_t id) {
    if (!record) return;
    const auto row = std::find_if(std::begin(kLogCommands), std::end(kLogCommands),
                                  [id](const LogCommandRow& candidate) { return candidate.Id == id; });
    if (row == std::end(kLogCommands)) return;
    row->Run(record);
    CheckChildToolbarButton(record, ID_SAVE_TEXT, record->Logging != 0);
    FocusInputBack(record);
}
