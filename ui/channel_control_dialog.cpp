// The channel control dialog: the basic modes and the topic of the active channel, sent back as
// one MODE line and one TOPIC line.
#include "ui/server_dialogs.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"

namespace {

constexpr int kMostParameter = 99;
constexpr int kMostTopic = 999;

std::wstring ItemText(HWND dialog, int id, int most) {
    std::wstring text(static_cast<size_t>(most) + 1, L'\0');
    text.resize(static_cast<size_t>(GetDlgItemTextW(dialog, id, text.data(), most + 1)));
    return text;
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

bool FitsInLine(const std::string& word) {
    for (unsigned char c : word)
        if (c <= ' ' || c == 0x7F) return false;
    return true;
}

void Show(HWND dialog, const WindowRecord& record) {
    SetDlgItemTextW(dialog, IDC_CONTROL_TOPIC, NarrowToWide(WindowRecordTopic(&record), CP_ACP).c_str());
    const std::string modes = WindowRecordModes(&record);
    const ChannelModeChoice choice = ReadChannelModes(modes);
    Check(dialog, IDC_CONTROL_INVITE, choice.InviteOnly);
    Check(dialog, IDC_CONTROL_KEY, choice.KeyRequired);
    Check(dialog, IDC_CONTROL_LIMIT, choice.Limited);
    Check(dialog, IDC_CONTROL_MODERATED, choice.Moderated);
    Check(dialog, IDC_CONTROL_NO_OUTSIDE, choice.NoOutside);
    Check(dialog, IDC_CONTROL_TOPIC_OPERATORS, choice.TopicOps);
    SetDlgItemTextW(dialog, IDC_CONTROL_KEY_TEXT, NarrowToWide(choice.Key).c_str());
    SetDlgItemTextW(dialog, IDC_CONTROL_LIMIT_TEXT, NarrowToWide(choice.Limit).c_str());
    if (modes.empty()) return;
    Check(dialog, IDC_CONTROL_PUBLIC, !choice.Private && !choice.Secret);
    Check(dialog, IDC_CONTROL_PRIVATE, choice.Private);
    Check(dialog, IDC_CONTROL_SECRET, choice.Secret);
}

// False (the dialog stays open) when the key or the limit cannot travel in the line.
bool Send(HWND dialog, WindowRecord* record) {
    ChannelModeChoice choice;
    choice.InviteOnly = Checked(dialog, IDC_CONTROL_INVITE);
    choice.KeyRequired = Checked(dialog, IDC_CONTROL_KEY);
    choice.Limited = Checked(dialog, IDC_CONTROL_LIMIT);
    choice.Moderated = Checked(dialog, IDC_CONTROL_MODERATED);
    choice.NoOutside = Checked(dialog, IDC_CONTROL_NO_OUTSIDE);
    choice.TopicOps = Checked(dialog, IDC_CONTROL_TOPIC_OPERATORS);
    choice.Private = Checked(dialog, IDC_CONTROL_PRIVATE);
    choice.Secret = Checked(dialog, IDC_CONTROL_SECRET);
    choice.Key = WideToNarrow(ItemText(dialog, IDC_CONTROL_KEY_TEXT, kMostParameter));
    if (choice.Limited) choice.Limit = WideToNarrow(ItemText(dialog, IDC_CONTROL_LIMIT_TEXT, kMostParameter));
    const std::string line = BuildChannelModeLine(record->Name, choice);
    if (line.empty()) {
        AppMessageBox(dialog, GetLangString(kBadParameterText), kProgramTitle, MB_OK, MB_ICONWARNING);
        return false;
    }
    SendServerLine(line, record, 0);
    std::wstring topic = ItemText(dialog, IDC_CONTROL_TOPIC, kMostTopic);
    std::erase_if(topic, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    SendServerLine("TOPIC " + record->Name + " :" + WideToNarrow(topic) + "\r\n", record, 0);
    return true;
}

INT_PTR CALLBACK ChannelModesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* record = reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (message) {
            case WM_INITDIALOG: {
                WindowRecord* active = GetActiveWindowRecord();
                if (!active || active->Type != kChannelWindow) {
                    EndDialog(dialog, 0);
                    return TRUE;
                }
                SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(active));
                Show(dialog, *active);
                return TRUE;
            }
            case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK && record) {
                    if (Send(dialog, record)) EndDialog(dialog, 1);
                    return TRUE;
                }
                if (LOWORD(wParam) == IDCANCEL) {
                    EndDialog(dialog, 0);
                    return TRUE;
                }
                return FALSE;
            default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

} // namespace

ChannelModeChoice ReadChannelModes(const std::string& modes) {
    ChannelModeChoice choice;
    std::vector<std::string> words;
    SplitQuoted(words, modes, " ", false);
    if (words.empty()) return choice;
    size_t parameter = 1;
    for (char letter : words[0]) {
        switch (letter) {
            case 'i': choice.InviteOnly = true; break;
            case 'm': choice.Moderated = true; break;
            case 'n': choice.NoOutside = true; break;
            case 't': choice.TopicOps = true; break;
            case 'k':
                choice.KeyRequired = true;
                if (parameter < words.size()) choice.Key = words[parameter++];
                break;
            case 'l':
                choice.Limited = true;
                if (parameter < words.size()) choice.Limit = words[parameter++];
                break;
            case 'p': choice.Private = true; break;
            case 's': choice.Secret = true; break;
            default: break;
        }
    }
    return choice;
}

std::string BuildChannelModeLine(const std::string& channel, const ChannelModeChoice& choice) {
    if (!FitsInLine(choice.Key) || !FitsInLine(choice.Limit)) return {};
    std::string line = "MODE " + channel + " ";
    auto flag = [&line](bool on, char letter) { line += std::string(on ? "+" : "-") + letter; };
    flag(choice.InviteOnly, 'i');
    flag(choice.Moderated, 'm');
    flag(choice.NoOutside, 'n');
    flag(choice.Private, 'p');
    flag(choice.Secret, 's');
    flag(choice.TopicOps, 't');
    if (!choice.Key.empty()) line += choice.KeyRequired ? "+k" : "-k";
    if (choice.Limited && !choice.Limit.empty())
        line += "+l";
    else if (!choice.Limited)
        line += "-l";
    if (!choice.Key.empty()) line += " " + choice.Key;
    if (choice.Limited && !choice.Limit.empty()) line += " " + choice.Limit;
    return line + "\r\n";
}

void ui::OpenChannelControlDialog(HWND owner, uint32_t initParameter) {
    HMODULE language = LanguageModule.load();
    if (!language) return;
    DialogBoxParamW(language, L"DIALOG_CONTROL", owner ? owner : MainWindow.load(), ChannelModesDlgProc,
                    static_cast<LPARAM>(initParameter));
}
