// ADPCM encoder throughput on one hour of 8000 Hz mono, as sines and as
// noise, in ns per sample. Afterwards the same raw input goes through
// ffmpeg's encoders (null muxer, less its pcm_s16le run, and ffmpeg's own
// timing of its encode steps) and sox's vox encoder (less its raw copy) as
// baselines, when those programs are found; these comparisons use CPU time.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "convert/audio/adpcm.h"

namespace {

constexpr int kRate = 8000;
constexpr int kHourSamples = 3600 * kRate;

// Three sines, or full-band noise from a fixed linear congruential source.
const std::vector<std::int16_t>& Hour(bool noise) {
    static const auto make = [](bool n) {
        std::vector<std::int16_t> s(kHourSamples);
        std::uint32_t seed = 12345;
        for (int i = 0; i < kHourSamples; ++i) {
            if (n) {
                seed = seed * 1664525u + 1013904223u;
                s[i] = static_cast<std::int16_t>(seed >> 16);
            } else {
                double t = double(i) / kRate;
                s[i] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 440 * t) +
                                                 6000 * std::sin(2 * M_PI * 1250 * t) +
                                                 4000 * std::sin(2 * M_PI * 3100 * t));
            }
        }
        return s;
    };
    static const std::vector<std::int16_t> sines = make(false);
    static const std::vector<std::int16_t> noisy = make(true);
    return noise ? noisy : sines;
}

// Bytes of the hour's output, and a checksum that shows the codes vary.
struct Output {
    int bytes = 0;
    std::uint64_t checksum = 0;
    int distinct = 0;
};

Output Summary(const std::vector<std::uint8_t>& out, int bytes) {
    Output o;
    o.bytes = bytes;
    bool seen[256] = {};
    for (int i = 0; i < o.bytes; ++i) {
        o.checksum = o.checksum * 1099511628211ull + out[i];
        seen[out[i]] = true;
    }
    o.distinct = static_cast<int>(std::count(std::begin(seen), std::end(seen), true));
    return o;
}

int ExpectedBytes(int codec, int count) {
    return codec == adpcm::kG726_16 ? count / 4 : (codec == adpcm::kLg ? 4 : 0) + count / 2;
}

void BM_Encode(benchmark::State& state) {
    const int codec = static_cast<int>(state.range(0));
    const auto& s = Hour(state.range(1) != 0);
    std::vector<std::uint8_t> out(s.size() + 8);
    int bytes = 0;
    for (auto _ : state) {
        bytes = adpcm::Encode(codec, s.data(), static_cast<int>(s.size()), out.data());
        benchmark::ClobberMemory();
    }
    const Output o = Summary(out, bytes);
    if (o.bytes != ExpectedBytes(codec, kHourSamples) || o.distinct < 8)
        state.SkipWithError("the encoder wrote the wrong size or nearly constant codes");
    // Seconds per sample (printed with its prefix, "n" for ns).
    state.counters["s_per_sample"] = benchmark::Counter(
        kHourSamples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["checksum_low"] = static_cast<double>(o.checksum & 0xFFFF);
    state.counters["distinct_bytes"] = o.distinct;
}

double ChildCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// The CPU time (user and system) a command takes: steadier than the wall
// clock on a shared machine.
double Seconds(const std::string& command) {
    double t0 = ChildCpuSeconds();
    int rc = std::system((command + " >/dev/null 2>&1").c_str());
    return rc == 0 ? ChildCpuSeconds() - t0 : -1;
}

// Best of three runs, in ns per sample of the hour.
double BestNs(const std::string& command) {
    double best = 1e30;
    for (int k = 0; k < 3; ++k) {
        double s = Seconds(command);
        if (s < 0) return -1;
        best = std::min(best, s);
    }
    return best * 1e9 / kHourSamples;
}

double OwnCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// The encoder's own CPU time on the hour, best of three, as for the baselines.
double OwnNs(int codec, const std::vector<std::int16_t>& s) {
    std::vector<std::uint8_t> out(s.size() + 8);
    double best = 1e30;
    for (int k = 0; k < 3; ++k) {
        double t0 = OwnCpuSeconds();
        adpcm::Encode(codec, s.data(), static_cast<int>(s.size()), out.data());
        benchmark::ClobberMemory();
        best = std::min(best, OwnCpuSeconds() - t0);
    }
    return best * 1e9 / kHourSamples;
}

struct Baseline {
    int codec;
    const char* name;
    const char* args;  // what follows the input; empty for sox
};
constexpr Baseline kBaselines[] = {
    {adpcm::kYamaha, "ffmpeg adpcm_yamaha (WAV tag 0x0020)", "-c:a adpcm_yamaha"},
    {adpcm::kG721, "ffmpeg g726le 32 kbit/s", "-c:a g726le -b:a 32k"},
    {adpcm::kG726_16, "ffmpeg g726le 16 kbit/s", "-c:a g726le -b:a 16k"},
    {adpcm::kIma, "ffmpeg adpcm_ima_wav", "-c:a adpcm_ima_wav"},
    {adpcm::kOki, "sox vox", ""},
};

// ffmpeg's own account of its encoder: the user time of every encode_audio
// step that -benchmark_all prints, summed, in ns per sample of the hour. The
// pcm_s16le run is framed differently (many more, smaller frames), so the
// difference of whole runs can even come out below zero; this figure has no
// such bias. Best of two.
double FfmpegEncoderNs(const std::string& command) {
    double best = 1e30;
    for (int k = 0; k < 2; ++k) {
        FILE* pipe = popen((command + " -benchmark_all 2>&1").c_str(), "r");
        if (!pipe) return -1;
        std::string text;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, n);
        if (pclose(pipe) != 0) return -1;
        double userMicroseconds = 0;
        for (std::size_t at = text.find("bench:"); at != std::string::npos;
             at = text.find("bench:", at + 6)) {
            std::size_t end = text.find_first_of("\r\n", at);
            std::string line = text.substr(at, end == std::string::npos ? end : end - at);
            if (line.find("encode_audio") != std::string::npos)
                userMicroseconds += std::atof(line.c_str() + 6);
        }
        best = std::min(best, userMicroseconds * 1e3 / kHourSamples);
    }
    return best;
}

