// Answers the dialogs a test's code shows, from a thread of its own, as a person would: each
// step waits for a visible window of this process with the title and the button, notes the texts
// it shows and presses the button, again while the window stays up.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct DialogStep {
    std::wstring Title;
    int Button; // pressed through WM_COMMAND, which message boxes and task dialogs both take
};

class DialogAnswers {
public:
    // In order, each step once; with every set, any window of a step's title, as often as one
    // shows, until the answers end (for requests that run side by side).
    explicit DialogAnswers(std::vector<DialogStep> steps, bool every = false);
    ~DialogAnswers(); // stops waiting and joins

    // Every text shown by the dialogs answered so far (titles and child windows' texts).
    std::wstring Seen() const;
    size_t Answered() const { return answered_; }

private:
    void Run();
    void RunEvery();
    // Notes the window's texts, counts it and presses the button.
    void Answer(HWND window, int button);
    static void Press(HWND window, int button);
    std::vector<DialogStep> steps_;
    bool every_;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> answered_{0};
    mutable std::mutex lock_;
    std::wstring seen_;
    std::thread thread_;
};

// A visible top-level window of this process with the title (none of skip), or null.
HWND FindProcessWindow(const std::wstring& title, const std::vector<HWND>* skip = nullptr);
// The texts of a window and of all its children, one per line.
std::wstring WindowTexts(HWND window);
