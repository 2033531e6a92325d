// A user's MIDI file as conversion material: the note lists read from a
// track, the choices of the channel-role dialog, loading into a slot with a
// scripted dialog, the slot pick of each tune, and the lists and chords built
// from a small tune.
#include "compose/conversion_material.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "compose/compose_control.h"
#include "compose/melody_stages.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "midi/f0_data.h"
#include "style/style_table.h"
#include "tests/support/scripted_role_dialog.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- A small Standard MIDI File writer, independent of the readers ----

struct SmfNote {
    long long start, length;
    int channel, pitch;
};

void Put16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
void Put32(Bytes& b, long long v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(static_cast<std::uint8_t>(v >> s));
}
void PutVar(Bytes& b, long long v) {
    std::uint8_t tmp[5];
    int n = 0;
    do {
        tmp[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0 && n < 5);
    while (n-- > 0)
        b.push_back(static_cast<std::uint8_t>(tmp[n] | (n > 0 ? 0x80 : 0)));
}

Bytes TrackChunk(const std::vector<SmfNote>& notes) {
    struct Ev {
        long long t;
        int order;
        std::uint8_t s, d1, d2;
    };
    std::vector<Ev> evs;
    for (const SmfNote& n : notes) {
        evs.push_back({n.start, 1, static_cast<std::uint8_t>(0x90 | n.channel),
                       static_cast<std::uint8_t>(n.pitch), 100});
        evs.push_back({n.start + n.length, 0, static_cast<std::uint8_t>(0x80 | n.channel),
                       static_cast<std::uint8_t>(n.pitch), 0});
    }
    std::stable_sort(evs.begin(), evs.end(), [](const Ev& a, const Ev& b) {
        return a.t != b.t ? a.t < b.t : a.order < b.order;
    });
    Bytes body;
    long long at = 0;
    for (const Ev& e : evs) {
        PutVar(body, e.t - at);
        at = e.t;
        body.push_back(e.s);
        body.push_back(e.d1);
        body.push_back(e.d2);
    }
    for (std::uint8_t x : {0x00, 0xFF, 0x2F, 0x00})
        body.push_back(x);
    Bytes chunk{'M', 'T', 'r', 'k'};
    Put32(chunk, static_cast<long long>(body.size()));
    for (std::uint8_t x : body)
        chunk.push_back(x);
    return chunk;
}

// Format 1 puts each channel in a track of its own.
Bytes Smf(int format, int division, const std::vector<SmfNote>& notes) {
    std::vector<Bytes> tracks;
    if (format == 0) {
        tracks.push_back(TrackChunk(notes));
    } else {
        for (int c = 0; c < 16; ++c) {
            std::vector<SmfNote> mine;
            for (const SmfNote& n : notes)
                if (n.channel == c) mine.push_back(n);
            if (!mine.empty()) tracks.push_back(TrackChunk(mine));
        }
    }
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    Put16(out, format);
    Put16(out, static_cast<int>(tracks.size()));
    Put16(out, division);
    for (const Bytes& t : tracks)
        for (std::uint8_t x : t)
            out.push_back(x);
    return out;
}

std::string WriteSmf(const std::string& name, const Bytes& bytes) {
    const std::string path = testing_support::ScratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// A melody on channel 0 over block chords on channel 1 (one per bar) and a
// bass on channel 2, at the division.
std::vector<SmfNote> Song(int division, int bars) {
    std::vector<SmfNote> notes;
    const int chords[4][3] = {{60, 64, 67}, {65, 69, 72}, {67, 71, 74}, {57, 60, 64}};
    const long long bar = 4LL * division;
    for (int b = 0; b < bars; ++b) {
        for (int k = 0; k < 3; ++k)
            notes.push_back({b * bar, bar, 1, chords[b % 4][k] - 12});
        notes.push_back({b * bar, bar, 2, chords[b % 4][0] - 24});
        for (int q = 0; q < 4; ++q)
            notes.push_back({b * bar + q * division, division, 0, chords[b % 4][q % 3] + 12});
    }
    return notes;
}

using testing_support::ScriptedRoleDialog;

struct ConversionMaterialTest : testing::Test {
    void SetUp() override {
        dialog = std::make_shared<ScriptedRoleDialog>();
        SetChannelRoleDialog(dialog);
        std::memset(ConversionInputSlots, 0, sizeof ConversionInputSlots);
        ConversionMaterial.Reset();
        CurrentTuneStructure = std::make_unique<TuneStructure>();
    }
    void TearDown() override {
        SetChannelRoleDialog(nullptr);
        CurrentTuneStructure.reset();
        std::memset(ConversionInputSlots, 0, sizeof ConversionInputSlots);
        ConversionMaterial.Reset();
        ConvertedMelodyNotes.Clear();
        ConvertedObbligatoNotes.Clear();
    }
    std::shared_ptr<ScriptedRoleDialog> dialog;
};

struct Entry {
    int length, pitch;
    bool operator==(const Entry&) const = default;
};
std::vector<Entry> Entries(const NoteList& list) {
    std::vector<Entry> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back({list.Event(i)->length, list.Event(i)->value});
    return out;
}

std::unique_ptr<MidiTrackData> NoteTrack(const std::vector<SmfNote>& notes) {
    auto track = std::make_unique<MidiTrackData>(note_mode::kLength, kMusicDataCapacity);
    MidiTrackData& t = *track;
    long long at = 0;
    for (const SmfNote& n : notes) {
        t.AddNote(n.channel, static_cast<int>(n.start - at), n.pitch, 100, static_cast<int>(n.length));
        at = n.start;
    }
    t.AppendEndOfTrackAt(0);
    return track;
}

}  // namespace

TEST(TrackToNoteList, LongNotesAreCutIntoBarsAndRestsFillTheGaps) {
    // 2000 ticks at 480 are 400 at 96: a bar of the pitch and 16 carried on.
    NoteList out;
    TrackToNoteList(*NoteTrack({{0, 2000, 0, 72}, {2400, 480, 0, 74}}), 480, out);
    EXPECT_EQ(Entries(out), (std::vector<Entry>{{384, 72}, {16, 72}, {80, 0}, {96, 74}}));
    // Rests of pitch 0 are no low notes; a note below 12 is reported once.
    TrackToNoteList(*NoteTrack({{96, 96, 0, 5}, {192, 96, 0, 7}, {288, 96, 0, 60}}), 96, out);
    ASSERT_EQ(Sink().Texts().size(), 1u);
    EXPECT_NE(Sink().Texts()[0].find("The octave of note in invalid in conversion!"),
              std::string::npos);
}

TEST(TrackToNoteList, NotesStayOnTheScaledTimeLineAtEveryDivision) {
    // Each note must start where its absolute time scales to, so a melody
    // never drifts from chords scaled as a whole.
    for (int division : {1, 7, 96, 97, 480, 1000, 32767}) {
        std::vector<SmfNote> notes;
        long long t = 0;
        for (int i = 0; i < 60; ++i) {
            const long long len = 1 + (i * 37 % 5) * division / 3 + division / 2;
            notes.push_back({t, len, 0, 40 + i % 30});
            t += len + (i % 4 == 0 ? division : 0);
        }
        NoteList out;
        TrackToNoteList(*NoteTrack(notes), division, out);
        long long at = 0;
        std::size_t next = 0;
        for (const Entry& e : Entries(out)) {
            ASSERT_GT(e.length, 0);
            ASSERT_LE(e.length, kConvertedBarTicks);
            if (e.pitch != 0 && next < notes.size() && at == notes[next].start * 96 / division) {
                EXPECT_EQ(e.pitch, notes[next].pitch) << division;
                ++next;
            }
            at += e.length;
        }
        EXPECT_EQ(next, notes.size()) << "division " << division;
        EXPECT_EQ(at, (notes.back().start + notes.back().length) * 96 / division);
    }
}

TEST(ChannelRoleChoice, OkChecksAndBarFields) {
    std::array<int, 16> roles{};
    EXPECT_EQ(CheckChannelRoleChoice(roles, 3), kNoMelodySelected);
    roles[0] = roles[3] = tune_role::kMelody;
    EXPECT_EQ(CheckChannelRoleChoice(roles, 3), kMelodyOnlyOne);
    roles[3] = tune_role::kObbligato;
    EXPECT_EQ(CheckChannelRoleChoice(roles, 3), kNoHarmonySelected);
    EXPECT_EQ(CheckChannelRoleChoice(roles, 1), 0u);  // a lone melody needs no chords
    roles[9] = tune_role::kDrums;
    EXPECT_EQ(CheckChannelRoleChoice(roles, 3), 0u);
    roles[9] = 0;
    roles[5] = tune_role::kBass;
    EXPECT_EQ(CheckChannelRoleChoice(roles, 3), 0u);
    for (int role = 0; role <= 5; ++role)
        EXPECT_EQ(ComboEntryToRole(RoleToComboEntry(role)), role);

    EXPECT_EQ(RangeFromFields(3, 6, 20).startBar, 2);
    EXPECT_EQ(RangeFromFields(3, 6, 20).barCount, 4);
    // A start after the end, or fields past the tune, still give bars.
    for (auto [s, e] : {std::pair{9, 2}, {0, 0}, {40, 50}, {-3, 99}}) {
        const MaterialRange r = RangeFromFields(s, e, 8);
        EXPECT_GE(r.startBar, 0);
        EXPECT_GE(r.barCount, 1);
        EXPECT_LE(r.startBar + r.barCount, 8);
    }
    // The handset window: 16 bars after the first note's bar, within the tune.
    EXPECT_EQ(InitialBarWindow(true, 2 * 4 * 480, 480, 40), (std::array<int, 2>{3, 19}));
    EXPECT_EQ(InitialBarWindow(true, 2 * 4 * 480, 480, 10), (std::array<int, 2>{3, 10}));
    EXPECT_EQ(InitialBarWindow(false, 2 * 4 * 480, 480, 10), (std::array<int, 2>{1, 10}));
}

TEST_F(ConversionMaterialTest, RefusedFilesLeaveTheSlotAsItWas) {
    const std::string good = WriteSmf("good.mid", Smf(1, 480, Song(480, 8)));
    ASSERT_EQ(SelectConversionMaterial(good), 1);
    EXPECT_STREQ(ConversionInputSlots[0].Path, good.c_str());
    EXPECT_EQ(ConversionInputSlots[0].Extra[1], 8);

    Bytes format2 = Smf(1, 480, Song(480, 2));
    format2[9] = 2;
    Bytes cut = Smf(0, 480, Song(480, 4));
    cut.resize(cut.size() / 2);
    Bytes timecode = Smf(0, 480, Song(480, 2));
    timecode[12] = 0xE7;
    timecode[13] = 0x28;
    const struct {
        const char* name;
        Bytes bytes;
        const char* box;
    } refused[] = {
        {"drums.mid", Smf(0, 96, {{0, 96, 9, 36}, {96, 96, 9, 38}}),
         "There are no notes for style convert."},
        {"format2.mid", format2, "Error in MIDI format!"},
        {"cut.mid", cut, ""},
        {"timecode.mid", timecode, "Error in MIDI format!"},
    };
    for (const auto& r : refused) {
        Sink().Clear();
        EXPECT_EQ(SelectConversionMaterial(WriteSmf(r.name, r.bytes)), 0) << r.name;
        ASSERT_GE(Sink().Count(), 1u) << r.name;
        EXPECT_NE(Sink().Texts()[0].find(r.box), std::string::npos) << Sink().Texts()[0];
        EXPECT_STREQ(ConversionInputSlots[0].Path, good.c_str()) << r.name;
        EXPECT_EQ(ConversionInputSlots[0].Extra[1], 8);
    }
    // A cancelled dialog changes nothing either.
    dialog->ok = false;
    EXPECT_EQ(SelectConversionMaterial(WriteSmf("other.mid", Smf(0, 96, Song(96, 3)))), 0);
    EXPECT_STREQ(ConversionInputSlots[0].Path, good.c_str());
}

TEST_F(ConversionMaterialTest, OneSlotServesEveryTuneTwoAlternate) {
    std::strcpy(ConversionInputSlots[4].Path, "/nonexistent/a.mid");
    SeedRandomWith(1234);
    for (int tune = 0; tune < 20; ++tune) {
        PickConversionInput();
        EXPECT_EQ(ConversionMaterial.lastSlot, 4);
    }
    std::strcpy(ConversionInputSlots[7].Path, "/nonexistent/b.mid");
    int repeats = 0, previous = ConversionMaterial.lastSlot;
    for (int tune = 0; tune < 6000; ++tune) {
        PickConversionInput();
        const int now = ConversionMaterial.lastSlot;
        ASSERT_TRUE(now == 4 || now == 7);
        repeats += now == previous;
        previous = now;
    }
    // Ten counted draws in a row on the previous slot: about one tune in 1024.
    EXPECT_LT(repeats, 40);
    EXPECT_GT(repeats, 0);
}

TEST_F(ConversionMaterialTest, NoTuneWithoutSlotsOrStructure) {
    Sink().Clear();
    EXPECT_FALSE(PickConversionInput());
    std::strcpy(ConversionInputSlots[2].Path, "/nonexistent/a.mid");
    CurrentTuneStructure.reset();
    EXPECT_FALSE(PickConversionInput());
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(ConversionMaterialTest, MaterialGivesMelodyChordsAndEndsTogether) {
    // Channel 3 doubles the melody a third lower: chosen as a second Melody
    // it must come out as an obbligato of its own; the higher note of two
    // sounding together stays in the melody.
    std::vector<SmfNote> notes = Song(97, 12);
    for (int b = 0; b < 12; ++b)
        notes.push_back({b * 4LL * 97, 97, 0, 50});  // under the first melody note
    const std::string path = WriteSmf("song.mid", Smf(1, 97, notes));
    dialog->start = 3;
    dialog->end = 6;
    ASSERT_EQ(SelectConversionMaterial(path), 1);
    EXPECT_EQ(ConversionInputSlots[0].Extra[0], 2);
    EXPECT_EQ(ConversionInputSlots[0].Extra[1], 4);

    ConvertedObbligatoNotes.AppendNote(96, 60);
    ASSERT_TRUE(PickConversionInput());
    // No obbligato in this material: the previous list is gone.
    EXPECT_EQ(ConvertedObbligatoNotes.Count(), 0);
    EXPECT_EQ(UseConvertedObbligato.load(), 0);
    long long total = 0;
    std::vector<int> pitches;
    for (const Entry& e : Entries(ConvertedMelodyNotes)) {
        total += e.length;
        if (e.pitch) pitches.push_back(e.pitch);
    }
    // Bars 3..6 of the melody, four quarters each, never the low note.
    ASSERT_EQ(pitches.size(), 16u);
    EXPECT_EQ(pitches[0], 67 + 12);  // bar 3 is the third chord's melody
    for (int p : pitches)
        EXPECT_GT(p, 50);
    long long chordTicks = 0;
    {
        std::lock_guard lock(StyleRecordMutex());
        const std::uint8_t* h = WorkingStyle.harmonyStructure;
        for (int i = 0; i < 4090 && (h[i] | h[i + 1]); i += 6)
            chordTicks += h[i] * 256 + h[i + 1];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 2), 1), "G");
    }
    EXPECT_EQ(chordTicks, 4 * 384);
    EXPECT_EQ(total, chordTicks);
}

