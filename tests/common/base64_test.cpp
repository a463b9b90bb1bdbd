#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/base64.h"

namespace {

std::string Encode(const std::string& data, bool oneLine = false) {
    return Base64EncodeText(data.data(), data.size(), oneLine);
}

std::string Decode(const std::string& text, bool oneLine = false) {
    const std::vector<unsigned char> bytes = Base64DecodeText(text, oneLine);
    return std::string(bytes.begin(), bytes.end());
}

// Runs a decoder over the text in one Filter call; returns the bytes and the bad count.
std::string DecodeCounting(const std::string& text, uint32_t& bad) {
    std::string out(Base64DecodedBound(text.size()), '\0');
    Base64Decoder decoder;
    char* end = decoder.Filter(out.data(), text.data(), text.data() + text.size());
    bad = decoder.BadCount();
    end = decoder.Finish(end);
    out.resize(static_cast<size_t>(end - out.data()));
    return out;
}

const char kGuard = '\x5A';

} // namespace

TEST(Base64, Rfc4648Examples) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"abc", "YWJj"},
        {"ab", "YWI="},
        {"a", "YQ=="},
    };
    for (const auto& [data, text] : cases) {
        EXPECT_EQ(Encode(data), text) << data;
        EXPECT_EQ(Decode(text), data) << text;
    }
}

TEST(Base64, EncoderBreaksLinesAfter72Characters) {
    const std::string full = Encode(std::string(54, 'x'));
    ASSERT_EQ(full.size(), 74u);
    EXPECT_EQ(full.substr(72), "\r\n");
    const std::string more = Encode(std::string(55, 'x'));
    ASSERT_EQ(more.size(), 78u);
    EXPECT_EQ(more.substr(72, 2), "\r\n");
    EXPECT_EQ(more.substr(74), "eA==");
    // Two full lines, then a padded last group with no line break after it.
    const std::string two = Encode(std::string(110, 'x'));
    EXPECT_EQ(two.substr(72, 2), "\r\n");
    EXPECT_EQ(two.substr(146, 2), "\r\n");
    EXPECT_EQ(two.size(), 148u + 4);
}

TEST(Base64, DecoderSkipsLineBreaksAndCountsOtherCharacters) {
    uint32_t bad = 99;
    EXPECT_EQ(DecodeCounting("YW Jj", bad), "abc");
    EXPECT_EQ(bad, 1u);
    EXPECT_EQ(DecodeCounting("YW\r\nJj", bad), "abc");
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(DecodeCounting("YWJ", bad), "");
    EXPECT_EQ(DecodeCounting("YWJjZA", bad), "abc");
    // Data after padding is decoded all the same, and counted once.
    EXPECT_EQ(DecodeCounting("YQ==YQ==", bad), "aa");
    EXPECT_EQ(bad, 1u);
}

TEST(Base64, MisplacedPaddingYieldsFewerBytes) {
    uint32_t bad = 0;
    EXPECT_EQ(DecodeCounting("=QWJ", bad), "");
    EXPECT_EQ(bad, 1u);
    EXPECT_EQ(DecodeCounting("Y=WJ", bad), "");
    EXPECT_EQ(DecodeCounting("YW=j", bad), "a");
    EXPECT_EQ(bad, 1u);
    EXPECT_EQ(DecodeCounting("====", bad), "");
}

TEST(Base64, OneLineFormReplacesLineBreaksAndRoundTrips) {
    std::string data;
    for (int i = 0; i < 100; ++i) data += static_cast<char>(i * 7);
    const std::string line = Encode(data, true);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find("||"), 72u);
    EXPECT_EQ(line.find("||", 73), std::string::npos);
    EXPECT_EQ(Decode(line, true), data);
    EXPECT_EQ(Decode(Encode(data, false), false), data);
}

// The sizes callers allocate by must match what the coders really write.
TEST(Base64, EncodedSizeIsExactForEveryLength) {
    for (size_t n = 0; n < 400; ++n) {
        const std::string data(n, '\xFF');
        const size_t size = Base64EncodedSize(n);
        std::string out(size + 8, kGuard);
        Base64Encoder encoder;
        char* end = encoder.Filter(out.data(), data.data(), data.data() + n);
        end = encoder.Finish(end);
        ASSERT_EQ(static_cast<size_t>(end - out.data()), size) << n;
        ASSERT_EQ(out.substr(size), std::string(8, kGuard)) << n;
    }
}

// Output does not depend on how the input is cut into Filter calls.
TEST(Base64, StreamingInPiecesMatchesOneShot) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        std::string data(rng() % 500, '\0');
        for (char& c : data) c = static_cast<char>(rng());
        const std::string whole = Encode(data);

        std::string pieces(Base64EncodedSize(data.size()), '\0');
        Base64Encoder encoder;
        char* out = pieces.data();
        for (size_t at = 0; at < data.size();) {
            const size_t step = std::min<size_t>(data.size() - at, rng() % 9);
            out = encoder.Filter(out, data.data() + at, data.data() + at + step);
            at += step;
        }
        out = encoder.Finish(out);
        pieces.resize(static_cast<size_t>(out - pieces.data()));
        ASSERT_EQ(pieces, whole);

        std::string decoded(Base64DecodedBound(whole.size()), '\0');
        Base64Decoder decoder;
        out = decoded.data();
        for (size_t at = 0; at < whole.size();) {
            const size_t step = std::min<size_t>(whole.size() - at, rng() % 7);
            out = decoder.Filter(out, whole.data() + at, whole.data() + at + step);
            at += step;
        }
        out = decoder.Finish(out);
        decoded.resize(static_cast<size_t>(out - decoded.data()));
        ASSERT_EQ(decoded, data);
    }
}

// Random and cut-short texts of every kind of character stay inside the documented bound.
TEST(Base64, HostileTextStaysWithinBound) {
    std::mt19937 rng(99);
    static const char kMix[] = "ABCxyz019+/==\r\n|| \x80\xFF\x00-_";
    const std::string mix(kMix, sizeof kMix - 1);
    for (int round = 0; round < 5000; ++round) {
        std::string text(rng() % 200, '\0');
        for (char& c : text) c = (rng() % 4 == 0) ? static_cast<char>(rng()) : mix[rng() % mix.size()];
        const size_t bound = Base64DecodedBound(text.size());
        std::string out(bound + 8, kGuard);
        Base64Decoder decoder;
        char* end = out.data();
        const size_t cut = text.empty() ? 0 : rng() % (text.size() + 1);
        end = decoder.Filter(end, text.data(), text.data() + cut);
        end = decoder.Filter(end, text.data() + cut, text.data() + text.size());
        end = decoder.Finish(end);
        ASSERT_LE(static_cast<size_t>(end - out.data()), bound);
        ASSERT_EQ(out.substr(bound), std::string(8, kGuard));
        ASSERT_LE(Base64DecodeText(text, true).size(), text.size() / 4 * 3);
    }
}
