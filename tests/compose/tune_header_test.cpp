#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "compose/knowledge_base.h"
#include "compose/melody_stages.h"
#include "compose/part_writer.h"
#include "compose/tune_header.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "tests/compose/progression_test_util.h"
#include "tests/support/test_support.h"

namespace {

class TuneHeader : public compose_test::ProgressionFixture {
protected:
    void SetUp() override {
        ProgressionFixture::SetUp();
        ResetComposerState();
        testing_support::Sink().Clear();
        savedSettings_ = AppSettings;
        savedOutput_ = TheComposerState.outputType;
        AppSettings.StartAt2ndBar = 0;
        AppSettings.WriteChords = 1;
        AppSettings.SoundGenerator = 0;
        TheComposerState.outputType = 2;
        KeyChangeMark[0] = KeyChangeMark[1] = 0;
    }
    void TearDown() override {
        AppSettings = savedSettings_;
        TheComposerState.outputType = savedOutput_;
        KeyChangeMark[0] = KeyChangeMark[1] = 0;
        ResetComposerState();
        ProgressionFixture::TearDown();
    }

private:
    AppSettingsRecord savedSettings_{};
    int savedOutput_ = 2;
};

int Boxes(const std::string& text) {
    int n = 0;
    for (const std::string& box : testing_support::Sink().Texts())
        n += box.find(text) != std::string::npos;
    return n;
}

struct Meta {
    long long time;
    int type;
    std::string data;
};

std::vector<Meta> Metas(const MidiTrackData& track) {
    std::vector<Meta> out;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (e->kind == event_kind::kMeta)
            out.push_back({t, e->subtype,
                           std::string(reinterpret_cast<const char*>(e->GetData()),
                                       static_cast<std::size_t>(e->DataLength()))});
    }
    return out;
}

TEST_F(TuneHeader, ChordNames) {
    auto name = [](const char* code) { return ChordCodeToName(code); };
    EXPECT_EQ(name("CMPS"), "C M7");
    EXPECT_EQ(name("CMPs"), "C 7");
    EXPECT_EQ(name("AmPs"), "Am 7");
    EXPECT_EQ(name("bmds"), "Bbdim 7");
    EXPECT_EQ(name("NoCd"), "N/C");
    EXPECT_EQ(name("eMPx"), "Eb ");
    // Longer than the eight bytes the name once had.
    EXPECT_EQ(name("bmdS"), "Bbdim M7");
    EXPECT_EQ(name("bMAS"), "Bbaug M7");
    EXPECT_EQ(Boxes("Diminish chord error!"), 0);
    // "dim" after a natural root without "m" keeps the root, with the report.
    EXPECT_EQ(name("CMdS"), "Cdim M7");
    EXPECT_EQ(Boxes("Diminish chord error!"), 1);

    std::string g = name("GMPs");
    AppendOnBass(g, 7 + 4);
    EXPECT_EQ(g, "G 7onB");
    std::string c = "C";
    AppendOnBass(c, -3);
    EXPECT_EQ(c, "C");
    AppendOnBass(c, 13);
    EXPECT_EQ(c, "ConC#");
    EXPECT_EQ(OnBassOffset("04"), 4);
    EXPECT_EQ(OnBassOffset("00"), 0);
    const char empty[2] = {'\0', '\0'};
    EXPECT_EQ(OnBassOffset(empty), 0);
}

