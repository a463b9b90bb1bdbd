#include "shell/window_tabs.h"

#include "common/xstring.h"
#include "core/frame_handles.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "shell/window_titles.h"
#include "ui/ribbon.h"

#include <mmsystem.h>

#include <map>

namespace {

constexpr size_t kMaxTabText = 1000;

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

std::wstring TabText(const WindowRecord* record) {
    std::wstring text = WindowDisplayName(record);
    if (text.size() > kMaxTabText) text.resize(kMaxTabText);
    return text;
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
    int position = 0;
    for (WindowRecord* record : WindowListSnapshot()) {
        std::wstring text = TabText(record);
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
        item.pszText = text.data();
        auto found = kept.find(record);
        item.iImage = found == kept.end() ? 0 : found->second;
        item.lParam = reinterpret_cast<LPARAM>(record);
        SendMessageW(tabs, TCM_INSERTITEMW, position++, reinterpret_cast<LPARAM>(&item));
    }
    SelectWindowTab(GetActiveWindowRecord(), kNoTabState);
}

void shell::SetWindowTabCaption(const WindowRecord* record) {
    HWND tabs = WindowTabsControl.load();
    if (!tabs || !record) return;
    for (int i = 0, n = TabCount(tabs); i < n; ++i) {
        if (TabRecord(tabs, i) != record) continue;
        std::wstring text = TabText(record);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(tabs, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
        return;
    }
}

uint32_t shell::GetWindowTabState(const WindowRecord* record) {
    HWND tabs = WindowTabsControl.load();
    if (!tabs || !record) return kNoTabState;
    for (int i = 0, n = TabCount(tabs); i < n; ++i) {
        TCITEMW item;
        if (ReadTab(tabs, i, item, TCIF_PARAM | TCIF_IMAGE) &&
            reinterpret_cast<const WindowRecord*>(item.lParam) == record)
            return static_cast<uint32_t>(item.iImage);
    }
    return kNoTabState;
}

void shell::SetWindowTabState(const WindowRecord* record, uint32_t state, uint8_t noRefresh) {
    HWND tabs = WindowTabsControl.load();
    if (tabs && record) {
        for (int i = 0, n = TabCount(tabs); i < n; ++i) {
            if (TabRecord(tabs, i) != record) continue;
            TCITEMW item{};
            item.mask = TCIF_IMAGE;
            item.iImage = static_cast<int>(state);
            SendMessageW(tabs, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    if (state == kTabMentioned) PlayInactiveBeep();
    if (!noRefresh) UpdateFrameTitle();
}

void SelectWindowTab(const WindowRecord* record, uint32_t state) {
    HWND tabs = WindowTabsControl.load();
    if (tabs) {
        int selected = -1;
        for (int i = 0, n = TabCount(tabs); i < n; ++i) {
            TCITEMW item;
            if (!ReadTab(tabs, i, item, TCIF_PARAM | TCIF_IMAGE)) continue;
            bool mine = record && reinterpret_cast<const WindowRecord*>(item.lParam) == record;
            if (mine && selected < 0) selected = i;
            TCITEMW change{};
            change.mask = TCIF_STATE;
            change.dwStateMask = TCIS_BUTTONPRESSED;
            change.dwState = mine ? TCIS_BUTTONPRESSED : 0;
            if (mine && state != kNoTabState && item.iImage < static_cast<int>(kTabNotifyOn)) {
                change.mask |= TCIF_IMAGE;
                change.iImage = static_cast<int>(state);
            }
            SendMessageW(tabs, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&change));
        }
        // The strip's own selection is the active window's tab, so a click on any other tab is a
        // change the strip reports, and the highlighted tab is never another window's.
        SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(selected), 0);
    }
    RibbonInvalidateContext(kChannelContextGroup);
    RibbonInvalidateContext(kServerContextGroup);
}
