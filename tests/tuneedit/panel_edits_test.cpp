// The edit panels' work on small tunes built note by note: the chord-tone
// raise, the scale mask, paste lengths, dissonant notes and "N/C" sections,
// the harmony delay's pans, octave doubling, the selection's split, the
// delay guard, the entry and exit of "Connect", and the composed rhythm.
#include "tuneedit/panel_edits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "compose/chord_buffer.h"
#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "compose/note_list.h"
#include "style/style_table.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/tune_edits.h"

using tuneedit_test::SaveTune;

namespace {

// (start, key) of every note of the channel's first track.
std::vector<std::pair<long long, int>> NotesOf(int channel) {
    std::vector<std::pair<long long, int>> out;
    const EditedTune& tune = CurrentEditObject()->Tune();
    const int track = tune.FindTrackByChannel(channel);
    if (track < 0) return out;
    long long t = 0;
    for (const MidiEvent* e : tune.Track(track)->Events()) {
        t += e->delta;
        if (e->IsNoteWithLength()) out.emplace_back(t, e->note);
    }
    return out;
}

std::vector<int> PansOf(const MidiF1TrackData& track) {
    std::vector<int> pans;
    for (const MidiEvent* e : track.Events())
        if (e->kind == event_kind::kControlChange && e->subtype == 10) pans.push_back(e->value);
    return pans;
}

class PanelEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        SetCurrentEditObject(nullptr);
        ComposeInfo.ClearChords();
        WorkingStyle = saved_;
    }
    EditedTune& Open(const std::vector<tuneedit_test::Marker>& markers,
                     const std::vector<tuneedit_test::Note>& notes,
                     const std::vector<int>& delayed = {}) {
        return OpenCurrentEditObject(SaveTune("edit_temp.mid", markers, notes, 96, delayed))
            ->Tune();
    }
    // The texts shown, without the code in front of them.
    std::vector<std::string> Texts() {
        std::vector<std::string> out;
        for (const std::string& t : testing_support::Sink().Texts())
            out.push_back(t.rfind("ZAWC", 0) == 0 && t.size() > 13 ? t.substr(13) : t);
        return out;
    }
    MusicStyle saved_{};
};

TEST(ChordToneRaise, WorkedExamplesAndTheTopOfTheRange) {
    MusicStyle saved = WorkingStyle;
    InitMusicStyle(WorkingStyle);
    const ChordRecord cmps = ChordOfCode("CMPS", 384);
    EXPECT_EQ(SnapUpToChordTone(61, cmps), 64);  // C#4 through D4, D#4 to E4
    EXPECT_EQ(SnapUpToChordTone(57, cmps), 59);  // A3 to B3
    const ChordRecord cmin = ChordOfCode("CmPs", 384);
    EXPECT_EQ(SnapUpToChordTone(59, cmin), 60);  // B3 rises to the root
    EXPECT_EQ(SnapUpToChordTone(60, cmin), 60);
    // F9 under A major climbs to A past 127 and comes down an octave.
    EXPECT_EQ(SnapUpToChordTone(125, ChordOfCode("AMPd", 384)), 117);
    // Every key ends on a tone of the chord, inside the range.
    for (const char* code : {"CMPS", "dmPs", "gmds", "AMAd", "BoCd"}) {
        const ChordRecord chord = ChordOfCode(code, 384);
        for (int key = 0; key < 128; ++key) {
            const int moved = SnapUpToChordTone(key, chord);
            ASSERT_GE(moved, 0);
            ASSERT_LE(moved, 127);
            bool tone = false;
            for (int t : {chord.root, chord.third, chord.fifth, chord.seventh})
                tone = tone || (t != 0 && t % 12 == moved % 12);
            ASSERT_TRUE(tone) << code << " " << key;
        }
    }
    WorkingStyle = saved;
}

TEST_F(PanelEditsTest, ScaleMaskOfATuneOnCDAndE) {
    Open({{0, "C"}},
         {{1, 0, 60, 96}, {1, 96, 62, 96}, {1, 192, 64, 96}, {1, 288, 76, 96}, {9, 0, 37, 10}});
    CurrentEditObject()->Tune().BuildScaleMaskFromTune();
    const std::string mask(TuneScaleMask.text, 16);
    EXPECT_EQ(mask.substr(0, 4), "xxxx");
    EXPECT_EQ(mask[4 + 0], '9');
    EXPECT_EQ(mask[4 + 2], '9');
    EXPECT_EQ(mask[4 + 4], '9');
    EXPECT_EQ(std::count(mask.begin(), mask.end(), '9'), 7);
    EXPECT_EQ(std::count(mask.begin(), mask.end(), '3'), 5);
}

