// The readings a style extraction takes from the material's track; see
// style_extract.h.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>

#include "compose/chord_name_ctl.h"
#include "midi/midi_event.h"
#include "midi/track_data.h"
#include "styleedit/style_extract.h"

namespace {

constexpr int kMiddleC = 60;
constexpr int kDefaultControllerValue = 64;
constexpr int kVarietyLookAt = 80;
constexpr int kBankSelect = 0;
constexpr int kDrumBank = 127;
constexpr int kFoldedKitProgram = 50;  // a kit whose notes fold onto kick and snare
constexpr int kLowestDrumNote = 35;
constexpr int kHighestDrumNote = 81;

// A note that sounds: with a length, on the channel.
bool IsSoundingNote(const MidiEvent* e, int channel) {
    return e->IsNoteWithLength() && e->length > 0 && e->channel == channel;
}

std::string_view NameOf(const ChordNameEntry& entry) {
    return std::string_view(entry.data(), strnlen(entry.data(), entry.size()));
}

// The interval class of a step between two pitches.
int IntervalClass(int semitones) {
    const int d = std::abs(semitones);
    if (d == 0 || d > 12) return 0;
    if (d <= 2) return 1;
    if (d <= 4) return 2;
    if (d == 5) return 3;
    if (d <= 7) return 4;
    if (d <= 9) return 5;
    if (d <= 11) return 6;
    return 7;
}

// Chord degrees in the order a note is compared with them.
enum Degree : int { kRoot, kNinth, kThird, kFourth, kFifth, kSixth, kSeventh, kNoDegree };
constexpr int kDegrees = 8;

struct DegreeRows {
    int harmonyLow, harmonyHigh, other;
};
constexpr DegreeRows kDegreeRows[kDegrees] = {
    {2, 9, 2},   // root
    {3, 10, 3},  // ninth (root + 2)
    {4, 11, 4},  // third
    {5, 12, 5},  // fourth (root + 5)
    {6, 13, 6},  // fifth
    {0, 7, 7},   // sixth (fifth + 2)
    {1, 8, 8},   // seventh
    {2, 2, 2},   // none of them
};

// The first degree of the chord the pitch class sounds; none for no chord.
Degree DegreeOf(int pitch, const ChordNameCtl& chord) {
    if (chord.IsNoChord()) return kNoDegree;
    const int pc = pitch % 12;
    const auto is = [pc](int tone) { return tone > 0 && tone % 12 == pc; };
    if (is(chord.root)) return kRoot;
    if (is(chord.root + 2)) return kNinth;
    if (is(chord.third)) return kThird;
    if (is(chord.root + 5)) return kFourth;
    if (is(chord.fifth)) return kFifth;
    if (chord.fifth > 0 && is(chord.fifth + 2)) return kSixth;
    if (is(chord.seventh)) return kSeventh;
    return kNoDegree;
}

int RowOf(ChordGridKind kind, Degree degree, int pitch, int mean) {
    const DegreeRows& rows = kDegreeRows[degree];
    if (kind != ChordGridKind::kHarmony) return rows.other;
    const int split = degree == kSixth || degree == kSeventh ? mean : mean + 12;
    return pitch < split ? rows.harmonyLow : rows.harmonyHigh;
}

}  // namespace

void ExtractionMaterial::Report(ErrorCode code) {
    if (std::find(shown.begin(), shown.end(), code) != shown.end()) return;
    shown.push_back(code);
    ShowErrorMessage(code);
}

int ExtractionMaterial::StepTicks() const {
    return std::max(1, triplet ? division / 3 : division / 4);
}

int IsChannelMeanPitchLow(int channel, const MidiTrackData& track) {
    long long sum = 0, count = 0;
    for (const MidiEvent* e : track.Events()) {
        if (!IsSoundingNote(e, channel)) continue;
        sum += e->note;
        ++count;
    }
    return count > 0 && sum < kMiddleC * count ? -1 : 0;
}

int ClassifyChordVariety(std::span<const ChordNameEntry> names) {
    std::set<std::string_view> distinct;
    const std::size_t looked = std::min<std::size_t>(names.size(), kVarietyLookAt);
    for (std::size_t i = 0; i < looked; ++i) {
        const std::string_view name = NameOf(names[i]);
        if (!name.empty() && name[0] == 'U') continue;
        distinct.insert(name);
    }
    const std::size_t n = distinct.size();
    if (n <= 3) return 7;  // "One Chord"
    if (n < 6) return 6;   // "Three Chords"
    if (n < 15) return 4;  // "Very Simple"
    if (n < 30) return 3;  // "Simple"
    if (n < 50) return 2;  // "Normal"
    return 1;              // "Complex"
}

