// The page of an update job, shown in the dialog by a hosted browser control.
#pragma once

#include "update/update_job.h"

#include <windows.h>

// Puts a browser ("AX" host) in the place of the dialog's placeholder and shows the page text in
// it. False, with the dialog as it was, when the job has no page, the dialog no placeholder, or
// the browser could not be made (no host class, no browser, no HTML engine).
bool ShowUpdatePage(HWND dialog, const UpdateJob& job);
