// Built-ins that give scripts small services of the program and of Windows: a message box, a
// tray balloon, a menu command for the frame, a movie in a chat view, the login name, the
// language library, a temporary file, raw memory blocks, a pause and a requested fault.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/tray_icon.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/interface_thread_call.h"
#include "core/settings.h"

#include <windows.h>

#include <cstdlib>
#include <set>

namespace {

// Type 0 stands for a system-modal information box with an OK button.
constexpr UINT kPlainMessageBox = MB_SYSTEMMODAL | MB_ICONINFORMATION | MB_OK;
constexpr size_t kLanguageNameLimit = 299;

uint32_t ShowMessageBox(BuiltinCall& call) {
    RequireArgs(call, 3);
    const UINT type = ArgLow32(call, 2);
    const std::wstring text = NarrowToWide(Arg(call, 0)), caption = NarrowToWide(Arg(call, 1));
    // The box is the interface thread's window; a script on another thread waits for it there.
    const int button = AskOnInterfaceThread(
        [&] {
            return MessageBoxW(MainWindow.load(), text.c_str(), caption.c_str(),
                               type ? type : kPlainMessageBox);
        },
        0);
    return NumberResult(call, button);
}

// An empty title or text only refreshes the icon and its tip.
uint32_t TrayMessage(BuiltinCall& call) {
    RequireArgs(call, 2);
    ShowTrayBalloon(NarrowToWide(Arg(call, 0)).c_str(), NarrowToWide(Arg(call, 1)).c_str(), false, nullptr,
                    NIIF_INFO);
    return BareResult(call, "");
}

uint32_t FrameCommand(BuiltinCall& call) {
    RequireArgs(call, 1);
    if (HWND frame = MainWindow.load())
        SendMessageW(frame, WM_COMMAND, static_cast<WPARAM>(ArgNumber(call, 0)), 0);
    return BareResult(call, "");
}

uint32_t Is64(BuiltinCall& call) {
    RequireArgs(call, 0);
    return BareResult(call, "1");
}

uint32_t LoginName(BuiltinCall& call) {
    wchar_t name[1000] = {};
    DWORD length = 1000;
    if (!GetUserNameW(name, &length)) name[0] = 0;
    return TextResult(call, WideToNarrow(name));
}

uint32_t LanguageLibrary(BuiltinCall& call) {
    std::string name = Settings::Language();
    if (name.size() > kLanguageNameLimit) name.resize(kLanguageNameLimit);
    return TextResult(call, name);
}

// A window name that the connection does not know is no error: nothing happens.
uint32_t AddMovie(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const uint32_t background = HasArg(call, 2) ? ArgLow32(call, 2) : 0xFFFFFFFF;
    if (WindowRecord* window = FindScriptWindow(Arg(call, 0), call.ConnectionWindow, true))
        InsertFlashObject(window, NarrowToWide(Arg(call, 1)), background);
    return BareResult(call, "");
}

uint32_t TemporaryFile(BuiltinCall& call) {
    RequireArgs(call, 0);
    std::wstring folder = TempFolder;
    if (folder.empty()) {
        wchar_t path[MAX_PATH + 1] = {};
        folder.assign(path, GetTempPathW(MAX_PATH + 1, path));
    }
    wchar_t name[MAX_PATH] = {};
    if (!GetTempFileNameW(folder.c_str(), L"toa", 0, name)) name[0] = 0;
    return TextResult(call, WideToNarrow(name));
}

// The blocks malloc handed out and free has not taken back: free refuses any other number, so
// a script cannot hand the heap an address it made up or one it freed already.
SRWLOCK BlocksLock = SRWLOCK_INIT;
std::set<uintptr_t>& LiveBlocks() {
    static std::set<uintptr_t> blocks;
    return blocks;
}

uint32_t Allocate(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const int64_t size = ArgNumber(call, 0);
    void* block = size < 0 ? nullptr : std::malloc(static_cast<size_t>(size));
    if (block) {
        AcquireSRWLockExclusive(&BlocksLock);
        LiveBlocks().insert(reinterpret_cast<uintptr_t>(block));
        ReleaseSRWLockExclusive(&BlocksLock);
    }
    return NumberResult(call, static_cast<int64_t>(reinterpret_cast<uintptr_t>(block)));
}

uint32_t Release(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const uintptr_t address = static_cast<uintptr_t>(ArgNumber(call, 0));
    AcquireSRWLockExclusive(&BlocksLock);
    const bool live = LiveBlocks().erase(address) == 1;
    ReleaseSRWLockExclusive(&BlocksLock);
    if (!live) RefuseBuiltin();
    std::free(reinterpret_cast<void*>(address));
    return BareResult(call, "");
}

uint32_t Pause(BuiltinCall& call) {
    RequireArgs(call, 1);
    Sleep(ArgLow32(call, 0));
    return BareResult(call, "");
}

uint32_t Nothing(BuiltinCall& call) {
    return BareResult(call, "");
}

// A continuable exception without arguments; the program's unhandled-exception filter logs it
// and ends the process.
uint32_t RaiseFault(BuiltinCall& call) {
    RequireArgs(call, 1);
    RaiseException(ArgLow32(call, 0), 0, 0, nullptr);
    return BareResult(call, "");
}

const BuiltinEntry kRows[] = {
    {"MessageBox", ShowMessageBox},
    {"traymessage", TrayMessage},
    {"cmd", FrameCommand, RefusedForRemoteText, kEveryArgument},
    {"Is64", Is64},
    {"GetLoginName", LoginName},
    {"GetLanCP", LanguageLibrary},
    {"Shock_Add", AddMovie, RefusedForRemoteText, Argument(1)},
    {"CreateTemporaryFile", TemporaryFile},
    {"malloc", Allocate},
    {"free", Release},
    {"wait", Pause},
    {"sleep", Pause},
    {"async", Nothing},
    {"trunc", Nothing},
    {"Crash", RaiseFault, RefusedForRemoteText, kEveryArgument},
};

} // namespace

std::span<const BuiltinEntry> SystemBuiltins() {
    return kRows;
}
