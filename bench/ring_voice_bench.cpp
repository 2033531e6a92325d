// The ring-voice maker on a 60 s 44.1 kHz stereo WAV read from a file: time
// per conversion and the peak of heap bytes in use while it runs, against
// the file's size (operator new and delete are counted).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <vector>

#include "convert/audio/wav_to_mld.h"
#include "platform/message_sink.h"

namespace {

std::atomic<std::size_t> g_inUse{0};
std::atomic<std::size_t> g_peak{0};

// Every block carries its size in front of it.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t n) {
    auto* p = static_cast<unsigned char*>(std::malloc(n + kHeader));
    if (p == nullptr) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(p) = n;
    std::size_t now = g_inUse += n;
    std::size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return p + kHeader;
}

void Release(void* q) {
    if (q == nullptr) return;
    auto* p = static_cast<unsigned char*>(q) - kHeader;
    g_inUse -= *reinterpret_cast<std::size_t*>(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try { return Allocate(n); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try { return Allocate(n); } catch (...) { return nullptr; }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace {

class SilentSink : public platform::MessageSink {
public:
    int Show(platform::BoxKind, const std::string&) override { return platform::kIdOk; }
};

// A 60 s 44.1 kHz stereo recording of two tones, written once.
const std::string& SourceFile() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "ring_voice_bench.wav").string();
        const std::uint32_t frames = 44100 * 60, data = frames * 4;
        std::vector<std::uint8_t> b;
        auto le = [&b](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        };
        b.insert(b.end(), {'R', 'I', 'F', 'F'});
        le(36 + data, 4);
        for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<std::uint8_t>(c));
        le(16, 4), le(1, 2), le(2, 2), le(44100, 4), le(44100 * 4, 4), le(4, 2), le(16, 2);
        for (char c : std::string("data")) b.push_back(static_cast<std::uint8_t>(c));
        le(data, 4);
        for (std::uint32_t i = 0; i < frames; ++i) {
            le(static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * std::sin(i * 0.0627))), 2);
            le(static_cast<std::uint16_t>(static_cast<std::int16_t>(9000 * std::sin(i * 0.0311))), 2);
        }
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
        return p;
    }();
    return path;
}

void BM_ConvertSixtySecondsStereo(benchmark::State& state) {
    platform::SetMessageSink(std::make_shared<SilentSink>());
    const int format = static_cast<int>(state.range(0));
    const std::string& path = SourceFile();
    const double fileSize = static_cast<double>(std::filesystem::file_size(path));
    double worst = 0;
    for (auto _ : state) {
        const std::size_t base = g_inUse.load();
        g_peak = base;
        WavToMldConverter source(path);
        WavToMldConverter converter(kFromSource, source);
        benchmark::DoNotOptimize(converter.ConvertToMemory(format, 8000, 100));
        worst = std::max(worst, static_cast<double>(g_peak.load() - base) / fileSize);
    }
    state.counters["peak_per_file_size"] = worst;
    std::printf("record %d: peak heap %.2f x the %.0f-byte file\n", format, worst, fileSize);
}
BENCHMARK(BM_ConvertSixtySecondsStereo)->Arg(2)->Arg(12)->Arg(14)->Arg(18)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
