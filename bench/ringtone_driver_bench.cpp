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
#include "core/output_formats.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/message_sink.h"

namespace {

struct Case {
    const char* name;
    OutputFormat format;  // its voice count decides the channels kept
    const char* tag;      // the first four bytes of the file written
    std::function<int(const std::string&, const OutputFormat&)> convert;
};

// The type's row with another voice count.
OutputFormat WithVoices(int type, int voices) {
    OutputFormat format = FormatOf(type);
    format.voices = voices;
    return format;
}

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
        written = c.convert(in, c.format);
        benchmark::DoNotOptimize(written);
    }
    char tag[4] = {};
    std::ifstream(LastOutputPath.Get(), std::ios::binary).read(tag, sizeof tag);
    if (written != 1 || std::string(tag, sizeof tag) != c.tag)
        state.SkipWithError("the driver wrote no file of its format");
}

const Case kCases[] = {
    {"MFi1", FormatOf(9), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMfi(f, p, 1); }},
    {"MFi4", FormatOf(3), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMfi(f, p, 1); }},
    {"MFi5", FormatOf(13), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMfi(f, p, 1); }},
    {"MFi252", FormatOf(11), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMfi(f, p, 1); }},
    {"MFi254", FormatOf(5), "cmid",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMfi(f, p, 1); }},
    {"Multi6", FormatOf(14), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMultiMfi(f, p, 1, 0); }},
    {"Multi7", FormatOf(15), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMultiMfi(f, p, 1, 0); }},
    {"Multi8", FormatOf(16), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMultiMfi(f, p, 1, 0); }},
    {"Multi9", FormatOf(24), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMultiMfi(f, p, 1, 0); }},
    {"Multi32", FormatOf(18), "melo",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMultiMfi(f, p, 1, 0); }},
    {"Smaf16", FormatOf(4), "MMMD",
     [](const std::string& p, const OutputFormat& f) { return ConvertToSmaf(f, p, 1); }},
    {"Smaf4", FormatOf(7), "MMMD",
     [](const std::string& p, const OutputFormat& f) { return ConvertToSmaf(f, p, 1); }},
    {"Ma3_32", FormatOf(17), "MMMD",
     [](const std::string& p, const OutputFormat& f) { return ConvertToSmafMa3(f, p, 1); }},
    {"Ma3_33", FormatOf(19), "MMMD",
     [](const std::string& p, const OutputFormat& f) { return ConvertToSmafMa3(f, p, 1); }},
    // The sixteen voices of an MFi type, which MFM rows do not count.
    {"Mfm", WithVoices(20, 16), "mfmp",
     [](const std::string& p, const OutputFormat& f) { return ConvertToMfm(f, p, 1); }},
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
