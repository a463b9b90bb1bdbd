// The members of a channel as its nick list shows them: item texts with their group, in list
// order, behind a lock of their own. Connection threads change and read them directly; the
// nick-list control is a virtual list that shows a snapshot of them, told of changes by a posted
// message, so a names reply of any size never waits on the interface thread item by item.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

constexpr uint32_t kNoNickItem = 0xFFFFFFFF;
// Posted to the nick-list control when its store changed.
constexpr UINT kNickStoreChanged = WM_APP + 0x316;

// The prefix modes a member holds, as far as the channel's lines told them.
struct NickModes {
    std::string Letters;      // the mode letters held, in the server's PREFIX order
    bool Known = false;       // false: only the shown prefix is known (a names reply or a join)
    bool LowerUnseen = false; // a names reply shows the highest mode only: lower ones may be held
};

struct NickItem {
    std::wstring Text;
    int Group = 0;
    // The item data a list-view item carries; the group unless someone set other data.
    LPARAM Param = 0;
    // Texts of the further columns (1 on), where someone set them.
    std::vector<std::wstring> Columns;
    NickModes Modes;
    // Stays with the item while it moves or changes, so the control's selection follows the nick.
    uint64_t Id = 0;
    // Pixels in the list's font, -1 until measured: written and read on the interface thread only.
    mutable int Width = -1;
};

// Items are shared with the snapshots the control shows and never change once made: a change
// puts a changed copy in the item's place.
using NickItemRef = std::shared_ptr<const NickItem>;

// The text of an item's column (0 the nick); empty where none was set.
std::wstring NickColumnText(const NickItem& item, int column);
// The list view's search over items: after start (-1: from the first), the whole text or its
// beginning ignoring case, from the first item again when wrap is set; -1 when none.
int SearchNickItems(const std::vector<NickItemRef>& items, int start, const std::wstring& text, bool partial,
                    bool wrap);

class NickStore {
public:
    uint32_t Count() const;
    std::vector<std::wstring> Texts() const;
    // False past the last item.
    bool Item(uint32_t index, std::wstring* text, int* group, LPARAM* param = nullptr) const;
    bool Modes(uint32_t index, NickModes& modes) const;
    // The text of column (0 the nick); empty where none was set. False past the last item.
    bool ColumnText(uint32_t index, int column, std::wstring& text) const;
    bool SetColumnText(uint32_t index, int column, const std::wstring& text);
    // The first item equal to text ignoring ASCII case; kNoNickItem when none.
    uint32_t Find(const std::wstring& text) const;

    // Inserts at index (the end when past it); returns where the item went.
    uint32_t Insert(uint32_t index, const std::wstring& text, int group, LPARAM param);
    // In order (after its equals), or at the end when sorted is false.
    uint32_t Place(const std::wstring& text, int group, bool sorted);
    // Many items at once, each after its equals as Place would put it.
    void PlaceAll(std::vector<std::pair<int, std::wstring>> entries, bool sorted);
    // Removes the item at index, or the first item with the expected text when another item
    // took that place meanwhile; false when neither is there.
    bool Erase(uint32_t index, const std::wstring& expected);
    bool EraseAt(uint32_t index);
    // Replaces the item at index (checked as Erase does) with text and group, in order when sorted;
    // the member keeps its modes unless new ones are given.
    void Replace(uint32_t index, const std::wstring& expected, const std::wstring& text, int group,
                 bool sorted, const NickModes* modes = nullptr);
    bool SetItem(uint32_t index, const std::wstring* text, const int* group, const LPARAM* param);
    void Clear();
    // Stable, by CompareNickEntries.
    void Sort();

    // The control showing the store; changes are posted to it.
    void Attach(HWND control);
    HWND Control() const { return control_.load(); }
    bool ChangePending() const { return posted_.load(); }
    // The items as they are now when they changed since generation, which then becomes the
    // current one; false (and nothing taken) when nothing changed.
    bool TakeSnapshot(uint64_t& generation, std::vector<NickItemRef>& items);

private:
    void Changed();
    void MarkOrder(size_t index);
    uint32_t FindLocked(const std::wstring& text) const;
    size_t UpperBound(int group, const std::wstring& text) const;
    size_t IndexOf(uint32_t index, const std::wstring& expected) const;
    std::shared_ptr<NickItem> Make(const std::wstring& text, int group, LPARAM param);
    // A changeable copy of the item at index, put in its place.
    NickItem& Own(size_t index);

    mutable std::shared_mutex mutex_;
    // Held by pointer, so placing one item in a long list moves pointers only.
    std::vector<std::shared_ptr<NickItem>> items_;
    // Where a names reply's items are merged in, kept with its room (it and items_ trade places
    // at each merge).
    std::vector<std::shared_ptr<NickItem>> merged_;
    bool ordered_ = true;
    uint64_t nextId_ = 1;
    uint64_t generation_ = 1;
    std::atomic<HWND> control_{nullptr};
    std::atomic<bool> posted_{false};
};
