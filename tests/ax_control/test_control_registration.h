// Registering the tests' ActiveX control the way a user installs one (regsvr32), and reading the
// counters of the copy loaded into this process.
#pragma once

#include "tests/ax_control/test_control_ids.h"

#include <string>

// The control beside the test programs in the build folder.
std::wstring TestControlPath();
// Runs regsvr32 on the control and waits for it; true when the class can then be found.
bool RegisterTestControl();
// A counter of the control loaded into this process; -1 when it is not loaded.
long TestControlCount(const char* counterExport);
// A storage file holding the control with that value, as the object dialog saves one.
bool WriteControlObject(const std::wstring& path, const wchar_t* value);
// A storage file of a class nobody accepts.
bool WriteForeignObject(const std::wstring& path);
