#include "script/script_reports.h"

#include "common/xstring.h"
#include "core/client_services.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

const wchar_t* const kWrongArgumentCountMessage = L"Invalid number of parameters to function.";
const wchar_t* const kInvalidFunctionMessage = L"Invalid Function";

std::wstring FormatScriptErrorLine(const std::string& scriptLine, const std::wstring& message) {
    // Built to its full length: a long script line never cuts the message off.
    std::wstring line = DisplayText().Color(4).Bold().Dot().Text(L" Script Error [");
    line += NarrowToWide(scriptLine);
    line += L"] : ";
    line += message;
    line += L" ))";
    return line;
}

void ThrowScriptError(WindowRecord* window, const std::string& scriptLine, const std::wstring& message) {
    PrintToWindow(kInformationLine, window, FormatScriptErrorLine(scriptLine, message));
    throw ScriptError{};
}

void PrintScriptLine(WindowRecord* window, const std::string& scriptLine) {
    std::wstring line = DisplayText().Color(12).Bold().Dot().Text(L" Line : ");
    line += NarrowToWide(scriptLine);
    PrintToWindow(kInformationLine, window, line);
}
