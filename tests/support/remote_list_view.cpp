#include "tests/support/remote_list_view.h"

#include <commctrl.h>

#include <cstring>
#include <cwchar>

namespace {

// A block of memory in the process that owns the window, freed with the object.
class RemoteBlock {
public:
    RemoteBlock(HWND window, size_t size) : size_(size) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    char* Address() const { return static_cast<char*>(address_); }
    bool Write(size_t offset, const void* data, size_t size) const {
        return address_ && offset + size <= size_ &&
               WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
    }
    bool Read(size_t offset, void* data, size_t size) const {
        return address_ && offset + size <= size_ &&
               ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

constexpr int kTextChars = 1000;

// Asks the control for an item's text: the item, its text field pointed at the room behind it,
// goes into the control's process; the text comes back up to its end.
template <class Item> std::wstring ReadItemText(HWND control, UINT message, WPARAM which, Item item) {
    RemoteBlock block(control, sizeof(Item) + kTextChars * sizeof(wchar_t));
    item.pszText = reinterpret_cast<wchar_t*>(block.Address() + sizeof(Item));
    item.cchTextMax = kTextChars;
    std::wstring text(kTextChars, L'\0');
    if (!block.Write(0, &item, sizeof item) ||
        !SendMessageW(control, message, which, reinterpret_cast<LPARAM>(block.Address())) ||
        !block.Read(sizeof(Item), text.data(), (kTextChars - 1) * sizeof(wchar_t)))
        return {};
    text.resize(wcsnlen(text.c_str(), kTextChars));
    return text;
}

} // namespace

std::wstring RemoteListItemText(HWND list, int row, int column) {
    RemoteBlock block(list, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(block.Address() + sizeof(LVITEMW));
    item.cchTextMax = kTextChars;
    if (!block.Write(0, &item, sizeof item)) return {};
    const LRESULT length =
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(block.Address()));
    std::wstring text(kTextChars, L'\0');
    if (length <= 0 || !block.Read(sizeof(LVITEMW), text.data(), kTextChars * sizeof(wchar_t))) return {};
    text.resize(static_cast<size_t>(length < kTextChars ? length : kTextChars - 1));
    return text;
}

bool SelectRemoteListItem(HWND list, int row) {
    RemoteBlock block(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (!block.Write(0, &item, sizeof item) || !SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                                                             reinterpret_cast<LPARAM>(block.Address())))
        return false;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return block.Write(0, &item, sizeof item) &&
           SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(block.Address())) != FALSE;
}

std::wstring RemoteListGroupHeader(HWND list, int group) {
    RemoteBlock block(list, sizeof(LVGROUP) + kTextChars * sizeof(wchar_t));
    LVGROUP info{};
    info.cbSize = sizeof info;
    info.mask = LVGF_HEADER | LVGF_GROUPID;
    info.pszHeader = reinterpret_cast<wchar_t*>(block.Address() + sizeof(LVGROUP));
    info.cchHeader = kTextChars;
    std::wstring text(kTextChars, L'\0');
    if (!block.Write(0, &info, sizeof info) ||
        SendMessageW(list, LVM_GETGROUPINFO, static_cast<WPARAM>(group),
                     reinterpret_cast<LPARAM>(block.Address())) != group ||
        !block.Read(sizeof(LVGROUP), text.data(), (kTextChars - 1) * sizeof(wchar_t)))
        return {};
    text.resize(wcsnlen(text.c_str(), kTextChars));
    return text;
}

RECT RemoteListCellRect(HWND list, int row, int column) {
    RemoteBlock block(list, sizeof(RECT));
    RECT rect{LVIR_BOUNDS, column, 0, 0};
    if (!block.Write(0, &rect, sizeof rect) ||
        !SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(block.Address())) ||
        !block.Read(0, &rect, sizeof rect))
        return {};
    return rect;
}

std::wstring RemoteTreeItemText(HWND tree, HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    return ReadItemText(tree, TVM_GETITEMW, 0, data);
}

RECT RemoteTreeItemTextRect(HWND tree, HTREEITEM item) {
    RemoteBlock block(tree, sizeof(RECT));
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item); // the item goes in where the rectangle comes out
    if (!block.Write(0, &rect, sizeof rect) ||
        !SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(block.Address())) ||
        !block.Read(0, &rect, sizeof rect))
        return {};
    return rect;
}

std::wstring RemoteTabText(HWND tabs, int index) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    return ReadItemText(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), item);
}

bool RemoteTabRect(HWND tabs, int index, RECT& rect) {
    RemoteBlock block(tabs, sizeof(RECT));
    return SendMessageW(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(block.Address())) &&
           block.Read(0, &rect, sizeof rect);
}

bool RemoteToolbarButtonRect(HWND toolbar, int index, RECT& rect) {
    RemoteBlock block(toolbar, sizeof(RECT));
    return SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(block.Address())) &&
           block.Read(0, &rect, sizeof rect);
}
