#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "compose/compose_info.h"
#include "compose/compose_track.h"
#include "compose/composer_state.h"
#include "compose/conversion_material.h"
#include "compose/melody_pitch.h"
#include "compose/melody_stages.h"
#include "compose/part_effects.h"
#include "compose/part_writer.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"
#include "tests/support/test_support.h"

namespace {

class PartWriter : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        ResetComposerState();
        testing_support::Sink().Clear();
        savedSettings_ = AppSettings;
        savedOutput_ = TheComposerState.outputType;
        AppSettings.StartAt2ndBar = 0;
        TheComposerState.outputType = 2;
        for (int part : {1, 4, 5}) {
            MelodySettings& m = WorkingStyle.melody[part];
            m = MelodySettings{};
            m.noteLength = 3;
            m.lowerLimit = 55;
            m.upperLimit = 84;
            m.algorithm = 6;
            WorkingStyle.voice[part] = 0;
            WorkingStyle.mix[part] = MixBlock{100, 64, 64, 64, 64, 64, 64, 64, 64, 0, 0, {}};
            WorkingStyle.density[part] = 100;
            WorkingStyle.octave[part] = 0;
        }
    }
    void TearDown() override {
        AppSettings = savedSettings_;
        TheComposerState.outputType = savedOutput_;
        ComposeStopRequest = 0;
        ComposeInfo.Reset();
        ComposeInfo.ClearChords();
        ComposeInfo.blockCount = 0;
        ResetComposerState();
        StyleFixture::TearDown();
    }

private:
    AppSettingsRecord savedSettings_{};
    int savedOutput_ = 2;
};

struct Sounded {
    long long time;
    int pitch, length, velocity, channel;
    bool operator==(const Sounded&) const = default;
};

std::vector<Sounded> Notes(const MidiTrackData& track) {
    std::vector<Sounded> notes;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        if (e->IsNoteWithLength() && e->velocity > 0)
            notes.push_back({t, e->note, e->length, e->velocity, e->channel});
    }
    return notes;
}

// Every event a valid message: data bytes 0..127, no negative delta or
// length, a sounding note with a velocity of 1..127.
void ExpectValid(const MidiTrackData& track) {
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        ASSERT_GE(e->delta, 0);
        if (e->IsNoteWithLength()) {
            ASSERT_GE(e->length, 0);
            ASSERT_TRUE(e->note >= 0 && e->note <= 127);
            ASSERT_TRUE(e->velocity >= 0 && e->velocity <= 127);
        } else if (e->kind == event_kind::kControlChange) {
            ASSERT_TRUE(e->subtype >= 0 && e->subtype <= 127);
            ASSERT_TRUE(e->value >= 0 && e->value <= 127) << e->subtype << " " << e->value;
        }
    }
}

void FillList(NoteList& list, const std::vector<std::pair<int, int>>& notes) {
    ChordRecord chord = compose_test::Chord("CMPS");
    list.AppendChord(&chord);
    for (const auto& [length, pitch] : notes)
        list.AppendNote(length, pitch);
}

int Boxes(const std::string& text) {
    int n = 0;
    for (const std::string& box : testing_support::Sink().Texts())
        n += box.find(text) != std::string::npos;
    return n;
}

TEST_F(PartWriter, CrazyTrillTouchesOnlyEighthNotesAndTheLastNoteIsSofter) {
    const std::vector<std::pair<int, int>> notes = {{96, 60},  {48, 62}, {24, 64}, {0, 0},  {48, 0},
                                                    {192, 67}, {48, 65}, {72, 64}, {96, 60}};
    NoteList list;
    FillList(list, notes);
    WorkingStyle.melody[kPartMelody].ornament = 2;
    PartTrack track;
    SeedRandomWith(1);
    RenderPartTrack(list, track, kPartKindMelody);
    EXPECT_EQ(list.Count(), 0);  // cleared once written
    const std::vector<Sounded> got = Notes(track);

    std::vector<Sounded> expected;
    long long t = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const auto [length, pitch] = notes[i];
        const int v = i + 1 == notes.size() ? 48 : 64;
        if (pitch == 0) {
        } else if (length == 48) {
            for (int k = 0; k < 4; ++k)
                expected.push_back({t + 12 * k, k % 2 ? pitch : pitch - 1, 9, v, 1});
        } else {
            expected.push_back({t, pitch, length - 3, v, 1});
        }
        t += length;
    }
    EXPECT_EQ(got, expected);
}