TEST_F(PanelEditsTest, PasteFitsAStretchAsLongAsTheClipboardAndNoShorter) {
    // Sections of 200, 150 and 149 ticks.
    Open({{0, "C"}, {200, "C"}, {350, "C"}, {499, "C"}},
         {{1, 0, 60, 40}, {1, 50, 62, 40}, {1, 150, 64, 40}, {1, 360, 65, 40}, {1, 520, 67, 100}});
    ASSERT_EQ(CopyMelody({0, 1}), 1);
    EXPECT_EQ(CurrentEditObject()->ClipboardLength(), 150);
    ASSERT_EQ(PasteMelody({1, 2}), 1);
    EXPECT_TRUE(Texts().empty());
    const auto pasted = NotesOf(1);
    const std::vector<std::pair<long long, int>> expected = {
        {0, 60}, {50, 62}, {150, 64}, {200, 60}, {250, 62}, {350, 64}, {360, 65}, {520, 67}};
    EXPECT_EQ(pasted, expected);
    // One tick short: refused, nothing changes, in memory or on file.
    const std::string before = testing_support::ReadFileText(CurrentEditObject()->Path());
    EXPECT_EQ(PasteMelody({2, 3}), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Paste Data is too long."});
    EXPECT_EQ(NotesOf(1), expected);
    EXPECT_EQ(testing_support::ReadFileText(CurrentEditObject()->Path()), before);
}

TEST_F(PanelEditsTest, CopyAndPasteRefuseSectionsWithoutChord) {
    Open({{0, "C"}, {384, "N/C"}}, {{1, 0, 60, 96}, {1, 400, 62, 96}});
    EXPECT_EQ(CopyMelody({0, 2}), 0);
    EXPECT_EQ(PasteMelodyOnChord({1, 2}), 0);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Can not edit this file!", "Can not edit this file!"}));
}

TEST_F(PanelEditsTest, PasteOnChordMovesNotesOntoTheTargetChord) {
    Open({{0, "C"}, {384, "D"}},
         {{1, 0, 64, 96}, {1, 96, 67, 96}, {1, 384, 50, 96}, {1, 700, 50, 96}});
    ASSERT_EQ(CopyMelody({0, 1}), 1);
    ASSERT_EQ(PasteMelodyOnChord({1, 2}), 1);
    // E (third) and G (fifth) of C become F# and A of D; the stretch
    // pasted over loses its own notes.
    EXPECT_EQ(NotesOf(1),
              (std::vector<std::pair<long long, int>>{{0, 64}, {96, 67}, {384, 66}, {480, 69}}));
}

TEST_F(PanelEditsTest, DeleteDissonantSkipsSectionsWithoutChordAndGoesOn) {
    Open({{0, "C M7"}, {384, "N/C"}, {768, "Dm 7"}},
         {{1, 0, 61, 96}, {1, 96, 57, 96}, {1, 384, 61, 96}, {1, 768, 61, 96}});
    ASSERT_EQ(DeleteDissonantNotes({0, 3}), 1);
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ(NotesOf(1),
              (std::vector<std::pair<long long, int>>{{0, 64}, {96, 59}, {384, 61}, {768, 62}}));
}

TEST_F(PanelEditsTest, DeleteDissonantRefusesWhileTheMelodyIsDelayed) {
    Open({{0, "C"}}, {{1, 0, 61, 96}, {10, 12, 61, 96}}, {kEditMelodyDelayChannel});
    EXPECT_EQ(DeleteDissonantNotes({0, 5}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"The number of chord is worng!",
                                                 "Can not edit if delay is set!"}));
    EXPECT_EQ(NotesOf(1), (std::vector<std::pair<long long, int>>{{0, 61}}));
}

TEST_F(PanelEditsTest, HarmonyDelayTrackSpreadsThePans) {
    EditedTune& tune = Open({{0, "C"}}, {{3, 0, 60, 96}, {3, 96, 64, 96}, {1, 0, 72, 96}});
    const int harmony = tune.FindTrackByChannel(3);
    tune.Track(harmony)->InsertEvent(0, 2, NewControlChange(3, 10, 64));
    WorkingStyle.mix[kPartHarmony].panpot = 20;
    WorkingStyle.mix[kPartHarmony].delay = 12;
    EXPECT_EQ(DelayCaption(kEditHarmonyDelayChannel), "Set Delay");
    ASSERT_EQ(MakeHarmonyDelayTrack(), 1);
    const int delay = tune.FindTrackByChannel(kEditHarmonyDelayChannel);
    ASSERT_GT(delay, 0);
    EXPECT_EQ(PansOf(*tune.Track(delay)), std::vector<int>{108});
    EXPECT_EQ(PansOf(*tune.Track(harmony)), std::vector<int>{60});
    const MidiF1TrackData& copy = *tune.Track(delay);
    const int first = copy.FirstNoteIndex();
    EXPECT_EQ(copy.TimeOf(first), 12);
    std::vector<std::pair<int, int>> fine;
    for (const MidiEvent* e : copy.Events())
        if (e->kind == event_kind::kControlChange && e->subtype != 10 && e->subtype != 7)
            fine.emplace_back(e->subtype, e->value);
    EXPECT_EQ(fine, (std::vector<std::pair<int, int>>{{101, 0}, {100, 1}, {6, 56}, {38, 0}}));
    EXPECT_EQ(DelayCaption(kEditHarmonyDelayChannel), "Remove Delay");
    ToggleHarmonyDelay();
    EXPECT_LT(CurrentEditObject()->Tune().FindTrackByChannel(kEditHarmonyDelayChannel), 0);
}

