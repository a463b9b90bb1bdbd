// The frame with every real owner, as the program installs them; the input lines, the commands
// and the event scripts are recorded on their way to their owners, and the dialogs and features
// the menus open are recorded where they would open.
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "core/client_services.h"
#include "script/event_scripts.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/call_log.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallMenuEntryRecorders();
    ClientServices& s = Services();
    s.Commands.ProcessInputLine = [](const char* line, WindowRecord* window, InputOptions options) {
        CallLog::Instance().Add({"ProcessInputLine", window, line ? line : "", options.NoTriggers ? 1u : 0u});
        commands::ProcessInputLine(line, window, options);
    };
    s.Commands.ExecuteCommand = [](const char* line, WindowRecord* connection, WindowRecord* target,
                                   wchar_t* help) {
        CallLog::Instance().Add({"ExecuteCommand", target, line ? line : "", 0});
        return commands::ExecuteCommand(line, connection, target, help);
    };
    s.Scripts.RunEventScript = [](const char* name, WindowRecord* window, WindowRecord* target,
                                  const std::string& parameters, std::string& result,
                                  EventScriptOptions options) {
        CallLog::Instance().Add(
            {"RunEventScript", target, std::string(name) + " " + parameters, options.CheckOnly ? 1u : 0u});
        return script::RunEventScript(name, window, target, parameters, result, options);
    };
}