TEST_F(PartWriter, LongNotesSoundOnInPiecesAndTheRestOfThePartIsKept) {
    NoteList list;
    FillList(list, {{96, 60}, {1000, 64}, {432, 0}, {408, 67}, {96, 72}});
    PartTrack track;
    RenderPartTrack(list, track, kPartKindMelody);
    EXPECT_EQ(Boxes("melody note length error!"), 0);
    const std::vector<Sounded> got = Notes(track);
    std::vector<long long> times;
    std::vector<int> pitches;
    for (const Sounded& n : got) {
        times.push_back(n.time);
        pitches.push_back(n.pitch);
        EXPECT_LE(n.length, 384);
    }
    EXPECT_EQ(pitches, (std::vector<int>{60, 64, 64, 64, 67, 67, 72}));
    EXPECT_EQ(times, (std::vector<long long>{0, 96, 480, 864, 1528, 1912, 1936}));
}

// Every ornament over every note length and basic beat (triplet runs leave
// notes of a few ticks at a chord's end): an ornament that does not fit its
// note must not write an event before its predecessor or a note of no length.
TEST_F(PartWriter, EveryOrnamentNoteLengthAndBeatWritesValidEventsInsideThePart) {
    NoteList chords, melody;
    std::vector<std::pair<std::string, int>> codes = {
        {"CMPS", 384}, {"AmPs", 384}, {"FMPS", 768}, {"GMPs", 384}, {"CMPS", 192}};
    int shortNotes = 0;
    for (int beat : {0, 1, 3}) {
        WorkingStyle.basicBeat = beat;
        for (int noteLength = 1; noteLength <= 10; ++noteLength) {
            for (int ornament = 0; ornament <= 20; ++ornament) {
                for (int seed = 1; seed <= 2; ++seed) {
                    const int kind = std::vector<int>{1, 4, 5, 6}[(ornament + seed) % 4];
                    chords.Clear();
                    long long total = 0;
                    for (const auto& [code, length] : codes) {
                        ChordRecord chord(compose_test::Entry(code, length), "00");
                        chords.AppendChord(&chord);
                        total += length;
                    }
                    WorkingStyle.melody[kPartMelody].ornament = 0;
                    WorkingStyle.melody[kPartMelody].noteLength = noteLength;
                    SeedRandomWith(seed * 100 + ornament + 7 * noteLength + beat);
                    GenerateMelodyPart(kPartMelody, chords, melody);
                    for (int i = 0; i < melody.Count(); ++i) {
                        const NoteEvent& e = *melody.Event(i);
                        shortNotes += e.kind == note_kind::kNote && e.length < 13;
                    }
                    WorkingStyle.melody[kPartMelody].ornament = ornament;
                    WorkingStyle.melody[kPartMelody].effect = 0;
                    PartTrack track;
                    RenderPartTrack(melody, track, kind);
                    SCOPED_TRACE(testing::Message() << "beat " << beat << " length " << noteLength
                                                    << " ornament " << ornament);
                    ASSERT_NO_FATAL_FAILURE(ExpectValid(track));
                    for (const Sounded& n : Notes(track)) {
                        ASSERT_EQ(n.channel, kind);
                        ASSERT_GE(n.length, 1);
                        ASSERT_LT(n.time, total);
                        // Kinds 9 and 12 are the melody's special effects.
                        if (ornament != 9 && ornament != 12) {
                            ASSERT_GE(n.pitch, 40);
                        }
                    }
                }
            }
        }
    }
    // The table reaches the short notes the ornaments must fit, though
    // rarely; every length up to a sixteenth is also tried on its own.
    EXPECT_GT(shortNotes, 0);
    for (int ornament = 0; ornament <= 20; ++ornament) {
        for (int seed = 1; seed <= 12; ++seed) {
            std::vector<std::pair<int, int>> notes;
            long long total = 0;
            for (int length = 0; length <= 24; ++length) {
                notes.push_back({length, 60 + length % 12});
                notes.push_back({96, 64});
                total += length + 96;
            }
            NoteList list;
            FillList(list, notes);
            WorkingStyle.melody[kPartMelody].ornament = ornament;
            SeedRandomWith(seed);
            PartTrack track;
            RenderPartTrack(list, track, kPartKindMelody);
            SCOPED_TRACE(testing::Message() << "ornament " << ornament << " seed " << seed);
            ASSERT_NO_FATAL_FAILURE(ExpectValid(track));
            for (const Sounded& n : Notes(track)) {
                ASSERT_GE(n.length, 1);
                ASSERT_LT(n.time, total);
            }
        }
    }
    EXPECT_EQ(Boxes("abbelimenti"), 0);
}

