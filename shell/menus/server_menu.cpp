#include "shell/menus/server_menu.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/shell_helpers.h"
#include "common/xstring.h"
#include "core/resource_library.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <string>
#include <vector>

namespace {

constexpr size_t kMaxMenuNameBytes = 999;

// The default list's root element renamed "Servers", or an empty "Servers" when the resource is
// missing or does not read.
XmlElement* DefaultServerList(XmlElement* parent) {
    std::vector<uint8_t> bytes;
    HMODULE module = ResourceModule.load();
    if (module && ExtractResource(bytes, L"DEFAULT_SERVERS", module) && !bytes.empty()) {
        std::string text(bytes.begin(), bytes.end());
        XmlDocument defaults;
        XmlDocumentOpenText(&defaults, text.c_str());
        XmlElement* copy = XmlElementDuplicate(XmlDocumentGetRoot(&defaults), parent);
        XmlDocumentDestroy(&defaults);
        if (copy) {
            XmlElementSetName(copy, "Servers");
            return copy;
        }
    }
    return XmlElementCreateNamed(parent, "Servers");
}

// Cut at most 999 bytes without splitting a UTF-8 sequence.
std::string MenuName(std::string name) {
    if (name.size() <= kMaxMenuNameBytes) return name;
    size_t cut = kMaxMenuNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    return name;
}

struct ServerItem {
    std::wstring Name;
    bool AutoConnect = false;
};

std::vector<ServerItem> ReadServers() {
    std::vector<ServerItem> items;
    XmlDocument* document = UserConfigDocument;
    if (!document) return items;
    XmlDocumentWriteLock lock(document);
    XmlElement* root = XmlDocumentGetRoot(document);
    if (!root) return items;
    XmlElement* servers = XmlElementFindChild(root, "Servers");
    if (!servers) {
        servers = DefaultServerList(nullptr);
        if (!servers) return items;
        XmlElementAppendChild(root, servers);
    }
    const uint32_t count = XmlElementGetChildCount(servers);
    for (uint32_t i = 0; i < count; ++i) {
        XmlElement* server = XmlElementGetChild(servers, i);
        if (!server) continue;
        ServerItem item;
        XmlVariable* name = XmlElementFindVariable(server, "name", 1, "");
        item.Name = NarrowToWide(MenuName(XmlVariableGetValueString(name)));
        XmlVariable* autoConnect = XmlElementFindVariable(server, "Auto_Connect", 1, "");
        item.AutoConnect = XmlVariableGetInt(autoConnect) == 1;
        items.push_back(item);
    }
    return items;
}

} // namespace

void BuildServerMenu(HMENU mainMenu, HWND mainWindow) {
    const std::vector<ServerItem> servers = ReadServers();
    HMENU connectMenu = mainMenu ? GetSubMenu(mainMenu, 0) : nullptr;
    // Ids beyond ID_SERVER_LAST belong to no server command, so the list shows at most 100 servers.
    for (size_t i = 0; i < servers.size() && i < kServerMenuItems; ++i) {
        const UINT id = ID_SERVER_FIRST + static_cast<UINT>(i);
        if (connectMenu) AppendMenuW(connectMenu, MF_STRING, id, servers[i].Name.c_str());
        if (servers[i].AutoConnect && mainWindow) PostMessageW(mainWindow, WM_COMMAND, id, 0);
    }
}

void BuildServerMenu() {
    HWND frame = MainWindow.load();
    BuildServerMenu(frame ? GetMenu(frame) : nullptr, frame);
}
