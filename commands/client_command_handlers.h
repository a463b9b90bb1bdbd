// The handlers of the command table that act on the client itself and start work outside the
// command: windows, scripts, lists, settings, DCC, objects, files and programs.
#pragma once

#include "commands/command_call.h"

// Windows and code pages.
uint64_t EvalCommand(const CommandCall& call);
uint64_t DisplayCommand(const CommandCall& call);
uint64_t DisplayAllCommand(const CommandCall& call);
uint64_t ClearCommand(const CommandCall& call);
uint64_t EncodingCommand(const CommandCall& call);
uint64_t Utf8Command(const CommandCall& call);
uint64_t DebugCommand(const CommandCall& call);

// Scripts, variables, timers, remembered users and trigger scripts.
uint64_t RunScriptCommand(const CommandCall& call);
uint64_t DefineCommand(const CommandCall& call);
uint64_t UndefineCommand(const CommandCall& call);
uint64_t DestroyStaticVariableCommand(const CommandCall& call);
uint64_t DestroyGlobalVariableCommand(const CommandCall& call);
uint64_t SetUserCommand(const CommandCall& call);
uint64_t TimerCommand(const CommandCall& call);
uint64_t TriggerScriptCommand(const CommandCall& call);

// User lists and plug-ins.
uint64_t UserListCommand(const CommandCall& call);
uint64_t PluginPathCommand(const CommandCall& call);
uint64_t LoadPluginsCommand(const CommandCall& call);
uint64_t UnloadPluginsCommand(const CommandCall& call);

// Settings, appearance and installed scripts.
uint64_t PreferencesCommand(const CommandCall& call);
uint64_t FontsCommand(const CommandCall& call);
uint64_t ColorsCommand(const CommandCall& call);
uint64_t SetAddressCommand(const CommandCall& call);
uint64_t InstallScriptCommand(const CommandCall& call);
uint64_t InstallSkinCommand(const CommandCall& call);

// DCC chats and file offers.
uint64_t DccCommand(const CommandCall& call);
uint64_t SendFileCommand(const CommandCall& call);
uint64_t ChatCommand(const CommandCall& call);
uint64_t TestChatCommand(const CommandCall& call);

// Embedded objects.
uint64_t SendObjectCommand(const CommandCall& call);
uint64_t GetObjectCommand(const CommandCall& call);
uint64_t SendObjectKillCommand(const CommandCall& call);

// Files, programs, downloads, media and name lookups.
uint64_t RunCommand(const CommandCall& call);
uint64_t ShellExecuteCommand(const CommandCall& call);
uint64_t FetchCommand(const CommandCall& call);
uint64_t PlayCommand(const CommandCall& call);
uint64_t DnsCommand(const CommandCall& call);
uint64_t ProtectCommand(const CommandCall& call);
