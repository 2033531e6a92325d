// The edited tune: its section table, channel queries and edits, the checks,
// the chord-change moves and the write-and-read-back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <vector>

#include "tests/midi/smf_test_util.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/chord_change.h"
#include "tuneedit/edit_object.h"

namespace {

using tuneedit_test::SaveTune;

TEST(SectionTable, StartsEndAndNoTracks) {
    const std::string path = SaveTune("t.mid", {{0, "C"}, {384, "Am"}, {768, "F M7"}},
                                      {{1, 0, 60, 96}, {1, 768, 64, 100 - 768 + 768}});
    EditObject edit(path);
    const EditedTune& tune = edit.Tune();
    ASSERT_EQ(tune.SectionCount(), 3);
    EXPECT_EQ(tune.SectionCode(1), "AmPd");
    EXPECT_EQ(tune.SectionCode(2), "FMPS");
    EXPECT_EQ(tune.MarkerText(2), "F M7");
    EXPECT_EQ(tune.SectionStart(1), 384);
    // The last note ends at 868: rounded up to a multiple of 48.
    EXPECT_EQ(tune.SectionStart(3), 912);

    const std::string early = SaveTune("e.mid", {{0, "C"}}, {{1, 0, 60, 100}});
    EXPECT_EQ(EditObject(early).Tune().SectionEnd(0), 144);

    MidiF1Data empty(96);
    const std::string none = testing_support::ScratchDir() + "/none.mid";
    empty.SaveFile(none);
    EXPECT_EQ(EditObject(none).Tune().SectionCount(), 0);
}

TEST(SectionTable, OtherDivisionIsRescaledAndSameTicksWarnOnce) {
    const std::string path =
        SaveTune("d.mid", {{0, "C"}, {0, "G"}, {480, "Am"}, {480, "F"}}, {{1, 0, 60, 480}}, 480);
    testing_support::Sink().Clear();
    EditObject edit(path);
    EXPECT_EQ(edit.Tune().division, 96);
    EXPECT_EQ(edit.Tune().SectionStart(2), 96);
    const auto texts = testing_support::Sink().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("There are some markers at the same point!"), std::string::npos);
}

TEST(EditedTune, ChannelQueriesAndEdits) {
    const std::string path = SaveTune("c.mid", {{0, "C"}}, {{1, 0, 60, 96}, {9, 0, 36, 10}});
    EditObject edit(path);
    EditedTune& tune = edit.Tune();
    EXPECT_EQ(tune.FindTrackByChannel(1), 1);
    EXPECT_EQ(tune.FindTrackByChannel(9), 2);
    EXPECT_EQ(tune.FindTrackByChannel(3), -1);
    EXPECT_EQ(tune.GetChannelProgram(1), 5);
    EXPECT_EQ(tune.GetChannelProgram(3), 256);
    tune.SetChannelProgram(1, 40);
    tune.SetChannelVolume(1, 77);
    const int added = tune.AddTrack();
    EXPECT_EQ(added, 3);
    tune.Track(added)->AddControlChange(4, 0, 1);
    EXPECT_EQ(tune.GetChannelProgram(4), -1);
    EXPECT_TRUE(tune.SetMarkerText("Dm", 0));
    EXPECT_FALSE(tune.SetMarkerText("Dm", 1));

    ASSERT_EQ(tune.SaveAndReload(edit.Path()), 1);
    EditObject again(edit.Path());
    EXPECT_EQ(again.Tune().GetChannelProgram(1), 40);
    EXPECT_EQ(again.Tune().MarkerText(0), "Dm");
    bool volume = false;
    for (const MidiEvent* e : again.Tune().Track(1)->Events())
        volume = volume || (e->kind == event_kind::kControlChange && e->value == 77);
    EXPECT_TRUE(volume);
}

TEST(EditedTune, ChecksReportEachFault) {
    const std::string path = SaveTune("k.mid", {{0, "C"}}, {{1, 0, 60, 96}, {1, 96, 62, 96}});
    EditObject edit(path);
    EditedTune& tune = edit.Tune();
    testing_support::Sink().Clear();
    EXPECT_EQ(tune.CheckNoteKeys() + tune.CheckTracks(), 0);
    tune.Track(1)->Event(2)->note = 130;
    tune.Track(1)->Event(3)->length = 0;
    // A second end of track in the conductor track.
    auto extra = std::make_unique<MidiEvent>(0);
    extra->kind = event_kind::kMeta;
    extra->subtype = meta_type::kEndOfTrack;
    tune.Track(0)->AppendEvent(std::move(extra));
    EXPECT_EQ(tune.CheckNoteKeys(), 1);
    EXPECT_EQ(tune.CheckTracks(), 2);
    EXPECT_EQ(testing_support::Sink().Count(), 3u);
}

TEST(EditedTune, FailedWriteIsReportedAndReturnsZero) {
    const std::string path = SaveTune("w.mid", {{0, "C"}}, {{1, 0, 60, 96}});
    EditObject edit(path);
    testing_support::Sink().Clear();
    EXPECT_EQ(edit.Tune().SaveAndReload(testing_support::ScratchDir() + "/missing/dir/x.mid"), 0);
    EXPECT_GE(testing_support::Sink().Count(), 1u);
    // The tune is still whole and can be saved where it lives.
    EXPECT_EQ(edit.Tune().TrackCount(), 2);
    EXPECT_EQ(edit.Tune().SaveAndReload(path), 1);
}

