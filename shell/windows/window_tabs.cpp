#include "shell/windows/window_tabs.h"

#include "common/xstring.h"
#include "core/frame_handles.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "shell/windows/active_window.h"
#include "shell/windows/window_titles.h"
#include "ui/ribbon.h"

#include <mmsystem.h>

#include <map>
#include <unordered_map>

namespace {

constexpr size_t kMaxTabText = 1000;
constexpr int kNoTab = -1;

int TabCount(HWND tabs) {
    return static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
}

bool ReadTab(HWND tabs, int index, TCITEMW& item, UINT mask) {
    item = {};
    item.mask = mask;
    item.dwStateMask = TCIS_BUTTONPRESSED;
    return SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

const WindowRecord* TabRecord(HWND tabs, int index) {
    TCITEMW item;
    if (!ReadTab(tabs, index, item, TCIF_PARAM)) return nullptr;
    return reinterpret_cast<const WindowRecord*>(item.lParam);
}

// Where each record's tab was last seen (kNoTab: it had none), so that finding a tab costs one
// read of the strip however many windows are open: a line printed into one of a thousand
// windows must not walk a thousand tabs. A hint is checked before it is used; a wrong one sends
// the lookup through the whole strip, which refills every hint. Tabs are found from the
// connection threads too, hence the lock.
class TabHints {
public:
    int Find(HWND tabs, const WindowRecord* record) {
        const int hint = Hint(tabs, record);
        if (hint == kNoTab || (hint >= 0 && TabRecord(tabs, hint) == record)) return hint;
        std::unordered_map<const WindowRecord*, int> fresh;
        int found = kNoTab;
        for (int i = 0, n = TabCount(tabs); i < n; ++i) {
            const WindowRecord* at = TabRecord(tabs, i);
            fresh.emplace(at, i);
            if (at == record && found == kNoTab) found = i;
        }
        fresh.emplace(record, kNoTab);
        AcquireSRWLockExclusive(&lock_);
        tabs_ = tabs;
        hints_.swap(fresh);
        ReleaseSRWLockExclusive(&lock_);
        return found;
    }
    void Set(HWND tabs, const WindowRecord* record, int index) {
        AcquireSRWLockExclusive(&lock_);
        if (tabs_ != tabs) hints_.clear();
        tabs_ = tabs;
        hints_[record] = index;
        ReleaseSRWLockExclusive(&lock_);
    }
    void Forget() {
        AcquireSRWLockExclusive(&lock_);
        hints_.clear();
        ReleaseSRWLockExclusive(&lock_);
    }

private:
    // The hint, or -2 when there is none for this strip.
    int Hint(HWND tabs, const WindowRecord* record) {
        AcquireSRWLockShared(&lock_);
        int hint = -2;
        if (tabs_ == tabs) {
            auto found = hints_.find(record);
            if (found != hints_.end()) hint = found->second;
        }
        ReleaseSRWLockShared(&lock_);
        return hint;
    }

    SRWLOCK lock_ = SRWLOCK_INIT;
    HWND tabs_ = nullptr;
    std::unordered_map<const WindowRecord*, int> hints_;
};

TabHints g_hints;

// The record whose tab is pressed (interface thread only): selecting another releases that one
// tab instead of visiting every tab.
struct PressedTab {
    HWND Tabs = nullptr;
    const WindowRecord* Record = nullptr;
};
PressedTab g_pressed;

// The tab strip draws "&x" as an underlined x, as a menu does: an ampersand of the name is
// doubled so that "&SERVER" shows as itself.
std::wstring TabText(const WindowRecord* record) {
    std::wstring name = WindowDisplayName(record);
    if (name.size() > kMaxTabText) name.resize(kMaxTabText);
    std::wstring text;
    text.reserve(name.size());
    for (wchar_t c : name) {
        if (c == L'&') text.push_back(L'&');
        text.push_back(c);
    }
    return text;
}

void InsertTab(HWND tabs, int position, const WindowRecord* record, int image) {
    std::wstring text = TabText(record);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = text.data();
    item.iImage = image;
    item.lParam = reinterpret_cast<LPARAM>(record);
    SendMessageW(tabs, TCM_INSERTITEMW, position, reinterpret_cast<LPARAM>(&item));
}

void SetPressed(HWND tabs, int index, bool pressed, int image) {
    TCITEMW change{};
    change.mask = TCIF_STATE;
    change.dwStateMask = TCIS_BUTTONPRESSED;
    change.dwState = pressed ? TCIS_BUTTONPRESSED : 0;
    if (image >= 0) {
        change.mask |= TCIF_IMAGE;
        change.iImage = image;
    }
    SendMessageW(tabs, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&change));
}

void PlayInactiveBeep() {
    std::string sound = Settings::InactiveBeep();
    if (sound.empty()) return;
    PlaySoundW(NarrowToWide(sound).c_str(), nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT);
}

} // namespace

