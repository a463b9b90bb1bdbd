#include "update/update_check.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/folder_probe.h"
#include "common/message_box.h"
#include "common/shell_helpers.h"
#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/settings.h"
#include "update/update_check_job.h"
#include "update/update_engine.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

#include <windows.h>

#include <vector>

namespace {

constexpr wchar_t kDefaultServer[] = L"https://brindlex.example";
constexpr wchar_t kCaption[] = L"Brindlex";
constexpr UINT kShieldIcon = 240;

// Set while the engine runs; the interface thread alone reads and writes it.
bool UpdateRunning = false;

HWND Frame() {
    return MainWindow.load();
}

// Applying needs write access to the program folder: offer to start again with it.
void OfferElevatedRestart() {
    HWND frame = Frame();
    if (AppMessageBox(
            frame,
            L"You have to have administrator rights to check for updates.\r\nShutdown Brindlex 7 and "
            L"run as admin in order to update?",
            kCaption, MB_YESNO, kShieldIcon) != IDYES)
        return;
    if (!RunElevated(ProgramPath.c_str(), L"-update", nullptr)) {
        AppMessageBox(frame, L"Please restart Brindlex 7 with administrator rights and do update.", kCaption,
                      MB_OK, MB_ICONINFORMATION);
        return;
    }
    if (frame) SendMessageW(frame, WM_CLOSE, 0, 0);
}

// Files were replaced and the user agreed to close: the next start merges the new default
// settings. The mark is saved at once, as the "-update" start ends without saving.
void MarkPendingUpdateAndClose() {
    if (UserConfigDocument) {
        XmlWriteProfileInt(Settings::Keys::PendingUpdate.Section, Settings::Keys::PendingUpdate.Key, 1,
                           nullptr, UserConfigDocument);
        XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
    }
    if (HWND frame = Frame())
        PostMessageW(frame, WM_CLOSE, 0, 0);
    else
        ExitProcess(0);
}

} // namespace

std::wstring UpdateServerAddress() {
    char server[1001] = {};
    XmlGetProfileString("ICfg\\General", "Update_Server", "", server, sizeof server, nullptr,
                        CommonConfigDocument);
    std::wstring address = server[0] ? NarrowToWide(server) : std::wstring(kDefaultServer);
    while (!address.empty() && address.back() == L'/') address.pop_back();
    return address;
}

bool UpdateIsRunning() {
    return UpdateRunning;
}

void CheckForUpdates(bool checkOnly, bool reportWhenNone) {
    if (UpdateRunning) return;
    if (!checkOnly && !IsFolderWritable(ProgramFolder)) return OfferElevatedRestart();

    UpdateCheckInputs inputs;
    inputs.Server = UpdateServerAddress();
    inputs.ProgramPath = ProgramPath;
    inputs.ProgramFolder = ProgramFolder;
    inputs.UserDataFolder = UserDataFolder;
    inputs.PluginNames = FindPluginLibraries(UserDataFolder);
    inputs.CheckOnly = checkOnly;
    auto job = std::make_unique<UpdateJobBuffer>();
    BuildUpdateCheckJob(inputs, *job);

    UpdateRunning = true;
    const uint32_t result = RunUpdateJob(&job->Header);
    UpdateRunning = false;
    job.reset();

    if (!checkOnly) {
        if (result == kUpdateReplacedClose) MarkPendingUpdateAndClose();
        return;
    }
    if (result == kUpdateFilesDiffer) {
        if (AppMessageBox(Frame(), L"Brindlex update found. Update now?", kCaption, MB_YESNO,
                          MB_ICONQUESTION) == IDYES)
            CheckForUpdates(false, false);
        return;
    }
    if (!reportWhenNone) return;
    if (result == kUpdateNothingDiffers)
        AppMessageBox(Frame(), L"No Brindlex update is found.", kCaption, MB_OK, MB_ICONINFORMATION);
    else
        AppMessageBox(Frame(), L"No Brindlex update information could be fetched. Please try again later.",
                      kCaption, MB_OK, MB_ICONINFORMATION);
}

bool HandleUpdateSwitch() {
    std::vector<std::wstring> arguments;
    SplitQuotedW(arguments, GetCommandLineW(), L" ", false);
    for (const std::wstring& argument : arguments) {
        if (!WStringEqualsNoCase(argument, L"-update")) continue;
        std::wstring folder = ProgramPath.substr(0, ProgramPath.find_last_of(L'\\'));
        if (folder.size() > 1000) folder.resize(1000);
        SetCurrentDirectoryW(folder.c_str());
        CheckForUpdates(false, false);
    }
    return true;
}