int DetectTuneMode(std::span<const ChordNameEntry> names) {
    for (const ChordNameEntry& entry : names) {
        const std::string_view name = NameOf(entry);
        if (!name.empty() && name[0] == 'U') continue;
        const bool minor = (name.size() > 1 && name[1] == 'm') || (name.size() > 2 && name[2] == 'm');
        return minor ? 2 : 1;
    }
    return 1;
}

int DetectTripletFeel(const MidiTrackData& track, int division) {
    const long long half = std::max(1, division / 2);
    const long long third = std::max(1, division / 3);
    long long t = 0, onHalves = 0, onThirds = 0;
    for (const MidiEvent* e : track.Events()) {
        t += e->delta;
        if (t % half == 0) ++onHalves;
        if (t % third == 0) ++onThirds;
    }
    return onThirds < onHalves ? 0 : 3;
}

MelodyIntervalTable LearnMelodyIntervals(int channel, const MidiTrackData& track) {
    std::array<long long, 8> count{}, same{}, changed{};
    long long total = 0;
    int previous = -1, previousClass = -1;
    bool previousUp = false;
    for (const MidiEvent* e : track.Events()) {
        if (!IsSoundingNote(e, channel)) continue;
        if (previous >= 0) {
            const int cls = IntervalClass(e->note - previous);
            const bool up = e->note > previous;
            ++count[static_cast<std::size_t>(cls)];
            ++total;
            if (previousClass >= 0)
                ++(up == previousUp ? same : changed)[static_cast<std::size_t>(previousClass)];
            previousClass = cls;
            previousUp = up;
        }
        previous = e->note;
    }
    long long spread = 0;
    for (std::size_t k = 0; k < 8; ++k)
        spread += std::llabs(same[k] - changed[k]);
    MelodyIntervalTable table;
    for (std::size_t k = 0; k < 8; ++k) {
        long long interval = total > 0 ? 100 - count[k] * 100 / total : 100;
        // Without a repeated or changed direction there is nothing to lean on.
        long long direction = spread > 0 ? (same[k] - changed[k]) * 100 / (2 * spread) : 0;
        if (interval < 0 || interval > 100 || direction < -50 || direction > 50)
            table.outOfRange = true;
        table.interval[k] = static_cast<std::int32_t>(std::clamp(interval, 0LL, 100LL));
        table.direction[k] = static_cast<std::int32_t>(std::clamp(direction, -50LL, 50LL));
    }
    return table;
}

int FindBusiestBar(int channel, const MidiTrackData& track, int division, int barCount) {
    if (barCount <= 0 || division <= 0) return 0;
    std::vector<int> notes(static_cast<std::size_t>(barCount), 0);
    const long long bar = 4LL * division;
    long long t = 0;
    for (const MidiEvent* e : track.Events()) {
        t += e->delta;
        if (!IsSoundingNote(e, channel) || t < 0 || t / bar >= barCount) continue;
        ++notes[static_cast<std::size_t>(t / bar)];
    }
    return static_cast<int>(std::max_element(notes.begin(), notes.end()) - notes.begin());
}

int ReadTempoMeta(const MidiTrackData& track, int previous) {
    int tempo = previous;
    for (const MidiEvent* e : track.Events())
        if (e->IsMeta(meta_type::kTempo) && e->value > 0) tempo = e->value;
    return tempo;
}

int FindDrumChannel(const MidiTrackData& track) {
    static constexpr std::uint8_t kGsRhythmHead[5] = {0x41, 0x10, 0x42, 0x12, 0x40};
    int found = -1;
    for (const MidiEvent* e : track.Events()) {
        if (e->kind == event_kind::kControlChange && e->subtype == kBankSelect &&
            e->value == kDrumBank && e->channel >= 0 && e->channel < 16) {
            found = e->channel;
            continue;
        }
        // F0, a one-byte count, 41 10 42 12 40, the part, 15 and a non-zero map.
        const std::uint8_t* d = e->GetData();
        if (!e->IsSysEx() || !d || e->DataLength() < 10 || d[0] != 0xF0 || d[1] >= 0x80 ||
            std::memcmp(d + 2, kGsRhythmHead, 5) != 0 || d[8] != 0x15 || d[9] == 0)
            continue;
        const int part = d[7];
        if (part >= 0x11 && part <= 0x19) found = part - 0x11;
        if (part >= 0x1A && part <= 0x1F) found = part - 0x10;
    }
    return found;
}

