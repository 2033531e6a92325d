// Extracting a music style from a user's MIDI file; see style_extract.h.
#include "styleedit/style_extract.h"

#include <algorithm>
#include <new>

#include "compose/chord_analyzer.h"
#include "compose/conversion_material.h"
#include "compose/tune_structure.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/track_data.h"
#include "style/style_table.h"
#include "styleedit/style_editor_services.h"

namespace {

// Controllers of a part's mix bytes, in the block's order: volume, chorus,
// reverb, brightness, attack, decay, release, resonance.
constexpr int kMixBytes = 8;
constexpr int kMixControllers[kMixBytes] = {7, 93, 91, 74, 73, 75, 72, 71};
constexpr int kBrightnessByte = 3;
// The eleven ints behind "Block Length": those of a fresh style (only the
// third is read, by the Sub Drum part, which an extracted style leaves unused).
constexpr std::int32_t kExtractedBlockTable[11] = {0, 0, 90, 0, 0, 90, 0, 0, 0, 0, 0};
constexpr int kDrumSearchFirstBar = 2;
constexpr int kDrumSearchTries = 100;
constexpr int kMelodyDensity = 140;
constexpr int kSameAsMelody = 6;
constexpr int kDrumChannel = TuneStructure::kDrumChannel;

std::unique_ptr<std::uint8_t[]> HeapBuffer(std::size_t bytes) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]());
}

ExtractionBufferSource& BufferSource() {
    static ExtractionBufferSource source = HeapBuffer;
    return source;
}

// The channels the parts come from; -1 where the material has none.
struct PartChannels {
    int harmony = -1;
    int subHarmony = -1;
    int bass = -1;
    int melody = -1;
    int obbligato = -1;
    bool drums = false;
};

std::size_t At(int channel) {
    return static_cast<std::size_t>(channel);
}

int ProgramOf(const TuneStructure& s, int channel) {
    const int program = s.program[At(channel)];
    return program >= 0 && program <= 127 ? program : 0;
}

// The two Harmony channels with the most notes (the first on ties).
void FindHarmonyChannels(const TuneStructure& s, PartChannels& parts) {
    long long most = -1, next = -1;
    for (int c = 0; c < TuneStructure::kChannels; ++c) {
        if (c == kDrumChannel || !s.used[At(c)] || s.role[At(c)] != tune_role::kHarmony) continue;
        const long long notes = static_cast<long long>(s.chordNotes[At(c)]) + s.singleNotes[At(c)];
        if (notes > most) {
            parts.subHarmony = parts.harmony;
            next = most;
            parts.harmony = c;
            most = notes;
        } else if (notes > next) {
            parts.subHarmony = c;
            next = notes;
        }
    }
}

void AssignInstruments(const TuneStructure& s, PartChannels& parts, MusicStyle& style) {
    for (int part : {kPartHarmony, kPartSubHarmony, kPartBass, kPartDrum, kPartObbligato,
                     kPartSubDrum})
        style.voice[part] = kVoiceNotUsed;
    style.melody[kPartMelody].voicing = 0;
    FindHarmonyChannels(s, parts);
    for (int c = 0; c < TuneStructure::kChannels; ++c) {
        if (!s.used[At(c)]) continue;
        const int role = s.role[At(c)];
        if (c == kDrumChannel) {
            parts.drums = true;
            style.voice[kPartDrum] = kAcousticSet;
        } else if (role == tune_role::kMelody) {
            parts.melody = c;
            style.voice[kPartMelody] = ProgramOf(s, c);
        } else if (role == tune_role::kHarmony) {
            if (c == parts.harmony) {
                style.voice[kPartHarmony] = ProgramOf(s, c);
            } else if (c == parts.subHarmony) {
                style.voice[kPartSubHarmony] = ProgramOf(s, c);
            } else if (10LL * s.chordNotes[At(c)] < s.singleNotes[At(c)]) {
                parts.obbligato = c;
                style.voice[kPartObbligato] = ProgramOf(s, c);
            }
        } else if (role == tune_role::kBass) {
            parts.bass = c;
            style.voice[kPartBass] = ProgramOf(s, c);
        }
    }
}

void SetTuneSettings(MusicStyle& style, const MidiTrackData& track, int division,
                     std::span<const ChordNameEntry> names) {
    style.basicBeat = DetectTripletFeel(track, division);
    style.key = DetectTuneMode(names);
    style.timeSignature = kMetre44;
    style.chordProgression = ClassifyChordVariety(names);
    style.melody[kPartMelody].tension = 0;
    style.melody[kPartMelody].effect = 5;
    style.harmonyPattern = kCustomHarmonyPattern;
    style.subHarmonyPattern = kCustomHarmonyPattern;
    style.bassPattern = kCustomBassPattern;
    style.rhythmPattern = kCustomRhythmPattern;
    style.subDrumPattern = 0;
    style.chordGenerationMethod = 0;
    ResetCustomHarmony(style.customHarmony);
    style.chordsInBlock = 0;
    style.blockLength = 0;
    std::copy(std::begin(kExtractedBlockTable), std::end(kExtractedBlockTable), style.table17544);
    style.imitationOfPhrase = 0;
}

