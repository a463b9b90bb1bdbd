#include "shell/setup/user_config_file.h"

#include "common/replacing_file.h"
#include "common/shell_helpers.h"
#include "xml/xml_document.h"

#include <vector>

namespace {

enum class FileShape { Missing, Empty, Present, Locked };

FileShape Inspect(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileShape::Missing
                                                                              : FileShape::Locked;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileShape::Locked;
    return data.nFileSizeHigh == 0 && data.nFileSizeLow == 0 ? FileShape::Empty : FileShape::Present;
}

bool ReadsAsDocument(const std::wstring& path) {
    XmlDocument document;
    XmlDocumentOpenFile(&document, path.c_str());
    const bool readable =
        XmlDocumentGetState(&document) == kXmlStateDeclared && XmlDocumentIsValid(&document);
    XmlDocumentDestroy(&document);
    return readable;
}

bool MoveAside(const std::wstring& path, std::wstring& aside) {
    for (int n = 1; n < 1000; ++n) {
        aside = path + L".unreadable-" + std::to_wstring(n);
        if (MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    aside.clear();
    return false;
}

bool WriteDefault(const std::wstring& path, HMODULE resources) {
    std::vector<uint8_t> bytes;
    if (!resources || !ExtractResource(bytes, L"DEFAULT_USER_CFG", resources) || bytes.empty()) return false;
    return WriteFileReplacing(path, bytes.data(), bytes.size());
}

} // namespace

UserConfigPrepared PrepareUserConfigFile(const std::wstring& path, HMODULE resources) {
    UserConfigPrepared result;
    switch (Inspect(path)) {
        case FileShape::Present:
            if (ReadsAsDocument(path)) return result;
            [[fallthrough]];
        case FileShape::Locked:
            if (!MoveAside(path, result.SetAsidePath)) {
                result.State = UserConfigState::Unusable;
                return result;
            }
            result.State = UserConfigState::ReplacedUnreadable;
            break;
        case FileShape::Missing:
        case FileShape::Empty: result.State = UserConfigState::Created; break;
    }
    result.DefaultWritten = WriteDefault(path, resources);
    return result;
}
