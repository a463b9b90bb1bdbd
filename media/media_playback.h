// "/play": sound and video files played through DirectShow, one thread per request.
#pragma once

namespace media {
// Thread procedure over a heap std::vector<std::wstring> of the command's words (taken): word 0
// the file (the entry's name, quotes removed), word 1 the action: "play" or "start" plays the file
// until it ends or is stopped; "stop", "pause" and "resume" act on the playing entry of that name.
unsigned __stdcall MediaPlayThread(void* words);
} // namespace media