int ControllerValueAtBar(int channel, int bar, int controller, const MidiTrackData& track,
                         int division) {
    const long long start = static_cast<long long>(bar) * 4 * division;
    int value = kDefaultControllerValue;
    long long t = 0;
    for (const MidiEvent* e : track.Events()) {
        t += e->delta;
        // Controllers set on the bar line already hold for its notes.
        if (t > start) break;
        if (e->kind == event_kind::kControlChange && e->channel == channel &&
            e->subtype == controller)
            value = std::clamp(e->value, 0, 127);
    }
    return value;
}

ChordGridResult ExtractChordPatternGrid(ChordGridKind kind, int channel, int cell, GridPart& grid,
                                        ExtractionMaterial& material) {
    ChordGridResult result;
    if (!material.track) return result;
    ChordNameCtl chords[2];
    for (int k = 0; k < 2; ++k) {
        const long long at = static_cast<long long>(cell) + k;
        const bool known = at >= 0 && at < static_cast<long long>(material.names.size());
        chords[k].Parse(known ? NameOf(material.names[static_cast<std::size_t>(at)]) : "");
    }
    const long long start = static_cast<long long>(cell) * 2 * material.division;
    const long long end = start + material.BarTicks();
    const long long cellTicks = 2LL * material.division;
    long long t = 0, sum = 0, count = 0;
    for (const MidiEvent* e : material.track->Events()) {
        t += e->delta;
        if (t >= end) break;
        if (!IsSoundingNote(e, channel)) continue;
        sum += e->note;
        ++count;
        result.meanPitch = static_cast<int>(sum / count / 12 * 12);
        if (t < start) continue;
        long long step = (t - start) / material.StepTicks();
        if (step >= kGridSteps) {
            material.Report(kChannelPatternError);
            step = kGridSteps - 1;
        }
        const ChordNameCtl& chord = chords[t - start < cellTicks ? 0 : 1];
        const int row = RowOf(kind, DegreeOf(e->note, chord), e->note, result.meanPitch);
        grid.Cell(row, static_cast<int>(step)) = 1;
        ++result.marked;
    }
    return result;
}

void ExtractDrumBarPattern(ExtractionMaterial& material, int bar, GridPart& grid, int channel,
                           DrumGridState& state) {
    if (!material.track) return;
    const long long start = bar * material.BarTicks();
    const long long end = start + material.BarTicks();
    int kit = -1;
    long long t = 0;
    for (const MidiEvent* e : material.track->Events()) {
        t += e->delta;
        if (t >= end) break;
        if (e->channel != channel) continue;
        if (e->kind == event_kind::kProgramChange) kit = e->value;
        if (!e->IsNoteWithLength() || t < start) continue;
        long long step = (t - start) / material.StepTicks();
        if (step >= kGridSteps) {
            material.Report(kDrumPatternError);
            step = kGridSteps - 1;
        }
        int note = e->note;
        if (kit == kFoldedKitProgram) note = note < kMiddleC ? 35 : 38;
        if (note == 35 || note == 36) state.kick = true;
        if (note == 38 || note == 40) state.snare = true;
        if (note == 49 || note == 52 || note == 55 || note == 57) continue;  // cymbals
        if (note < kLowestDrumNote || note > kHighestDrumNote) note = kLowestDrumNote;
        auto found = std::find(state.notes.begin(), state.notes.end(), note);
        if (found == state.notes.end()) {
            // Notes beyond the grid's rows are left out.
            if (state.notes.size() >= static_cast<std::size_t>(kGridRows)) continue;
            grid.pnInterval[state.notes.size()] = note - kLowestDrumNote;
            found = state.notes.insert(state.notes.end(), note);
        }
        grid.Cell(static_cast<int>(found - state.notes.begin()), static_cast<int>(step)) = 1;
    }
}

int ClassifyScale(const ScaleString& scale, int tonic) {
    bool tone[12];
    int tones = 0;
    for (int i = 0; i < 12; ++i) {
        tone[i] = scale.text[4 + ((tonic % 12 + 12) % 12 + i) % 12] == '9';
        tones += tone[i] ? 1 : 0;
    }
    if (tones > 6) return 1;  // "Diatonic"
    for (int i = 0; i < 12; ++i)
        if (tone[i] && tone[(i + 1) % 12]) return 3;  // "CEFGB"
    return 2;                                         // "CDEGA"
}
