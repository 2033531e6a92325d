#include "style/style_wizard.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/key_setup.h"
#include "style/style_table.h"

StyleProfile StyleWizardParams{};

namespace {

constexpr int kStart = 10;
constexpr int kPlayers = 8;
constexpr int kSolidSoft = 10;
constexpr int kProgramsBelowBass = 112;  // the Bass is never given 112..127

bool Used(int voice) {
    return voice != kVoiceNotUsed;
}

const ProfileRow* FindRow(ProfileTable table, int value) {
    for (const ProfileRow& row : ProfileRows(table))
        if (row.value == value) return &row;
    return nullptr;
}

void AddRow(StyleProfile& p, ProfileTable table, int value) {
    const ProfileRow* row = FindRow(table, value);
    if (!row) return;
    for (int k = 0; k < 8; ++k) p[kProfileRowOrder[k]] += row->change[k];
}

// Special sounds and instrument groups (128 and up) have no row.
void AddInstrument(StyleProfile& p, int voice) {
    if (voice < 0 || voice >= kProfilePrograms) return;
    const InstrumentProfileRow& row = InstrumentProfileRows()[static_cast<std::size_t>(voice)];
    for (int k = 0; k < 7; ++k) p[kInstrumentRowOrder[k]] += row.change[k];
}

// A sharp envelope sounds solid, a slow one soft.
void AddEnvelope(StyleProfile& p, const MixBlock& mix) {
    for (int value : {mix.attack, mix.decay, mix.release}) {
        if (value > 75) p[kSolidSoft] -= 1;
        if (value < 55) p[kSolidSoft] += 1;
    }
}

void AddTempo(StyleProfile& p, int tempo) {
    const int scaled = tempo / 100;
    for (const TempoProfileRow& row : TempoProfileRows()) {
        if (row.threshold > scaled) continue;
        for (int k = 0; k < 8; ++k) p[kProfileRowOrder[k]] += row.change[k];
        return;
    }
}

// The players and the instruments' sounds.
void AddParts(StyleProfile& p, const MusicStyle& s) {
    const int melody = s.voice[kPartMelody];
    auto apart = [&](int part) { return Used(s.voice[part]) && s.voice[part] != melody; };
    constexpr struct {
        int part;
        int players;
    } kApart[] = {{kPartBass, 2}, {kPartHarmony, 6}, {kPartObbligato, 2}, {kPartSubHarmony, 4}};
    for (auto [part, players] : kApart)
        if (apart(part)) p[kPlayers] += players;
    if (Used(s.voice[kPartSubDrum])) p[kPlayers] += 2;
    if (Used(s.voice[kPartDrum])) p[kPlayers] += 4;
    if (Used(s.voice[kPartEnvironment])) p[kPlayers] += 2;

    if (Used(melody)) AddInstrument(p, melody);
    AddEnvelope(p, s.mix[kPartMelody]);
    if (apart(kPartHarmony)) {
        AddInstrument(p, s.voice[kPartHarmony]);
        AddEnvelope(p, s.mix[kPartHarmony]);
    }
    for (int part : {kPartSubHarmony, kPartObbligato})
        if (apart(part)) AddInstrument(p, s.voice[part]);
}

void AddRhythm(StyleProfile& p, const MusicStyle& s) {
    const int t = s.basicBeat / 3;
    const bool drum = Used(s.voice[kPartDrum]);
    p[2] += t;
    p[3] -= t;
    p[3] += drum ? 3 : -5;
    if (Used(s.voice[kPartSubDrum])) p[3] += 4;
    if (s.voice[kPartDrum] == kElectricSet) p[1] -= 1;
    if (s.voice[kPartDrum] == kEthnicSet) p[1] += 2;
    if (drum) AddRow(p, ProfileTable::kRhythmPattern, s.rhythmPattern);
}

// The profile of the style as its key set-up leaves it: a minor blues
// style is set up in C major, and the solver must see what will be used.
StyleProfile ProfileAsSetUp(MusicStyle& style) {
    const int key = style.key;
    style.key = KeyAfterSetup(style, key != 1);
    StyleProfile profile = ComputeStyleProfile(style);
    style.key = key;
    return profile;
}

// Tries every candidate in field and keeps the one nearest to the target;
// an equal distance replaces the kept value on a coin toss.
template <typename Candidates>
void KeepNearest(const StyleProfile& target, MusicStyle& style, std::int32_t& field,
                 const Candidates& candidates) {
    int kept = field;
    int best = -1;
    candidates([&](int value) {
        field = value;
        const int distance = StyleProfileDistance(target, ProfileAsSetUp(style));
        if (best < 0 || distance < best || (distance == best && RandomInRange(1, 2) == 1)) {
            kept = value;
            best = distance;
        }
    });
    field = kept;
}

void TuneRows(const StyleProfile& target, MusicStyle& style, std::int32_t& field,
              ProfileTable table) {
    KeepNearest(target, style, field, [table](auto&& visit) {
        for (const ProfileRow& row : ProfileRows(table)) visit(row.value);
    });
}

void TunePrograms(const StyleProfile& target, MusicStyle& style, int part, int programs) {
    KeepNearest(target, style, style.voice[part], [programs](auto&& visit) {
        for (int program = 0; program < programs; ++program) visit(program);
    });
}

// The parts tuned after the Melody, in order.
constexpr int kTunedParts[] = {kPartObbligato, kPartHarmony, kPartSubHarmony, kPartBass};

void TuneInstruments(const StyleProfile& target, MusicStyle& style) {
    const int melody = style.voice[kPartMelody];
    bool shares[kStylePartSlots] = {};
    for (int part : kTunedParts) shares[part] = style.voice[part] == melody;
    if (Used(melody)) {
        // A Bass that follows the Melody must still end below 112.
        const int programs = shares[kPartBass] ? kProgramsBelowBass : kProfilePrograms;
        TunePrograms(target, style, kPartMelody, programs);
        for (int part : kTunedParts)
            if (shares[part]) style.voice[part] = style.voice[kPartMelody];
    }
    for (int part : kTunedParts) {
        const int voice = style.voice[part];
        if (!Used(voice) || voice == style.voice[kPartMelody]) continue;
        TunePrograms(target, style, part,
                     part == kPartBass ? kProgramsBelowBass : kProfilePrograms);
    }
}

struct FreshMix {
    int part;
    std::uint8_t MixBlock::*byte;
    int low;
    int high;
};
constexpr FreshMix kFreshMix[] = {
    {kPartHarmony, &MixBlock::volume, 80, 100},
    {kPartSubHarmony, &MixBlock::volume, 80, 100},
    {kPartMelody, &MixBlock::volume, 100, 120},
    {kPartBass, &MixBlock::volume, 80, 110},
    {kPartObbligato, &MixBlock::volume, 80, 110},
    {kPartSubDrum, &MixBlock::volume, 70, 100},
    {kPartDrum, &MixBlock::volume, 50, 90},
    {kPartHarmony, &MixBlock::chorus, 50, 80},
    {kPartMelody, &MixBlock::chorus, 40, 90},
    {kPartBass, &MixBlock::chorus, 40, 90},
    {kPartObbligato, &MixBlock::chorus, 40, 90},
    {kPartSubDrum, &MixBlock::chorus, 40, 90},
    {kPartDrum, &MixBlock::chorus, 40, 90},
    {kPartHarmony, &MixBlock::reverb, 30, 100},
    {kPartMelody, &MixBlock::reverb, 20, 110},
    {kPartBass, &MixBlock::reverb, 40, 90},
    {kPartObbligato, &MixBlock::reverb, 40, 90},
    {kPartSubDrum, &MixBlock::reverb, 40, 90},
    {kPartDrum, &MixBlock::reverb, 40, 90},
    {kPartMelody, &MixBlock::brightness, 40, 90},
    {kPartObbligato, &MixBlock::brightness, 40, 90},
    {kPartBass, &MixBlock::brightness, 40, 90},
    {kPartHarmony, &MixBlock::brightness, 40, 90},
};

}  // namespace

