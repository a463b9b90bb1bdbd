#include "shell/setup/startup_documents.h"

#include "common/data_folders.h"
#include "common/message_box.h"
#include "common/replacing_file.h"
#include "common/shell_helpers.h"
#include "core/resource_library.h"
#include "core/settings.h"
#include "shell/setup/user_config_file.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

std::wstring UserConfigPath;
std::wstring UserIniPath;

namespace {

// False when the user's file could not be read and could not be moved aside: its document is
// then not written back, so the file stays as it was.
bool UserConfigWritable = true;

XmlDocument* OpenDocument(const std::wstring& path) {
    auto* document = new XmlDocument;
    XmlDocumentOpenFile(document, path.c_str());
    XmlDocumentCompact(document);
    return document;
}

void CloseDocument(XmlDocument*& document) {
    if (document && XmlDocumentIsValid(document)) {
        XmlDocumentClose(document);
        delete document;
    }
    document = nullptr;
}

} // namespace

OpenedDocuments OpenConfigurationDocuments() {
    OpenedDocuments opened;
    const std::wstring commonPath = CommonDataFolder + L"\\qv.xml";
    const std::wstring extrasPath = ProgramFolder + L"\\extras.xml";
    const std::wstring tempPath = TempFolder + L"\\temp.xml";
    UserConfigPath = UserDataFolder + L"\\qv.xml";
    UserIniPath = UserDataFolder + L"\\qv.ini";
    // A save cut short (the program killed while writing) leaves its temporary file beside the
    // document; nothing else would ever remove it.
    for (const std::wstring& path : {commonPath, extrasPath, UserConfigPath, tempPath})
        RemoveStaleReplacingFiles(path);
    CommonConfigDocument = OpenDocument(commonPath);
    ExtrasDocument = OpenDocument(extrasPath);

    const UserConfigPrepared prepared = PrepareUserConfigFile(UserConfigPath, ResourceModule.load());
    switch (prepared.State) {
        case UserConfigState::Readable: break;
        case UserConfigState::Created: opened.FirstRun = true; break;
        case UserConfigState::ReplacedUnreadable:
            opened.FirstRun = true;
            opened.Notice = L"The settings file " + UserConfigPath +
                            L" could not be read.\r\nIt was kept as " + prepared.SetAsidePath +
                            L" and the default settings are used.";
            break;
        case UserConfigState::Unusable:
            UserConfigWritable = false;
            opened.Notice = L"The settings file " + UserConfigPath +
                            L" could not be read and could not be moved aside.\r\nBrindlex uses default "
                            L"settings for this run and leaves the file as it is.";
            break;
    }
    if (UserConfigWritable && !prepared.DefaultWritten && prepared.State != UserConfigState::Readable &&
        opened.Notice.empty())
        opened.Notice = L"The default settings could not be written to " + UserConfigPath + L".";
    UserConfigDocument = OpenDocument(UserConfigPath);
    TempDocument = OpenDocument(tempPath);
    return opened;
}

bool UpdateIsPending() {
    return Settings::PendingUpdate();
}

void RunPendingUpdateMerge() {
    const std::wstring newPath = TempFolder + L"\\tempuser.xml";
    ExtractResource(newPath.c_str(), L"DEFAULT_USER_CFG", ResourceModule.load());
    XmlDocument fresh;
    XmlDocumentOpenFile(&fresh, newPath.c_str());
    {
        XmlDocumentWriteLock lock(UserConfigDocument);
        XmlElement* userRoot = XmlDocumentGetRoot(UserConfigDocument);
        XmlElement* newRoot = XmlDocumentGetRoot(&fresh);
        XmlElementMerge(userRoot, newRoot, 0);
        XmlElement* newScripts = XmlElementFindChild(newRoot, "Special_Scripts", 1);
        XmlElement* userScripts = XmlElementFindChild(userRoot, "Special_Scripts", 1);
        const uint32_t count = XmlElementGetChildCount(newScripts);
        for (uint32_t i = 0; i < count; ++i) {
            XmlElement* script = XmlElementGetChild(newScripts, i);
            std::string name = XmlVariableGetValueString(XmlElementFindVariable(script, "name", 1, ""));
            if (name.size() > 999) name.resize(999);
            bool known = false;
            const uint32_t have = XmlElementGetChildCount(userScripts);
            for (uint32_t j = 0; j < have && !known; ++j) {
                XmlVariable* other = XmlElementFindVariable(XmlElementGetChild(userScripts, j), "name");
                known = other && XmlVariableGetValueString(other) == name;
            }
            if (!known) XmlElementAppendChild(userScripts, XmlElementDuplicate(script, nullptr));
        }
    }
    XmlWriteProfileInt(Settings::Keys::PendingUpdate.Section, Settings::Keys::PendingUpdate.Key, 0, nullptr,
                       UserConfigDocument);
    XmlDocumentDestroy(&fresh);
    DeleteFileW(newPath.c_str());
    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
    AppMessageBox(nullptr, L"The XML Configuration file is updated.\r\nPlease restart Brindlex.", L"Brindlex",
                  MB_OK, MB_ICONINFORMATION);
    ExitProcess(0);
}

std::wstring SaveAndCloseConfigurationDocuments() {
    std::wstring notice;
    if (UserConfigDocument && XmlDocumentIsValid(UserConfigDocument) && UserConfigWritable &&
        !XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr))
        notice = L"The settings could not be saved to " + UserConfigPath + L".";
    CloseDocument(UserConfigDocument);
    if (CommonConfigDocument && XmlDocumentIsValid(CommonConfigDocument))
        XmlDocumentSave(CommonConfigDocument, nullptr, 0, 0, nullptr);
    CloseDocument(CommonConfigDocument);
    CloseDocument(TempDocument);
    CloseDocument(ExtrasDocument);
    if (TranslationTree) {
        if (XmlElementIsValid(TranslationTree)) XmlElementFree(TranslationTree);
        TranslationTree = nullptr;
    }
    return notice;
}