// Notes whose note-off falls on the tick of their note-on stay in the edited
// tune, one tick long, beside the others of their chord, at any resolution.
TEST(EditedTune, NotesOfNoLengthAreKept) {
    // (tick, key, length) of every channel's notes.
    const std::vector<std::array<int, 3>> notes = {{0, 60, 0},  {0, 64, 40},  {0, 67, 0},
                                                   {17, 62, 0}, {45, 65, 11}, {90, 69, 0},
                                                   {90, 71, 0}, {131, 72, 3}, {200, 74, 0}};
    for (int division : {30, 96, 480}) {
        SCOPED_TRACE(division);
        smf_test::Bytes file =
            smf_test::Join({smf_test::Header(1, 4, division),
                            smf_test::Chunk({0, 0xFF, 0x06, 1, 'C', 0, 0xFF, 0x2F, 0})});
        for (int channel : {0, 3, 9}) {
            // (tick, order, status, key, velocity): at one tick earlier notes
            // end first and an empty note ends right after it starts, every
            // other one by a note-on of velocity 0.
            std::vector<std::array<int, 5>> timed;
            for (int n = 0; n < static_cast<int>(notes.size()); ++n) {
                const auto [tick, key, length] = notes[static_cast<std::size_t>(n)];
                timed.push_back({tick, 2 * n + 1, 0x90 | channel, key, 100});
                timed.push_back({tick + length, length == 0 ? 2 * n + 2 : 0,
                                 (n % 2 ? 0x90 : 0x80) | channel, key, 0});
            }
            std::sort(timed.begin(), timed.end());
            smf_test::Bytes body;
            int last = 0;
            for (const auto& [tick, order, status, key, velocity] : timed) {
                body.insert(
                    body.end(),
                    {static_cast<std::uint8_t>(tick - last), static_cast<std::uint8_t>(status),
                     static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(velocity)});
                last = tick;
            }
            body.insert(body.end(), {0, 0xFF, 0x2F, 0});
            file = smf_test::Join({file, smf_test::Chunk(body)});
        }
        EditedTune tune(static_cast<int>(file.size()), file.data());
        for (int channel : {0, 3, 9}) {
            std::multiset<std::pair<long long, int>> expected, kept;
            for (const auto& [tick, key, length] : notes)
                expected.emplace(tick * kEditDivision / division, key);
            const MidiF1TrackData* track = tune.Track(tune.FindTrackByChannel(channel));
            ASSERT_NE(track, nullptr);
            long long now = 0;
            for (const MidiEvent* e : track->Events()) {
                now += e->delta;
                if (e->IsNoteWithLength()) kept.emplace(e->length >= 1 ? now : -1, e->note);
            }
            EXPECT_EQ(kept, expected) << "channel " << channel;
        }
    }
}

TEST(ChordChange, WorkedExample) {
    ChordShifts s;
    EXPECT_EQ(ChordToneShifts(s, "CMPS", "DmPs"), 2);
    EXPECT_EQ(s.shift, (std::array<int, 4>{2, 1, 2, 1}));
    EXPECT_EQ(MapPitchToNewChord(64, s), 65);  // E4, the old third
    EXPECT_EQ(MapPitchToNewChord(61, s), 63);  // no chord tone: the root's shift
    ChordShifts none;
    EXPECT_EQ(ChordToneShifts(none, "NoCd", "DmPs"), 0);
    EXPECT_EQ(MapPitchToNewChord(64, none), 64);
}

// X -> Y -> X gives every chord tone of X its pitch class back, and every key
// stays in 0..127, over all pairs of codes.
TEST(ChordChange, ThereAndBackRestoresChordTones) {
    const std::string roots = "CdDeEFgGaAbB";
    std::vector<std::string> codes;
    for (char r : roots)
        for (const char* body : {"MP", "mP", "md"})
            for (char s : {'d', 's', 'S'})
                codes.push_back(std::string{r, body[0], body[1], s});
    for (const std::string& x : codes) {
        for (const std::string& y : codes) {
            ChordShifts there, back;
            ChordToneShifts(there, x, y);
            ChordToneShifts(back, y, x);
            for (int tone : there.oldTone) {
                for (int key : {tone, tone + 60, tone + 120}) {
                    if (key > 127) continue;
                    const int moved = MapPitchToNewChord(key, there);
                    const int home = MapPitchToNewChord(moved, back);
                    ASSERT_EQ(home % 12, tone % 12) << x << " " << y << " " << key;
                    ASSERT_TRUE(moved >= 0 && moved <= 127 && home >= 0 && home <= 127);
                }
            }
        }
    }
}

TEST(ChordChange, OnlySectionNotesOfPitchedTracksMove) {
    const std::string path = SaveTune(
        "m.mid", {{0, "C"}, {384, "C"}, {768, "C"}},
        {{1, 0, 60, 96}, {1, 384, 64, 96}, {1, 768, 67, 96}, {9, 384, 36, 10}, {2, 400, 48, 96}});
    EditObject edit(path);
    EditedTune& tune = edit.Tune();
    ChordShifts s;
    ChordToneShifts(s, "CMPd", "DMPd");
    s.start = tune.SectionStart(1);
    s.end = tune.SectionEnd(1);
    MapChordChangeAllTracks(tune, s);
    std::multiset<int> keys;
    for (int t = 1; t < tune.TrackCount(); ++t)
        for (const MidiEvent* e : tune.Track(t)->Events())
            if (e->IsNoteWithLength()) keys.insert(e->note);
    EXPECT_EQ(keys, (std::multiset<int>{60, 66, 67, 36, 50}));
}

}  // namespace
