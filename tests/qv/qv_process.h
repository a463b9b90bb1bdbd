// Driving qv.exe from a test: a program folder of its own, the process, its windows and the
// message boxes it shows.
#pragma once

#include "tests/support/ngircd_server.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"

#include <windows.h>
#include <richedit.h>

#include <cstdint>
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A fresh folder with copies of qv.exe and the libraries beside it (or, when the environment names
// one in BRINDLEX_PROGRAM_FOLDER, in that folder); removed again at the end.
class PortableFolder {
public:
    // files: names of the build folder's bin to copy, e.g. "qv.exe", "qvlang.dll", "qvres.dll".
    explicit PortableFolder(const std::vector<std::wstring>& files);
    ~PortableFolder();
    PortableFolder(const PortableFolder&) = delete;
    PortableFolder& operator=(const PortableFolder&) = delete;
    const std::wstring& Path() const { return folder_; }
    // The user's data folder of the portable layout: "UCFG\<user name>".
    std::wstring UserDataFolder() const;
    // A value of the user's settings as qv last saved them ("" when missing).
    std::string SavedSetting(const char* section, const char* key) const;

private:
    std::wstring folder_;
};

// Writes the user's settings into the portable folder: the program's first settings with each
// text of `changes` replaced by its value. False when a text is not in them.
bool WriteFirstSettings(const PortableFolder& folder,
                        const std::vector<std::pair<std::string, std::string>>& changes);

std::wstring BuildBinFolder();

// A file's size and the time it was last written, read without opening it: qv saves a file by
// renaming a new one over it, which fails while another program has it open. A test that waits
// for such a save reads the file only once its stamp has changed.
struct FileStamp {
    uint64_t Size = 0;
    uint64_t Written = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::wstring& path);

// How long a qv test waits for what it looks for: a qv started beside the other shards' copies on a
// busy machine can take many seconds to show its frame. Only the failing wait runs this long.
constexpr DWORD kQvWait = 60000;

// Whether the client hears, within a qv test's wait, a line holding the text (every one of them).
inline bool Heard(IrcClient& client, const std::string& text, DWORD timeoutMs = kQvWait) {
    return client.WaitFor(text, timeoutMs);
}
inline bool Heard(IrcClient& client, std::initializer_list<std::string> texts, DWORD timeoutMs = kQvWait) {
    return client.WaitFor(texts, timeoutMs);
}

// The first visible top-level window of the process with that class (and title prefix), or null.
HWND FindProcessTopWindow(DWORD process, const wchar_t* className, const wchar_t* titlePrefix = nullptr);

class QvProcess {
public:
    // errorFile: where the process's standard error goes (Wine's messages land there); none when empty.
    QvProcess(const std::wstring& folder, const std::wstring& arguments, const std::wstring& errorFile = {});
    ~QvProcess(); // ends the process and what it started, if still running
    QvProcess(const QvProcess&) = delete;
    QvProcess& operator=(const QvProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    // True with the exit code once the process ended within the time.
    bool WaitExit(DWORD timeoutMs, DWORD& code);

    // The visible top-level window of the process with that class (and title prefix), or null.
    HWND FindTopWindow(const wchar_t* className, const wchar_t* titlePrefix = nullptr) const;
    // A dialog (message box, task dialog, wizard) of the process whose texts contain the text.
    HWND FindDialogWith(const std::wstring& text) const;

private:
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread joinBoxCloser_;
};

// The page a wizard (a property sheet of qv's) shows now.
HWND CurrentWizardPage(HWND wizard);
// The first-run wizard: through its pages with their suggested answers to Finish, each press once
// the page before has shown. False when the wizard did not show or did not close in the time.
bool FinishFirstRunWizard(const QvProcess& qv, DWORD timeoutMs);

// Every text of the window and its children, joined by line breaks.
std::wstring AllTexts(HWND window);
// The first chat window (class "BRINDLEX2000_IRC") under the frame whose title begins with the text.
HWND FindChatWindow(HWND frame, const std::wstring& titlePrefix);
std::wstring WindowText(HWND window);
// The window's rectangle on the screen, and in its parent's client area (the MDI client's for a
// chat window).
RECT ScreenRect(HWND window);
RECT InClient(HWND window);
// Types the text into a window by posting WM_CHAR, then Enter.
void TypeLine(HWND input, const std::wstring& text);
// A key pressed or let go as the keyboard does: it goes to the window that has the focus when
// the foreground thread reads it.
void Press(WORD key, bool down);
// The window that has the keyboard focus, and the active window, in the thread of the window.
HWND FocusOf(HWND window);
HWND ActiveOf(HWND window);
// The character format of the first character of the text in a Rich Edit of another process, read
// through memory lent in that process (the view's selection is moved to it); false when the text
// is not there.
bool RemoteCharFormat(HWND view, const std::wstring& text, CHARFORMAT2W& format);
// Polls until the condition holds or the time is up.
template <typename Condition> bool Eventually(Condition condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(50);
    }
}
