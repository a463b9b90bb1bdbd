#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/aes_crypt.h"
#include "common/aes_file.h"
#include "common/base64.h"
#include "common/crc32.h"
#include "common/md5_hex.h"
#include "common/text_crypt.h"
#include "common/xstring.h"

namespace {

std::vector<unsigned char> FromHex(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string AsText(const std::vector<unsigned char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The textbook one-byte-at-a-time CRC, to hold the fast one against.
uint32_t ReferenceCrc(const unsigned char* p, size_t n) {
    uint32_t c = 0xFFFFFFFF;
    while (n--) {
        c ^= *p++;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xEDB88320 : c >> 1;
    }
    return ~c;
}

// A private folder under the system's temporary folder, removed with what it holds.
class CryptoFiles : public testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static int counter = 0;
        folder_ = std::wstring(base) + L"brindlex-crypto-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++counter);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    }
    void TearDown() override {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring path = folder_ + L"\\" + found.cFileName;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder_.c_str());
    }

    std::wstring Path(const wchar_t* name) const { return folder_ + L"\\" + name; }
    static void Write(const std::wstring& path, const std::string& bytes) {
        std::FILE* f = _wfopen(path.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    static std::string Read(const std::wstring& path) {
        std::string bytes;
        if (std::FILE* f = _wfopen(path.c_str(), L"rb")) {
            char piece[4096];
            size_t got;
            while ((got = std::fread(piece, 1, sizeof piece, f)) > 0) bytes.append(piece, got);
            std::fclose(f);
        }
        return bytes;
    }
    static bool Exists(const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    size_t FileCount() const {
        size_t count = 0;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return 0;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return count;
    }

    std::wstring folder_;
};

} // namespace

TEST(Crc32, StandardCheckValues) {
    EXPECT_EQ(Crc32OfBuffer("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32OfBuffer("", 0), 0u);
    EXPECT_EQ(Crc32::FromSource(Crc32::kBuffer, "123456789", 0, 9).Value(), 0x340BC6D9u);
    EXPECT_EQ(Crc32::FromSource(Crc32::kBuffer, "123456789", 0, Crc32::kToEnd).Value(), 0x340BC6D9u);
    EXPECT_EQ(Crc32().Value(), 0u);
}

TEST(Crc32, BufferModeRangesAndOtherModes) {
    const char* text = "xx123456789yy";
    EXPECT_EQ(Crc32::FromSource(Crc32::kBuffer, text, 2, 11).Value(), 0x340BC6D9u);
    EXPECT_EQ(Crc32::FromSource(Crc32::kBuffer, text, 5, 5).Value(), 0xFFFFFFFFu);
    EXPECT_EQ(Crc32::FromSource(Crc32::kBuffer, text, 9, 3).Value(), 0xFFFFFFFFu);
    EXPECT_EQ(Crc32::FromSource(7, text, 0, 9).Value(), 0u);
    EXPECT_EQ(Crc32::FromSource(Crc32::kBuffer, nullptr, 0, 9).Value(), 0u);
}

// Every length and alignment around the eight-byte steps gives the textbook result, and
// running values chain across pieces.
TEST(Crc32, FastPathMatchesByteAtATime) {
    std::mt19937 rng(7);
    std::vector<unsigned char> data(5000);
    for (auto& b : data) b = static_cast<unsigned char>(rng());
    for (size_t start = 0; start < 9; ++start)
        for (size_t n = 0; n < 70; ++n)
            ASSERT_EQ(Crc32OfBuffer(data.data() + start, n), n ? ReferenceCrc(data.data() + start, n) : 0u);
    EXPECT_EQ(Crc32OfBuffer(data.data(), data.size()), ReferenceCrc(data.data(), data.size()));
    const uint32_t first = Crc32::Update(data.data(), 1234, 0xFFFFFFFF);
    EXPECT_EQ(~Crc32::Update(data.data() + 1234, data.size() - 1234, first),
              ReferenceCrc(data.data(), data.size()));
}

TEST_F(CryptoFiles, Crc32OfFilesAndRanges) {
    std::string data(40000, '\0');
    std::mt19937 rng(3);
    for (char& c : data) c = static_cast<char>(rng());
    const std::wstring path = Path(L"data.bin");
    Write(path, data);
    const std::string narrow = WideToNarrow(path, CP_ACP);

    EXPECT_EQ(Crc32OfFile(path), Crc32OfBuffer(data.data(), data.size()));
    EXPECT_EQ(Crc32::FromFile(path).Value(), Crc32OfBuffer(data.data(), data.size()));
    EXPECT_EQ(Crc32::FromSource(Crc32::kNarrowFile, narrow.c_str(), 0, Crc32::kToEnd).Value(),
              Crc32OfBuffer(data.data(), data.size()));
    // A range that spans several read pieces, and one that runs past the end.
    EXPECT_EQ(Crc32::FromSource(Crc32::kNarrowFile, narrow.c_str(), 100, 20000).Value(),
              Crc32OfBuffer(data.data() + 100, 20000));
    EXPECT_EQ(Crc32::FromSource(Crc32::kNarrowFile, narrow.c_str(), 39990, 500).Value(),
              Crc32OfBuffer(data.data() + 39990, 10));
    EXPECT_EQ(Crc32(_wfopen(path.c_str(), L"rb"), 5, 9).Value(), Crc32OfBuffer(data.data() + 5, 9));

    const std::wstring missing = Path(L"missing.bin");
    EXPECT_EQ(Crc32OfFile(missing), 0u);
    EXPECT_EQ(Crc32::FromSource(Crc32::kNarrowFile, WideToNarrow(missing, CP_ACP).c_str(), 0, Crc32::kToEnd)
                  .Value(),
              0u);
}

TEST(Md5, Rfc1321Examples) {
    EXPECT_EQ(Md5HexOfBuffer("", 0), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5HexOfBuffer("abc", 3), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5HexOfBuffer("message digest", 14), "f96b697d7cb7938d525a2f31aaf161d0");
}

TEST_F(CryptoFiles, Md5OfFiles) {
    const std::string data(200000, 'q');
    const std::wstring path = Path(L"data.bin");
    Write(path, data);
    std::string hex = "untouched";
    ASSERT_TRUE(Md5HexOfFile(hex, WideToNarrow(path, CP_ACP)));
    EXPECT_EQ(hex, Md5HexOfBuffer(data.data(), data.size()));
    hex = "untouched";
    EXPECT_FALSE(Md5HexOfFile(hex, WideToNarrow(Path(L"missing.bin"), CP_ACP)));
    EXPECT_EQ(hex, "untouched");
}

TEST(Aes, Fips197ExampleBlocks) {
    const std::vector<unsigned char> plain = FromHex("00112233445566778899aabbccddeeff");
    const struct {
        int bits;
        const char* key;
        const char* cipher;
    } cases[] = {
        {128, "000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {192, "000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {256, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& c : cases) {
        const std::string key = AsText(FromHex(c.key));
        std::vector<unsigned char> out;
        ASSERT_TRUE(AesCryptBuffer(key, c.bits, plain.data(), plain.size(), true, out));
        EXPECT_EQ(out, FromHex(c.cipher)) << c.bits;
        std::vector<unsigned char> back;
        ASSERT_TRUE(AesCryptBuffer(key, c.bits, out.data(), out.size(), false, back));
        EXPECT_EQ(back, plain) << c.bits;
    }
}

TEST(Aes, BuffersArePaddedWithBlanksAndBlocksAreIndependent) {
    std::vector<unsigned char> shortOut, paddedOut, twoBlocks;
    ASSERT_TRUE(AesCryptBuffer("key", 128, "hello", 5, true, shortOut));
    ASSERT_TRUE(AesCryptBuffer("key", 128, "hello           ", 16, true, paddedOut));
    EXPECT_EQ(shortOut.size(), 16u);
    EXPECT_EQ(shortOut, paddedOut);
    ASSERT_TRUE(AesCryptBuffer("key", 128, "hello           hello", 21, true, twoBlocks));
    ASSERT_EQ(twoBlocks.size(), 32u);
    EXPECT_TRUE(std::equal(shortOut.begin(), shortOut.end(), twoBlocks.begin()));
    EXPECT_TRUE(std::equal(shortOut.begin(), shortOut.end(), twoBlocks.begin() + 16));

    std::vector<unsigned char> out(3, 1);
    EXPECT_FALSE(AesCryptBuffer("key", 100, "hello", 5, true, out));
    EXPECT_TRUE(out.empty());
}

// Saved texts and peers depend on this exact form: AES-256 of the blank-padded text, the
// length little-endian, one line of Base64 with "||" for line breaks.
TEST(TextCrypt, StoredFormatIsKept) {
    EXPECT_EQ(EncryptText("pass phrase", "Hello, world!"), "zU9pVOnnvcnP5hYoGE19mw0AAAA=");
    EXPECT_EQ(
        EncryptText("pass phrase", "The quick brown fox jumps over the lazy dog. 12345"),
        "W43dWN8ZDTGfhGLnf+2luF0FgZZaayjWStq1KNtmALPrLgfTEnm22/jOdBBtg40E0WC0k92W||q5DSfwq/Z/ivmjIAAAA=");
    // Only the first 32 bytes of a pass phrase count.
    const std::string phrase(32, 'p');
    EXPECT_EQ(EncryptText(phrase, "x"), EncryptText(phrase + "tail", "x"));
}

TEST(TextCrypt, RoundTripsForEveryBlockBoundary) {
    for (size_t length : {0u, 1u, 15u, 16u, 17u, 1000u}) {
        std::string text(length, '\0');
        for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
        if (length > 3) text[length - 1] = ' '; // trailing blanks survive: the length is stored
        const std::string line = EncryptText("secret", text);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(Base64DecodeText(line, true).size(), AesPaddedLength(length) + 4) << length;
        std::string back = "stale";
        ASSERT_TRUE(DecryptText("secret", line, back)) << length;
        EXPECT_EQ(back, text) << length;
    }
    const std::string sixteen = EncryptText("k", std::string(16, 'a'));
    EXPECT_EQ(sixteen.size(), 28u);
    EXPECT_EQ(sixteen.find('='), 27u);
    EXPECT_EQ(Base64DecodeText(EncryptText("k", std::string(17, 'a')), true).size(), 36u);
}

TEST(TextCrypt, RejectsMalformedInput) {
    std::string text = "stale";
    EXPECT_FALSE(DecryptText("k", "", text));
    EXPECT_EQ(text, "");
    // Under four bytes decoded.
    text = "stale";
    EXPECT_FALSE(DecryptText("k", "AAA=", text));
    EXPECT_EQ(text, "");
    // Cipher part of 5 bytes.
    const unsigned char ragged[9] = {1, 2, 3, 4, 5, 0, 0, 0, 0};
    EXPECT_FALSE(DecryptText("k", Base64EncodeText(ragged, sizeof ragged, true), text));
    // Stored length beyond the data: once just past it, once far out.
    for (uint32_t stored : {17u, 0xFFFFFFF0u}) {
        std::vector<unsigned char> bytes = Base64DecodeText(EncryptText("k", "sixteen bytes..."), true);
        for (int i = 0; i < 4; ++i) bytes[16 + i] = static_cast<unsigned char>(stored >> (8 * i));
        text = "stale";
        EXPECT_FALSE(DecryptText("k", Base64EncodeText(bytes.data(), bytes.size(), true), text)) << stored;
        EXPECT_EQ(text, "");
    }
}

TEST(TextCrypt, HostileInputEndsInADefinedResult) {
    std::mt19937 rng(2024);
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=|";
    const std::string valid = EncryptText("k", std::string(300, 'v'));
    for (int round = 0; round < 4000; ++round) {
        std::string input;
        switch (round % 3) {
            case 0: // random Base64-looking text
                input.resize(rng() % 120);
                for (char& c : input) c = kAlphabet[rng() % (sizeof kAlphabet - 1)];
                break;
            case 1: // a real encrypted text cut short
                input = valid.substr(0, rng() % valid.size());
                break;
            default: // random bytes
                input.resize(rng() % 120);
                for (char& c : input) c = static_cast<char>(rng());
                break;
        }
        std::string text = "stale";
        const bool ok = DecryptText("k", input, text);
        const size_t decoded = Base64DecodeText(input, true).size();
        if (ok) {
            ASSERT_GE(decoded, 4u);
            ASSERT_LE(text.size(), decoded - 4);
        } else {
            ASSERT_TRUE(text.empty());
        }
    }
}

TEST_F(CryptoFiles, FileRoundTripKeepsBlankPadding) {
    const std::wstring plain = Path(L"plain.txt"), sealed = Path(L"sealed.bin"), opened = Path(L"opened.txt");
    Write(plain, "twenty bytes of text");
    ASSERT_TRUE(EncryptFileAes("0123456789abcdefXYZ", 256, plain, sealed));
    // The key is cut at 16 bytes and zero-filled to 32.
    EXPECT_EQ(Read(sealed),
              AsText(FromHex("bedcd2da16486904fbe9a966e28e4a63655674ec5d582b2cc05c66ab95e0c880")));
    ASSERT_TRUE(DecryptFileAes("0123456789abcdef", 256, sealed, opened));
    EXPECT_EQ(Read(opened), "twenty bytes of text            ");
    EXPECT_EQ(FileCount(), 3u); // no temporary file left behind
}

TEST_F(CryptoFiles, FilesCanBeEncryptedInPlace) {
    const std::wstring path = Path(L"same.txt");
    Write(path, "in place");
    ASSERT_TRUE(EncryptFileAes("k", 256, path, path));
    EXPECT_NE(Read(path).substr(0, 8), "in place");
    ASSERT_TRUE(DecryptFileAes("k", 256, path, path));
    EXPECT_EQ(Read(path), "in place        ");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(CryptoFiles, LargeFilesGoThroughInPieces) {
    std::string data(200001, '\0');
    std::mt19937 rng(5);
    for (char& c : data) c = static_cast<char>(rng());
    Write(Path(L"big.bin"), data);
    ASSERT_TRUE(AesCryptFile("key", 128, Path(L"big.bin"), Path(L"big.aes"), true));
    std::vector<unsigned char> expected;
    ASSERT_TRUE(AesCryptBuffer("key", 128, data.data(), data.size(), true, expected));
    EXPECT_EQ(Read(Path(L"big.aes")), AsText(expected));
    Write(Path(L"empty.bin"), "");
    ASSERT_TRUE(AesCryptFile("key", 128, Path(L"empty.bin"), Path(L"empty.aes"), true));
    EXPECT_TRUE(Exists(Path(L"empty.aes")));
    EXPECT_EQ(Read(Path(L"empty.aes")), "");
}

TEST_F(CryptoFiles, FailuresReportFalseAndLeaveOutputsAlone) {
    const std::wstring output = Path(L"out.bin");
    Write(output, "previous contents");
    EXPECT_FALSE(EncryptFileAes("k", 256, Path(L"missing.txt"), output));
    EXPECT_EQ(Read(output), "previous contents");
    Write(Path(L"in.txt"), "data");
    EXPECT_FALSE(EncryptFileAes("k", 100, Path(L"in.txt"), output));
    EXPECT_FALSE(EncryptFileAes("k", 256, Path(L"in.txt"), Path(L"no-such-folder\\out.bin")));
    EXPECT_EQ(Read(output), "previous contents");
    EXPECT_EQ(FileCount(), 2u);
}

TEST_F(CryptoFiles, PassphraseFilesAreReadOnlyAfterEncryption) {
    Write(Path(L"note.txt"), "a note");
    ASSERT_TRUE(CryptFileWithPassphrase(Path(L"note.txt"), Path(L"note.aes"), "phrase", false));
    EXPECT_NE(GetFileAttributesW(Path(L"note.aes").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(CryptFileWithPassphrase(Path(L"note.aes"), Path(L"note.out"), "phrase", true));
    EXPECT_EQ(GetFileAttributesW(Path(L"note.out").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Read(Path(L"note.out")), "a note          ");
    EXPECT_FALSE(CryptFileWithPassphrase(Path(L"none.txt"), Path(L"none.aes"), "phrase", false));
    EXPECT_FALSE(Exists(Path(L"none.aes")));
}