TEST_F(TuneHeader, WithoutChordNamesOnlyTheFixedEvents) {
    AppSettings.WriteChords = 0;
    ComposeInfo.Reset();
    ComposeInfo.ClearChords();
    ComposeInfo.AddChord(compose_test::Entry("CMPS", 384), 0);
    WorkingStyle.timeSignature = kMetre34;
    WorkingStyle.key = 2;
    WorkingStyle.keyOffset = 0;
    WorkingStyle.tempo = 600000;
    SeedRandomWith(4242);
    TrackList tracks;
    int count = 0;
    BuildHeaderTrack(tracks, count);
    ASSERT_EQ(count, 1);
    const MidiTrackData& track = *tracks[0];
    std::vector<int> kinds;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        kinds.push_back(e->kind == event_kind::kMeta ? 0x100 + e->subtype : e->kind);
    }
    EXPECT_EQ(kinds,
              (std::vector<int>{event_kind::kSysEx, 0x100 + meta_type::kText, event_kind::kSysEx,
                                0x100 + meta_type::kTimeSignature, 0x100 + meta_type::kKeySignature,
                                0x100 + meta_type::kTempo, 0x100 + meta_type::kEndOfTrack}));
    const std::vector<Meta> metas = Metas(track);
    EXPECT_EQ(metas[0].data, std::string("random_seed 4242") + '\0');
    EXPECT_EQ(metas[1].data.substr(0, 2), std::string("\x03\x02", 2));  // 3/4
    EXPECT_EQ(metas[2].data, std::string("\x00\x01", 2));               // A minor
    delete tracks[0];
}

TEST_F(TuneHeader, MarkersNameEveryChordAtItsTime) {
    AppSettings.StartAt2ndBar = 1;
    ComposeInfo.Reset();
    ComposeInfo.ClearChords();
    ComposeInfo.AddChord(compose_test::Entry("CMPS", 384), 0);
    ComposeInfo.AddChord(compose_test::Entry("GMPs", 384), 4);
    // A chord made without an on-chord text.
    auto* plain = new ChordRecord(compose_test::Entry("AmPs", 192), nullptr);
    ComposeInfo.chords[ComposeInfo.chordCount++] = plain;
    ComposeInfo.AddChord(compose_test::Entry("bmds", 192), 0);
    ComposeTrackData track(note_mode::kLength, 4096);
    BuildHeaderEvents(track);
    std::vector<std::pair<long long, std::string>> markers;
    for (const Meta& m : Metas(track))
        if (m.type == meta_type::kMarker) markers.emplace_back(m.time, m.data);
    const std::vector<std::pair<long long, std::string>> expected = {
        {0, "N/C"}, {384, "C M7"}, {768, "G 7onB"}, {1152, "Am 7"}, {1344, "Bbdim 7"}};
    EXPECT_EQ(markers, expected);
    EXPECT_EQ(Boxes("display data"), 0);
}

TEST_F(TuneHeader, KeySignaturesNameTheKeyOfTheTransposedChords) {
    static constexpr int kSharps[12] = {0, 7, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};
    int checked = 0;
    for (int seed = 1; seed <= 40 && checked < 6; ++seed) {
        for (int minor : {0, 1}) {
            WorkingStyle.transpose = 1;
            WorkingStyle.key = minor ? 2 : 1;
            WorkingStyle.keyOffset = seed % 12;
            WorkingStyle.tuneLength = 40;
            SeedRandomWith(seed);
            std::memcpy(CurrentChordCode, "CMPS", 5);
            ASSERT_EQ(LoadKnowledgeBase(), 1);
            ComposeInfo.Reset();
            GenerateChordProgression();
            compose_test::FitAndCountSteps();
            if (KeyChangeChordIndex[0] < 0 || KeyChangeShift[0] == 0) continue;
            std::vector<int> before;
            for (int c = 0; c < ComposeInfo.chordCount; ++c)
                before.push_back(ComposeInfo.chords[c]->root);
            ASSERT_TRUE(ComposeMelodyBlocks(kPartMelody, ComposeInfo.blockMelodies));
            JoinBlockNoteLists(1, ComposeInfo.blockMelodies, ComposeInfo.melody);
            ApplyKeyChanges(ComposeInfo.melody, true);
            ComposeTrackData track(note_mode::kLength, 1 << 16);
            BuildHeaderEvents(track);
            // Chord start times, and the shift each chord was moved by.
            std::map<long long, int> shiftAt;
            long long t = 0;
            for (int c = 0; c < ComposeInfo.chordCount; ++c) {
                const int now = ComposeInfo.chords[c]->root;
                if (before[c] != 0) shiftAt[t] = ((now - before[c]) % 12 + 12) % 12;
                t += ComposeInfo.chords[c]->length;
            }
            int keys = 0;
            for (const Meta& m : Metas(track)) {
                if (m.type != meta_type::kKeySignature) continue;
                ++keys;
                ASSERT_EQ(m.data.size(), 2u);
                EXPECT_EQ(m.data[1], minor);
                if (m.time == 0 && keys == 1) continue;  // the tune's own key
                ASSERT_TRUE(shiftAt.count(m.time)) << m.time;
                const int key = (WorkingStyle.keyOffset + shiftAt[m.time]) % 12;
                EXPECT_EQ(static_cast<signed char>(m.data[0]), kSharps[key]) << seed;
            }
            EXPECT_GE(keys, 2) << seed;
            ++checked;
        }
    }
    EXPECT_GE(checked, 2);
}

