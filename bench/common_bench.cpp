// Throughput of the checksum and Base64 helpers beside memcpy of the same buffer, so the
// figures can be read against what the machine (or Wine) manages for plain copying.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/base64.h"
#include "common/crc32.h"

namespace {

constexpr size_t kBufferSize = 64u << 20;
constexpr int kRepetitions = 5;

// Best of several runs, in MB/s (10^6 bytes) of the given byte count.
double BestRate(size_t bytes, const std::function<void()>& run) {
    double best = 1e100;
    for (int i = 0; i < kRepetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return static_cast<double>(bytes) / best / 1e6;
}

void Report(const char* name, double rate, double memcpyRate, double target) {
    std::printf("%-16s %9.1f MB/s  (%5.1f%% of memcpy)", name, rate, 100.0 * rate / memcpyRate);
    if (target > 0) std::printf("  target %.0f MB/s: %s", target, rate >= target ? "met" : "MISSED");
    std::printf("\n");
}

} // namespace

int main() {
    std::vector<unsigned char> data(kBufferSize);
    std::mt19937 rng(1);
    for (auto& b : data) b = static_cast<unsigned char>(rng());
    std::vector<unsigned char> copy(kBufferSize);
    volatile uint32_t sink = 0;

    const double memcpyRate = BestRate(kBufferSize, [&] {
        std::memcpy(copy.data(), data.data(), data.size());
        sink = sink + copy[12345];
    });
    const double crcRate =
        BestRate(kBufferSize, [&] { sink = sink + Crc32OfBuffer(data.data(), data.size()); });

    std::string text;
    const double encodeRate = BestRate(kBufferSize, [&] {
        text = Base64EncodeText(data.data(), data.size(), false);
        sink = sink + static_cast<uint32_t>(text.size());
    });
    std::vector<unsigned char> decoded;
    const double decodeRate = BestRate(text.size(), [&] {
        decoded = Base64DecodeText(text, false);
        sink = sink + static_cast<uint32_t>(decoded.size());
    });
    const bool roundTrip = decoded == data;

    // The streaming coders alone, into buffers allocated once.
    std::vector<char> encodedBuffer(Base64EncodedSize(data.size()));
    const char* in = reinterpret_cast<const char*>(data.data());
    const double coderEncodeRate = BestRate(kBufferSize, [&] {
        Base64Encoder encoder;
        char* end = encoder.Filter(encodedBuffer.data(), in, in + data.size());
        sink = sink + static_cast<uint32_t>(encoder.Finish(end) - encodedBuffer.data());
    });
    std::vector<char> decodedBuffer(Base64DecodedBound(text.size()));
    const double coderDecodeRate = BestRate(text.size(), [&] {
        Base64Decoder decoder;
        char* end = decoder.Filter(decodedBuffer.data(), text.data(), text.data() + text.size());
        sink = sink + static_cast<uint32_t>(decoder.Finish(end) - decodedBuffer.data());
    });

    std::printf("buffer %u MiB, best of %d runs; Base64 decode measured over the encoded text\n",
                static_cast<unsigned>(kBufferSize >> 20), kRepetitions);
    Report("memcpy", memcpyRate, memcpyRate, 0);
    Report("crc32", crcRate, memcpyRate, 300);
    Report("base64 encode", encodeRate, memcpyRate, 0);
    Report("base64 decode", decodeRate, memcpyRate, 200);
    Report("Base64Encoder", coderEncodeRate, memcpyRate, 0);
    Report("Base64Decoder", coderDecodeRate, memcpyRate, 0);
    if (!roundTrip) {
        std::printf("base64 round trip FAILED\n");
        return 1;
    }
    return 0;
}