TEST_F(PanelEditsTest, NoStyleDelayNoDelayTrack) {
    EditedTune& tune = Open({{0, "C"}}, {{3, 0, 60, 96}});
    WorkingStyle.mix[kPartHarmony].delay = 0;
    const int tracks = tune.TrackCount();
    ToggleHarmonyDelay();
    EXPECT_EQ(tune.TrackCount(), tracks);
    EXPECT_EQ(DelayCaption(kEditHarmonyDelayChannel), "Set Delay");
}

TEST_F(PanelEditsTest, OctaveOnAndOffAndTheFirstNoteOfEachGroupKept) {
    Open({{0, "C"}}, {{1, 0, 60, 96}, {1, 96, 120, 96}});
    EXPECT_EQ(OctaveCaption(), "Set Octave");
    ASSERT_EQ(ToggleOctave(), 1);
    EXPECT_EQ(NotesOf(1),
              (std::vector<std::pair<long long, int>>{{0, 60}, {0, 72}, {96, 120}, {96, 108}}));
    EXPECT_EQ(OctaveCaption(), "Remove Octave");
    ASSERT_EQ(ToggleOctave(), 1);
    EXPECT_EQ(NotesOf(1), (std::vector<std::pair<long long, int>>{{0, 60}, {96, 120}}));
    // A chord written first-note-last: the note written first stays.
    Open({{0, "C"}}, {{1, 0, 67, 96}, {1, 0, 60, 96}, {1, 0, 64, 96}, {1, 96, 62, 96}});
    ToggleOctave();
    EXPECT_EQ(NotesOf(1), (std::vector<std::pair<long long, int>>{{0, 67}, {96, 62}}));
}

TEST_F(PanelEditsTest, LocatingSplitsTheChordAtTheSelectionEdges) {
    EditedTune& tune = Open({{0, "C"}}, {{1, 0, 60, 1536}, {1, 1535, 62, 1}});
    const SectionRange range = LocateSelection(4, 7);
    EXPECT_EQ(range.first, 1);
    EXPECT_EQ(range.end, 2);
    ASSERT_EQ(tune.SectionCount(), 3);
    EXPECT_EQ(tune.SectionStart(1), 384);
    EXPECT_EQ(tune.SectionStart(2), 768);
    EXPECT_EQ(tune.SectionCode(1), "CMPd");
    // Located again, nothing more is split.
    const SectionRange again = LocateSelection(4, 7);
    EXPECT_EQ(again.first, 1);
    EXPECT_EQ(tune.SectionCount(), 3);
    // Past the tune's end chords are added and the tune grows to hold them.
    const SectionRange past = LocateSelection(16, 17);
    EXPECT_EQ(past.first, 3);
    ASSERT_EQ(tune.SectionCount(), 5);
    EXPECT_EQ(tune.SectionStart(3), 1536);
    EXPECT_EQ(tune.SectionStart(5), 18 * 96);
    EXPECT_EQ(tune.SectionCode(4), "CMPS");
    EXPECT_FALSE(LocateSelection(-1, -1).Valid());
}

TEST_F(PanelEditsTest, DelayGuardAsksAndDeletesOnOk) {
    Open({{0, "C"}}, {{1, 0, 60, 96}, {10, 12, 60, 96}}, {kEditMelodyDelayChannel});
    EXPECT_EQ(ConfirmDelayRemoval(kEditHarmonyDelayChannel), 0);  // nothing to ask
    EXPECT_TRUE(Texts().empty());
    testing_support::Sink().QueueAnswer(IDCANCEL);
    EXPECT_EQ(ConfirmDelayRemoval(kEditMelodyDelayChannel), 1);
    EXPECT_TRUE(CurrentEditObject()->Tune().HasNotesOnChannel(kEditMelodyDelayChannel));
    testing_support::Sink().QueueAnswer(IDOK);
    EXPECT_EQ(ConfirmDelayRemoval(kEditMelodyDelayChannel), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>(
                           2, "Can't edit. Do you want to cancel Delay and continue?")));
    EditObject reread(CurrentEditObject()->Path());
    EXPECT_FALSE(reread.Tune().HasNotesOnChannel(kEditMelodyDelayChannel));
}

