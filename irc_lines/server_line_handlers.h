// Fills the dispatch tables with the handlers of every server line the program understands:
// numerics, list replies, command words and the CTCP and DCC filter. Start-up calls it once
// before the first connection.
#pragma once

void RegisterServerLineHandlers();
