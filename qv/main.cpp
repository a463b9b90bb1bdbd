// qv: the chat client. Everything it does lives in the subsystem libraries.
#include "shell/startup/startup.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    return RunQv(instance);
}