TEST_F(PartWriter, DelayedCopyPansToTheOtherSideWithinADataByte) {
    for (int pan : {20, 64, 120}) {
        WorkingStyle.mix[kPartMelody].delay = 12;
        WorkingStyle.mix[kPartMelody].panpot = static_cast<std::uint8_t>(pan);
        NoteList list;
        FillList(list, {{96, 60}, {96, 64}});
        TrackList tracks;
        int count = 0;
        BuildMelodyTrack(list, tracks, count);
        ASSERT_EQ(count, 2);
        ASSERT_EQ(tracks.size(), 2u);
        auto pans = [](const MidiTrackData& t) {
            std::vector<int> v;
            for (int i = 0; i < t.EventCount(); ++i)
                if (t.Event(i)->kind == event_kind::kControlChange && t.Event(i)->subtype == 10)
                    v.push_back(t.Event(i)->value);
            return v;
        };
        const std::vector<int> copyPans = pans(*tracks[0]);
        const std::vector<int> pans1 = pans(*tracks[1]);
        ASSERT_FALSE(copyPans.empty());
        for (int v : copyPans)
            EXPECT_EQ(v, std::max(pan - 40, 0));
        for (int v : pans1)
            EXPECT_EQ(v, (pan + 40) % 128);
        ExpectValid(*tracks[0]);
        const auto copied = Notes(*tracks[0]);
        const auto plain = Notes(*tracks[1]);
        ASSERT_EQ(copied.size(), plain.size());
        EXPECT_EQ(copied[0].channel, 10);
        EXPECT_EQ(copied[0].time, plain[0].time + 12);
        // The copy carries the mark the editor knows its delay tracks by.
        EXPECT_TRUE(IsDelayTrack(*tracks[0], 10));
        EXPECT_FALSE(IsDelayTrack(*tracks[1], 1));
        for (ComposeTrackData* t : tracks)
            delete t;
    }
}

// A one-block tune of four chords played twice.
void LayOutSmallTune() {
    ComposeInfo.Reset();
    ComposeInfo.ClearChords();
    ComposeInfo.blockCount = 1;
    NoteList& block = *ComposeInfo.blockChords[0];
    block.Clear();
    for (const char* code : {"CMPS", "AmPs", "FMPS", "GMPs"}) {
        ChordRecord chord(compose_test::Entry(code, 384), "00");
        block.AppendChord(&chord);
        ComposeInfo.AddChord(compose_test::Entry(code, 384), 0);
    }
    ComposeInfo.blockSequence[0] = 1;
    ComposeInfo.blockSequence[1] = 1;
    ComposeInfo.blockSequenceLength = 2;
}