void RebuildWindowTabs() {
    HWND tabs = WindowTabsControl.load();
    if (!tabs) return;
    std::map<const WindowRecord*, int> kept;
    for (int i = 0, n = TabCount(tabs); i < n; ++i) {
        TCITEMW item;
        if (ReadTab(tabs, i, item, TCIF_PARAM | TCIF_IMAGE))
            kept[reinterpret_cast<const WindowRecord*>(item.lParam)] = item.iImage;
    }
    SendMessageW(tabs, TCM_DELETEALLITEMS, 0, 0);
    g_hints.Forget();
    g_pressed = {};
    int position = 0;
    for (WindowRecord* record : WindowListSnapshot()) {
        auto found = kept.find(record);
        InsertTab(tabs, position, record, found == kept.end() ? 0 : found->second);
        g_hints.Set(tabs, record, position++);
    }
    SelectWindowTab(shell::GetActiveWindowRecord(), kNoTabState);
}

void InsertWindowTab(const WindowRecord* record) {
    HWND tabs = WindowTabsControl.load();
    if (!tabs || !record) return;
    const uint32_t listed = GetWindowRecordIndex(record);
    if (listed == kNoWindowIndex) return;
    // The tabs stand in list order, so the record's place in the list is its tab's.
    const int count = TabCount(tabs);
    const int position = listed < static_cast<uint32_t>(count) ? static_cast<int>(listed) : count;
    InsertTab(tabs, position, record, 0);
    g_hints.Set(tabs, record, position);
    SelectWindowTab(shell::GetActiveWindowRecord(), kNoTabState);
}

void shell::SetWindowTabCaption(const WindowRecord* record) {
    HWND tabs = WindowTabsControl.load();
    if (!tabs || !record) return;
    const int index = g_hints.Find(tabs, record);
    if (index == kNoTab) return;
    std::wstring text = TabText(record);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(tabs, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
}

uint32_t shell::GetWindowTabState(const WindowRecord* record) {
    HWND tabs = WindowTabsControl.load();
    if (!tabs || !record) return kNoTabState;
    const int index = g_hints.Find(tabs, record);
    TCITEMW item;
    if (index == kNoTab || !ReadTab(tabs, index, item, TCIF_PARAM | TCIF_IMAGE) ||
        reinterpret_cast<const WindowRecord*>(item.lParam) != record)
        return kNoTabState;
    return static_cast<uint32_t>(item.iImage);
}

void shell::SetWindowTabState(const WindowRecord* record, uint32_t state, TabStateOptions options) {
    HWND tabs = WindowTabsControl.load();
    if (tabs && record) {
        const int index = g_hints.Find(tabs, record);
        if (index != kNoTab) {
            TCITEMW item{};
            item.mask = TCIF_IMAGE;
            item.iImage = static_cast<int>(state);
            SendMessageW(tabs, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
        }
    }
    if (state == kTabMentioned) PlayInactiveBeep();
    if (!options.NoRefresh) UpdateFrameTitle();
}

void SelectWindowTab(const WindowRecord* record, uint32_t state) {
    HWND tabs = WindowTabsControl.load();
    if (tabs) {
        if (g_pressed.Tabs == tabs && g_pressed.Record && g_pressed.Record != record) {
            const int released = g_hints.Find(tabs, g_pressed.Record);
            if (released != kNoTab) SetPressed(tabs, released, false, -1);
        }
        g_pressed = {tabs, record};
        const int selected = record ? g_hints.Find(tabs, record) : kNoTab;
        TCITEMW item;
        if (selected != kNoTab && ReadTab(tabs, selected, item, TCIF_IMAGE)) {
            const bool mark = state != kNoTabState && item.iImage < static_cast<int>(kTabNotifyOn);
            SetPressed(tabs, selected, true, mark ? static_cast<int>(state) : -1);
        }
        // The strip's own selection is the active window's tab, so a click on any other tab is a
        // change the strip reports, and the highlighted tab is never another window's.
        SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(selected), 0);
    }
    RibbonInvalidateContext(kChannelContextGroup);
    RibbonInvalidateContext(kServerContextGroup);
}

void RedrawWindowTabs() {
    // The strip draws only the tabs it still has: where a removed tab and its separator stood, it
    // is erased as a whole.
    if (HWND tabs = WindowTabsControl.load())
        RedrawWindow(tabs, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}
