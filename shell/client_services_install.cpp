#include "shell/client_services_install.h"

#include "assist/assistance_request.h"
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "commands/plugin_host.h"
#include "core/client_services.h"
#include "peer/dcc_offers.h"
#include "peer/dcc_send_dialog.h"
#include "peer/embedded_objects.h"
#include "peer/object_exchange.h"
#include "media/media_playback.h"
#include "media/speech.h"
#include "media/voice_chat.h"
#include "script/event_scripts.h"
#include "script/script_interpreter.h"
#include "shell/active_window.h"
#include "shell/http_download.h"
#include "shell/light_sensor.h"
#include "shell/log_files.h"
#include "shell/main_menu.h"
#include "shell/preferences_window.h"
#include "shell/window_shake.h"
#include "shell/window_operations.h"
#include "shell/window_tabs.h"
#include "shell/window_titles.h"
#include "ui/menu_labels.h"
#include "ui/prompt_dialogs.h"
#include "ui/save_file_dialog.h"
#include "ui/server_dialogs.h"
#include "ui/ticker_window.h"
#include "shell/window_text_commands.h"
#include "views/chat_view_clear.h"
#include "views/event_format.h"
#include "views/line_printer.h"

void InstallClientServices() {
    ClientServices& s = Services();
    s.PrintToWindow = &views::PrintToWindow;
    s.FormatEventLine = &views::FormatEventLine;
    s.RunEventScript = &script::RunEventScript;
    s.RunTriggerScriptThread = &script::RunTriggerScriptThread;
    s.ExecuteScript = &script::ExecuteScript;
    s.ProcessInputLine = &commands::ProcessInputLine;
    s.ExecuteInputText = &commands::ExecuteInputText;
    s.ExecuteCommand = &commands::ExecuteCommand;
    s.NotifyPluginsServerLine = &commands::NotifyPluginsServerLine;
    s.NotifyPluginsWindowText = &commands::NotifyPluginsWindowText;
    s.PromptText = &ui::PromptText;
    s.PromptList = &ui::PromptList;
    s.RequestRemoteAssistance = &assist::RequestRemoteAssistance;
    s.GetMenuLabel = &ui::GetMenuLabel;
    s.HandleDccSendOffer = &peer::HandleDccSendOffer;
    s.OpenDccSendDialog = &peer::OpenDccSendDialog;
    s.DccChatThread = &peer::DccChatThread;
    s.OnDccChatDisconnected = &shell::OnDccChatDisconnected;
    s.OnServerDisconnected = &shell::OnServerDisconnected;
    s.ActivateWindowRecord = &shell::ActivateWindowRecord;
    s.GetActiveWindowRecord = &shell::GetActiveWindowRecord;
    s.IsAppForeground = &shell::IsAppForeground;
    s.GetWindowTabState = &shell::GetWindowTabState;
    s.SetWindowTabState = &shell::SetWindowTabState;
    s.SetWindowTabCaption = &shell::SetWindowTabCaption;
    s.UpdateWindowTitle = &shell::UpdateWindowTitle;
    s.WriteLogLine = static_cast<void (*)(WindowRecord*, const wchar_t*)>(&shell::WriteLogLine);
    s.WriteLogMarker = static_cast<void (*)(WindowRecord*, int32_t)>(&shell::WriteLogLine);
    s.ShakeWindowThread = &shell::ShakeWindowThread;
    s.AddPluginMenuEntry = &AddPluginMenu;
    s.PluginMenuEntryPopup = [](uint32_t index) -> uint64_t {
        const std::vector<PluginMenuItem> items = PluginMenuItemsSnapshot();
        return index < items.size() ? items[index].Popup : 0;
    };
    s.ErasePluginMenuEntry = &ErasePluginMenuItem;
    s.RebuildActiveWindowMenu = &shell::RebuildActiveWindowMenu;
    s.SpeakText = &media::SpeakText;
    s.InsertImageIntoRichEdit = &peer::InsertImageIntoRichEdit;
    s.InsertOleObject = &peer::InsertOleObject;
    s.InsertFlashObject = &peer::InsertFlashObject;
    s.ClearChatView = &views::ClearChatView;
    s.PromptSaveFileName = &ui::PromptSaveFileName;
    s.StartDownload = &shell::StartDownload;
    s.OpenPreferences = &shell::OpenPreferences;
    s.ObjectAcceptThread = &peer::ObjectAcceptThread;
    s.ObjectReceiveThread = &peer::ObjectReceiveThread;
    s.MediaPlayThread = &media::MediaPlayThread;
    s.OpenWaveIn = &media::OpenWaveIn;
    s.CloseWaveIn = &media::CloseWaveIn;
    s.OpenWaveOut = &media::OpenWaveOut;
    s.CloseWaveOut = &media::CloseWaveOut;
    s.SendVoiceListening = &media::SendVoiceListening;
    s.OpenConnectDialog = &ui::OpenConnectDialog;
    s.OpenJoinDialog = &ui::OpenJoinDialog;
    s.OpenKickDialog = &ui::OpenKickDialog;
    s.OpenChannelControlDialog = &ui::OpenChannelControlDialog;
    s.OpenListInformationDialog = &ui::OpenListInformationDialog;
    s.RequestChannelList = &shell::RequestChannelList;
    s.ShowChannelList = &shell::ShowChannelList;
    s.FindInView = &shell::FindInView;
    s.RunLogCommand = &shell::RunLogCommand;
    s.ToggleTickerWindow = &ui::ToggleTickerWindow;
    s.ToggleLightSensor = &shell::ToggleLightSensor;
}
