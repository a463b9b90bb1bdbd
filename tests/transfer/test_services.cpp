// The transfer engine calls nothing above the common helpers; the tests need Winsock.
#include <winsock2.h>

void InstallTestServices() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
}
