// The nick list's group headers: the groups a list view keeps, the rows the headers take among
// the members (turned into members for everyone outside the list), keys and clicks kept off them,
// and their painting.
#include "core/nick_list_control.h"
#include "core/nick_list_control_data.h"

#include <algorithm>
#include <string>

namespace nick_list {

namespace {

// A header's text starts this far in; its rule keeps this far from the text and the edge.
constexpr int kHeaderIndent = 4;
constexpr int kHeaderRuleGap = 6;

// A header never stays selected or focused, however the list view got there. The list draws its
// focus mark where it last drew the focused item, which a header row never is: it is drawn again.
void UnmarkHeaders(HWND list, ControlData& data) {
    bool unmarked = false;
    for (int row : data.Rows.HeaderRows())
        if (CallList(list, data, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED | LVIS_FOCUSED)) {
            SetRowState(list, data, row, LVIS_SELECTED | LVIS_FOCUSED, 0);
            unmarked = true;
        }
    if (unmarked) InvalidateRect(list, nullptr, FALSE);
}

// Messages from outside that name a member by its index in wParam.
bool NamesMemberInWParam(UINT message) {
    switch (message) {
        case LVM_SETITEMSTATE:
        case LVM_GETITEMSTATE:
        case LVM_ENSUREVISIBLE:
        case LVM_UPDATE:
        case LVM_GETITEMRECT:
        case LVM_GETSUBITEMRECT:
        case LVM_GETITEMPOSITION:
        case LVM_EDITLABELW:
        case LVM_ISITEMVISIBLE: return true;
        default: return false;
    }
}

LRESULT HitTest(HWND list, ControlData& data, UINT message, LPARAM lParam) {
    auto* hit = reinterpret_cast<LVHITTESTINFO*>(lParam);
    const LRESULT row = CallList(list, data, message, 0, lParam);
    const LRESULT member = MemberOf(data, row);
    if (hit) {
        if (row >= 0 && member < 0) hit->flags = LVHT_NOWHERE;
        hit->iItem = static_cast<int>(member);
    }
    return member;
}

// The next member from a member (-1: from the start) as LVM_GETNEXTITEM asks. Headers are passed
// over, as they are never selected, focused or counted; without a direction the members come in
// their own order, as a list view gives its items by index whatever their groups.
LRESULT NextMember(HWND list, ControlData& data, WPARAM start, LPARAM flags) {
    constexpr LPARAM kDirections = LVNI_ABOVE | LVNI_BELOW | LVNI_TOLEFT | LVNI_TORIGHT;
    if (!(flags & kDirections) && !data.Rows.InMemberOrder()) {
        const UINT wanted =
            static_cast<UINT>(flags) & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED);
        for (int member = static_cast<int>(start) + 1; member < static_cast<int>(data.Shown.size()); ++member)
            if ((static_cast<UINT>(CallList(list, data, LVM_GETITEMSTATE,
                                            RowOf(data, static_cast<WPARAM>(member)), wanted)) &
                 wanted) == wanted)
                return member;
        return -1;
    }
    WPARAM row = RowOf(data, start);
    for (;;) {
        const LRESULT next = CallList(list, data, LVM_GETNEXTITEM, row, flags);
        if (next < 0 || data.Rows.MemberAt(static_cast<int>(next)) >= 0) return MemberOf(data, next);
        if (static_cast<WPARAM>(next) == row) return -1;
        row = static_cast<WPARAM>(next);
    }
}

// A header row drawn as a list view draws a group's header: its text in a header colour that
// reads on the list's background, and a rule from the text to the edge.
void PaintHeader(const ControlData& data, const NMLVCUSTOMDRAW* draw, const NickGroupHeader& header) {
    HDC dc = draw->nmcd.hdc;
    HWND list = draw->nmcd.hdr.hwndFrom;
    RECT client{};
    GetClientRect(list, &client);
    RECT row{client.left, draw->nmcd.rc.top, client.right, draw->nmcd.rc.bottom};
    HBRUSH background = CreateSolidBrush(data.Background);
    FillRect(dc, &row, background);
    DeleteObject(background);
    const COLORREF ground = data.Background;
    const bool dark = GetRValue(ground) * 299 + GetGValue(ground) * 587 + GetBValue(ground) * 114 < 128000;
    const COLORREF ink = dark ? RGB(0x9C, 0xC3, 0xFF) : RGB(0x1E, 0x39, 0x87);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, ink);
    RECT text = row;
    text.left += kHeaderIndent;
    DrawTextW(dc, header.Header.c_str(), static_cast<int>(header.Header.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SIZE extent{};
    GetTextExtentPoint32W(dc, header.Header.c_str(), static_cast<int>(header.Header.size()), &extent);
    const int ruleLeft = text.left + extent.cx + kHeaderRuleGap, ruleRight = row.right - kHeaderIndent;
    if (ruleLeft < ruleRight) {
        const int y = (row.top + row.bottom) / 2;
        HPEN pen = CreatePen(PS_SOLID, 1, dark ? RGB(0x50, 0x6E, 0x9C) : RGB(0xC5, 0xD0, 0xE6));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        MoveToEx(dc, ruleLeft, y, nullptr);
        LineTo(dc, ruleRight, y);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

// Notifications name rows; handlers above the list read members. Rewrites the row in a
// notification into its member (a header's into -1), in place.
void NotifyMembers(const ControlData& data, NMHDR* header) {
    auto member = [&](int& row) { row = static_cast<int>(MemberOf(data, row)); };
    switch (header->code) {
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK:
        case NM_RDBLCLK:
        case LVN_ITEMACTIVATE: member(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem); break;
        case LVN_ITEMCHANGING:
        case LVN_ITEMCHANGED:
        case LVN_BEGINDRAG:
        case LVN_BEGINRDRAG:
        case LVN_HOTTRACK: member(reinterpret_cast<NMLISTVIEW*>(header)->iItem); break;
        case LVN_GETINFOTIPW: member(reinterpret_cast<NMLVGETINFOTIPW*>(header)->iItem); break;
        case LVN_ODSTATECHANGED: {
            auto* change = reinterpret_cast<NMLVODSTATECHANGE*>(header);
            const int from = data.Rows.MemberRowFrom(change->iFrom, 1),
                      to = data.Rows.MemberRowFrom(change->iTo, -1);
            change->iFrom = static_cast<int>(MemberOf(data, from));
            change->iTo = static_cast<int>(MemberOf(data, to));
            break;
        }
        default: break;
    }
}

} // namespace

// The groups a list view keeps while its group view is on: a virtual list has none of its own,
// so the control keeps them and shows their headers as rows.
bool AnswerGroupMessage(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) {
    switch (message) {
        case LVM_INSERTGROUP: {
            const auto* group = reinterpret_cast<const LVGROUP*>(lParam);
            result = -1;
            if (!group || !(group->mask & LVGF_GROUPID)) return true;
            for (const NickGroupHeader& known : data.Groups)
                if (known.Id == group->iGroupId) return true;
            NickGroupHeader header{group->iGroupId, {}};
            if ((group->mask & LVGF_HEADER) && group->pszHeader) header.Header = group->pszHeader;
            const size_t at = static_cast<int>(wParam) < 0
                                  ? data.Groups.size()
                                  : std::min(static_cast<size_t>(wParam), data.Groups.size());
            data.Groups.insert(data.Groups.begin() + static_cast<std::ptrdiff_t>(at), std::move(header));
            result = static_cast<LRESULT>(at);
            break;
        }
        case LVM_REMOVEALLGROUPS:
            data.Groups.clear();
            result = 0;
            break;
        case LVM_ENABLEGROUPVIEW:
            result = (wParam != 0) == data.GroupView ? 0 : 1;
            data.GroupView = wParam != 0;
            break;
        case LVM_ISGROUPVIEWENABLED: result = data.GroupView ? TRUE : FALSE; return true;
        case LVM_GETGROUPINFO: {
            auto* group = reinterpret_cast<LVGROUP*>(lParam);
            result = -1;
            for (const NickGroupHeader& known : data.Groups)
                if (group && known.Id == static_cast<int>(wParam)) {
                    if (group->mask & LVGF_HEADER) CopyText(known.Header, group->pszHeader, group->cchHeader);
                    group->iGroupId = known.Id;
                    result = known.Id;
                }
            return true;
        }
        default: return false;
    }
    // Rows without members stay as they are: none.
    if (data.Shown.empty()) return true;
    data.RowsStale = true;
    CatchUp(list, data);
    return true;
}

// Member indices in, member indices out, for the messages that carry them.
bool TranslateMemberMessage(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) {
    if (NamesMemberInWParam(message)) {
        result = CallList(list, data, message, RowOf(data, wParam), lParam);
        if (message == LVM_SETITEMSTATE && static_cast<int>(wParam) < 0) UnmarkHeaders(list, data);
        return true;
    }
    switch (message) {
        case LVM_GETNEXTITEM: result = NextMember(list, data, wParam, lParam); return true;
        case LVM_HITTEST:
        case LVM_SUBITEMHITTEST: result = HitTest(list, data, message, lParam); return true;
        case LVM_GETSELECTIONMARK:
            result = MemberOf(data, CallList(list, data, message, wParam, lParam));
            return true;
        case LVM_SETSELECTIONMARK:
            result = MemberOf(data, CallList(list, data, message, wParam,
                                             static_cast<LPARAM>(RowOf(data, static_cast<WPARAM>(lParam)))));
            return true;
        case LVM_GETTOPINDEX: {
            const LRESULT row = CallList(list, data, message, wParam, lParam);
            result = MemberOf(data, data.Rows.MemberRowFrom(static_cast<int>(row), 1));
            if (result < 0) result = 0;
            return true;
        }
        // Members of a range may show apart, with headers between: all rows are drawn again.
        case LVM_REDRAWITEMS:
            result =
                CallList(list, data, message, 0, static_cast<LPARAM>(std::max(data.Rows.Count() - 1, 0)));
            return true;
        default: return false;
    }
}

// A click on a header does nothing; keys that move onto a header go on to the next member in
// their direction (back to the one before when there is none).
bool KeepInputOffHeaders(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result) {
    if (data.Rows.HeaderRows().empty()) return false;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: {
            LVHITTESTINFO hit{};
            hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const LRESULT row = CallList(list, data, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (row < 0 || !data.Rows.HeaderAt(static_cast<int>(row))) return false;
            SetFocus(list);
            result = 0;
            return true;
        }
        case WM_KEYDOWN: {
            result = CallList(list, data, message, wParam, lParam);
            const int focused = static_cast<int>(
                CallList(list, data, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
            if (focused >= 0 && data.Rows.HeaderAt(focused)) {
                const bool wasSelected =
                    CallList(list, data, LVM_GETITEMSTATE, static_cast<WPARAM>(focused), LVIS_SELECTED) != 0;
                const int step = wParam == VK_UP || wParam == VK_PRIOR ? -1 : 1;
                int to = data.Rows.MemberRowFrom(focused, step);
                if (to < 0) to = data.Rows.MemberRowFrom(focused, -step);
                UnmarkHeaders(list, data);
                if (to >= 0) {
                    const UINT state = LVIS_FOCUSED | (wasSelected ? LVIS_SELECTED : 0);
                    SetRowState(list, data, to, state, state);
                    CallList(list, data, LVM_SETSELECTIONMARK, 0, to);
                    CallList(list, data, LVM_ENSUREVISIBLE, static_cast<WPARAM>(to), FALSE);
                }
            } else {
                UnmarkHeaders(list, data);
            }
            return true;
        }
        default: return false;
    }
}

} // namespace nick_list

using namespace nick_list;

bool AnswerNickListNotice(const NMHDR* header, LRESULT& result) {
    if (!header) return false;
    const ControlData* data = DataOfPainted(header->hwndFrom);
    if (!data) return false;
    auto* notice = const_cast<NMHDR*>(header);
    if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(notice);
        if (info->item.mask & LVIF_TEXT) {
            const NickItem* item = ShownAt(*data, static_cast<WPARAM>(data->Rows.MemberAt(info->item.iItem)));
            const NickGroupHeader* group = data->Rows.HeaderAt(info->item.iItem);
            CopyText(item                                ? NickColumnText(*item, info->item.iSubItem)
                     : group && info->item.iSubItem == 0 ? group->Header
                                                         : std::wstring(),
                     info->item.pszText, info->item.cchTextMax);
        }
        result = 0;
        return true;
    }
    if (header->code == LVN_ODFINDITEMW) {
        const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
        // From the member at or before the row the search starts after.
        const LRESULT after = MemberOf(*data, data->Rows.MemberRowFrom(find->iStart - 1, -1));
        const LRESULT found = FindItem(*data, static_cast<WPARAM>(after), &find->lvfi);
        result = found < 0 ? -1 : data->Rows.RowOf(static_cast<int>(found));
        return true;
    }
    if (header->code == NM_CUSTOMDRAW) {
        const auto* draw = reinterpret_cast<const NMLVCUSTOMDRAW*>(header);
        const NickGroupHeader* group = draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT
                                           ? data->Rows.HeaderAt(static_cast<int>(draw->nmcd.dwItemSpec))
                                           : nullptr;
        if (!group) return false;
        PaintHeader(*data, draw, *group);
        result = CDRF_SKIPDEFAULT;
        return true;
    }
    NotifyMembers(*data, notice);
    return false;
}