// The song cut to the range, which then starts at bar 0, and the names of
// its cells; cells past the analysed ones have no chord.
ExtractionMaterial CutToRange(MidiF0Data& song, std::span<const ChordNameEntry> names,
                              MaterialRange range, bool triplet) {
    ExtractionMaterial m;
    m.division = song.division;
    m.barCount = std::max(1, range.barCount);
    m.triplet = triplet;
    const long long start = std::max(0, range.startBar) * m.BarTicks();
    song.Track()->CropToRange(start, start + m.barCount * m.BarTicks());
    m.track = song.Track();
    m.names.assign(2 * static_cast<std::size_t>(m.barCount), ChordNameEntry{});
    for (std::size_t i = 0; i < m.names.size(); ++i) {
        const std::size_t from = 2 * static_cast<std::size_t>(std::max(0, range.startBar)) + i;
        if (from < names.size()) m.names[i] = names[from];
    }
    return m;
}

void SetMix(MixBlock& mix, const ExtractionMaterial& m, int channel, int bar,
            bool brightness = true) {
    std::uint8_t* bytes[kMixBytes] = {&mix.volume, &mix.chorus, &mix.reverb, &mix.brightness,
                                      &mix.attack, &mix.decay,  &mix.release, &mix.resonance};
    for (int i = 0; i < kMixBytes; ++i) {
        if (i == kBrightnessByte && !brightness) continue;
        *bytes[i] = static_cast<std::uint8_t>(
            ControllerValueAtBar(channel, bar, kMixControllers[i], *m.track, m.division));
    }
}

// The Harmony grids from bar w and a neighbouring bar, its mix at w.
void TakeHarmony(MusicStyle& style, ExtractionMaterial& m, int channel, int w) {
    CustomHarmonyBlock& block = style.customHarmony;
    ExtractChordPatternGrid(ChordGridKind::kHarmony, channel, 2 * w, block.grid[0][kGridHarmony], m);
    int second = w + 1;
    if (second >= m.barCount) second = std::max(0, w - 1);
    ExtractChordPatternGrid(ChordGridKind::kHarmony, channel, 2 * second,
                            block.grid[1][kGridHarmony], m);
    // The counter runs on over chord changes, so the bar plays as it was
    // marked even over chords of half a bar.
    block.continueMajor[kGridHarmony] = 1;
    style.octave[kPartBass] = 0;
    SetMix(style.mix[kPartHarmony], m, channel, w);
    ApplyPatternRepeatFlags(style, kGridHarmony, kGridSteps);
}

void TakeBass(MusicStyle& style, ExtractionMaterial& m, int channel, int w) {
    GridPart& grid = style.customHarmony.grid[0][kGridBass];
    if (ExtractChordPatternGrid(ChordGridKind::kBass, channel, 2 * w, grid, m).marked == 0) {
        const int own = FindBusiestBar(channel, *m.track, m.division, m.barCount);
        ExtractChordPatternGrid(ChordGridKind::kBass, channel, 2 * own, grid, m);
    }
    SetMix(style.mix[kPartBass], m, channel, w);
    ApplyPatternRepeatFlags(style, kGridBass, kGridSteps);
}

// The drum grid from bar w of the drum channels; later bars from the third
// on while a snare or a kick is missing.
void TakeDrums(MusicStyle& style, ExtractionMaterial& m, int w) {
    SetMix(style.mix[kPartDrum], m, kDrumChannel, w, false);
    ApplyPatternRepeatFlags(style, kGridDrum, kGridSteps);
    GridPart& grid = style.customHarmony.grid[0][kGridDrum];
    const int other = FindDrumChannel(*m.track);
    DrumGridState state;
    const auto mark = [&](int bar) {
        ExtractDrumBarPattern(m, bar, grid, kDrumChannel, state);
        if (other >= 0 && other != kDrumChannel) ExtractDrumBarPattern(m, bar, grid, other, state);
    };
    mark(w);
    // Past the range the cut song holds no notes.
    for (int bar = kDrumSearchFirstBar, tries = 0;
         (!state.snare || !state.kick) && tries < kDrumSearchTries + w && bar < m.barCount;
         ++bar, ++tries)
        mark(bar);
}

