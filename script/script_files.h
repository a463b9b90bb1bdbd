// The C runtime streams that scripts hold open, by the number a script keeps for each. Numbers
// are small and never given out twice, so a number that names no open stream (stale, made up,
// or another program's address) finds nothing and is never used; a stream being written by one
// script stays open until that write ends, even when another script closes its handle meanwhile.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// Takes the stream; returns its handle number (0 for a null stream).
int64_t RegisterScriptFile(FILE* stream);
// The stream of the handle, or null.
std::shared_ptr<FILE> FindScriptFile(int64_t handle);
// Forgets the handle; the stream closes once no write holds it. False for an unknown handle.
bool CloseScriptFile(int64_t handle);
// The handles open now, oldest first.
std::vector<int64_t> ScriptFileHandles();
