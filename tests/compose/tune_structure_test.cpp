#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "compose/tune_structure.h"
#include "core/conversion_services.h"
#include "midi/f0_data.h"
#include "midi/midi_event.h"
#include "midi/mobile_subtypes.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

constexpr int kDivision = 96;

struct Note {
    int channel;
    long long start;
    int pitch;
    int length;
};

// A mode-2 song of the notes (sorted by start), with program changes first.
std::unique_ptr<MidiF0Data> Song(std::vector<Note> notes, std::vector<std::pair<int, int>> programs,
                                 long long end = -1) {
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, kDivision);
    MidiTrackData& t = *song->Track();
    for (auto [channel, program] : programs)
        t.AddProgramChange(channel, program);
    std::stable_sort(notes.begin(), notes.end(),
                     [](const Note& a, const Note& b) { return a.start < b.start; });
    long long time = 0;
    for (const Note& n : notes) {
        t.AddNote(n.channel, static_cast<int>(n.start - time), n.pitch, 100, n.length);
        time = n.start;
    }
    t.AppendEndOfTrackAt(static_cast<int>(std::max(0LL, end - time)));
    return song;
}

// A fake ringtone model holding the same notes, one slot per channel.
class FakeModel : public MobileDataView {
public:
    struct Slot {
        int number;
        int kind;
        std::vector<MobileEventInfo> events;
    };
    std::vector<Slot> slots;
    int measures = 0;

    int SlotCount() const override { return static_cast<int>(slots.size()); }
    int SlotNumber(int s) const override { return slots[static_cast<std::size_t>(s)].number; }
    int SlotKind(int s) const override { return slots[static_cast<std::size_t>(s)].kind; }
    int EventCount(int s) const override {
        return static_cast<int>(slots[static_cast<std::size_t>(s)].events.size());
    }
    MobileEventInfo Event(int s, int i) const override {
        return slots[static_cast<std::size_t>(s)].events[static_cast<std::size_t>(i)];
    }
    int GetLengthInMeasures() const override { return measures; }
};

FakeModel ModelOf(const std::vector<Note>& notes, const std::vector<std::pair<int, int>>& programs,
                  int measures) {
    FakeModel m;
    m.measures = measures;
    for (int c = 0; c < 16; ++c) {
        FakeModel::Slot slot{c, c == 9 ? 1 : 0, {}};
        for (auto [channel, program] : programs)
            if (channel == c)
                slot.events.push_back({MobileEventInfo::Kind::Meta, 0, program, 0, mobile_code::kProgram});
        std::vector<Note> mine;
        for (const Note& n : notes)
            if (n.channel == c) mine.push_back(n);
        std::stable_sort(mine.begin(), mine.end(),
                         [](const Note& a, const Note& b) { return a.start < b.start; });
        long long time = 0;
        for (const Note& n : mine) {
            slot.events.push_back({MobileEventInfo::Kind::Note, static_cast<int>(n.start - time),
                                   n.pitch, n.length, 0});
            time = n.start;
        }
        if (!slot.events.empty()) m.slots.push_back(slot);
    }
    return m;
}

// Melody on 0 (stepwise eighths, high), bass on 1 (low half notes),
// harmony on 2 (three-note chords), drums on 9, over eight bars.
std::vector<Note> BandNotes() {
    std::vector<Note> notes;
    for (int beat = 0; beat < 32; ++beat) {
        const long long t = beat * kDivision;
        notes.push_back({0, t, 72 + beat % 3, kDivision / 2 - 8});
        notes.push_back({0, t + kDivision / 2, 74 - beat % 3, kDivision / 3});
        if (beat % 2 == 0) notes.push_back({1, t, 36 + beat % 5, 2 * kDivision - 10});
        for (int p : {60, 64, 67})
            notes.push_back({2, t, p + (beat / 4) % 2, kDivision - 4});
        notes.push_back({9, t, 36 + beat % 2 * 2, 20});
    }
    return notes;
}
const std::vector<std::pair<int, int>> kBandPrograms = {{0, 73}, {1, 33}, {2, 48}};

TEST(TuneStructure, NewStructureKnowsOnlyTheDrumChannel) {
    TuneStructure s;
    EXPECT_EQ(s.role[9], tune_role::kDrums);
    EXPECT_EQ(s.FindChannelByRole(tune_role::kDrums), 9);
    EXPECT_EQ(s.FindChannelByRole(tune_role::kMelody), 16);
    EXPECT_EQ(s.reserved[0], 1);
    EXPECT_EQ(s.reserved[255], 1);
}

