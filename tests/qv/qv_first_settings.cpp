#include "tests/qv/qv_process.h"

#include "common/xstring.h"

bool WriteFirstSettings(const PortableFolder& folder,
                        const std::vector<std::pair<std::string, std::string>>& changes) {
    std::string settings = ReadFileBytes(NarrowToWide(BRINDLEX_SOURCE_DIR "/res/default_user_cfg.xml"));
    for (const auto& [from, to] : changes) {
        const size_t at = settings.find(from);
        if (at == std::string::npos) return false;
        settings.replace(at, from.size(), to);
    }
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(folder.UserDataFolder().c_str(), nullptr);
    return WriteFileBytes(folder.UserDataFolder() + L"\\qv.xml", settings);
}
