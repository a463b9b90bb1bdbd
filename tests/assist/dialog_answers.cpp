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

namespace {

// A press that left its window up (it came before the dialog could take it) is made again after this.
constexpr DWORD kPressAgainMs = 1000;

// The dialog can take the press once the button exists: before that its texts are not all in either.
bool ReadyForPress(HWND window, int button) {
    return IsWindowVisible(window) && GetDlgItem(window, button) != nullptr;
}

} // namespace

void DialogAnswers::Answer(HWND window, int button) {
    // Its texts are in once its thread, done starting it, answers a message sent now.
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
    {
        std::lock_guard<std::mutex> lock(lock_);
        seen_ += WindowTexts(window);
    }
    // Counted before the press, so the code that showed the dialog sees the count once it returns.
    ++answered_;
    Press(window, button);
}

void DialogAnswers::Press(HWND window, int button) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

void DialogAnswers::RunEvery() {
    struct Pressed {
        HWND Window;
        int Button;
        DWORD At;
    };
    std::vector<HWND> answered;
    std::vector<Pressed> pressed;
    while (!stop_) {
        for (const DialogStep& step : steps_) {
            HWND window = FindProcessWindow(step.Title, &answered);
            if (!window || !ReadyForPress(window, step.Button)) continue;
            Answer(window, step.Button);
            answered.push_back(window);
            pressed.push_back({window, step.Button, GetTickCount()});
        }
        // Windows answered once are pressed again, never noted again, until they go.
        std::erase_if(pressed, [](const Pressed& press) {
            return !IsWindow(press.Window) || !IsWindowVisible(press.Window);
        });
        for (Pressed& press : pressed)
            if (GetTickCount() - press.At >= kPressAgainMs) {
                Press(press.Window, press.Button);
                press.At = GetTickCount();
            }
        Sleep(50);
    }
}

void DialogAnswers::Run() {
    for (const DialogStep& step : steps_) {
        HWND window = nullptr;
        while (!stop_ && !((window = FindProcessWindow(step.Title)) && ReadyForPress(window, step.Button)))
            Sleep(50);
        if (stop_) return;
        Answer(window, step.Button);
        // The same window must go before the next step looks (titles repeat).
        for (DWORD pressedAt = GetTickCount(); !stop_ && IsWindow(window) && IsWindowVisible(window);
             Sleep(50))
            if (GetTickCount() - pressedAt >= kPressAgainMs) {
                Press(window, step.Button);
                pressedAt = GetTickCount();
            }
    }
}
