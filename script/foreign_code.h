// The code of a block in a foreign script language, made from its lines after their values
// were inserted. An inserted value is data, never code: it becomes a string literal of the
// block's language (or, where the author wrote it inside one, is escaped for that literal), so
// a value cannot end a string, a comment or a line of the block.
#pragma once

#include "script/script_text.h"

#include <string>
#include <vector>

enum class ForeignLanguage {
    kOther,
    kJScript,
    kVBScript,
};

// By the block's language name, ignoring case.
ForeignLanguage ForeignLanguageOf(const std::string& name);

// The lines joined with CR LF, each inserted stretch made safe for the language. False when
// the block holds inserted text in a language whose literals are not known here: it must not
// run then.
bool BuildForeignCode(ForeignLanguage language, const std::vector<ScriptText>& lines, std::string& code);
