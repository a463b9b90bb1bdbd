#include "shell/controls/input_smileys.h"

#include "common/window_helpers.h"
#include "core/settings.h"
#include "peer/embedded_objects.h"
#include "views/smiley_menu.h"

#include <richedit.h>
#include <richole.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <vector>

namespace {

constexpr wchar_t kSymbolCode = 0x12;
constexpr wchar_t kSmileyCode = 0x1E;
constexpr size_t kMostDigits = 5;
// Pictures stand on the box's line; larger ones are scaled down to this.
constexpr int kPictureSide = 20;

bool IsRichEdit(HWND box) {
    wchar_t name[32] = {};
    GetClassNameW(box, name, 32);
    return _wcsnicmp(name, L"RichEdit", 8) == 0;
}

// The text as the control counts it: one character per paragraph mark and per object.
std::wstring PositionText(HWND box) {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto count = static_cast<size_t>(
        std::max<LRESULT>(0, SendMessageW(box, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0)));
    std::wstring text(count + 1, L'\0');
    GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    const auto copied = static_cast<size_t>(
        std::max<LRESULT>(0, SendMessageW(box, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                          reinterpret_cast<LPARAM>(text.data()))));
    text.resize(std::min(copied, count));
    return text;
}

std::wstring RunOf(uint32_t number) {
    wchar_t run[16] = {};
    swprintf(run, 16, L"\x12\x1E%03u\x12", number);
    return run;
}

struct SmileyRun {
    LONG Start = 0, End = 0;
    uint32_t Number = 0;
};

std::vector<SmileyRun> FindRuns(const std::wstring& text) {
    std::vector<SmileyRun> runs;
    for (size_t at = text.find(kSymbolCode); at != std::wstring::npos; at = text.find(kSymbolCode, at + 1)) {
        if (at + 1 >= text.size() || text[at + 1] != kSmileyCode) continue;
        size_t end = at + 2;
        while (end < text.size() && end - at - 2 < kMostDigits && iswdigit(text[end])) ++end;
        if (end == at + 2 || end >= text.size() || text[end] != kSymbolCode) continue;
        runs.push_back({static_cast<LONG>(at), static_cast<LONG>(end + 1),
                        static_cast<uint32_t>(wcstoul(text.c_str() + at + 2, nullptr, 10))});
        at = end;
    }
    return runs;
}

} // namespace

void ShowInputSmileys(HWND box) {
    if (!box || !IsRichEdit(box)) return;
    const std::vector<SmileyRun> runs = FindRuns(PositionText(box));
    if (runs.empty()) return;
    const auto background = Settings::InputBackgroundColour();
    CHARRANGE caret{};
    SendMessageW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    // From the last run back, so the places of the ones before stay as they are.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        HBITMAP picture = MakeSmileyPicture(run->Number, background, kPictureSide);
        if (!picture) continue;
        CHARRANGE range{run->Start, run->End};
        SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
        if (peer::InsertTaggedImage(box, picture, run->Number + 1) != 0) {
            DeleteObject(picture);
            SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(RunOf(run->Number).c_str()));
            continue;
        }
        const LONG removed = run->End - run->Start - 1;
        if (caret.cpMax >= run->End) caret.cpMax -= removed;
        if (caret.cpMin >= run->End) caret.cpMin -= removed;
    }
    SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
}

std::wstring InputTextWithSmileys(HWND box) {
    if (!box || !IsRichEdit(box)) return GetWindowTextString(box);
    std::map<LONG, uint32_t> pictures;
    IRichEditOle* ole = nullptr;
    SendMessageW(box, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
    if (ole) {
        for (LONG i = 0, count = ole->GetObjectCount(); i < count; ++i) {
            REOBJECT object{};
            object.cbStruct = sizeof object;
            if (SUCCEEDED(ole->GetObject(i, &object, REO_GETOBJ_NO_INTERFACES)) && object.dwUser)
                pictures[object.cp] = static_cast<uint32_t>(object.dwUser - 1);
        }
        ole->Release();
    }
    if (pictures.empty()) return GetWindowTextString(box);
    const std::wstring text = PositionText(box);
    std::wstring out;
    for (size_t at = 0; at < text.size(); ++at) {
        if (auto found = pictures.find(static_cast<LONG>(at)); found != pictures.end())
            out += RunOf(found->second);
        else if (text[at] == L'\r')
            out += L"\r\n";
        else
            out += text[at];
    }
    return out;
}
