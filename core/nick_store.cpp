#include "core/nick_store.h"

#include "core/nick_order.h"

#include <algorithm>
#include <cwchar>
#include <mutex>

namespace {

using ReadLock = std::shared_lock<std::shared_mutex>;
using WriteLock = std::unique_lock<std::shared_mutex>;

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
}

bool EqualsAsciiNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool Before(const std::shared_ptr<NickItem>& a, const std::shared_ptr<NickItem>& b) {
    return CompareNickEntries(a->Group, a->Text, b->Group, b->Text) < 0;
}

} // namespace

std::wstring NickColumnText(const NickItem& item, int column) {
    if (column == 0) return item.Text;
    if (column > 0 && static_cast<size_t>(column) <= item.Columns.size())
        return item.Columns[static_cast<size_t>(column) - 1];
    return {};
}

int SearchNickItems(const std::vector<NickItemRef>& items, int start, const std::wstring& text, bool partial,
                    bool wrap) {
    const int count = static_cast<int>(items.size());
    auto matches = [&](int i) {
        const std::wstring& item = items[static_cast<size_t>(i)]->Text;
        return partial ? _wcsnicmp(item.c_str(), text.c_str(), text.size()) == 0
                       : _wcsicmp(item.c_str(), text.c_str()) == 0;
    };
    if (start < -1) start = -1;
    for (int i = start + 1; i < count; ++i)
        if (matches(i)) return i;
    if (wrap)
        for (int i = 0; i <= start && i < count; ++i)
            if (matches(i)) return i;
    return -1;
}

uint32_t NickStore::Count() const {
    ReadLock lock(mutex_);
    return static_cast<uint32_t>(items_.size());
}

std::vector<std::wstring> NickStore::Texts() const {
    ReadLock lock(mutex_);
    std::vector<std::wstring> texts;
    texts.reserve(items_.size());
    for (const auto& item : items_) texts.push_back(item->Text);
    return texts;
}

bool NickStore::Item(uint32_t index, std::wstring* text, int* group, LPARAM* param) const {
    ReadLock lock(mutex_);
    if (index >= items_.size()) return false;
    if (text) *text = items_[index]->Text;
    if (group) *group = items_[index]->Group;
    if (param) *param = items_[index]->Param;
    return true;
}

bool NickStore::Modes(uint32_t index, NickModes& modes) const {
    ReadLock lock(mutex_);
    if (index >= items_.size()) return false;
    modes = items_[index]->Modes;
    return true;
}

bool NickStore::ColumnText(uint32_t index, int column, std::wstring& text) const {
    ReadLock lock(mutex_);
    if (index >= items_.size() || column < 0) return false;
    text = NickColumnText(*items_[index], column);
    return true;
}

bool NickStore::SetColumnText(uint32_t index, int column, const std::wstring& text) {
    if (column == 0) return SetItem(index, &text, nullptr, nullptr);
    {
        WriteLock lock(mutex_);
        if (index >= items_.size() || column < 0) return false;
        NickItem& item = Own(index);
        if (item.Columns.size() < static_cast<size_t>(column))
            item.Columns.resize(static_cast<size_t>(column));
        item.Columns[static_cast<size_t>(column) - 1] = text;
        ++generation_;
    }
    Changed();
    return true;
}

uint32_t NickStore::Find(const std::wstring& text) const {
    ReadLock lock(mutex_);
    return FindLocked(text);
}

