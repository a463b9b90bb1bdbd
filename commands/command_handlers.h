// The handlers of the command table that talk to servers, channels and users.
#pragma once

#include "commands/command_call.h"

// Connecting, leaving and the connection itself.
uint64_t ServerCommand(const CommandCall& call);
uint64_t ReconnectCommand(const CommandCall& call);
uint64_t DisconnectCommand(const CommandCall& call);
uint64_t QuitCommand(const CommandCall& call);
uint64_t AwayCommand(const CommandCall& call);
uint64_t RawCommand(const CommandCall& call);
uint64_t EmulateServerCommand(const CommandCall& call);
uint64_t LagCommand(const CommandCall& call);
uint64_t PrefixCommand(const CommandCall& call);

// Channel operations.
uint64_t JoinCommand(const CommandCall& call);
uint64_t InviteCommand(const CommandCall& call);
uint64_t TopicCommand(const CommandCall& call);
uint64_t KickCommand(const CommandCall& call);
uint64_t NamesCommand(const CommandCall& call);
uint64_t PartCommand(const CommandCall& call);
uint64_t WallCommand(const CommandCall& call);
uint64_t OpNoticeCommand(const CommandCall& call);

// Messages, notices, CTCP, actions and queries.
uint64_t MessageCommand(const CommandCall& call);
uint64_t CtcpCommand(const CommandCall& call);
uint64_t CtcpReplyCommand(const CommandCall& call);
uint64_t SoundCommand(const CommandCall& call);
uint64_t ActionCommand(const CommandCall& call);
uint64_t DccMessageCommand(const CommandCall& call);
uint64_t QueryCommand(const CommandCall& call);
