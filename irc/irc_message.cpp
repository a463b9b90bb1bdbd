#include "irc/irc_message.h"

namespace {

size_t SkipBlanks(std::string_view line, size_t at) {
    while (at < line.size() && line[at] == ' ') ++at;
    return at;
}

size_t WordEnd(std::string_view line, size_t at) {
    const size_t blank = line.find(' ', at);
    return blank == std::string_view::npos ? line.size() : blank;
}

} // namespace

const std::string& IrcMessage::Param(size_t i) const {
    static const std::string empty;
    return i < Params.size() ? Params[i] : empty;
}

std::string IrcMessage::ParamsText(size_t first) const {
    std::string text;
    for (size_t i = first; i < Params.size(); ++i) {
        if (i > first) text += ' ';
        text += Params[i];
    }
    return text;
}

IrcMessage ParseIrcMessage(std::string_view line) {
    IrcMessage message;
    message.Text.assign(line);
    size_t at = 0;
    if (!line.empty() && line[0] == ':') {
        const size_t end = WordEnd(line, 1);
        message.Prefix.assign(line.substr(1, end - 1));
        ParseIrcPrefix(message.Prefix, message.Sender);
        at = end;
    }
    at = SkipBlanks(line, at);
    const size_t commandEnd = WordEnd(line, at);
    message.Command.assign(line.substr(at, commandEnd - at));
    for (at = SkipBlanks(line, commandEnd); at < line.size(); at = SkipBlanks(line, at)) {
        const bool colon = line[at] == ':';
        if (colon || message.Params.size() + 1 == kMaxIrcParams) {
            message.Params.emplace_back(line.substr(at + (colon ? 1 : 0)));
            message.HasTrailing = true;
            break;
        }
        const size_t end = WordEnd(line, at);
        message.Params.emplace_back(line.substr(at, end - at));
        at = end;
    }
    return message;
}

std::string WithoutColon(std::string_view text) {
    if (!text.empty() && text.front() == ':') text.remove_prefix(1);
    return std::string(text);
}
