// The prefix parser as the protocol code defines it, for tests of code that reads prefixes
// while the protocol library is not linked.
#include "irc/irc_prefix.h"

void ParseIrcPrefix(const std::string& prefix, UserAddress& address) {
    std::string text = !prefix.empty() && prefix[0] == ':' ? prefix.substr(1) : prefix;
    size_t bang = text.find('!');
    if (bang == std::string::npos) {
        address.Nick = text;
        return;
    }
    address.Nick = text.substr(0, bang);
    size_t at = text.find('@', bang);
    if (at == std::string::npos) {
        address.User = text.substr(bang + 1);
        return;
    }
    address.User = text.substr(bang + 1, at - bang - 1);
    address.Host = text.substr(at + 1);
}
