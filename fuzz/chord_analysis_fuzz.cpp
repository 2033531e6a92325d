// Arbitrary bytes as a MIDI file through the loader into the chord analysis:
// every cell's name fits its entry and parses back, every marker of the first
// track goes through the parser, and the packed chord list stays inside its
// buffer with the end mark.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "compose/chord_analyzer.h"
#include "compose/chord_name_ctl.h"
#include "fuzz/quiet_platform.h"
#include "midi/f1_data.h"
#include "midi/file_loader.h"
#include "midi/midi_event.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    MidiFileLoader loader;
    loader.LoadImage(data, size);
    MidiF1Data* song = loader.Tune1();
    if (!song || song->TrackCount() == 0) return 0;
    int cellLength = 0;
    std::vector<ChordNameEntry> names;
    const int n = AnalyzeChords(*song, nullptr, nullptr, cellLength, &names);
    if (n < 0 || n > kMaxAnalysisCells || names.size() != static_cast<std::size_t>(n)) std::abort();
    for (const ChordNameEntry& name : names) {
        if (name.back() != '\0') std::abort();
        ChordNameCtl ctl;
        if (ctl.Parse(ChordNameText(name)) != 0) std::abort();
    }
    for (const MidiEvent* e : song->Track(0)->Events()) {
        if (!e->IsMeta(meta_type::kMarker)) continue;
        ChordNameCtl ctl;
        ctl.Parse(e->DataText().substr(0, static_cast<std::size_t>(e->DataLength())));
    }
    ParsedChordList list;
    BuildChordList(list, n, cellLength, names);
    std::vector<std::uint8_t> out(kHarmonyStructureBytes + 1, 0xA5);
    const int bytes = PackChordList(list, 96, song->division, std::span(out).first(kHarmonyStructureBytes));
    if (bytes < 0 || bytes + 2 > static_cast<int>(kHarmonyStructureBytes) || out[kHarmonyStructureBytes] != 0xA5 ||
        out[static_cast<std::size_t>(bytes)] != 0 || out[static_cast<std::size_t>(bytes) + 1] != 0)
        std::abort();
    return 0;
}
