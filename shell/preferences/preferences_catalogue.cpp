// Downloads offered by the extras catalogue. The file is fetched on a worker thread into the user's
// data folder or the temporary folder under a plain base name; a plug-in or script is loaded only
// after the user agreed in a question that names the file and where it came from; a skin changes
// only how the program looks ("/installskin" leaves the rest of it out).
#include "common/lang_string_ids.h"
#include "commands/input_dispatcher.h"
#include "core/settings.h"
#include "shell/preferences/preferences_parts.h"
#include "shell/preferences/preferences_window.h"

#include "common/data_folders.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/plain_base_name.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "irc/connection_messages.h"
#include "shell/preferences/http_download.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <process.h>

#include <memory>

namespace {

struct CatalogueJob {
    HWND Window = nullptr;
    std::string Section;
    std::string Url;
    std::wstring Path;
    std::wstring FileName;
};

unsigned __stdcall CatalogueDownloadThread(void* parameter) {
    std::unique_ptr<CatalogueJob> job(static_cast<CatalogueJob*>(parameter));
    const bool ok = HttpDownloadFile(NarrowToWide(job->Url), job->Path);
    HWND window = job->Window;
    if (PostMessageW(window, kPreferencesDownloadDone, ok ? 1 : 0, reinterpret_cast<LPARAM>(job.get())))
        job.release();
    return 0;
}

bool UserAgrees(HWND window, const CatalogueJob& job) {
    const std::wstring question = CatalogueLoadQuestion(job.Path, job.Url);
    return AppMessageBox(window, question.c_str(), kProgramTitle, MB_YESNO | MB_DEFBUTTON2,
                         MB_ICONQUESTION) == IDYES;
}

void Tell(HWND window, int32_t id) {
    AppMessageBox(window, GetLangString(id), kProgramTitle, MB_OK, MB_ICONINFORMATION);
}

void RunCommand(const std::string& command, const std::wstring& path) {
    const std::string line = command + "\"" + WideToNarrow(path) + "\"";
    commands::ProcessInputLine(line.c_str(), nullptr);
}

} // namespace

std::wstring CatalogueLoadQuestion(const std::wstring& path, const std::string& url) {
    return FillLangText(GetLangString(kLoadDownloadedQuestion), {path, NarrowToWide(url)});
}

std::wstring CatalogueFileName(const std::string& url) {
    const size_t slash = url.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? url : url.substr(slash + 1);
    if (name.empty()) return {};
    return PlainBaseNameUtf8(name);
}

void StartCatalogueDownload(HWND window, XmlVariable* download) {
    auto job = std::make_unique<CatalogueJob>();
    job->Window = window;
    {
        XmlDocumentReadLock lock(ExtrasDocument);
        job->Url = XmlVariableGetValueString(download);
        job->Section = XmlElementGetNameString(XmlElementGetParent(XmlVariableGetOwner(download)));
    }
    job->FileName = CatalogueFileName(job->Url);
    if (job->Url.empty() || job->FileName.empty()) return;
    const bool userFolder = job->Section == "Languages" || job->Section == "Plugins";
    job->Path = (userFolder ? UserDataFolder : TempFolder) + L"\\" + job->FileName;
    uintptr_t thread = _beginthreadex(nullptr, 0, CatalogueDownloadThread, job.get(), 0, nullptr);
    if (!thread) return;
    job.release();
    CloseHandle(reinterpret_cast<HANDLE>(thread));
}

void FinishCatalogueDownload(HWND window, bool succeeded, LPARAM parameter) {
    std::unique_ptr<CatalogueJob> job(reinterpret_cast<CatalogueJob*>(parameter));
    if (!job || !succeeded) return;
    if (job->Section == "Languages") {
        // A language module is a library the next start loads: the user decides, as for plug-ins.
        if (!UserAgrees(window, *job)) return;
        XmlWriteProfileString(Settings::Keys::Language.Section, Settings::Keys::Language.Key,
                              WideToNarrow(job->FileName).c_str(), nullptr, UserConfigDocument);
        Tell(window, kRestartNeededText);
    } else if (job->Section == "Plugins") {
        if (!UserAgrees(window, *job)) return;
        RunCommand("/plugin +", job->Path);
        Tell(window, kDoneText);
    } else if (job->Section == "Premade_Scripts") {
        if (!UserAgrees(window, *job)) return;
        RunCommand("/installscript ", job->Path);
        Tell(window, kDoneText);
    } else if (job->Section == "Skins") {
        RunCommand("/installskin ", job->Path);
        Tell(window, kRestartNeededText);
    }
}
