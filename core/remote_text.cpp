#include "core/remote_text.h"

#include "common/xstring.h"
#include "core/client_services.h"
#include "markup/untrusted_text.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <algorithm>
#include <utility>

namespace {

thread_local uint32_t RemoteDepth = 0;
thread_local LineMarksScope* InnermostMarks = nullptr;

constexpr std::string_view kLineEnds = " \t\r\n";
// A refused word is quoted up to this many bytes.
constexpr size_t kQuotedWordBytes = 60;

size_t LeadingBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(kLineEnds);
    return first == std::string_view::npos ? text.size() : first;
}

std::string_view Trimmed(std::string_view text) {
    text.remove_prefix(LeadingBlanks(text));
    const size_t last = text.find_last_not_of(kLineEnds);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

} // namespace

RemoteTextScope::RemoteTextScope(bool mark) : mark_(mark) {
    if (mark_) ++RemoteDepth;
}

RemoteTextScope::~RemoteTextScope() {
    if (mark_) --RemoteDepth;
}

OwnTextScope::OwnTextScope() : saved_(RemoteDepth) {
    RemoteDepth = 0;
}

OwnTextScope::~OwnTextScope() {
    RemoteDepth = saved_;
}

bool HandlingRemoteText() {
    return RemoteDepth != 0;
}

LineMarksScope::LineMarksScope(std::string line, std::string marks)
    : Line(std::move(line)), Marks(std::move(marks)), Outer(InnermostMarks) {
    InnermostMarks = this;
}

LineMarksScope::LineMarksScope(std::string line) : LineMarksScope(line, UsersMarks(line.size())) {}

LineMarksScope::~LineMarksScope() {
    InnermostMarks = Outer;
}

std::string OutsideMarksOf(std::string_view line) {
    const std::string_view core = Trimmed(line);
    for (const LineMarksScope* scope = InnermostMarks; scope; scope = scope->Outer) {
        if (scope->Marks.size() != scope->Line.size() || Trimmed(scope->Line) != core) continue;
        std::string marks = UsersMarks(line.size());
        const size_t from = LeadingBlanks(scope->Line);
        std::copy_n(scope->Marks.begin() + static_cast<ptrdiff_t>(from), core.size(),
                    marks.begin() + static_cast<ptrdiff_t>(LeadingBlanks(line)));
        return marks;
    }
    return std::string(line.size(), HandlingRemoteText() ? kOutsideByte : kUsersByte);
}

bool HasOutsideByte(std::string_view marks) {
    return marks.find(kOutsideByte) != std::string_view::npos;
}

MarkedLine& MarkedLine::Own(std::string_view text) {
    Text += text;
    Marks.append(text.size(), kUsersByte);
    return *this;
}

MarkedLine& MarkedLine::Marked(std::string_view text, std::string_view marks) {
    Text += text;
    Marks += marks.substr(0, text.size());
    Marks.append(text.size() - std::min(text.size(), marks.size()), kOutsideByte);
    return *this;
}

std::string FirstOutsideRun(std::string_view text, std::string_view marks) {
    const size_t count = std::min(text.size(), marks.size());
    size_t from = 0;
    while (from < count && marks[from] != kOutsideByte) ++from;
    size_t to = from;
    while (to < count && marks[to] == kOutsideByte) ++to;
    return std::string(text.substr(from, to - from));
}

std::string UsersMarks(size_t length) {
    return std::string(length, kUsersByte);
}

std::string CleanWhenFromOutside(const std::string& text) {
    return HandlingRemoteText() ? CleanUntrustedText(text) : text;
}

void ReportRefusedForRemoteText(WindowRecord* window, const std::string& what, const std::string& word) {
    std::string quoted = CleanUntrustedText(word.substr(0, kQuotedWordBytes));
    if (word.size() > kQuotedWordBytes) quoted += "...";
    PrintToWindow(kInformationLine, window,
                  DisplayText().Color(4).Dot().Text(
                      L" " + NarrowToWide(what) + L" was not run: \"" + NarrowToWide(quoted) +
                      L"\" came from text a server or a peer sent, and only your own words may choose "
                      L"what it starts, loads, fetches, writes or sends."));
}
