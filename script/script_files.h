// The C runtime streams that scripts hold open, by the number a script keeps for each (the
// stream's address in decimal). A number that names no open stream finds nothing, so a stale
// or made-up handle is never used; a stream being written by one script stays open until that
// write ends, even when another script closes its handle meanwhile.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

// Takes the stream; returns its handle number.
int64_t RegisterScriptFile(FILE* stream);
// The stream of the handle, or null.
std::shared_ptr<FILE> FindScriptFile(int64_t handle);
// Forgets the handle; the stream closes once no write holds it. False for an unknown handle.
bool CloseScriptFile(int64_t handle);
