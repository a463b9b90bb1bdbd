// Random control-code sequences: as server text they never produce a link or hidden text; as
// program text they never crash the printer.
#include "tests/views/views_test_support.h"

#include "common/xstring.h"
#include "views/event_format.h"
#include "views/line_printer.h"
#include "markup/untrusted_text.h"
#include "views/view_redraw.h"
#include "xml/xml_element.h"

#include <cctype>
#include <random>
#include <string>

namespace {

constexpr int kSequences = 10000;

// Text of 1 to 40 characters, mostly control codes and the punctuation markup uses.
std::string RandomSequence(std::mt19937& random) {
    static const char kPieces[] = "\x01\x02\x03\x04\x05\x07\x0f\x12\x16\x18\x19\x1d\x1e\x1f"
                                  "\x03\x07\x12\x18{}|,0123456789ABCDEF:;)(>< aZ\r\n\t";
    std::uniform_int_distribution<size_t> length(1, 40);
    std::uniform_int_distribution<size_t> piece(0, sizeof kPieces - 2);
    std::string text;
    for (size_t n = length(random); n > 0; --n) text += kPieces[piece(random)];
    return text;
}

class HostileText : public ChatViewTest {
protected:
    // True when some character of the view is hidden: the view's RTF holds the hidden-text control
    // word "\\v" (not "\\v0"). One stream-out instead of asking every character, which took
    // minutes under Wine.
    bool AnyCharacterHidden() {
        std::string rtf;
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rtf), 0,
                          [](DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* done) -> DWORD {
                              reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(bytes),
                                                                             static_cast<size_t>(count));
                              *done = count;
                              return 0;
                          }};
        SendMessageW(view_, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
        for (size_t at = rtf.find("\\v"); at != std::string::npos; at = rtf.find("\\v", at + 2)) {
            const char next = at + 2 < rtf.size() ? rtf[at + 2] : ' ';
            if (!std::isalpha(static_cast<unsigned char>(next)) && next != '0') return true;
        }
        return false;
    }
    // True when some character of the view carries the effect.
    bool AnyCharacterHas(DWORD mask, DWORD effect) {
        std::wstring text = ViewText();
        if (text.empty()) return false;
        CHARRANGE all{0, static_cast<LONG>(text.size())};
        SendMessageW(view_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = mask;
        SendMessageW(view_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        // A mask bit that comes back cleared means the selection is mixed.
        return !(format.dwMask & mask) || (format.dwEffects & effect);
    }
    void ClearView() {
        FlushDeferredRedraws();
        SetWindowTextW(view_, L"");
    }
};

} // namespace

TEST_F(HostileText, ServerTextNeverBecomesALinkOrHiddenText) {
    // The check itself sees a link and hidden text made by the program.
    PrintToWindow(kInformationLine, channel_, L"plain \x18{a|||/b}link\x18 plain");
    ASSERT_TRUE(AnyCharacterHas(CFM_LINK, CFE_LINK));
    ASSERT_TRUE(AnyCharacterHidden());
    ClearView();
    XmlElementRemoveAllChildren(temp_.root);
    ASSERT_FALSE(AnyCharacterHas(CFM_LINK, CFE_LINK));

    SetConfig("Cfg\\Appearance", "Message_Format", "<$nick> $message");
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    std::mt19937 random(20240601);
    for (int i = 0; i < kSequences; ++i) {
        std::vector<std::string> words = {":x", "PRIVMSG", "#test", RandomSequence(random)};
        UserAddress sender{RandomSequence(random), "u", RandomSequence(random)};
        std::wstring line;
        FormatEventLine(channel_, line, kMessageLine, "", words, sender);
        PrintToWindow(kMessageLine, channel_, line, {.ChatLine = true});
        // Wide text from a peer goes through the same cleaning.
        PrintToWindow(kMessageLine, channel_, CleanUntrustedTextW(NarrowToWide(RandomSequence(random))));
        if (i % 100 == 99) {
            ASSERT_FALSE(AnyCharacterHas(CFM_LINK, CFE_LINK)) << "a link after sequence " << i;
            ASSERT_FALSE(AnyCharacterHidden()) << "hidden text after sequence " << i;
            ClearView();
        }
    }
    EXPECT_EQ(XmlElementFindPath(temp_.root, "Links"), nullptr);
}

TEST_F(HostileText, RandomProgramMarkupNeverCrashesThePrinter) {
    std::mt19937 random(77);
    for (int i = 0; i < kSequences; ++i) {
        PrintToWindow(kMessageLine, channel_, NarrowToWide(RandomSequence(random)));
        if (i % 1000 == 999) ClearView();
    }
    SUCCEED();
}
