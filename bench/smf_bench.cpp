// SMF throughput near the file loader's size limit, for one format-0 chunk and
// for the sixteen chunks of a format-1 file: the loader's whole road from the
// file's bytes to the held tune (chunk parsing, note-length conversion and,
// for format 0, the split by channel), chunk parsing alone (the figure this
// benchmark used to give) and writing chunks back.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "baseline_ratio.h"
#include "midi/file_loader.h"
#include "platform/message_sink.h"

namespace {

// What a generated image holds.
struct Counts {
    long long notes = 0;   // note-on/note-off pairs
    long long events = 0;  // events in the chunks, End of Track included
};

// A chunk of notes, controls and now and then a text, about `bytes` long.
std::vector<std::uint8_t> MakeChunk(std::size_t bytes, int channel, Counts& counts) {
    std::vector<std::uint8_t> c = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
    const auto ch = static_cast<std::uint8_t>(channel);
    for (int i = 0; c.size() + 40 < bytes; ++i) {
        const auto key = static_cast<std::uint8_t>(40 + i % 40);
        c.insert(c.end(), {0x00, static_cast<std::uint8_t>(0x90 | ch), key, 100});
        c.insert(c.end(), {0x18, static_cast<std::uint8_t>(0x80 | ch), key, 0x40});
        counts.notes += 1;
        counts.events += 2;
        if (i % 16 == 0) {
            c.insert(c.end(), {0x00, static_cast<std::uint8_t>(0xB0 | ch), 7, 100});
            counts.events += 1;
        }
        if (i % 256 == 0) {
            c.insert(c.end(), {0x00, 0xFF, 0x06, 0x04, 'b', 'a', 'r', '!'});
            counts.events += 1;
        }
    }
    c.insert(c.end(), {0x00, 0xFF, 0x2F, 0x00});
    counts.events += 1;
    WriteBigEndian32(c.data() + 4, static_cast<std::uint32_t>(c.size() - 8));
    return c;
}

struct Image {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> chunks;  // offsets
    Counts counts;
};

Image MakeImage(int tracks) {
    Image image;
    const std::size_t total = MidiFileLoader::kMaxFileLength - 64;
    image.bytes = {'M',  'T',
                   'h',  'd',
                   0,    0,
                   0,    6,
                   0,    static_cast<std::uint8_t>(tracks > 1),
                   0,    static_cast<std::uint8_t>(tracks),
                   0x01, 0xE0};
    for (int t = 0; t < tracks; ++t) {
        image.chunks.push_back(image.bytes.size());
        auto c = MakeChunk((total - 14) / static_cast<std::size_t>(tracks), t % 16, image.counts);
        image.bytes.insert(image.bytes.end(), c.begin(), c.end());
    }
    return image;
}

std::vector<std::unique_ptr<MidiTrackData>> Parse(const Image& image) {
    std::vector<std::unique_ptr<MidiTrackData>> tracks;
    SmfReadState state;
    for (std::size_t offset : image.chunks) {
        tracks.push_back(std::make_unique<MidiTrackData>(
            image.bytes.size(), offset, image.bytes.data(), MidiFileLoader::kTuneCapacity, &state));
    }
    return tracks;
}

long long CountEvents(const std::vector<std::unique_ptr<MidiTrackData>>& tracks) {
    long long n = 0;
    for (const auto& t : tracks)
        n += t->EventCount();
    return n;
}

void BM_ParseSmf(benchmark::State& state) {
    const Image image = MakeImage(static_cast<int>(state.range(0)));
    long long events = 0;
    for (auto _ : state) {
        auto tracks = Parse(image);
        events = CountEvents(tracks);
        benchmark::DoNotOptimize(events);
        state.PauseTiming();
        if (events != image.counts.events) {
            state.SkipWithError("the parsed chunks lost events");
            break;
        }
        tracks.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(image.bytes.size()));
    state.SetItemsProcessed(state.iterations() * events);
    state.counters["file_bytes"] = static_cast<double>(image.bytes.size());
}

void BM_LoadSmf(benchmark::State& state) {
    const Image image = MakeImage(static_cast<int>(state.range(0)));
    const long long expected = image.counts.notes;
    long long notes = 0;
    long long events = 0;
    for (auto _ : state) {
        auto loader = std::make_unique<MidiFileLoader>();
        loader->LoadImage(image.bytes.data(), image.bytes.size());
        state.PauseTiming();
        notes = 0;
        events = 0;
        const MidiF1Data* tune = loader->Tune1();
        for (int t = 0; tune && t < tune->TrackCount(); ++t) {
            notes += tune->Track(t)->CountNotes();
            events += tune->Track(t)->EventCount();
        }
        if (notes != expected) {
            state.SkipWithError("the loaded tune lost notes");
            break;
        }
        loader.reset();  // freeing is not part of loading
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(image.bytes.size()));
    state.SetItemsProcessed(state.iterations() * events);
    state.counters["notes"] = static_cast<double>(notes);
}

void BM_WriteSmf(benchmark::State& state) {
    const Image image = MakeImage(static_cast<int>(state.range(0)));
    auto tracks = Parse(image);
    const long long events = CountEvents(tracks);
    long long written = 0;
    for (auto _ : state) {
        written = 0;
        for (auto& t : tracks) {
            t->SetNoteMode(note_mode::kNoteOnOff);
            if (t->WriteTrackChunk("MTrk") != 1) state.SkipWithError("a chunk was not written");
            written += t->Length();
        }
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(state.iterations() * written);
    state.SetItemsProcessed(state.iterations() * events);
}

}  // namespace

// Argument: track chunks in the file (1 = format 0, 16 = format 1).
// BM_LoadSmf is the loader's whole road; BM_ParseSmf the chunk parsing alone,
// the figure this benchmark gave before, printed beside it.
BENCHMARK(BM_LoadSmf)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSmf)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSmf)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::RunWithBaselineRatios(argc, argv, {{"BM_LoadSmf", "BM_ParseSmf"}});
}
