// Records spoken lines while speech is not linked.
#include "common/xstring.h"
#include "peer/speech.h"
#include "tests/recorders/call_log.h"

void SpeakText(const std::wstring& text) {
    CallLog::Instance().Add({"SpeakText", nullptr, WideToNarrow(text), 0});
}
