// The members of a channel as its nick list shows them: item texts with their group, in list
// order, behind a lock of their own. Connection threads change and read them directly; the
// nick-list control is a virtual list that shows them and is told of changes by a posted message,
// so a names reply of any size never waits on the interface thread item by item.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

constexpr uint32_t kNoNickItem = 0xFFFFFFFF;
// Posted to the nick-list control when its store changed.
constexpr UINT kNickStoreChanged = WM_APP + 0x316;

struct NickItem {
    std::wstring Text;
    int Group = 0;
    // The item data a list-view item carries; the group unless someone set other data.
    LPARAM Param = 0;
    // Texts of the further columns (1 on), where someone set them.
    std::vector<std::wstring> Columns;
    // Stays with the item while it moves, so the control's selection follows the nick.
    uint64_t Id = 0;
    // Pixels in the list's font; measured on the interface thread, -1 until then.
    int Width = -1;
};

// What the control needs to catch up with the store.
struct NickStoreView {
    uint32_t Count = 0;
    std::vector<int> Selected; // new indices of the items selected before
    int Focused = -1;
    int Widest = 0;
};

class NickStore {
public:
    uint32_t Count() const;
    std::vector<std::wstring> Texts() const;
    // False past the last item.
    bool Item(uint32_t index, std::wstring* text, int* group, LPARAM* param = nullptr) const;
    // The text of column (0 the nick); empty where none was set. False past the last item.
    bool ColumnText(uint32_t index, int column, std::wstring& text) const;
    bool SetColumnText(uint32_t index, int column, const std::wstring& text);
    // The first item equal to text ignoring ASCII case; kNoNickItem when none.
    uint32_t Find(const std::wstring& text) const;
    // The list view's search: after start (-1: from the first), the whole text or its beginning
    // ignoring case, from the first item again when wrap is set.
    int Search(int start, const std::wstring& text, bool partial, bool wrap) const;

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
    // Replaces the item at index (checked as Erase does) with text and group, in order when sorted.
    void Replace(uint32_t index, const std::wstring& expected, const std::wstring& text, int group,
                 bool sorted);
    bool SetItem(uint32_t index, const std::wstring* text, const int* group, const LPARAM* param);
    void Clear();
    // Stable, by CompareNickEntries.
    void Sort();

    // The control showing the store; changes are posted to it.
    void Attach(HWND control);
    HWND Control() const { return control_.load(); }
    bool ChangePending() const { return posted_.load(); }
    // Interface thread: what changed since the last call. The control's selection and focus are
    // given as its indices of then; measure gives an item's width for those not yet measured.
    template <typename Measure>
    bool CatchUp(const std::vector<int>& selected, int focused, Measure measure, NickStoreView& out);

private:
    void Changed();
    void MarkOrder(size_t index);
    uint32_t FindLocked(const std::wstring& text) const;
    size_t UpperBound(int group, const std::wstring& text) const;
    size_t IndexOf(uint32_t index, const std::wstring& expected) const;
    std::unique_ptr<NickItem> Make(const std::wstring& text, int group, LPARAM param);

    mutable std::shared_mutex mutex_;
    // Held by pointer, so placing one item in a long list moves pointers only.
    std::vector<std::unique_ptr<NickItem>> items_;
    bool ordered_ = true;
    uint64_t nextId_ = 1;
    uint64_t generation_ = 0;
    uint64_t shownGeneration_ = 0;
    std::vector<uint64_t> shownIds_;
    std::atomic<HWND> control_{nullptr};
    std::atomic<bool> posted_{false};
};

template <typename Measure>
bool NickStore::CatchUp(const std::vector<int>& selected, int focused, Measure measure, NickStoreView& out) {
    posted_.store(false);
    std::unique_lock<std::shared_mutex> lock(mutex_);
    if (generation_ == shownGeneration_) return false;
    std::unordered_set<uint64_t> selectedIds;
    for (int index : selected)
        if (index >= 0 && static_cast<size_t>(index) < shownIds_.size())
            selectedIds.insert(shownIds_[static_cast<size_t>(index)]);
    const uint64_t focusedId = focused >= 0 && static_cast<size_t>(focused) < shownIds_.size()
                                   ? shownIds_[static_cast<size_t>(focused)]
                                   : 0;
    out = NickStoreView{};
    out.Count = static_cast<uint32_t>(items_.size());
    shownIds_.resize(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
        NickItem& item = *items_[i];
        if (item.Width < 0) item.Width = measure(item.Text);
        if (item.Width > out.Widest) out.Widest = item.Width;
        shownIds_[i] = item.Id;
        if (!selectedIds.empty() && selectedIds.count(item.Id)) out.Selected.push_back(static_cast<int>(i));
        if (focusedId && item.Id == focusedId) out.Focused = static_cast<int>(i);
    }
    shownGeneration_ = generation_;
    return true;
}
