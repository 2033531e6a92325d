// Arbitrary bytes as a user's MIDI file loaded as conversion material: the
// parse, the channel analysis, a scripted OK with a range taken from the
// bytes, the chord analysis and the material built from it. Every converted
// entry lies within one bar and the lists never outlast the packed chords.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "compose/conversion_material.h"
#include "compose/melody_stages.h"
#include "fuzz/quiet_platform.h"
#include "midi/f0_data.h"
#include "style/style_table.h"

namespace {

long long ListTicks(const NoteList& list) {
    long long total = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const int length = list.Event(i)->length;
        if (length <= 0 || length > kConvertedBarTicks) std::abort();
        total += length;
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    std::unique_ptr<MidiF0Data> song;
    if (!ParseMidiMaterial(song, std::span<const std::uint8_t>(data, size))) return 0;
    CurrentTuneStructure = std::make_unique<TuneStructure>();
    CurrentTuneStructure->AnalyzeMidiData(*song, song->division);
    if (!CheckMaterialChannels(*CurrentTuneStructure)) return 0;
    // The dialog's fields from the last bytes, as a user might type them.
    const int start = size > 20 ? data[size - 1] % 40 - 3 : 1;
    const int end = size > 20 ? data[size - 2] % 60 - 3 : 1000;
    ConversionMaterial.range = RangeFromFields(start, end, CurrentTuneStructure->barCount);
    std::vector<ChordNameEntry> names(kMaxAnalysisCells, ChordNameEntry{});
    int tonic = 0, cellLength = 0;
    ScaleString scale{};
    const int n = AnalyzeMidiChords(*song, names, tonic, 1, 0, scale, song->division,
                                    *CurrentTuneStructure, nullptr, nullptr, cellLength);
    BuildConversionMaterial(*song, names, n, cellLength);
    long long chordTicks = 0;
    const std::uint8_t* h = WorkingStyle.harmonyStructure;
    for (std::size_t i = 0; i + 6 <= kHarmonyStructureBytes && (h[i] | h[i + 1]); i += 6)
        chordTicks += h[i] * 256 + h[i + 1];
    if (ListTicks(ConvertedMelodyNotes) > chordTicks) std::abort();
    if (ListTicks(ConvertedObbligatoNotes) > chordTicks) std::abort();
    CurrentTuneStructure.reset();
    return 0;
}