// In order, an equal item can only be in the run that compares equal in its group: each group
// present is searched by halving. Equal ignoring ASCII case implies equal for the order's
// comparison, which folds at least ASCII letters.
uint32_t NickStore::FindLocked(const std::wstring& text) const {
    if (text.empty()) return kNoNickItem;
    if (!ordered_) {
        for (size_t i = 0; i < items_.size(); ++i)
            if (EqualsAsciiNoCase(items_[i]->Text, text)) return static_cast<uint32_t>(i);
        return kNoNickItem;
    }
    size_t best = items_.size();
    size_t from = 0;
    while (from < items_.size()) {
        const int group = items_[from]->Group;
        // This group's run: [from, end).
        const auto groupEnd =
            std::partition_point(items_.begin() + static_cast<ptrdiff_t>(from), items_.end(),
                                 [group](const auto& item) { return item->Group == group; });
        const auto first = std::partition_point(
            items_.begin() + static_cast<ptrdiff_t>(from), groupEnd,
            [&](const auto& item) { return _wcsicmp(item->Text.c_str(), text.c_str()) < 0; });
        for (auto it = first; it != groupEnd && _wcsicmp((*it)->Text.c_str(), text.c_str()) == 0; ++it)
            if (EqualsAsciiNoCase((*it)->Text, text)) {
                best = std::min(best, static_cast<size_t>(it - items_.begin()));
                break;
            }
        if (best < items_.size()) break; // groups come in list order: the first hit is the first
        from = static_cast<size_t>(groupEnd - items_.begin());
    }
    return best < items_.size() ? static_cast<uint32_t>(best) : kNoNickItem;
}

std::shared_ptr<NickItem> NickStore::Make(const std::wstring& text, int group, LPARAM param) {
    auto item = std::make_shared<NickItem>();
    item->Text = text;
    item->Group = group;
    item->Param = param;
    item->Id = nextId_++;
    return item;
}

// A snapshot may hold the item: the change goes to a copy (measured again when shown).
NickItem& NickStore::Own(size_t index) {
    const NickItem& old = *items_[index];
    auto copy = std::make_shared<NickItem>();
    copy->Text = old.Text;
    copy->Group = old.Group;
    copy->Param = old.Param;
    copy->Columns = old.Columns;
    copy->Modes = old.Modes;
    copy->Id = old.Id;
    items_[index] = copy;
    return *copy;
}

// The store stays known to be in order while every change keeps it so; searches then halve.
void NickStore::MarkOrder(size_t index) {
    if (!ordered_) return;
    if (index > 0 && Before(items_[index], items_[index - 1])) ordered_ = false;
    if (index + 1 < items_.size() && Before(items_[index + 1], items_[index])) ordered_ = false;
}

// After the items that sort before or equal to (group, text).
size_t NickStore::UpperBound(int group, const std::wstring& text) const {
    const auto at =
        std::partition_point(items_.begin(), items_.end(), [&](const std::shared_ptr<NickItem>& item) {
            return CompareNickEntries(item->Group, item->Text, group, text) <= 0;
        });
    return static_cast<size_t>(at - items_.begin());
}

uint32_t NickStore::Insert(uint32_t index, const std::wstring& text, int group, LPARAM param) {
    uint32_t at = 0;
    {
        WriteLock lock(mutex_);
        at = std::min(index, static_cast<uint32_t>(items_.size()));
        items_.insert(items_.begin() + at, Make(text, group, param));
        MarkOrder(at);
        ++generation_;
    }
    Changed();
    return at;
}

uint32_t NickStore::Place(const std::wstring& text, int group, bool sorted) {
    uint32_t at = 0;
    {
        WriteLock lock(mutex_);
        if (sorted && !ordered_) {
            std::stable_sort(items_.begin(), items_.end(), Before);
            ordered_ = true;
        }
        at = static_cast<uint32_t>(sorted ? UpperBound(group, text) : items_.size());
        items_.insert(items_.begin() + at, Make(text, group, group));
        MarkOrder(at);
        ++generation_;
    }
    Changed();
    return at;
}