StyleProfile ComputeStyleProfile(const MusicStyle& s) {
    StyleProfile p;
    p.fill(kStart);
    p[kPlayers] = 0;
    AddParts(p, s);
    AddRow(p, ProfileTable::kScale, s.scale);
    p[0] += 4 * (s.key == 1) - 2;
    AddRow(p, ProfileTable::kChordProgression, s.chordProgression);
    p[4] += s.melody[kPartMelody].dissonance / 2;
    if (Used(s.voice[kPartHarmony])) AddRow(p, ProfileTable::kHarmonyPattern, s.harmonyPattern);
    if (Used(s.voice[kPartSubHarmony]))
        AddRow(p, ProfileTable::kHarmonyPattern, s.subHarmonyPattern);
    AddRow(p, ProfileTable::kAlgorithm, s.melody[kPartMelody].algorithm);
    AddTempo(p, s.tempo);
    AddRow(p, ProfileTable::kBassPattern, s.bassPattern);
    AddRhythm(p, s);
    for (int& value : p) value = std::clamp(value, kProfileMin, kProfileMax);
    return p;
}

void ComputeStyleProfile() {
    auto style = std::make_unique<MusicStyle>();
    GetWorkingStyle(*style);
    StyleWizardParams = ComputeStyleProfile(*style);
}