TEST(TuneStructure, BandGetsTheRolesMeantFromEitherSource) {
    const auto notes = BandNotes();
    auto song = Song(notes, kBandPrograms, 32 * kDivision);
    TuneStructure midi;
    midi.AnalyzeMidiData(*song, kDivision);
    EXPECT_EQ(midi.barCount, 8);
    EXPECT_EQ(midi.usedChannelCount, 4);
    EXPECT_EQ(midi.role[0], tune_role::kMelody);
    EXPECT_EQ(midi.role[1], tune_role::kBass);
    EXPECT_EQ(midi.role[2], tune_role::kHarmony);
    EXPECT_EQ(midi.role[9], tune_role::kDrums);
    EXPECT_EQ(midi.program[1], 33);
    // Each chord note starts while two others of its chord sound.
    EXPECT_EQ(midi.chordNotes[2], 32 * 3);
    EXPECT_EQ(midi.singleNotes[2], 32);

    TuneStructure mobile;
    mobile.AnalyzeMobileData(ModelOf(notes, kBandPrograms, 8));
    for (auto rows : {&TuneStructure::role, &TuneStructure::chordNotes, &TuneStructure::singleNotes,
                       &TuneStructure::leaps, &TuneStructure::steps, &TuneStructure::shortNotes,
                       &TuneStructure::veryShortNotes, &TuneStructure::longNotes,
                       &TuneStructure::program, &TuneStructure::used})
        EXPECT_EQ(midi.*rows, mobile.*rows);
    EXPECT_EQ(Sink().Count(), 0u);
}

// The chord-note count k by walking the following events of the channel,
// as a reader of the file would count it.
TEST(TuneStructure, ChordAndSingleCountsMatchAWalkOverTheFollowingNotes) {
    std::mt19937 random(7);
    for (int round = 0; round < 30; ++round) {
        std::vector<Note> notes;
        const int n = 20 + static_cast<int>(random() % 200);
        for (int i = 0; i < n; ++i)
            notes.push_back({static_cast<int>(random() % 4), static_cast<long long>(random() % 3000),
                             30 + static_cast<int>(random() % 60), static_cast<int>(random() % 400)});
        auto song = Song(notes, {});
        TuneStructure s;
        s.AnalyzeMidiData(*song, kDivision);
        std::array<long long, 16> chord{}, single{};
        const auto events = song->Track()->Events();
        for (std::size_t i = 0; i < events.size(); ++i) {
            const MidiEvent& e = *events[i];
            if (!e.IsNoteWithLength() || e.length <= 0) continue;
            long long sum = 0;
            int k = 0;
            for (std::size_t j = i + 1; j < events.size(); ++j) {
                sum += events[j]->delta;
                if (sum >= e.length) break;
                k += events[j]->IsNoteWithLength() && events[j]->length > 0 &&
                     events[j]->channel == e.channel;
            }
            (k > 0 ? chord : single)[static_cast<std::size_t>(e.channel)] += k > 0 ? k : 1;
        }
        for (int c = 0; c < 16; ++c) {
            EXPECT_EQ(s.chordNotes[static_cast<std::size_t>(c)], chord[static_cast<std::size_t>(c)]);
            EXPECT_EQ(s.singleNotes[static_cast<std::size_t>(c)], single[static_cast<std::size_t>(c)]);
        }
        for (int c = 0; c < 256; ++c)
            ASSERT_TRUE(s.role[static_cast<std::size_t>(c)] >= 0 && s.role[static_cast<std::size_t>(c)] <= 5);
    }
}

TEST(TuneStructure, LoneUpperLineBecomesTheMelody) {
    std::vector<Note> notes;
    for (int i = 0; i < 16; ++i)
        notes.push_back({3, i * 2LL * kDivision, 70 + i % 4, 2 * kDivision});
    TuneStructure s;
    s.AnalyzeMidiData(*Song(notes, {}), kDivision);
    EXPECT_EQ(s.FindChannelByRole(tune_role::kMelody), 3);
    EXPECT_EQ(s.melodyCount, 1);
}

TEST(TuneStructure, WithoutBassOrHarmonyEveryOtherUsedChannelIsHarmony) {
    std::vector<Note> notes;
    for (int i = 0; i < 16; ++i) {
        notes.push_back({0, i * kDivision, 72 + i % 3, kDivision / 2});
        for (int p : {60, 65})
            notes.push_back({1, i * kDivision, p, kDivision});  // tubular bells chords
        notes.push_back({9, i * kDivision, 38, 10});
    }
    TuneStructure s;
    s.AnalyzeMidiData(*Song(notes, {{1, 14}}), kDivision);
    EXPECT_EQ(s.role[0], tune_role::kMelody);
    EXPECT_EQ(s.role[1], tune_role::kHarmony);
    EXPECT_EQ(s.role[9], tune_role::kHarmony);
}

