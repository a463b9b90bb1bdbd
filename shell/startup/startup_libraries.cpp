#include "shell/startup/startup_libraries.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/shell_helpers.h"
#include "common/xstring.h"
#include "core/settings.h"
#include "shell/frame/frame_window.h"
#include "core/resource_library.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr int kStateIcons = 6;
HICON StateIcons[kStateIcons] = {};

HIMAGELIST LoadStrip(const wchar_t* name, int width) {
    HMODULE resources = ResourceModule.load();
    if (!resources) return nullptr;
    return ImageList_LoadImageW(resources, name, width, 0, RGB(255, 255, 255), IMAGE_BITMAP,
                                LR_CREATEDIBSECTION);
}

void Destroy(HIMAGELIST& list) {
    if (list) ImageList_Destroy(list);
    list = nullptr;
}

} // namespace

bool LoadResourceLibrary() {
    ResourceModule = LoadLibraryW((ProgramFolder + L"\\qvres.dll").c_str());
    return ResourceModule.load() != nullptr;
}

bool LoadLanguageLibrary() {
    std::string name = Settings::Language();
    if (name.size() > 299) name.resize(299);
    NonEnglishLanguage = name.find("qvlang.dll") == std::string::npos ? 1 : 0;
    const std::wstring wide = NarrowToWide(name);
    HMODULE module = nullptr;
    if (!name.empty()) {
        module = LoadLibraryW((ProgramFolder + L"\\" + wide).c_str());
        if (!module) module = LoadLibraryW((UserDataFolder + L"\\" + wide).c_str());
    }
    if (!module) module = LoadLibraryW((ProgramFolder + L"\\qvlang.dll").c_str());
    LanguageModule = module;
    return module != nullptr;
}

void LoadTranslation() {
    const std::wstring path = TempFolder + L"\\tr.xml";
    DeleteFileW(path.c_str());
    if (ExtractResource(path.c_str(), L"XML_TRANSLATION", LanguageModule.load()) &&
        GetFileSizeByName(path.c_str()) > 0) {
        XmlDocument document;
        XmlDocumentOpenFile(&document, path.c_str());
        TranslationTree = XmlElementDuplicate(XmlDocumentGetRoot(&document), nullptr);
        XmlDocumentDestroy(&document);
    }
    DeleteFileW(path.c_str());
}

void LoadImages() {
    TabImageList = ImageList_Create(16, 16, ILC_COLOR32, kStateIcons, 0);
    HMODULE resources = ResourceModule.load();
    for (int i = 0; i < kStateIcons; ++i) {
        const std::wstring name = L"STAT_" + std::to_wstring(i + 1);
        StateIcons[i] = resources
                            ? static_cast<HICON>(LoadImageW(resources, name.c_str(), IMAGE_ICON, 16, 16, 0))
                            : nullptr;
        if (TabImageList) ImageList_AddIcon(TabImageList, StateIcons[i]);
    }
    PreferencesBarImages = LoadStrip(kPreferencesBarStrip, 22);
    WindowBarImages = LoadStrip(kWindowBarStrip, 22);
    InsertsBarImages = LoadStrip(kInsertsBarStrip, 14);
    ControlBarImages = LoadStrip(kControlBarStrip, 22);
}

void FreeImages() {
    if (ProgramIcon) DestroyIcon(ProgramIcon);
    ProgramIcon = nullptr;
    for (HICON& icon : StateIcons) {
        if (icon) DestroyIcon(icon);
        icon = nullptr;
    }
    Destroy(TabImageList);
    Destroy(WindowBarImages);
    Destroy(ControlBarImages);
    Destroy(InsertsBarImages);
    Destroy(PreferencesBarImages);
}