bool Have(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

void CompareWithBaselines() {
    const bool ffmpeg = Have("ffmpeg"), sox = Have("sox");
    for (bool noise : {false, true}) {
        const auto& s = Hour(noise);
        const std::string raw =
            std::string("/tmp/zaw_adpcm_bench_") + (noise ? "noise" : "sines") + ".raw";
        std::ofstream(raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(s.data()), std::streamsize(s.size() * 2));
        const std::string ff =
            "ffmpeg -nostdin -hide_banner -f s16le -ar 8000 -ac 1 -i " + raw + " ";
        const std::string sx = "sox -t s16 -r 8000 -c 1 " + raw + " ";
        double ffCopy = ffmpeg ? BestNs(ff + "-c:a pcm_s16le -f null -") : -1;
        double soxCopy = sox ? BestNs(sx + "-t s16 /dev/null") : -1;
        std::printf("\n%s hour: ffmpeg pcm_s16le run %.2f ns/sample, sox raw copy %.2f ns/sample\n",
                    noise ? "noise" : "sines", ffCopy, soxCopy);
        for (const Baseline& b : kBaselines) {
            bool isSox = b.args[0] == '\0';
            double own = OwnNs(b.codec, s);
            if (isSox ? !sox : !ffmpeg) {
                std::printf("  codec %d: %.2f ns/sample; %s not installed\n", b.codec, own, b.name);
                continue;
            }
            double whole =
                isSox ? BestNs(sx + "-t vox /dev/null") : BestNs(ff + b.args + " -f null -");
            double base = whole - (isSox ? soxCopy : ffCopy);
            std::printf("  codec %d: %.2f ns/sample; %s %.2f ns/sample (%.2f whole run): %s\n",
                        b.codec, own, b.name, base, whole, own < base ? "faster" : "SLOWER");
            if (!isSox) {
                double encoder = FfmpegEncoderNs(ff + b.args + " -f null -");
                std::printf("           its encode_audio steps alone %.2f ns/sample: %s\n", encoder,
                            own < encoder ? "faster" : "SLOWER");
            }
        }
        std::remove(raw.c_str());
    }
}

}  // namespace

// Arguments: codec, noise (0 sines, 1 noise).
BENCHMARK(BM_Encode)
    ->ArgsProduct({{adpcm::kYamaha, adpcm::kOki, adpcm::kG721, adpcm::kG726_16, adpcm::kIma,
                    adpcm::kLg},
                   {0, 1}})
    ->Unit(benchmark::kMillisecond);

// --no_baselines leaves out the outside programs.
int main(int argc, char** argv) {
    bool baselines = true;
    if (argc > 1 && std::string(argv[argc - 1]) == "--no_baselines") {
        baselines = false;
        --argc;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (baselines) CompareWithBaselines();
    return 0;
}
