// Building the text of a line the printer shows, code by code, instead of writing the codes into
// string literals; and the one place where a link's command is put together.
#pragma once

#include "markup/markup_codes.h"

#include <cstdint>
#include <string>
#include <string_view>

// True when the text may stand as one word of a link's command: not empty, and no blank, control
// character or link punctuation ("{", "}", "|") that would end the link early or add words.
bool SafeInLinkCommand(std::string_view text);
bool SafeInLinkCommand(std::wstring_view text);

// One of the program's own command words ("/mode", "/timer"): only a literal written in the
// program makes one, so text from outside never becomes a link's command word.
template <typename Char> struct BasicProgramCommand {
    template <size_t N> consteval BasicProgramCommand(const Char (&word)[N]) : Word(word, N - 1) {
        if (N < 2 || word[0] != '/') throw "a link command starts with its program command word";
    }
    std::basic_string_view<Char> Word;
};

// A link's command: the program's command word and argument words. An argument that is not
// safe in a link command refuses the whole command, and the link is then shown as its label.
template <typename Char> class BasicLinkCommand {
public:
    explicit BasicLinkCommand(BasicProgramCommand<Char> command) : text_(command.Word) {}

    BasicLinkCommand& Arg(std::basic_string_view<Char> word) {
        refused_ = refused_ || !SafeInLinkCommand(word);
        text_ += static_cast<Char>(' ');
        text_ += word;
        return *this;
    }
    BasicLinkCommand& Arg(uint64_t number) {
        text_ += static_cast<Char>(' ');
        for (char digit : std::to_string(number)) text_ += static_cast<Char>(digit);
        return *this;
    }

    bool Accepted() const { return !refused_; }
    const std::basic_string<Char>& Text() const { return text_; }

private:
    std::basic_string<Char> text_;
    bool refused_ = false;
};

template <typename Char> class BasicDisplayText {
public:
    using String = std::basic_string<Char>;

    BasicDisplayText& Text(std::basic_string_view<Char> text) {
        text_ += text;
        return *this;
    }
    BasicDisplayText& Code(MarkupCode code) {
        text_ += static_cast<Char>(code);
        return *this;
    }
    BasicDisplayText& Bold() { return Code(kBoldCode); }
    BasicDisplayText& Bold(std::basic_string_view<Char> text) { return Bold().Text(text).Bold(); }
    BasicDisplayText& Reset() { return Code(kResetCode); }
    // The dot that opens an information line.
    BasicDisplayText& Dot() requires(sizeof(Char) == sizeof(wchar_t)) { return Text(kSymbolDot); }
    // A run in the symbol font.
    BasicDisplayText& Symbol(std::basic_string_view<Char> text) {
        return Code(kSymbolCode).Text(text).Code(kSymbolCode);
    }
    // The bold heading of a list: the dot, the title between blanks, the dot.
    BasicDisplayText& Heading(std::basic_string_view<Char> title) requires(sizeof(Char) == sizeof(wchar_t)) {
        return Bold().Dot().Text(L" ").Text(title).Text(L" ").Dot().Bold();
    }
    // A palette colour, its index written as given (one digit stays one digit).
    BasicDisplayText& Color(unsigned foreground) { return Code(kColorCode).Number(foreground); }
    BasicDisplayText& Color(unsigned foreground, unsigned background) {
        return Color(foreground).Text(Comma()).Number(background);
    }
    // A direct colour: 8 hexadecimal digits (the custom view takes the top byte as alpha), and
    // the background's after a comma.
    BasicDisplayText& DirectColor(uint32_t color) { return Code(kDirectColorCode).Hex8(color); }
    BasicDisplayText& DirectColor(uint32_t color, uint32_t back) {
        return DirectColor(color).Text(Comma()).Hex8(back);
    }
    // A link that runs the command when clicked; a refused command leaves the label alone.
    BasicDisplayText& Link(std::basic_string_view<Char> label, const BasicLinkCommand<Char>& command) {
        return Link(label, label, command);
    }
    // As above, with a name for the command (shown in the link's menu) other than the label.
    BasicDisplayText& Link(std::basic_string_view<Char> name, std::basic_string_view<Char> label,
                           const BasicLinkCommand<Char>& command) {
        if (!command.Accepted()) return Text(label);
        Code(kLinkCode);
        text_ += static_cast<Char>('{');
        text_ += name;
        text_.append(3, static_cast<Char>('|'));
        text_ += command.Text();
        text_ += static_cast<Char>('}');
        return Text(label).Code(kLinkCode);
    }

    const String& str() const& { return text_; }
    String str() && { return std::move(text_); }
    operator String() const& { return text_; }
    operator String() && { return std::move(text_); }

private:
    static constexpr Char kComma[] = {static_cast<Char>(','), 0};
    static std::basic_string_view<Char> Comma() { return kComma; }
    BasicDisplayText& Hex8(uint32_t value) {
        for (int shift = 28; shift >= 0; shift -= 4)
            text_ += static_cast<Char>("0123456789ABCDEF"[(value >> shift) & 0xF]);
        return *this;
    }
    BasicDisplayText& Number(unsigned value) {
        for (char digit : std::to_string(value)) text_ += static_cast<Char>(digit);
        return *this;
    }

    String text_;
};

using DisplayText = BasicDisplayText<wchar_t>;
using LinkCommand = BasicLinkCommand<wchar_t>;
using ProgramCommand = BasicProgramCommand<wchar_t>;
