#include "shell/startup/client_services_install.h"

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
#include "shell/windows/active_window.h"
#include "shell/preferences/http_download.h"
#include "shell/preferences/light_sensor.h"
#include "shell/windows/log_files.h"
#include "shell/menus/main_menu.h"
#include "shell/menus/menu_commands.h"
#include "shell/preferences/preferences_window.h"
#include "shell/windows/window_shake.h"
#include "shell/windows/window_operations.h"
#include "shell/windows/window_tabs.h"
#include "shell/windows/window_titles.h"
#include "ui/menu_labels.h"
#include "ui/prompt_dialogs.h"
#include "ui/save_file_dialog.h"
#include "ui/server_dialogs.h"
#include "ui/ticker_window.h"
#include "shell/chats/window_text_commands.h"
#include "views/chat_view_clear.h"
#include "views/event_format.h"
#include "views/line_printer.h"

void InstallClientServices() {
    ClientServices& s = Services();
    s.Printing = {.PrintToWindow = &views::PrintToWindow,
                  .FormatEventLine = &views::FormatEventLine,
                  .ClearChatView = &views::ClearChatView};
    s.Scripts = {.RunEventScript = &script::RunEventScript,
                 .RunTriggerScriptThread = &script::RunTriggerScriptThread,
                 .ExecuteScript = &script::ExecuteScript};
    s.Commands = {.ProcessInputLine = &commands::ProcessInputLine,
                  .ExecuteInputText = &commands::ExecuteInputText,
                  .ExecuteCommand = &commands::ExecuteCommand,
                  .NotifyPluginsServerLine = &commands::NotifyPluginsServerLine,
                  .NotifyPluginsWindowText = &commands::NotifyPluginsWindowText,
                  .AddPluginMenuEntry = &AddPluginMenu,
                  .PluginMenuEntryPopup = [](uint32_t index) -> uint64_t {
                      const std::vector<PluginMenuItem> items = PluginMenuItemsSnapshot();
                      return index < items.size() ? items[index].Popup : 0;
                  },
                  .ErasePluginMenuEntry = &ErasePluginMenuItem};
    s.Dialogs = {.PromptText = &ui::PromptText,
                 .PromptList = &ui::PromptList,
                 .GetMenuLabel = &ui::GetMenuLabel,
                 .PromptSaveFileName = &ui::PromptSaveFileName,
                 .OpenConnectDialog = &ui::OpenConnectDialog,
                 .OpenJoinDialog = &ui::OpenJoinDialog,
                 .OpenKickDialog = &ui::OpenKickDialog,
                 .OpenChannelControlDialog = &ui::OpenChannelControlDialog,
                 .OpenListInformationDialog = &ui::OpenListInformationDialog,
                 .OpenPreferences = &shell::OpenPreferences,
                 .ToggleTickerWindow = &ui::ToggleTickerWindow,
                 .OpenDccSendDialog = &peer::OpenDccSendDialog,
                 .RequestRemoteAssistance = &assist::RequestRemoteAssistance};
    s.Windows = {.OnServerDisconnected = &shell::OnServerDisconnected,
                 .OnDccChatDisconnected = &shell::OnDccChatDisconnected,
                 .ActivateWindowRecord = &shell::ActivateWindowRecord,
                 .GetActiveWindowRecord = &shell::GetActiveWindowRecord,
                 .IsAppForeground = &shell::IsAppForeground,
                 .GetWindowTabState = &shell::GetWindowTabState,
                 .SetWindowTabState = &shell::SetWindowTabState,
                 .SetWindowTabCaption = &shell::SetWindowTabCaption,
                 .UpdateWindowTitle = &shell::UpdateWindowTitle,
                 .WriteLogLine = static_cast<void (*)(WindowRecord*, const wchar_t*)>(&shell::WriteLogLine),
                 .WriteLogMarker = static_cast<void (*)(WindowRecord*, int32_t)>(&shell::WriteLogLine),
                 .ShakeWindowThread = &shell::ShakeWindowThread,
                 .RebuildActiveWindowMenu = &shell::RebuildActiveWindowMenu,
                 .StartDownload = &shell::StartDownload,
                 .RequestChannelList = &shell::RequestChannelList,
                 .ShowChannelList = &shell::ShowChannelList,
                 .FindInView = &shell::FindInView,
                 .RunLogCommand = &shell::RunLogCommand,
                 .ToggleLightSensor = &shell::ToggleLightSensor,
                 .OpenWithShell = &shell::OpenWithShell};
    s.Peer = {.HandleDccSendOffer = &peer::HandleDccSendOffer,
              .DccChatThread = &peer::DccChatThread,
              .InsertImageIntoRichEdit = &peer::InsertImageIntoRichEdit,
              .InsertOleObject = &peer::InsertOleObject,
              .InsertFlashObject = &peer::InsertFlashObject,
              .ObjectAcceptThread = &peer::ObjectAcceptThread,
              .ObjectReceiveThread = &peer::ObjectReceiveThread};
    s.Media = {.SpeakText = &media::SpeakText,
               .MediaPlayThread = &media::MediaPlayThread,
               .OpenWaveIn = &media::OpenWaveIn,
               .CloseWaveIn = &media::CloseWaveIn,
               .OpenWaveOut = &media::OpenWaveOut,
               .CloseWaveOut = &media::CloseWaveOut,
               .SendVoiceListening = &media::SendVoiceListening};
}
