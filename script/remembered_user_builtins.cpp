// Built-ins that read what the connection remembers about a user, found by nick. A nick that
// no entry matches gives an empty text; reading never creates an entry.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "irc/remembered_user.h"

namespace {

// The entry for the one argument, copied; false when there is none.
bool Find(const BuiltinCall& call, RememberedUser& out) {
    RequireArgs(call, 1);
    UserAddress query;
    query.Nick = Arg(call, 0);
    return CopyRememberedUser(call.ConnectionWindow, query, out);
}

template <std::string RememberedUser::*Field> uint32_t TextField(BuiltinCall& call) {
    RememberedUser user;
    if (!Find(call, user)) return TextResult(call, "");
    return TextResult(call, user.*Field);
}

template <uint32_t RememberedUser::*Field> uint32_t LevelField(BuiltinCall& call) {
    RememberedUser user;
    if (!Find(call, user)) return TextResult(call, "");
    return NumberResult(call, static_cast<int32_t>(user.*Field));
}

uint32_t UserData(BuiltinCall& call) {
    RememberedUser user;
    if (!Find(call, user)) return TextResult(call, "");
    return NumberResult(call, static_cast<int64_t>(user.UserData));
}

const BuiltinEntry kRows[] = {
    {"GetUserIdent", TextField<&RememberedUser::IdentPattern>},
    {"GetUserDomain", TextField<&RememberedUser::DomainPattern>},
    {"GetUserString", TextField<&RememberedUser::UserText>},
    {"GetUserLevel", LevelField<&RememberedUser::Level>},
    {"GetUserFriendLevel", LevelField<&RememberedUser::FriendLevel>},
    {"GetUserEnemyLevel", LevelField<&RememberedUser::EnemyLevel>},
    {"GetUserData", UserData},
};

} // namespace

std::span<const BuiltinEntry> RememberedUserBuiltins() {
    return kRows;
}