namespace {

// Stands in for the composer: notes what the conversion prepared.
struct SeenSteps : ComposeSteps {
    int ComposeTune(std::uint8_t*, std::size_t* length) override {
        *length = 0;
        melodyNotes.push_back(ConvertedMelodyNotes.Count());
        running.push_back(ConversionRunning.load());
        return 1;
    }
    std::vector<int> melodyNotes, running;
};

}  // namespace

TEST_F(ConversionMaterialTest, ComposeInMidiStyleRunsOneTuneAndFreesItsStructure) {
    static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
    (void)built;
    const AppSettingsRecord saved = AppSettings;
    SetFieldText(AppSettings.OutputFolder, testing_support::ScratchDir());
    AppSettings.DontPlay = 1;
    ClearStyleSelections();
    ConvertStyleSelection[1] = 1;
    auto steps = std::make_shared<SeenSteps>();
    SetComposeSteps(steps);
    const std::string path = WriteSmf("song.mid", Smf(0, 480, Song(480, 8)));

    // A structure still held is reported and replaced; outside convert mode
    // nothing is composed.
    PanelMode = kPanelModeCompose;
    EXPECT_EQ(ComposeInMidiStyle(path, 0), 0);  // to an XG Standard MIDI File
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_NE(Sink().Texts()[0].find("Error occuerd in tune structure!"), std::string::npos);
    EXPECT_EQ(CurrentTuneStructure, nullptr);

    PanelMode = kPanelModeConvert;
    EXPECT_EQ(ComposeInMidiStyle(path, 0), 1);
    ASSERT_EQ(steps->melodyNotes.size(), 1u);
    EXPECT_GE(steps->melodyNotes[0], 32);
    EXPECT_EQ(steps->running, (std::vector<int>{1}));
    EXPECT_EQ(ConversionRunning.load(), 0);
    EXPECT_EQ(CurrentTuneStructure, nullptr);
    // A refused file composes nothing and keeps the slot.
    EXPECT_EQ(ComposeInMidiStyle(WriteSmf("drums.mid", Smf(0, 96, {{0, 96, 9, 36}})), 0), 0);
    EXPECT_EQ(steps->melodyNotes.size(), 1u);
    EXPECT_STREQ(ConversionInputSlots[0].Path, path.c_str());

    SetComposeSteps(nullptr);
    ClearStyleSelections();
    PanelMode = kPanelModeCompose;
    AppSettings = saved;
}