TEST(TuneStructure, ChannelsWithoutSingleNotesTakeHarmonyWithoutDividingByZero) {
    std::vector<Note> notes;
    for (int i = 0; i < 8; ++i)
        for (int p : {40, 44, 47, 52})
            notes.push_back({4, i * kDivision, p, kDivision});
    TuneStructure s;
    s.AnalyzeMidiData(*Song(notes, {}), kDivision);
    EXPECT_EQ(s.singleNotes[4], 8);
    EXPECT_EQ(s.role[4], tune_role::kMelody);  // the one channel is the melody in the end
    EXPECT_EQ(s.role[5], tune_role::kHarmony);  // no single notes: no ratio, role 2
}

TEST(TuneStructure, GsRhythmPartMessagesMarkDrumChannels) {
    for (auto [part, channel] : {std::pair{0x11, 0}, std::pair{0x1A, 10}, std::pair{0x19, 8}}) {
        auto song = Song({{channel, 0, 40, 50}}, {});
        auto* sysex = new MidiEvent(0);
        sysex->kind = event_kind::kSysEx;
        const std::uint8_t bytes[] = {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40,
                                      static_cast<std::uint8_t>(part), 0x15, 0x02, 0x00, 0xF7};
        sysex->SetData(bytes, sizeof bytes);
        song->Track()->InsertEvent(0, 2, sysex);
        TuneStructure s;
        s.AnalyzeMidiData(*song, kDivision);
        EXPECT_EQ(s.role[static_cast<std::size_t>(channel)], tune_role::kDrums) << part;
    }
    // A message cut short is read no further than its bytes.
    auto song = Song({{0, 0, 40, 50}}, {});
    auto* cut = new MidiEvent(0);
    cut->kind = event_kind::kSysEx;
    const std::uint8_t shortBytes[] = {0xF0, 0x05, 0x41, 0x10, 0x42, 0x12, 0x40};
    cut->SetData(shortBytes, sizeof shortBytes);
    song->Track()->InsertEvent(0, 2, cut);
    TuneStructure s;
    s.AnalyzeMidiData(*song, kDivision);
    EXPECT_NE(s.role[0], tune_role::kDrums);
}

TEST(TuneStructure, SwappingMovesEveryRowWithItsChannel) {
    auto song = Song(BandNotes(), kBandPrograms, 32 * kDivision);
    TuneStructure s;
    s.AnalyzeMidiData(*song, kDivision);
    const TuneStructure before = s;
    s.SwapChannels(*song, 2, 5);
    for (auto rows : {&TuneStructure::role, &TuneStructure::used, &TuneStructure::program,
                       &TuneStructure::lowNotes, &TuneStructure::steps, &TuneStructure::chordNotes}) {
        EXPECT_EQ((s.*rows)[5], (before.*rows)[2]);
        EXPECT_EQ((s.*rows)[2], (before.*rows)[5]);
    }
    EXPECT_EQ(song->Track()->CountNotesOfChannel(5), 32 * 3);
    EXPECT_EQ(song->Track()->CountNotesOfChannel(2), 0);
    EXPECT_EQ(Sink().Count(), 0u);

    const TuneStructure swapped = s;
    s.SwapChannels(*song, 9, 3);
    s.SwapChannels(*song, 16, 3);
    s.ClearChannel(*song, -1);
    ASSERT_EQ(Sink().Count(), 3u);
    EXPECT_EQ(Sink().Texts()[0], "TNST32000001 Can not swap drum channel!");
    EXPECT_EQ(Sink().Texts()[1], "TNST32000002 Error occured in channel operation!");
    EXPECT_EQ(s.role, swapped.role);
    EXPECT_EQ(song->Track()->CountNotesOfChannel(9), 32);

    s.ClearChannel(*song, 5);
    EXPECT_EQ(song->Track()->CountNotesOfChannel(5), 0);
    EXPECT_EQ(s.role[5], 0);
    EXPECT_EQ(s.used[5], 0);
    EXPECT_EQ(s.reserved[5], 0);
    TuneStructure::ErrorMsg(0x32000007);
    EXPECT_EQ(Sink().Texts().back(), "TNST32000007 Error occurred in TuneStructure!");
}

TEST(TuneStructure, ModelSlotsOutsideTheRowsAreSkipped) {
    FakeModel m = ModelOf(BandNotes(), kBandPrograms, 8);
    m.slots.push_back({300, 0, {{MobileEventInfo::Kind::Note, 0, 60, 100, 0}}});
    TuneStructure s;
    s.AnalyzeMobileData(m);
    EXPECT_EQ(s.role[9], tune_role::kDrums);
    EXPECT_EQ(s.barCount, 8);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "TNST32000002 Error occured in channel operation!");
}

}  // namespace
