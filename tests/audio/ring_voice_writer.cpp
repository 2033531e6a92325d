// Writes the material of the independent ring-voice file check: mono,
// stereo and slow mono 22050 Hz source WAVs, then every ring-voice record converted from
// each at 4000, 8000, 16000 and 32000 Hz. manifest.tsv has one line per try:
// record, rate, source, then the file name or "refused" and the first text
// shown.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "convert/audio/ring_voice_table.h"
#include "convert/audio/wav_to_mld.h"
#include "platform/message_sink.h"

namespace {

void PutLe(std::vector<std::uint8_t>& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutText(std::vector<std::uint8_t>& b, const char* text) {
    for (; *text; ++text) b.push_back(static_cast<std::uint8_t>(*text));
}

// 2.5 s of a gliding tone with a second tone, quieter on the right; or,
// slow, of two low tones that every codec can follow at full scale.
std::vector<std::uint8_t> SourceWav(int channels, int rate, bool slow) {
    const int frames = rate * 5 / 2;
    std::vector<std::uint8_t> b;
    PutText(b, "RIFF");
    PutLe(b, 36 + frames * channels * 2, 4);
    PutText(b, "WAVEfmt ");
    PutLe(b, 16, 4), PutLe(b, 1, 2), PutLe(b, channels, 2), PutLe(b, rate, 4);
    PutLe(b, rate * channels * 2, 4), PutLe(b, channels * 2, 2), PutLe(b, 16, 2);
    PutText(b, "data");
    PutLe(b, frames * channels * 2, 4);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        for (int c = 0; c < channels; ++c) {
            const double f = (c == 0 ? 300.0 : 450.0) + 200.0 * t;
            const double v = slow ? 6000 * std::sin(2 * M_PI * 23 * t) + 3000 * std::sin(2 * M_PI * 31 * t)
                                  : (c == 0 ? 7000 : 5000) * std::sin(2 * M_PI * f * t) +
                                        2000 * std::sin(2 * M_PI * 1100 * t);
            PutLe(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), 2);
        }
    }
    return b;
}

class FirstTextSink : public platform::MessageSink {
public:
    int Show(platform::BoxKind, const std::string& text) override {
        if (first.empty()) first = text;
        return platform::kIdOk;
    }
    std::string first;
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                static_cast<std::streamsize>(b.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s out-folder\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    auto sink = std::make_shared<FirstTextSink>();
    platform::SetMessageSink(sink);
    std::ofstream manifest(dir + "/manifest.tsv");
    for (const std::string kind : {"mono", "stereo", "slow"}) {
        const std::string src = dir + "/src_" + kind + ".wav";
        WriteFile(src, SourceWav(kind == "stereo" ? 2 : 1, 22050, kind == "slow"));
        WavToMldConverter source(src);
        for (int f = 0; f < RingVoiceFormatCount; ++f) {
            for (int rate : {4000, 8000, 16000, 32000}) {
                sink->first.clear();
                WavToMldConverter converter(kFromSource, source);
                char name[64];
                std::snprintf(name, sizeof name, "f%d_%d_%s.mld", f, rate, kind.c_str());
                const std::string out = dir + "/" + std::string(name);
                const int ok = converter.Convert(f, rate, 100, out.c_str());
                manifest << f << '\t' << rate << '\t' << kind << '\t' << (ok ? name : "refused")
                         << '\t' << sink->first << '\n';
            }
        }
    }
    return 0;
}
