#include "tests/support/line_list_view.h"

#include "common/xstring.h"
#include "core/chat_view_message.h"
#include "core/startup_switches.h"
#include "core/window_record.h"

LineListView::LineListView(WindowRecord* record) : record_(record), ownView_(record->View) {
    static const bool registered = [] {
        WNDCLASSW type{};
        type.lpfnWndProc = ViewProc;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = kChatViewClass;
        return RegisterClassW(&type) != 0;
    }();
    view_ = registered ? CreateWindowW(kChatViewClass, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                       GetModuleHandleW(nullptr), nullptr)
                       : nullptr;
    SetWindowLongPtrW(view_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    record_->View = view_;
    CustomViewMode = 1;
}

LineListView::~LineListView() {
    CustomViewMode = 0;
    record_->View = ownView_;
    if (view_) DestroyWindow(view_);
}

size_t LineListView::Count(const std::string& text) const {
    size_t count = 0;
    for (const Line& line : lines_) count += line.Text.find(text) != std::string::npos;
    return count;
}

LRESULT CALLBACK LineListView::ViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<LineListView*>(GetWindowLongPtrW(view, GWLP_USERDATA));
    if (message != WM_CHAT_VIEW_APPEND || !self) return DefWindowProcW(view, message, wParam, lParam);
    const auto& text = *reinterpret_cast<const std::wstring*>(lParam);
    self->lines_.push_back({static_cast<uint32_t>(wParam), WideToNarrow(text)});
    return 0;
}