TEST_F(PanelEditsTest, ConnectMovesTheEntryAndExitNotes) {
    // Sections of C at 0, 384 and 768; the middle one is connected.
    Open({{0, "C"}, {384, "C"}, {768, "C"}}, {{1, 0, 60, 96},
                                              {1, 192, 65, 96},
                                              {1, 384, 70, 96},
                                              {1, 480, 62, 96},
                                              {1, 576, 66, 96},
                                              {1, 768, 72, 96}});
    ASSERT_EQ(ConnectSections({1, 2}), 1);
    // The entry note (the note met at the section start's walk) takes the
    // mean of the note before the section and the one two further on,
    // raised onto C; the exit note the mean of its neighbours.
    EXPECT_EQ(NotesOf(1), (std::vector<std::pair<long long, int>>{
                              {0, 60}, {192, 65}, {384, 70}, {480, 72}, {576, 72}, {768, 72}}));
    Open({{0, "C"}}, {{1, 0, 60, 96}, {1, 0, 64, 96}});
    EXPECT_EQ(ConnectSections({0, 1}), 0);
    EXPECT_EQ(ConnectSections({1, 0}), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Can not edit polyphonic melody!",
                                                 "Error in begin and end point!"}));
}

TEST_F(PanelEditsTest, DeleteBeatsTakesMelodyAndItsDelay) {
    Open({{0, "C"}}, {{1, 0, 60, 96}, {1, 96, 62, 96}, {1, 192, 64, 96}, {10, 100, 62, 96}},
         {kEditMelodyDelayChannel});
    ASSERT_EQ(DeleteMelodyBeats(1, 1), 1);
    EXPECT_EQ(NotesOf(1), (std::vector<std::pair<long long, int>>{{0, 60}, {192, 64}}));
    EXPECT_TRUE(NotesOf(10).empty());
    // A harmony range loses the harmony of all its sections, the first one too.
    Open({{0, "C"}, {384, "F"}, {768, "G"}, {1152, "C"}},
         {{3, 0, 60, 96}, {3, 384, 65, 96}, {3, 768, 67, 96}, {3, 1152, 64, 96}});
    ASSERT_EQ(DeleteHarmonyRange({1, 3}), 1);
    EXPECT_EQ(NotesOf(3), (std::vector<std::pair<long long, int>>{{0, 60}, {1152, 64}}));
}

TEST_F(PanelEditsTest, SameSectionsShareCodeLengthAndEvents) {
    EditedTune& tune =
        Open({{0, "C"}, {384, "C"}, {768, "G"}, {1152, "C"}, {1536, "C"}}, {{1, 0, 60, 96},
                                                                            {1, 384, 62, 96},
                                                                            {1, 768, 62, 96},
                                                                            {1, 1152, 62, 96},
                                                                            {1, 1536, 64, 96},
                                                                            {1, 1900, 64, 20}});
    std::vector<int> same;
    EXPECT_EQ(tune.FindSameSections(tune.FindTrackByChannel(1), 1, same), 2);
    EXPECT_EQ(same, (std::vector<int>{1, 3}));
}

TEST(ComposedRhythm, NotesFollowTheListAndNothingStartsAtTheEnd) {
    NoteList notes;
    ChordRecord chord = ChordOfCode("CMPd", 288);
    notes.AppendChord(&chord);
    notes.AppendNote(96, 60);
    notes.AppendNote(96, 0);
    notes.AppendValue(0, 70);  // a mix value, not a note
    notes.AppendNote(96, 62);
    notes.AppendNote(96, 64);
    std::vector<std::unique_ptr<MidiEvent>> events;
    EXPECT_EQ(BuildRhythmEvents(events, 1, 1000, 1288, notes), 288);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(
        std::make_tuple(events[0]->kind, events[0]->delta, events[0]->note, events[0]->length),
        std::make_tuple(event_kind::kNote, 0, 72, 76));
    EXPECT_EQ(std::make_tuple(events[1]->kind, events[1]->delta),
              std::make_tuple(event_kind::kCleared, 96));
    EXPECT_EQ(
        std::make_tuple(events[2]->kind, events[2]->delta, events[2]->note, events[2]->channel),
        std::make_tuple(event_kind::kNote, 96, 74, 1));
}

}  // namespace
