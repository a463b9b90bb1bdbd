#include "tests/assist/dialog_answers.h"

#include <algorithm>

namespace {

struct Search {
    const std::wstring* Title;
    HWND Found;
    const std::vector<HWND>* Skip;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    if (*search.Title != title) return TRUE;
    if (search.Skip && std::find(search.Skip->begin(), search.Skip->end(), window) != search.Skip->end())
        return TRUE;
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

HWND FindProcessWindow(const std::wstring& title, const std::vector<HWND>* skip) {
    Search search{&title, nullptr, skip};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::wstring WindowTexts(HWND window) {
    std::wstring texts;
    AddText(window, reinterpret_cast<LPARAM>(&texts));
    EnumChildWindows(window, AddText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

DialogAnswers::DialogAnswers(std::vector<DialogStep> steps, bool every)
    : steps_(std::move(steps)), every_(every), thread_([this] { every_ ? RunEvery() : Run(); }) {}

DialogAnswers::~DialogAnswers() {
    stop_ = true;
    thread_.join();
}

std::wstring DialogAnswers::Seen() const {
    std::lock_guard<std::mutex> lock(lock_);
    return seen_;
}

void DialogAnswers::Answer(HWND window, int button) {
    // Its texts are in once its thread, done starting it, answers a message sent now.
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
    {
        std::lock_guard<std::mutex> lock(lock_);
        seen_ += WindowTexts(window);
    }
    // Counted before the press, so the code that showed the dialog sees the count once it returns.
    ++answered_;
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

void DialogAnswers::RunEvery() {
    std::vector<HWND> answered;
    while (!stop_) {
        for (const DialogStep& step : steps_) {
            HWND window = FindProcessWindow(step.Title, &answered);
            if (!window) continue;
            Answer(window, step.Button);
            answered.push_back(window);
        }
        Sleep(50);
    }
}

void DialogAnswers::Run() {
    for (const DialogStep& step : steps_) {
        HWND window = nullptr;
        while (!stop_ && !(window = FindProcessWindow(step.Title))) Sleep(50);
        if (stop_) return;
        Answer(window, step.Button);
        // The same window must go before the next step looks (titles repeat).
        while (!stop_ && IsWindow(window) && IsWindowVisible(window)) Sleep(50);
    }
}