int StyleProfileDistance(const StyleProfile& target, const StyleProfile& profile) {
    std::int64_t sum = 0;
    for (int k = 0; k < kProfileValues; ++k)
        sum += std::llabs(static_cast<std::int64_t>(target[k]) - profile[k]);
    return static_cast<int>(std::min<std::int64_t>(sum, INT_MAX));
}

void PickNearestStyle(const StyleProfile& target, MusicStyle& out) {
    auto entry = std::make_unique<MusicStyle>();
    int bestIndex = 0;
    std::int64_t bestGap = -1;
    int bestDistance = 0;
    for (int index = 0; index < kStyleEntries; ++index) {
        GetStyleEntry(index / kStyleSlots, index % kStyleSlots, *entry);
        entry->key = KeyAfterSetup(*entry, entry->key != 1);
        const StyleProfile profile = ComputeStyleProfile(*entry);
        const std::int64_t gap = std::llabs(static_cast<std::int64_t>(target[kPlayers]) -
                                            profile[kPlayers]);
        const int distance = StyleProfileDistance(target, profile);
        if (bestGap < 0 || gap < bestGap || (gap == bestGap && distance < bestDistance) ||
            (gap == bestGap && distance == bestDistance && RandomInRange(1, 2) == 1)) {
            bestIndex = index;
            bestGap = gap;
            bestDistance = distance;
        }
    }
    GetStyleEntry(bestIndex / kStyleSlots, bestIndex % kStyleSlots, out);
    out.key = KeyAfterSetup(out, out.key != 1);
}

void TuneStyleToProfile(const StyleProfile& target, MusicStyle& style) {
    TuneRows(target, style, style.harmonyPattern, ProfileTable::kHarmonyPattern);
    TuneRows(target, style, style.subHarmonyPattern, ProfileTable::kHarmonyPattern);
    TuneRows(target, style, style.bassPattern, ProfileTable::kBassPattern);
    TuneRows(target, style, style.rhythmPattern, ProfileTable::kRhythmPattern);
    TuneRows(target, style, style.scale, ProfileTable::kScale);
    TuneRows(target, style, style.chordProgression, ProfileTable::kChordProgression);
    TuneInstruments(target, style);
    for (const FreshMix& fresh : kFreshMix)
        style.mix[fresh.part].*fresh.byte =
            static_cast<std::uint8_t>(RandomInRange(fresh.low, fresh.high));
}

void SolveStyleWizard() {
    ShellWaitCursor wait;
    const StyleProfile target = StyleWizardParams;
    auto style = std::make_unique<MusicStyle>();
    PickNearestStyle(target, *style);
    TuneStyleToProfile(target, *style);
    SetWorkingStyle(*style);
    ComputeStyleProfile();
}