// The new items are put in order among themselves and merged in once: each lands after its
// equals, as one-by-one placing would put it.
void NickStore::PlaceAll(std::vector<std::pair<int, std::wstring>> entries, bool sorted) {
    if (entries.empty()) return;
    {
        WriteLock lock(mutex_);
        const size_t old = items_.size();
        // Room grows by half at a time: a names reply comes in hundreds of lines, and room made
        // for each line's names alone would move every member again for each.
        if (items_.capacity() < old + entries.size()) items_.reserve((old + entries.size()) * 3 / 2);
        for (auto& entry : entries) items_.push_back(Make(entry.second, entry.first, entry.first));
        if (sorted) {
            if (!ordered_)
                std::stable_sort(items_.begin(), items_.begin() + static_cast<ptrdiff_t>(old), Before);
            std::stable_sort(items_.begin() + static_cast<ptrdiff_t>(old), items_.end(), Before);
            // Each new item's place is found by halving (comparing texts is the dear part), then
            // the list is rebuilt once, moving pointers only.
            std::vector<std::shared_ptr<NickItem>>& merged = merged_;
            merged.clear();
            if (merged.capacity() < items_.size()) merged.reserve(items_.capacity());
            auto from = items_.begin();
            const auto oldEnd = items_.begin() + static_cast<ptrdiff_t>(old);
            for (auto added = oldEnd; added != items_.end(); ++added) {
                const auto place = std::upper_bound(from, oldEnd, *added, Before);
                for (; from != place; ++from) merged.push_back(std::move(*from));
                merged.push_back(std::move(*added));
            }
            for (; from != oldEnd; ++from) merged.push_back(std::move(*from));
            items_.swap(merged);
            merged.clear();
            ordered_ = true;
        } else {
            for (size_t i = old; i < items_.size(); ++i) MarkOrder(i);
        }
        ++generation_;
    }
    Changed();
}

size_t NickStore::IndexOf(uint32_t index, const std::wstring& expected) const {
    if (index < items_.size() && items_[index]->Text == expected) return index;
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->Text == expected) return i;
    return items_.size();
}

bool NickStore::Erase(uint32_t index, const std::wstring& expected) {
    {
        WriteLock lock(mutex_);
        const size_t at = IndexOf(index, expected);
        if (at >= items_.size()) return false;
        items_.erase(items_.begin() + static_cast<ptrdiff_t>(at));
        ++generation_;
    }
    Changed();
    return true;
}

bool NickStore::EraseAt(uint32_t index) {
    {
        WriteLock lock(mutex_);
        if (index >= items_.size()) return false;
        items_.erase(items_.begin() + index);
        ++generation_;
    }
    Changed();
    return true;
}

void NickStore::Replace(uint32_t index, const std::wstring& expected, const std::wstring& text, int group,
                        bool sorted, const NickModes* modes) {
    {
        WriteLock lock(mutex_);
        const size_t at = IndexOf(index, expected);
        NickModes kept = modes ? *modes : NickModes{};
        if (at < items_.size()) {
            if (!modes) kept = items_[at]->Modes;
            items_.erase(items_.begin() + static_cast<ptrdiff_t>(at));
        }
        if (sorted && !ordered_) {
            std::stable_sort(items_.begin(), items_.end(), Before);
            ordered_ = true;
        }
        const size_t place = sorted ? UpperBound(group, text) : items_.size();
        auto item = Make(text, group, group);
        item->Modes = std::move(kept);
        items_.insert(items_.begin() + static_cast<ptrdiff_t>(place), std::move(item));
        MarkOrder(place);
        ++generation_;
    }
    Changed();
}

bool NickStore::SetItem(uint32_t index, const std::wstring* text, const int* group, const LPARAM* param) {
    {
        WriteLock lock(mutex_);
        if (index >= items_.size()) return false;
        NickItem& item = Own(index);
        if (text) item.Text = *text;
        if (group) item.Group = *group;
        if (param) item.Param = *param;
        MarkOrder(index);
        ++generation_;
    }
    Changed();
    return true;
}

void NickStore::Clear() {
    {
        WriteLock lock(mutex_);
        items_.clear();
        ordered_ = true;
        ++generation_;
    }
    Changed();
}

void NickStore::Sort() {
    {
        WriteLock lock(mutex_);
        std::stable_sort(items_.begin(), items_.end(), Before);
        ordered_ = true;
        ++generation_;
    }
    Changed();
}

bool NickStore::TakeSnapshot(uint64_t& generation, std::vector<NickItemRef>& items) {
    posted_.store(false);
    ReadLock lock(mutex_);
    if (generation == generation_) return false;
    items.assign(items_.begin(), items_.end());
    generation = generation_;
    return true;
}

void NickStore::Attach(HWND control) {
    control_.store(control);
    posted_.store(false);
    if (control) Changed();
}

// One message is outstanding at most: changes made before the control catches up ride on it.
void NickStore::Changed() {
    HWND control = control_.load();
    if (!control || posted_.exchange(true)) return;
    if (!PostMessageW(control, kNickStoreChanged, 0, 0)) posted_.store(false);
}
