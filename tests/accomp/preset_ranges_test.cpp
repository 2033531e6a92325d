// Every built-in style composed at a fixed seed (a sixth of them at two
// more seeds for the ranges) through the real composer with the backing
// generators installed, and read back from the written file: each part
// sounds where its instrument plays, the bass lies under the melody, a drone
// melody sits on a note of its key, and a second voice or obbligato does not
// grind a semitone against the melody.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/compose_control.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f1_data.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "tests/accomp/composer_scope.h"
#include "tests/support/test_support.h"

namespace {

// Channels of the parts in a composed tune.
constexpr int kMelodyChannel = 1;
constexpr int kBassChannel = 2;
constexpr int kHarmonyChannel = 3;
constexpr int kObbligatoChannel = 4;
constexpr int kSecondVoiceChannel = 6;
constexpr int kSubHarmonyChannel = 7;
constexpr int kChannels = 16;

struct Sounded {
    long long time;
    int length;
    int key;
    int program;  // the General MIDI program sounding on the channel
};

struct ComposedStyle {
    std::string name;  // position and title
    MusicStyle style;
    int ticksPerBar = 0;
    long long end = 0;  // the last sound's end
    std::array<std::vector<Sounded>, kChannels> channels;
};

// The tune in the file as sounding notes per channel, each with the program
// set on its channel before it.
void ReadTune(const std::string& file, ComposedStyle& out) {
    MidiF1Data tune(file, static_cast<int>(WorkBufferSize));
    for (int t = 0; t < tune.TrackCount(); ++t) {
        std::array<int, kChannels> program;
        program.fill(-1);
        long long time = 0;
        for (int i = 0; i < tune.Track(t)->EventCount(); ++i) {
            const MidiEvent* e = tune.Track(t)->Event(i);
            time += e->delta;
            if (e->channel < 0 || e->channel >= kChannels) continue;
            if (e->kind == event_kind::kProgramChange) program[e->channel] = e->value;
            if (!e->IsNoteWithLength() || e->note == 0 || e->velocity == 0) continue;
            out.channels[e->channel].push_back({time, e->length, e->note, program[e->channel]});
            out.end = std::max(out.end, time + e->length);
        }
    }
    for (auto& notes : out.channels)
        std::stable_sort(notes.begin(), notes.end(),
                         [](const Sounded& a, const Sounded& b) { return a.time < b.time; });
}

// One tune of the style at a catalogue position, built under the settings
// of the moment.
void ComposeStyle(int category, int slot, int round, std::vector<std::uint8_t>& buffer,
                  std::vector<ComposedStyle>& catalogue) {
    auto built = std::make_unique<MusicStyle>();
    if (!BuildPresetStyle(category, slot, *built)) return;
    ComposedStyle& c = catalogue.emplace_back();
    c.name = std::to_string(category) + "/" + std::to_string(slot) + " " + FieldText(built->title) +
             " round " + std::to_string(round);
    c.style = *built;
    c.ticksPerBar = TicksPerBar(built->timeSignature);
    SetWorkingStyle(*built);
    SeedRandomWith(4000 + category * 100 + slot + round * 100000);
    ResetComposerState();
    ComposingActive = 1;
    std::size_t length = 0;
    EXPECT_EQ(ComposeOneTune(buffer.data(), &length), 1) << c.name;
    ComposingActive = 0;
    ReadTune(std::string(AppSettings.WorkFolder) + "temp.mid", c);
}

// Every built-in style composed once on the voices it names ("Use Group
// Inst." off: a group would draw any of its instruments at random); the
// globals the composer reads are put back afterwards. Later rounds compose
// every sixth style at other seeds.
std::vector<ComposedStyle> ComposeCatalogue(int round = 0) {
    const ComposerScope scope(testing_support::ScratchDir() + "/");
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::vector<ComposedStyle> catalogue;
    for (int category = 0; category < kStyleCategories; ++category)
        for (int slot = 0; slot < kStyleSlots; ++slot)
            if (round == 0 || (category * kStyleSlots + slot) % 6 == round - 1)
                ComposeStyle(category, slot, round, buffer, catalogue);
    return catalogue;
}

const std::vector<ComposedStyle>& Catalogue() {
    static const std::vector<ComposedStyle> catalogue = ComposeCatalogue();
    return catalogue;
}

// ---- Instrument ranges ----

// The usual range of the instruments of a General MIDI program family,
// lowest and highest key.
struct KeyRange {
    int low;
    int high;
};
constexpr KeyRange kFamilyRanges[16] = {
    {21, 108},  // 0-7 pianos: A0..C8
    {36, 108},  // 8-15 chromatic percussion: marimba C2 .. celesta, glockenspiel C8
    {24, 108},  // 16-23 organs: pedal C1 .. a two-foot stop's C8
    {40, 88},   // 24-31 guitars: E2..E6
    {28, 67},   // 32-39 basses: E1..G4
    {28, 103},  // 40-47 strings and harp: contrabass E1 .. violin G7
    {28, 103},  // 48-55 string ensembles
    {28, 91},   // 56-63 brass: tuba E1 .. trumpet G6
    {36, 88},   // 64-71 saxophones: baritone C2 .. soprano E6
    {60, 96},   // 72-79 flutes, pan flute, shakuhachi, whistle, ocarina: C4..C7
    {24, 96},   // 80-87 synth leads: C1..C7
    {24, 96},   // 88-95 synth pads
    {24, 96},   // 96-103 synth effects
    {40, 96},   // 104-111 sitar, banjo, shamisen, koto, kalimba, bagpipe, fiddle, shanai
    {36, 96},   // 112-119 tinkle bell, steel drums, taiko and other pitched percussion
    {36, 96},   // 120-127 sound effects
};
// Members whose range lies well apart from their family's.
struct ProgramRange {
    int program;
    KeyRange range;
};
constexpr ProgramRange kProgramRanges[] = {
    {15, {43, 93}},   // hammered dulcimer, yangqin: G2..A6
    {21, {41, 93}},   // accordion: F2..A6
    {22, {48, 96}},   // harmonica: C3..C7
    {23, {41, 93}},   // tango accordion
    {29, {35, 88}},   // overdrive guitar, seven strings or tuned down: B1..E6
    {30, {35, 88}},   // distortion guitar
    {52, {40, 84}},   // choir aahs: bass E2 .. soprano C6
    {53, {40, 84}},   // voice oohs
    {54, {40, 84}},   // synth voice
    {68, {58, 91}},   // oboe: Bb3..G6
    {69, {52, 84}},   // English horn: E3..C6
    {70, {34, 75}},   // bassoon: Bb1..Eb5
    {71, {50, 94}},   // clarinet: E3..Bb6
    {72, {74, 108}},  // piccolo: D5..C8
    {74, {48, 98}},   // recorders, great bass to soprano: C3..D7
};
// How far a part may reach past its instrument's usual range.
constexpr int kRangeSlack = 4;

KeyRange RangeOf(int program) {
    for (const ProgramRange& p : kProgramRanges)
        if (p.program == program) return p.range;
    return kFamilyRanges[std::clamp(program, 0, 127) / 8];
}

struct Register {
    int low = 128;
    int high = -1;
    int program = -1;  // a program the notes left the range of, else the last one
};

// Where the notes of a channel lie, and whether any left the range of the
// program it sounded on, whose bottom reaches down to floor where that lies lower.
Register PartRegister(const std::vector<Sounded>& notes, int floor, bool& outside) {
    Register r;
    outside = false;
    for (const Sounded& n : notes) {
        if (n.program < 0) continue;
        const KeyRange range = RangeOf(n.program);
        const bool off =
            n.key < std::min(range.low, floor) - kRangeSlack || n.key > range.high + kRangeSlack;
        if (!outside || off) r.program = n.program;
        outside = outside || off;
        r.low = std::min(r.low, n.key);
        r.high = std::max(r.high, n.key);
    }
    return r;
}

// The silent-pipe effect echoes melody notes ever lower, on purpose, down to
// an octave under the melody's lower limit, which may lie under its
// instrument's range.
int MelodyFloor(const MusicStyle& style) {
    constexpr int kSilentPipe = 9;
    const MelodySettings& m = style.melody[kPartMelody];
    return m.effect == kSilentPipe || m.ornament == kSilentPipe ? m.lowerLimit - 12 : 128;
}

double MeanKey(const std::vector<Sounded>& notes) {
    double sum = 0;
    for (const Sounded& n : notes)
        sum += n.key;
    return notes.empty() ? 0 : sum / static_cast<double>(notes.size());
}

// ---- Keys and clashes ----

// Pitch classes of the key: C major and A minor share their notes.
bool InKey(int key) {
    constexpr bool kDiatonic[12] = {true,  false, true,  false, true,  true,
                                    false, true,  false, true,  false, true};
    return kDiatonic[((key % 12) + 12) % 12];
}

// Minor seconds and minor ninths between two parts held together for at
// least a thirty-second note (a grace note brushing past is not counted);
// with entering, only those where the note of b starts against a sounding
// note of a.
int SemitoneClashes(const std::vector<Sounded>& a, const std::vector<Sounded>& b,
                    bool entering = false) {
    constexpr int kShortestClash = 12;
    int clashes = 0;
    for (const Sounded& x : a) {
        for (const Sounded& y : b) {
            if (y.time >= x.time + x.length) break;
            if (entering && y.time < x.time) continue;
            const long long together =
                std::min(x.time + x.length, y.time + y.length) - std::max(x.time, y.time);
            if (together < kShortestClash) continue;
            const int apart = std::abs(x.key - y.key);
            clashes += apart == 1 || apart == 13;
        }
    }
    return clashes;
}

double Bars(const ComposedStyle& c) {
    return std::max(1.0, static_cast<double>(c.end) / c.ticksPerBar);
}

// ---- Tests ----

// Each part's notes stay where its instrument plays, give or take a few
// semitones; drums, the sub drum and the environmental sound are not held
// to a register, nor the melody's delayed and the harmony's doubled copy.
TEST(BuiltInStyleTunes, EveryPartSoundsWhereItsInstrumentPlays) {
    constexpr int kParts[] = {kMelodyChannel,    kBassChannel,        kHarmonyChannel,
                              kObbligatoChannel, kSecondVoiceChannel, kSubHarmonyChannel};
    int checked = 0;
    std::vector<ComposedStyle> tunes = Catalogue();
    for (int round : {1, 2})
        for (ComposedStyle& c : ComposeCatalogue(round))
            tunes.push_back(std::move(c));
    for (const ComposedStyle& c : tunes) {
        for (int channel : kParts) {
            if (c.channels[channel].empty()) continue;
            ++checked;
            const int floor = channel == kMelodyChannel ? MelodyFloor(c.style) : 128;
            bool outside = false;
            const Register r = PartRegister(c.channels[channel], floor, outside);
            const KeyRange range = RangeOf(r.program);
            EXPECT_FALSE(outside) << c.name << ": channel " << channel << " on program "
                                  << r.program << " plays " << r.low << ".." << r.high
                                  << ", the instrument " << range.low << ".." << range.high;
        }
    }
    EXPECT_EQ(Catalogue().size(), 158u);
    EXPECT_GT(checked, 650);
}

// Where the bass and the melody sound together, the bass is the lower of the
// two nearly always.
TEST(BuiltInStyleTunes, TheBassLiesUnderTheMelody) {
    constexpr double kMostCrossings = 0.1;
    for (const ComposedStyle& c : Catalogue()) {
        const std::vector<Sounded>& melody = c.channels[kMelodyChannel];
        const std::vector<Sounded>& bass = c.channels[kBassChannel];
        if (melody.empty() || bass.empty()) continue;
        int together = 0;
        int crossed = 0;
        for (const Sounded& m : melody) {
            for (const Sounded& b : bass) {
                if (b.time >= m.time + m.length) break;
                if (b.time + b.length <= m.time) continue;
                ++together;
                crossed += b.key >= m.key;
            }
        }
        EXPECT_LE(crossed, kMostCrossings * together)
            << c.name << ": " << crossed << " of " << together;
        EXPECT_LT(MeanKey(bass) + 7, MeanKey(melody)) << c.name;
    }
}

// Melody algorithm 7 puts every note on the middle of the melody's limits:
// that note must belong to the key, on every setting the limits depend on,
// and the composed melody then sounds in the key.
TEST(BuiltInStyleTunes, DroneMelodiesSitOnANoteOfTheirKey) {
    constexpr int kDrone = 7;
    const AppSettingsRecord saved = AppSettings;
    int drones = 0;
    for (int moduleType = 0; moduleType <= 2; ++moduleType) {
        for (int useGroup = 0; useGroup <= 1; ++useGroup) {
            AppSettings.ComposeOutputType = moduleType;
            AppSettings.UseGroupInstruments = useGroup;
            for (int category = 0; category < kStyleCategories; ++category) {
                for (int slot = 0; slot < kStyleSlots; ++slot) {
                    auto style = std::make_unique<MusicStyle>();
                    if (!BuildPresetStyle(category, slot, *style)) continue;
                    const MelodySettings& m = style->melody[kPartMelody];
                    if (m.algorithm != kDrone) continue;
                    ++drones;
                    EXPECT_TRUE(InKey((m.upperLimit + m.lowerLimit) / 2))
                        << FieldText(style->title) << " type " << moduleType << " group "
                        << useGroup << ": " << m.lowerLimit << ".." << m.upperLimit;
                }
            }
        }
    }
    AppSettings = saved;
    EXPECT_GT(drones, 0);
    for (const ComposedStyle& c : Catalogue()) {
        if (c.style.melody[kPartMelody].algorithm != kDrone) continue;
        const std::vector<Sounded>& melody = c.channels[kMelodyChannel];
        const auto inKey = std::count_if(melody.begin(), melody.end(),
                                         [](const Sounded& n) { return InKey(n.key); });
        EXPECT_GE(2 * inKey, static_cast<long>(melody.size())) << c.name;
    }
}

// Where a style asks for little dissonance or none ("Little" 9, "Prohibit"
// 10), a second voice or an obbligato does not grind against the melody: it
// seldom enters a semitone (or a minor ninth) from a sounding melody note,
// and over all such parts minor seconds and ninths sounding together, whichever
// came first, stay rare.
TEST(BuiltInStyleTunes, SecondVoicesDoNotGrindASemitoneAgainstTheMelody) {
    constexpr int kLittleDissonance = 9;
    constexpr double kMostEnteringPerBar = 0.08;
    constexpr double kMostOnAverage = 0.05;
    double total = 0;
    int parts = 0;
    for (const ComposedStyle& c : Catalogue()) {
        if (c.style.melody[kPartMelody].dissonance < kLittleDissonance) continue;
        const std::vector<Sounded>& melody = c.channels[kMelodyChannel];
        for (int channel : {kSecondVoiceChannel, kObbligatoChannel}) {
            const std::vector<Sounded>& second = c.channels[channel];
            if (second.empty()) continue;
            EXPECT_LE(SemitoneClashes(melody, second, true) / Bars(c), kMostEnteringPerBar)
                << c.name << ": channel " << channel;
            total += SemitoneClashes(melody, second) / Bars(c);
            ++parts;
        }
    }
    ASSERT_GT(parts, 50);
    EXPECT_LE(total / parts, kMostOnAverage) << parts << " parts";
}

}  // namespace