void TakeMelody(MusicStyle& style, const ExtractionMaterial& m, const TuneStructure& s,
                const PartChannels& parts, int w) {
    MelodySettings& melody = style.melody[kPartMelody];
    const int c = parts.melody;
    if (c >= 0) SetMix(style.mix[kPartMelody], m, c, w);
    style.tempo = ReadTempoMeta(*m.track, style.tempo);
    const long long veryShort = c >= 0 ? s.veryShortNotes[At(c)] : 0;
    const long long shortNotes = c >= 0 ? s.shortNotes[At(c)] : 0;
    const long long longNotes = c >= 0 ? s.longNotes[At(c)] : 0;
    if (veryShort > 5 * shortNotes) {
        melody.noteLength = 1;
        melody.syncopation = 1;
    } else {
        melody.syncopation = 0;
        melody.noteLength = 4 * longNotes >= shortNotes ? 2 : 5;
    }
    melody.dissonance = 9;
    style.density[kPartMelody] = kMelodyDensity;
    style.subMelodyMethod = kSameAsMelody;
    style.octave[kPartObbligato] = 0;
    const MelodyIntervalTable table = LearnMelodyIntervals(c, *m.track);
    if (table.outOfRange) ShowErrorMessage(kMelodyTableError);
    std::copy(table.interval.begin(), table.interval.end(), style.melodyTableInterval);
    std::copy(table.direction.begin(), table.direction.end(), style.melodyTableDirection);
    melody.algorithm = 6;
    style.octave[kPartHarmony] =
        parts.harmony >= 0 && IsChannelMeanPitchLow(parts.harmony, *m.track) ? -1 : 0;
}

// The song's analysis.
struct SongAnalysis {
    std::vector<ChordNameEntry> names;
    int cells = 0;
    int tonic = 0;
    ScaleString scale{};
};

SongAnalysis AnalyzeSong(const MidiF0Data& song, const TuneStructure& structure) {
    SongAnalysis a;
    a.names.assign(kMaxAnalysisCells, ChordNameEntry{});
    int cellLength = 0;
    const TuneKeyInfo key = ConversionMaterial.key;
    a.cells = AnalyzeMidiChords(
        song, a.names, a.tonic, key.mode, key.keyFlag, a.scale, song.division, structure,
        [](int) { AdvanceProgressText(); }, [] { ResetProgressText(); }, cellLength);
    a.cells = std::clamp(a.cells, 0, static_cast<int>(a.names.size()));
    a.names.resize(static_cast<std::size_t>(a.cells));
    return a;
}

// Everything after the load: the file read again and parsed, analysed, and
// the style built on a copy of the working style.
int ExtractLoaded(const std::string& path) {
    std::unique_ptr<MidiF0Data> song;
    {
        std::unique_ptr<std::uint8_t[]> buffer = BufferSource()(WorkBufferSize);
        if (!buffer) {
            ShowErrorMessage(kExtractionMemoryError);
            return 0;
        }
        std::string file = path;
        std::size_t size = 0;
        if (!ReadMidiFile(file, buffer.get(), WorkBufferSize, &size)) return 0;
        if (!ParseMidiMaterial(song, std::span<const std::uint8_t>(buffer.get(), size))) return 0;
    }
    const TuneStructure& s = *CurrentTuneStructure;
    const SongAnalysis a = AnalyzeSong(*song, s);
    auto style = std::make_unique<MusicStyle>();
    GetWorkingStyle(*style);
    PartChannels parts;
    AssignInstruments(s, parts, *style);
    SetTuneSettings(*style, *song->Track(), song->division, a.names);
    ExtractionMaterial m = CutToRange(*song, a.names, ConversionMaterial.range, style->basicBeat == 3);
    const int w = FindBusiestBar(parts.harmony, *m.track, m.division, m.barCount);
    if (parts.harmony >= 0) TakeHarmony(*style, m, parts.harmony, w);
    if (parts.subHarmony >= 0)
        ExtractChordPatternGrid(ChordGridKind::kSubHarmony, parts.subHarmony, 2 * w,
                                style->customHarmony.grid[0][kGridSubHarmony], m);
    if (parts.bass >= 0) TakeBass(*style, m, parts.bass, w);
    if (parts.obbligato >= 0) SetMix(style->mix[kPartObbligato], m, parts.obbligato, w);
    if (parts.drums) TakeDrums(*style, m, w);
    TakeMelody(*style, m, s, parts, w);
    style->scale = ClassifyScale(a.scale, a.tonic);
    SetWorkingStyle(*style);
    return 1;
}

}  // namespace

ExtractionBufferSource SetExtractionBufferSource(ExtractionBufferSource source) {
    ExtractionBufferSource previous = BufferSource();
    BufferSource() = source ? source : HeapBuffer;
    return previous;
}

int ExtractStyleFromMidi(const std::string& path, platform::ui::Window* owner) {
    // Another material's structure stays its owner's.
    if (CurrentTuneStructure) {
        ShowErrorMessage(kTuneStructureHeld);
        return 0;
    }
    CurrentTuneStructure = std::make_unique<TuneStructure>();
    struct Release {
        ~Release() { CurrentTuneStructure.reset(); }
    } release;
    if (!LoadMidiMaterial(path, 0, owner)) return 0;
    return ExtractLoaded(path);
}
