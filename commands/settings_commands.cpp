// "/prefs" and the commands that open it, "/_set", "/installscript" and "/installskin".
#include "commands/client_command_handlers.h"

#include "commands/skin_settings.h"
#include "irc/connection_messages.h"
#include "markup/untrusted_text.h"

#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "irc_lines/local_addresses.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/frame_message_ids.h"
#include "core/preferences_request.h"
#include "core/record_guards.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"
#include "core/remote_text.h"
#include "commands/command_interpreter.h"

#include <string>
#include <vector>

namespace {

std::string WithoutQuotes(std::string value) {
    if (!value.empty() && value.front() == '"') value.erase(0, 1);
    if (!value.empty() && value.back() == '"') value.pop_back();
    return value;
}

// The file's document when it was read and has a root with content; closed again by its owner.
// The rest of the line as one path; a pair of double quotes around it is removed, so a quoted
// path with blanks stays whole.
std::string PathArgument(const CommandCall& call) {
    std::string path = call.Rest(1);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    return path;
}

bool OpenDocument(XmlDocument& document, const std::string& file) {
    XmlDocumentOpenFile(&document, NarrowToWide(file).c_str());
    return XmlDocumentGetRoot(&document) && XmlElementGetChildCount(XmlDocumentGetRoot(&document)) > 0;
}

// "/installskin" alone: the appearance of the user's settings written to a new file.
void ExportAppearance() {
    std::wstring path;
    if (!PromptSaveFileName(L"", L"*.XML", path) || path.empty()) return;
    DeleteFileW(path.c_str());
    XmlDocument skin;
    XmlDocumentOpenText(&skin, "<?xml version=\"1.0\" ?><qv><Cfg /></qv>");
    {
        XmlDocumentReadLock lock(UserConfigDocument);
        CopyAppearance(XmlDocumentGetRoot(UserConfigDocument), XmlDocumentGetRoot(&skin));
    }
    XmlDocumentSetWideName(&skin, 1);
    XmlDocumentSave(&skin, path.c_str(), 0, 0, nullptr);
    XmlDocumentDestroy(&skin);
}

// The one line that names what a skin held besides its looks.
void SayLeftOut(const CommandCall& call, const std::vector<std::string>& leftOut) {
    constexpr size_t kNamed = 20;
    std::string names;
    for (size_t i = 0; i < leftOut.size() && i < kNamed; ++i) names += (i ? ", " : "") + leftOut[i];
    if (leftOut.size() > kNamed) names += " (+" + std::to_string(leftOut.size() - kNamed) + ")";
    const std::wstring line =
        FillLangText(GetLangString(kSkinLeftOutText), {CleanUntrustedTextW(NarrowToWide(names))});
    PrintToWindow(kInformationLine, call.Target, line);
}

} // namespace

uint64_t PreferencesCommand(const CommandCall& call) {
    const auto& words = call.Words;
    if (words.size() >= 4) {
        XmlWriteProfileString(words[1].c_str(), words[2].c_str(), call.Rest(3).c_str(), nullptr,
                              UserConfigDocument);
        return 1;
    }
    SetPreferencesPendingSection(words.size() >= 2 ? words[1] : std::string());
    PostFrameCommand(ID_PREFERENCES);
    return 1;
}

namespace {

// The program's own line: its words are the user's, as the row that builds it has been let run.
uint64_t RunOwnLine(const CommandCall& call, const std::string& line) {
    const LineMarksScope own(line);
    return commands::ExecuteCommand(line.c_str(), call.ConnectionWindow, nullptr, nullptr);
}

} // namespace

uint64_t FontsCommand(const CommandCall& call) {
    return RunOwnLine(call, "/prefs Cfg\\Fonts");
}

uint64_t ColorsCommand(const CommandCall& call) {
    return RunOwnLine(call, "/prefs Cfg\\Colors");
}

uint64_t SetAddressCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    ServerConnection* connection = call.Connection;
    if (!connection) RefuseCommand();
    const std::string& what = call.Words[1];
    const std::string value = WithoutQuotes(call.Rest(2));
    if (StringEqualsNoCase(what, "ip") || StringEqualsNoCase(what, "localip")) connection->LocalIPv4 = value;
    if (StringEqualsNoCase(what, "ip6") || StringEqualsNoCase(what, "localip6"))
        connection->LocalIPv6 = value;
    if (StringEqualsNoCase(what, "notifyip") || StringEqualsNoCase(what, "remoteip"))
        connection->ReportedIPv4 = value;
    if (StringEqualsNoCase(what, "notifyip6") || StringEqualsNoCase(what, "remoteip6"))
        connection->ReportedIPv6 = value;
    ShowConnectionAddresses(call.ConnectionWindow);
    return 1;
}

uint64_t InstallScriptCommand(const CommandCall& call) {
    XmlDocument file;
    if (OpenDocument(file, PathArgument(call)) && UserConfigDocument) {
        XmlElement* root = XmlDocumentGetRoot(&file);
        const uint32_t count = XmlElementGetChildCount(root);
        for (uint32_t i = 0; i < count; ++i) {
            XmlElement* script = XmlElementGetChild(root, i);
            if (!script) continue;
            std::string description;
            {
                XmlDocumentWriteLock lock(UserConfigDocument);
                XmlElement* scripts =
                    XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts", 1);
                XmlElement* copy = XmlElementDuplicate(script, scripts);
                XmlElementAppendChild(scripts, copy);
                if (const XmlVariable* v = XmlElementFindVariableView(copy, "Description"))
                    description = XmlVariableGetValueString(v);
                if (XmlDocumentIsValid(UserConfigDocument))
                    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
            }
            const wchar_t* installed = GetLangString(kScriptInstalled);
            const std::wstring text =
                std::wstring(installed ? installed : L"") + L"\r\n" + NarrowToWide(description);
            AppMessageBox(MainWindow.load(), text.c_str(), L"Brindlex", MB_OK, MB_ICONINFORMATION);
        }
    }
    XmlDocumentDestroy(&file);
    return 1;
}

uint64_t InstallSkinCommand(const CommandCall& call) {
    if (!UserConfigDocument) return 1;
    if (call.Words.size() == 1) {
        ExportAppearance();
        return 1;
    }
    XmlDocument file;
    if (OpenDocument(file, PathArgument(call))) {
        // A skin changes how the program looks: whatever else it holds is left out, and said.
        const std::vector<std::string> leftOut = KeepOnlyAppearance(XmlDocumentGetRoot(&file));
        XmlElement* skinCfg = XmlElementFindChild(XmlDocumentGetRoot(&file), "Cfg");
        {
            XmlDocumentWriteLock lock(UserConfigDocument);
            XmlElement* userCfg = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Cfg");
            if (skinCfg && userCfg) XmlElementMerge(userCfg, skinCfg, 1);
        }
        if (!leftOut.empty()) SayLeftOut(call, leftOut);
    }
    XmlDocumentDestroy(&file);
    return 1;
}