TEST_F(PartWriter, ObbligatoAndSubMelodyKeepTheOrnamentKindAndTheirOwnChannels) {
    LayOutSmallTune();
    WorkingStyle.melody[kPartMelody].ornament = 4;
    WorkingStyle.octave[kPartObbligato] = -1;
    WorkingStyle.subMelodyMethod = 0;
    WorkingStyle.table17544[2] = 0;
    NoteList conductor;
    TrackList tracks;
    int count = 0;
    SeedRandomWith(8);
    BuildObbligatoTrack(conductor, tracks, count);
    EXPECT_EQ(WorkingStyle.melody[kPartMelody].ornament, 4);
    BuildSubMelodyTrack(tracks, count);
    EXPECT_EQ(WorkingStyle.melody[kPartMelody].ornament, 4);
    ASSERT_EQ(count, 2);
    const auto obbligato = Notes(*tracks[0]);
    const auto sub = Notes(*tracks[1]);
    ASSERT_FALSE(obbligato.empty());
    ASSERT_FALSE(sub.empty());
    for (const Sounded& n : obbligato) {
        EXPECT_EQ(n.channel, 4);
        EXPECT_LE(n.pitch, 84 - 12);  // an octave down
    }
    for (const Sounded& n : sub)
        EXPECT_EQ(n.channel, 5);

    // A stop request, and parts not used: the kind is still restored.
    ComposeStopRequest = 1;
    BuildObbligatoTrack(conductor, tracks, count);
    EXPECT_EQ(WorkingStyle.melody[kPartMelody].ornament, 4);
    WorkingStyle.voice[kPartObbligato] = kVoiceNotUsed;
    WorkingStyle.voice[5] = kVoiceNotUsed;
    BuildObbligatoTrack(conductor, tracks, count);
    BuildSubMelodyTrack(tracks, count);
    EXPECT_EQ(WorkingStyle.melody[kPartMelody].ornament, 4);
    EXPECT_LE(count, 3);
    for (ComposeTrackData* t : tracks)
        delete t;
}

TEST_F(PartWriter, RhythmicPulseFillsEveryChordOnItsRows) {
    LayOutSmallTune();
    for (int i = 0; i < 6; ++i)
        ComposeInfo.AddChord(compose_test::Entry("CMPS", 288), 0);
    NoteList list;
    SeedRandomWith(4);
    RhythmicPulseList(list);
    std::vector<int> sums, lengths;
    std::vector<int> firstChordRow;
    for (int i = 0; i < list.Count(); ++i) {
        const NoteEvent& e = *list.Event(i);
        if (e.kind == note_kind::kChord) {
            sums.push_back(0);
            lengths.push_back(e.length);
            continue;
        }
        EXPECT_TRUE(e.value == 0 || e.value == 60);
        EXPECT_LE(e.length, 48);
        sums.back() += e.length;
        if (sums.size() == 1) firstChordRow.push_back(e.value ? 1 : 0);
    }
    EXPECT_EQ(sums, lengths);
    EXPECT_EQ(firstChordRow, (std::vector<int>{1, 0, 1, 0, 1, 0, 0, 0}));
}

TEST_F(PartWriter, UnknownPartKindIsReportedAndWritesNothing) {
    NoteList list;
    FillList(list, {{96, 60}});
    PartTrack track;
    RenderPartTrack(list, track, 3);
    EXPECT_EQ(Boxes("track information error!"), 1);
    EXPECT_EQ(track.EventCount(), 0);
}

}  // namespace

TEST_F(PartWriter, LeadInOrnamentsArePlainInAHandsetConversion) {
    // Rests before long notes and 192/96-tick notes: where the jump (19) and
    // pops (11) ornaments add lead-in notes in an ordinary run.
    NoteList list;
    std::vector<std::pair<int, int>> notes;
    for (int i = 0; i < 24; ++i) {
        notes.push_back({96, 0});
        notes.push_back({i % 2 ? 192 : 96, 67 + i % 5});
    }
    const int sounding = 24;
    const int savedType = TheComposerState.outputType;
    for (int ornament : {11, 19}) {
        for (bool conversion : {false, true}) {
            ConversionRunning = conversion ? 1 : 0;
            TheComposerState.outputType = 3;  // a sequenced handset format
            int extra = 0;
            for (int seed = 1; seed <= 8; ++seed) {
                SeedRandomWith(seed);
                WorkingStyle.melody[kPartMelody].ornament = ornament;
                WorkingStyle.melody[kPartMelody].effect = 0;
                PartTrack track;
                FillList(list, notes);  // the writer empties the list
                RenderPartTrack(list, track, kPartKindMelody);
                extra += static_cast<int>(Notes(track).size()) - sounding;
            }
            if (conversion) {
                EXPECT_EQ(extra, 0) << ornament;
            } else {
                EXPECT_GT(extra, 0) << ornament;
            }
        }
    }
    ConversionRunning = 0;
    TheComposerState.outputType = savedType;
}
