// qx: carries out one DCC file transfer that qv started it for, in its own window.
#include "common/app_state.h"
#include "common/message_box.h"
#include "qx/transfer_dialog.h"
#include "transfer/transfer_command_line.h"

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    WindowsMajorVersion = version.dwMajorVersion;
    WindowsMinorVersion = version.dwMinorVersion;

    std::vector<std::wstring> args = SplitCommandLine(GetCommandLineW());
    if (!args.empty()) args.erase(args.begin());
    TransferCommandLine line;
    std::wstring problem;
    switch (ReadTransferCommandLine(args, line, &problem)) {
        case CommandLineStatus::TooFew:
            AppMessageBox(
                nullptr,
                L"Brindlex 7 uses qx.EXE internally to handle file transfers.\r\nqx should not be run "
                L"from the command line.",
                L"Brindlex 7", MB_OK, MB_ICONINFORMATION);
            return 0;
        case CommandLineStatus::Unreadable:
            AppMessageBox(nullptr,
                          (L"qx cannot read its command line: the " + problem + L" is not valid.").c_str(),
                          L"Brindlex 7", MB_OK, MB_ICONERROR);
            return 2;
        case CommandLineStatus::Ready: break;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, 2047};
    InitCommonControlsEx(&controls);
    WSADATA winsock{};
    WSAStartup(MAKEWORD(2, 2), &winsock);
    RunTransferDialog(line);
    return 0;
}
