// The chord analysis of a 16-channel file near the file loader's size limit
// (1800 cells of two quarter notes), beside the loader's load of the same
// file as the baseline; and the tune-structure statistics of 200,000 long
// notes that all overlap, where each note's chord-note count is a search.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "baseline_ratio.h"
#include "compose/chord_analyzer.h"
#include "compose/tune_structure.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/file_loader.h"
#include "platform/message_sink.h"

namespace {

constexpr int kDivision = 480;
constexpr int kNotesPerChannel = 7200;  // two a quarter note: 3600 quarter notes
constexpr int kOnGap = 40;
constexpr int kNoteLength = 200;

class QuietSink : public platform::MessageSink {
public:
    int Show(platform::BoxKind, const std::string&) override { return platform::kIdOk; }
};

void Quiet() {
    static const bool done = [] {
        platform::SetMessageSink(std::make_shared<QuietSink>());
        return true;
    }();
    (void)done;
}

void PutDelta(std::vector<std::uint8_t>& c, int delta) {
    if (delta >= 0x80) c.push_back(static_cast<std::uint8_t>(0x80 | (delta >> 7)));
    c.push_back(static_cast<std::uint8_t>(delta & 0x7F));
}

// A band: melody on 0, bass on 1, chords spread over the middle channels,
// drums on 9; every channel two notes a quarter note, in running status.
std::vector<std::uint8_t> MakeChunk(int channel) {
    std::vector<std::uint8_t> c = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
    const int base = channel == 0 ? 72 : channel == 1 ? 36 : channel == 9 ? 36 : 52 + channel;
    for (std::uint8_t b : {0x00, 0xC0 | channel, channel == 1 ? 33 : 0})
        c.push_back(b);
    c.push_back(0x00);
    c.push_back(static_cast<std::uint8_t>(0x90 | channel));
    for (int i = 0; i < kNotesPerChannel; ++i) {
        const auto key = static_cast<std::uint8_t>(base + (i * 7 + channel) % 12);
        if (i > 0) PutDelta(c, kOnGap);
        c.push_back(key);
        c.push_back(100);
        PutDelta(c, kNoteLength);
        c.push_back(key);
        c.push_back(0);
    }
    for (std::uint8_t b : {0x00, 0xFF, 0x2F, 0x00})
        c.push_back(b);
    WriteBigEndian32(c.data() + 4, static_cast<std::uint32_t>(c.size() - 8));
    return c;
}

std::vector<std::uint8_t> MakeFile() {
    std::vector<std::uint8_t> f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 16,
                                   static_cast<std::uint8_t>(kDivision >> 8),
                                   static_cast<std::uint8_t>(kDivision & 0xFF)};
    for (int ch = 0; ch < 16; ++ch) {
        const auto chunk = MakeChunk(ch);
        for (std::uint8_t b : chunk)
            f.push_back(b);
    }
    return f;
}

const std::vector<std::uint8_t>& File() {
    static const std::vector<std::uint8_t> file = MakeFile();
    return file;
}

void BM_LoadFile(benchmark::State& state) {
    Quiet();
    for (auto _ : state) {
        MidiFileLoader loader;
        loader.LoadImage(File().data(), File().size());
        benchmark::DoNotOptimize(loader.Tune1());
    }
    state.counters["bytes"] = static_cast<double>(File().size());
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);

void BM_AnalyzeChords(benchmark::State& state) {
    Quiet();
    MidiFileLoader loader;
    loader.LoadImage(File().data(), File().size());
    MidiF1Data* song = loader.Tune1();
    int cells = 0;
    for (auto _ : state) {
        int cellLength = 0;
        cells = AnalyzeChords(*song, nullptr, nullptr, cellLength);
        benchmark::DoNotOptimize(cells);
    }
    state.counters["cells"] = cells;
    state.counters["bytes"] = static_cast<double>(File().size());
}
BENCHMARK(BM_AnalyzeChords)->Unit(benchmark::kMillisecond);

void BM_StructureOfOverlappingLongNotes(benchmark::State& state) {
    Quiet();
    constexpr int kNotes = 200000;
    MidiF0Data song(note_mode::kLength, 96, 3 * (kNotes + 16));
    for (int i = 0; i < kNotes; ++i)
        song.Track()->AddNote(i % 4, i == 0 ? 0 : 1, 40 + i % 40, 100, 1000000);
    song.Track()->AppendEndOfTrack();
    TuneStructure s;
    for (auto _ : state) {
        s.AnalyzeMidiData(song, 96);
        benchmark::DoNotOptimize(s.chordNotes[0]);
    }
    state.counters["notes"] = kNotes;
}
BENCHMARK(BM_StructureOfOverlappingLongNotes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv, {{"BM_AnalyzeChords", "BM_LoadFile"}});
}
