// The connection thread of a server window: resolve, connect, register, then receive.
#pragma once

// Thread procedure (C runtime thread start); the argument is the server window's record.
unsigned __stdcall ServerConnectThread(void* windowRecord);
