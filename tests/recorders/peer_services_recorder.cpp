// Records pictures inserted into views while the embedded-object code is not linked. The test's
// answer decides the result; by default the insert fails and the caller keeps the bitmap.
#include "peer/embedded_objects.h"
#include "tests/recorders/call_log.h"

int InsertImageIntoRichEdit(HWND richEdit, HBITMAP bitmap) {
    RecordedCall call{"InsertImageIntoRichEdit", nullptr, {}, reinterpret_cast<uint64_t>(bitmap)};
    (void)richEdit;
    CallLog& log = CallLog::Instance();
    log.Add(call);
    if (log.Answer) return static_cast<int>(log.Answer(call));
    return -1;
}
