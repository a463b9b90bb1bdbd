#include "tests/assist/dialog_answers.h"

namespace {

struct Search {
    const std::wstring* Title;
    HWND Found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    if (*search.Title != title) return TRUE;
    search.Found = window;
    return FALSE;
}

BOOL CALLBACK AddText(HWND window, LPARAM data) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    if (*text) reinterpret_cast<std::wstring*>(data)->append(text).append(L"\n");
    return TRUE;
}

} // namespace

HWND FindProcessWindow(const std::wstring& title) {
    Search search{&title, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::wstring WindowTexts(HWND window) {
    std::wstring texts;
    AddText(window, reinterpret_cast<LPARAM>(&texts));
    EnumChildWindows(window, AddText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

DialogAnswers::DialogAnswers(std::vector<DialogStep> steps)
    : steps_(std::move(steps)), thread_([this] { Run(); }) {}

DialogAnswers::~DialogAnswers() {
    stop_ = true;
    thread_.join();
}

std::wstring DialogAnswers::Seen() const {
    std::lock_guard<std::mutex> lock(lock_);
    return seen_;
}

void DialogAnswers::Run() {
    for (const DialogStep& step : steps_) {
        HWND window = nullptr;
        while (!stop_ && !(window = FindProcessWindow(step.Title))) Sleep(50);
        if (stop_) return;
        Sleep(200); // let it finish drawing its texts
        {
            std::lock_guard<std::mutex> lock(lock_);
            seen_ += WindowTexts(window);
        }
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(step.Button, BN_CLICKED), 0);
        // The same window must go before the next step looks (titles repeat).
        while (!stop_ && IsWindow(window) && IsWindowVisible(window)) Sleep(50);
        ++answered_;
    }
}
