// Base64 (standard alphabet, '=' padding) as small streaming coders and one-shot helpers.
// The streaming coders write into a caller buffer; size it with Base64EncodedSize or
// Base64DecodedBound over everything the coder will be fed before Finish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class MimeCoder {
public:
    virtual ~MimeCoder() = default;
    // Consumes [inBegin, inEnd), writes from out and returns the position after the output.
    virtual char* Filter(char* out, const char* inBegin, const char* inEnd) = 0;
    // Flushes what is pending and returns the position after the output.
    virtual char* Finish(char* out) = 0;
};

// Lines of 72 characters, each followed by CR LF as soon as it is full.
class Base64Encoder final : public MimeCoder {
public:
    char* Filter(char* out, const char* inBegin, const char* inEnd) override;
    // Writes a padded last group; no CR LF follows. The encoder can then be reused.
    char* Finish(char* out) override;

private:
    uint32_t lineLength_ = 0;
    unsigned char group_[3] = {};
    uint32_t groupCount_ = 0;
};

// Skips CR and LF silently and other non-Base64 characters as bad ones; padding in the wrong
// place yields fewer bytes, never an error.
class Base64Decoder final : public MimeCoder {
public:
    char* Filter(char* out, const char* inBegin, const char* inEnd) override;
    // Drops a partial group.
    char* Finish(char* out) override;
    // Bad characters met during the last Filter.
    uint32_t BadCount() const { return badCount_; }

private:
    char* DecodeGroup(char* out);

    uint32_t endSeen_ = 0;
    char group_[4] = {};
    uint32_t groupCount_ = 0;
    uint32_t badCount_ = 0;
};

// Exact number of characters a new encoder writes for this many bytes, Finish included.
size_t Base64EncodedSize(size_t dataLength);
// Most bytes a new decoder writes for this many characters, however they are split.
size_t Base64DecodedBound(size_t textLength);

// With oneLine, each CR LF of the text is written as "||".
std::string Base64EncodeText(const void* data, size_t length, bool oneLine);
// With oneLine, "||" stands for a line break. Both are skipped by the decoder, so the flag
// only says which form the caller expects.
std::vector<unsigned char> Base64DecodeText(std::string_view text, bool oneLine);
