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

// Every row of the table gets the owner its row names: the rows are the only list of services, so
// none can be left uninstalled.
void InstallClientServices() {
    ClientServices& s = Services();
#define BRINDLEX_INSTALL_SERVICE(Group, Name, Owner, Return, Parameters, Arguments, WhenNotInstalled)        \
    s.Group.Name = &Owner;
#define BRINDLEX_INSTALL_GROUP(Group, Struct, Rows) Rows(BRINDLEX_INSTALL_SERVICE)
    BRINDLEX_SERVICE_GROUPS(BRINDLEX_INSTALL_GROUP)
#undef BRINDLEX_INSTALL_GROUP
#undef BRINDLEX_INSTALL_SERVICE
}