// Everything one tune's melody road writes, as text.
std::string ComposeRoad(int seed) {
    ResetComposerState();
    SeedRandomWith(seed);
    std::memcpy(CurrentChordCode, "CMPS", 5);
    KeyChangeMark[0] = KeyChangeMark[1] = 0;
    if (LoadKnowledgeBase() != 1) return "no knowledge base";
    ComposeInfo.Reset();
    GenerateChordProgression();
    compose_test::FitAndCountSteps();
    std::string text;
    if (!ComposeMelodyBlocks(kPartMelody, ComposeInfo.blockMelodies)) return "stopped";
    const int last = JoinBlockNoteLists(1, ComposeInfo.blockMelodies, ComposeInfo.melody);
    NoteList ending;
    ComposeMelodyEnding(kPartMelody, ending, last);
    ComposeInfo.melody.AppendList(ending);
    ApplyKeyChanges(ComposeInfo.melody, true);
    for (int i = 0; i < ComposeInfo.melody.Count(); ++i) {
        const NoteEvent& e = *ComposeInfo.melody.Event(i);
        text += std::to_string(e.kind) + ":" + std::to_string(e.length) + ":" +
                std::to_string(e.value) + " ";
    }
    TrackList tracks;
    int count = 0;
    BuildHeaderTrack(tracks, count);
    NoteList copy;
    copy.CopyFrom(ComposeInfo.melody);
    BuildMelodyTrack(copy, tracks, count);
    NoteList conductor;
    BuildObbligatoTrack(conductor, tracks, count);
    BuildSubMelodyTrack(tracks, count);
    for (ComposeTrackData* track : tracks) {
        text += "|";
        for (int i = 0; i < track->EventCount(); ++i) {
            const MidiEvent* e = track->Event(i);
            text += std::to_string(e->kind) + "," + std::to_string(e->delta) + "," +
                    std::to_string(e->note) + "," + std::to_string(e->length) + "," +
                    std::to_string(e->velocity) + "," + std::to_string(e->value) + " ";
        }
        delete track;
    }
    return text;
}

TEST_F(TuneHeader, SameSeedAfterTheResetGivesTheSameTune) {
    WorkingStyle.transpose = 1;
    WorkingStyle.tuneLength = 24;
    WorkingStyle.voice[kPartObbligato] = 40;
    WorkingStyle.voice[5] = 41;
    for (int part : {1, 4, 5}) {
        MelodySettings& m = WorkingStyle.melody[part];
        m.noteLength = 3;
        m.lowerLimit = 55;
        m.upperLimit = 84;
        m.algorithm = part == 1 ? 6 : part == 4 ? 3 : 2;
    }
    const std::string first = ComposeRoad(99);
    ASSERT_GT(first.size(), 1000u);
    EXPECT_EQ(ComposeRoad(99), first);
    EXPECT_NE(ComposeRoad(100), first);
}

}  // namespace
