// The named options of the calls that cross libraries, in place of bare 0 and 1 flags; the
// defaults are the ordinary call.
#pragma once

// ProcessInputLine and ExecuteInputText.
struct InputOptions {
    bool NoTriggers = false; // a "/" line goes to its command or the server, never to a trigger script
    bool PreferUtf8 = false; // ExecuteInputText: a window without its own code page encodes as UTF-8
};

// RunEventScript.
struct EventScriptOptions {
    bool CheckOnly = false; // only whether the event has a script: 1 when it does, nothing runs
};

// SetWindowTabState.
struct TabStateOptions {
    bool NoRefresh = false; // the frame's title stays as it is
};

// OnServerDisconnected.
struct DisconnectOptions {
    bool ByUser = false; // the user ended the session: no reconnect, the writer drains first
};

// HandleDccSendOffer.
struct DccOfferOptions {
    bool AutoAccept = false; // the file is taken without asking the user
};
