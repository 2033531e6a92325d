// Every ringtone driver and type on the 20,000-byte benchmark song, with the
// automatic channel choice: load, prepare, build, choose, write and save.
// Each type reports its median time over five repetitions, and is marked
// failed unless the driver wrote a file that opens with the format's tag.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench/ringtone_song.h"
#include "convert/ringtone_drivers.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/message_sink.h"

namespace {

struct Case {
    const char* name;
    int outputType;
    const char* tag;  // the first four bytes of the file written
    std::function<int(const std::string&, int outputType)> convert;
};

const std::string& InputPath() {
    static const std::string path = [] {
        const auto dir = std::filesystem::temp_directory_path() / "zaw_driver_bench";
        std::filesystem::create_directories(dir);
        const std::string in = (dir / "in.mid").string();
        const auto song = ringtone_bench::MakeSong();
        std::ofstream(in, std::ios::binary)
            .write(reinterpret_cast<const char*>(song.bytes.data()),
                   static_cast<std::streamsize>(song.bytes.size()));
        LastOutputPath.Set((dir / "out.bin").string());
        platform::SetMessageSink(std::make_shared<platform::RecordingMessageSink>());
        // A warning box pauses half a second on the clock; the fake one
        // keeps that out of the timing.
        platform::SetClock(std::make_shared<platform::FakeClock>());
        InitDefaultSettings();
        AppSettings.RingtoneSizeLimit = 1 << 30;
        return in;
    }();
    return path;
}

void BM_Driver(benchmark::State& state, const Case& c) {
    const std::string& in = InputPath();
    std::filesystem::remove(LastOutputPath.Get());
    int written = 0;
    for (auto _ : state) {
        written = c.convert(in, c.outputType);
        benchmark::DoNotOptimize(written);
    }
    char tag[4] = {};
    std::ifstream(LastOutputPath.Get(), std::ios::binary).read(tag, sizeof tag);
    if (written != 1 || std::string(tag, sizeof tag) != c.tag)
        state.SkipWithError("the driver wrote no file of its format");
}

const Case kCases[] = {
    {"MFi1", 7, "melo", [](const std::string& p, int t) { return ConvertToMfi(1, p, 1, t); }},
    {"MFi4", 3, "melo", [](const std::string& p, int t) { return ConvertToMfi(4, p, 1, t); }},
    {"MFi5", 3, "melo", [](const std::string& p, int t) { return ConvertToMfi(5, p, 1, t); }},
    {"MFi252", 7, "melo", [](const std::string& p, int t) { return ConvertToMfi(252, p, 1, t); }},
    {"MFi254", 3, "cmid", [](const std::string& p, int t) { return ConvertToMfi(254, p, 1, t); }},
    {"Multi6", 14, "melo",
     [](const std::string& p, int t) { return ConvertToMultiMfi(6, p, 1, 0, t); }},
    {"Multi7", 14, "melo",
     [](const std::string& p, int t) { return ConvertToMultiMfi(7, p, 1, 0, t); }},
    {"Multi8", 14, "melo",
     [](const std::string& p, int t) { return ConvertToMultiMfi(8, p, 1, 0, t); }},
    {"Multi9", 3, "melo",
     [](const std::string& p, int t) { return ConvertToMultiMfi(9, p, 1, 0, t); }},
    {"Multi32", 18, "melo",
     [](const std::string& p, int t) { return ConvertToMultiMfi(32, p, 1, 0, t); }},
    {"Smaf16", 3, "MMMD", [](const std::string& p, int t) { return ConvertToSmaf(16, p, 1, t); }},
    {"Smaf4", 7, "MMMD", [](const std::string& p, int t) { return ConvertToSmaf(4, p, 1, t); }},
    {"Ma3_32", 17, "MMMD",
     [](const std::string& p, int t) { return ConvertToSmafMa3(32, p, 1, t); }},
    {"Ma3_33", 17, "MMMD",
     [](const std::string& p, int t) { return ConvertToSmafMa3(33, p, 1, t); }},
    {"Mfm", 3, "mfmp", [](const std::string& p, int t) { return ConvertToMfm(p, 1, t); }},
};

const int kRegistered = [] {
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark((std::string("BM_Driver/") + c.name).c_str(),
                                     [&c](benchmark::State& s) { BM_Driver(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ComputeStatistics("p50", [](const std::vector<double>& v) {
                std::vector<double> s = v;
                std::sort(s.begin(), s.end());
                return s[s.size() / 2];
            });
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
