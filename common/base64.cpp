#include "common/base64.h"

#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint32_t kLineLength = 72;
constexpr unsigned char kNotBase64 = 127;

constexpr std::array<unsigned char, 256> MakeDecodeTable() {
    std::array<unsigned char, 256> table{};
    for (auto& entry : table) entry = kNotBase64;
    for (unsigned char i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
    return table;
}
constexpr std::array<unsigned char, 256> kDecode = MakeDecodeTable();

inline unsigned char Value(char c) {
    return kDecode[static_cast<unsigned char>(c)];
}

inline char* WriteGroup(char* out, unsigned b0, unsigned b1, unsigned b2) {
    out[0] = kAlphabet[b0 >> 2];
    out[1] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out[2] = kAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
    out[3] = kAlphabet[b2 & 63];
    return out + 4;
}

} // namespace

char* Base64Encoder::Filter(char* out, const char* inBegin, const char* inEnd) {
    const auto* in = reinterpret_cast<const unsigned char*>(inBegin);
    const auto* end = reinterpret_cast<const unsigned char*>(inEnd);
    // Kept in a local: the output writes could otherwise alias the members.
    uint32_t line = lineLength_;
    for (;;) {
        if (groupCount_ == 0 && end - in >= 3) {
            out = WriteGroup(out, in[0], in[1], in[2]);
            in += 3;
        } else {
            while (groupCount_ < 3) {
                if (in == end) {
                    lineLength_ = line;
                    return out;
                }
                group_[groupCount_++] = *in++;
            }
            out = WriteGroup(out, group_[0], group_[1], group_[2]);
            groupCount_ = 0;
        }
        line += 4;
        if (line >= kLineLength) {
            *out++ = '\r';
            *out++ = '\n';
            line = 0;
        }
    }
}

char* Base64Encoder::Finish(char* out) {
    if (groupCount_ == 1 || groupCount_ == 2) {
        group_[groupCount_] = 0;
        const unsigned b0 = group_[0], b1 = group_[1];
        *out++ = kAlphabet[b0 >> 2];
        *out++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        *out++ = groupCount_ == 1 ? '=' : kAlphabet[(b1 & 15) << 2];
        *out++ = '=';
    }
    lineLength_ = 0;
    groupCount_ = 0;
    return out;
}

char* Base64Decoder::DecodeGroup(char* out) {
    const char c0 = group_[0], c1 = group_[1], c2 = group_[2], c3 = group_[3];
    if (endSeen_) {
        // Data after padding: counted, and decoded all the same.
        ++badCount_;
        endSeen_ = 0;
    }
    if (c0 == '=' || c1 == '=') {
        ++badCount_;
        return out;
    }
    const unsigned d0 = Value(c0), d1 = Value(c1), d2 = Value(c2), d3 = Value(c3);
    *out++ = static_cast<char>(((d0 & 63) << 2) | ((d1 >> 4) & 3));
    if (c2 != '=') {
        *out++ = static_cast<char>(((d1 & 15) << 4) | ((d2 >> 2) & 15));
        if (c3 == '=')
            endSeen_ = 1;
        else
            *out++ = static_cast<char>((d2 << 6) | d3);
    } else if (c3 == '=') {
        endSeen_ = 1;
    } else {
        ++badCount_;
    }
    return out;
}

char* Base64Decoder::Filter(char* out, const char* inBegin, const char* inEnd) {
    badCount_ = 0;
    const char* in = inBegin;
    while (in != inEnd) {
        // Whole groups of alphabet characters go straight through.
        if (groupCount_ == 0 && !endSeen_) {
            while (inEnd - in >= 4) {
                const unsigned d0 = Value(in[0]), d1 = Value(in[1]), d2 = Value(in[2]), d3 = Value(in[3]);
                if ((d0 | d1 | d2 | d3) >= 64) break;
                out[0] = static_cast<char>((d0 << 2) | (d1 >> 4));
                out[1] = static_cast<char>(((d1 & 15) << 4) | (d2 >> 2));
                out[2] = static_cast<char>(((d2 & 3) << 6) | d3);
                out += 3;
                in += 4;
            }
            if (in == inEnd) break;
        }
        const char c = *in++;
        if (Value(c) < 64 || c == '=') {
            group_[groupCount_++] = c;
            if (groupCount_ == 4) {
                out = DecodeGroup(out);
                groupCount_ = 0;
            }
        } else if (c != '\r' && c != '\n') {
            ++badCount_;
        }
    }
    return out;
}

char* Base64Decoder::Finish(char* out) {
    groupCount_ = 0;
    return out;
}

size_t Base64EncodedSize(size_t dataLength) {
    const size_t groups = dataLength / 3;
    const size_t characters = (groups + (dataLength % 3 != 0 ? 1 : 0)) * 4;
    // A CR LF follows every 18th whole group; the padded last group never ends a line.
    return characters + 2 * (groups / (kLineLength / 4));
}

size_t Base64DecodedBound(size_t textLength) {
    return textLength / 4 * 3 + 3;
}

std::string Base64EncodeText(const void* data, size_t length, bool oneLine) {
    std::string text(Base64EncodedSize(length), '\0');
    Base64Encoder encoder;
    const char* in = static_cast<const char*>(data);
    char* end = encoder.Filter(text.data(), in, in + length);
    end = encoder.Finish(end);
    text.resize(static_cast<size_t>(end - text.data()));
    if (oneLine) {
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            if (text[i] == '\r' && text[i + 1] == '\n') {
                text[i] = '|';
                text[++i] = '|';
            }
        }
    }
    return text;
}

std::vector<unsigned char> Base64DecodeText(std::string_view text, bool oneLine) {
    (void)oneLine;
    std::vector<unsigned char> bytes(Base64DecodedBound(text.size()));
    Base64Decoder decoder;
    char* out = reinterpret_cast<char*>(bytes.data());
    char* end = decoder.Filter(out, text.data(), text.data() + text.size());
    end = decoder.Finish(end);
    bytes.resize(static_cast<size_t>(end - out));
    return bytes;
}
