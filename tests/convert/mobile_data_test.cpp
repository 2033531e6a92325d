#include "convert/mobile_data.h"

#include <gtest/gtest.h>

#include "convert/mobile_track_data.h"
#include "convert/multi_mobile_track_data.h"
#include "core/reporters.h"
#include "tests/convert/mobile_test_util.h"

using namespace mobile_test;
using testing_support::Sink;

namespace {

const char kDrumWarning[] =
    "MBDT05000001 ドラムで指定されている音が35(バスドラ)～81(オープントライアングル)の範囲内に"
    "ありません。範囲内に調整しました。";

std::vector<int> SlotPrograms(const MobileData& model) {
    std::vector<int> out;
    for (int i = 0; i < model.Count(); ++i)
        out.push_back(model.Slot(i)->GetControlValue(mobile_code::kProgram));
    return out;
}

}  // namespace

TEST(MobileDataBuild, ChordsTakeFreeSlotsAndTheBusiestFreeSlotFirst) {
    MidiF1Data song(96);
    // 0: a long note and a short one make two slots; 96: only the second is
    // free; 400: both are free and the chord's first note goes to the slot
    // with more events.
    AddTrack(song, 0, {{0, 60, 300}, {0, 64, 96}, {96, 67, 48}, {400, 72, 96}, {400, 76, 96}}, 5);
    MobileData model(song, 0x60000);
    ASSERT_EQ(model.Count(), 2);
    EXPECT_EQ(SlotNotes(*model.Slot(0)),
              (std::vector<TimedNote>{{0, 60, 100, 300}, {400, 76, 100, 96}}));
    EXPECT_EQ(SlotNotes(*model.Slot(1)),
              (std::vector<TimedNote>{{0, 64, 100, 96}, {96, 67, 100, 48}, {400, 72, 100, 96}}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(model.Slot(i)->kind, MobileChanelData::kKindMelodic);
        EXPECT_EQ(model.Slot(i)->GetControlValue(mobile_code::kProgram), 5);
        EXPECT_EQ(model.Slot(i)->GetControlValue(mobile_code::kVolume), 127);
    }
    EXPECT_EQ(model.title, "Untitled");
    EXPECT_EQ(model.timeSignature, 1028);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(MobileDataBuild, ANoteNeedingA257thSlotIsDroppedAfterOneMessage) {
    MidiF1Data song(96);
    std::vector<NoteSpec> chord;
    for (int i = 0; i < 260; ++i)
        chord.push_back({0, i % 128, 96});
    AddTrack(song, 0, chord);
    MobileData model(song, 0x60000);
    EXPECT_EQ(model.Count(), 256);
    EXPECT_EQ(ModelNotes(model).size(), 256u);
    EXPECT_EQ(CountTexts("MBDT05000003 Channel number exceeds the number which was expected!"), 1);
}

TEST(MobileDataBuild, DrumNotesAreClampedWithOneWarningPerBuild) {
    MidiF1Data song(96);
    AddTrack(song, 9, {{0, 30, 48}, {96, 20, 48}, {192, 90, 48}, {288, 36, 48}});
    MobileData model(song, 0x60000);
    EXPECT_EQ(SlotPrograms(model), (std::vector<int>{35, 81, 36}));
    EXPECT_EQ(SlotNotes(*model.Slot(0)),
              (std::vector<TimedNote>{{0, 35, 100, 48}, {96, 35, 100, 48}}));
    EXPECT_EQ(model.CountDrumSlots(), 3);
    EXPECT_EQ(CountTexts(kDrumWarning), 1);
    MobileData again(song, 0x60000);
    EXPECT_EQ(CountTexts(kDrumWarning), 2);
}

TEST(MobileDataBuild, DrumKitChangeKeepsEveryDrumSlotOnItsNote) {
    // A kit change between the notes must not become the slots' drum note.
    MidiF1Data song(96);
    MidiF1TrackData* track = AddTrack(song, 9, {{0, 36, 48}, {96, 38, 48}, {192, 36, 48}});
    auto* kit = new MidiEvent(0);
    kit->kind = event_kind::kProgramChange;
    kit->channel = 9;
    kit->value = 25;
    track->InsertEventAtTime(50, kit, 1);
    MobileData model(song, 0x60000);
    ASSERT_EQ(model.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        auto programs = SlotControls(*model.Slot(i), mobile_code::kProgram);
        ASSERT_EQ(programs.size(), 1u);
        EXPECT_EQ(programs[0].second, i == 0 ? 36 : 38);
    }
    // Played, the drum notes keep their pitches.
    MobileTrackData flat(std::vector<const MobileChanelData*>{model.Slot(0), model.Slot(1)}.data(),
                         2, 0x60000, false);
    MidiF0Data played(note_mode::kLength, 96);
    flat.ToMidiF0Data(played, 96, 1028, 500000);
    std::vector<int> keys;
    for (const MidiEvent* e : played.Track()->Events())
        if (e->IsNoteWithLength()) keys.push_back(e->note);
    EXPECT_EQ(keys, (std::vector<int>{36, 38, 36}));
}

TEST(MobileDataTune, DrumsGoToChannelTenAndMelodicSlotsStayOffIt) {
    MidiF1Data song(96);
    AddTrack(song, 0, {{0, 60, 96}});
    AddTrack(song, 1, {{0, 62, 96}});
    AddTrack(song, 2, {{0, 64, 96}});
    AddTrack(song, 9, {{0, 36, 48}});
    MobileData model(song, 0x60000);
    MidiF1Data tune(96);
    model.ToMidiF1Data(tune);
    ASSERT_EQ(tune.TrackCount(), 10);
    EXPECT_EQ(tune.Track(9)->GetFirstChannel(), 9);
    EXPECT_EQ(tune.Track(9)->CountNotesOfChannel(9), 1);
    EXPECT_EQ(tune.Track(3)->CountNotes(), 0);

    // Every event of every drum slot is on channel 10, so the tune reads
    // back as drums.
    MidiF1Data drums(96);
    AddTrack(drums, 9, {{0, 36, 48}, {0, 38, 48}, {0, 42, 48}});
    MobileData kit(drums, 0x60000);
    MidiF1Data kitTune(96);
    kit.ToMidiF1Data(kitTune);
    for (int t = 0; t < kitTune.TrackCount(); ++t) {
        const MidiF1TrackData* track = kitTune.Track(t);
        for (const MidiEvent* e : track->Events())
            if (e->IsChannelMessage() || e->IsNoteWithLength()) {
                EXPECT_EQ(e->channel, 9) << t;
            }
    }
    MobileData back(kitTune, 0x60000);
    EXPECT_EQ(back.CountDrumSlots(), 3);

    // Ten melodic slots and no drums: channel 10 stays silent.
    MidiF1Data wide(96);
    for (int ch = 0; ch < 10; ++ch)
        AddTrack(wide, ch < 9 ? ch : 10, {{0, 60 + ch, 96}});
    MobileData melodic(wide, 0x60000);
    MidiF1Data wideTune(96);
    melodic.ToMidiF1Data(wideTune);
    EXPECT_FALSE(wideTune.HasNotesOnChannel(9));
    EXPECT_EQ(ModelNotes(MobileData(wideTune, 0x60000)), ModelNotes(melodic));

    // Sixteen melodic slots with notes: none is left without a channel.
    for (int ch = 10; ch < 16; ++ch)
        AddTrack(wide, ch == 10 ? 0 : ch, {{0, 70 + ch, 96}});
    MobileData sixteen(wide, 0x60000);
    ASSERT_EQ(sixteen.Count(), 16);
    MidiF1Data fullTune(96);
    sixteen.ToMidiF1Data(fullTune);
    EXPECT_EQ(ModelNotes(MobileData(fullTune, 0x60000)), ModelNotes(sixteen));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(MobileDataPasses, OrderingMonophonyAndEnabling) {
    MidiF1Data song(96);
    AddTrack(song, 0, {{0, 60, 200}, {0, 64, 96}, {96, 67, 48}}, 3);
    AddTrack(song, 1, {{0, 50, 96}}, 3);
    AddTrack(song, 9, {{0, 38, 24}, {24, 35, 24}, {48, 42, 24}, {72, 49, 24}});
    MobileData model(song, 0x60000);
    model.MoveRhythmSlotsFirst();
    EXPECT_EQ(SlotPrograms(model), (std::vector<int>{42, 35, 38, 3, 3, 3, 49}));
    model.MoveRepeatedProgramsLast();
    EXPECT_EQ(SlotPrograms(model), (std::vector<int>{42, 35, 38, 3, 49, 3, 3}));
    model.SortSlotsByEventCount();
    EXPECT_EQ(model.Slot(0)->FindFirstNote(), 3);  // kind, program, volume, then notes
    model.MoveDrumSlotsFirst();
    EXPECT_EQ(model.Slot(3)->kind, MobileChanelData::kKindDrum);
    EXPECT_EQ(model.Slot(4)->kind, MobileChanelData::kKindMelodic);
    EXPECT_EQ(model.CountEnabledSlots(), 7);
    model.KeepFirstEnabledSlots(2, 1);
    EXPECT_EQ(model.CountEnabledSlots(), 2);
    EXPECT_EQ(model.Slot(4)->enabled + model.Slot(5)->enabled, 2);
    EXPECT_EQ(model.CountDrumSlots(), 4);
}

TEST(MobileDataPasses, DuplicateQuestionsAreAskedOnceAndHandedOn) {
    auto build = [] {
        auto model = std::make_unique<MobileData>(0x60000);
        for (int s = 0; s < 2; ++s) {
            auto slot = std::make_unique<MobileChanelData>(s, MobileChanelData::kKindMelodic, 0);
            for (int v : {4, 4, 7, 4})
                slot->AppendControl(10, mobile_code::kProgram, v);
            model->AddSlot(std::move(slot));
        }
        return model;
    };
    auto values = [](const MobileData& m, int slot) {
        std::vector<int> out;
        for (auto& [t, v] : SlotControls(*m.Slot(slot), mobile_code::kProgram))
            out.push_back(v);
        return out;
    };
    Sink().QueueAnswer(IDOK);
    auto deleted = build();
    EXPECT_EQ(deleted->ResolvePrograms(mobile_answer::kNotAsked), mobile_answer::kDelete);
    EXPECT_EQ(values(*deleted, 0), (std::vector<int>{4}));
    EXPECT_EQ(values(*deleted, 1), (std::vector<int>{4}));
    EXPECT_EQ(SlotControls(*deleted->Slot(1), mobile_code::kProgram)[0].first, 10);
    EXPECT_EQ(CountTexts(kAskDeletePrograms), 1);
    EXPECT_EQ(deleted->Slot(1)->programAnswer, mobile_answer::kDelete);

    Sink().QueueAnswer(IDCANCEL);
    auto kept = build();
    EXPECT_EQ(kept->ResolvePrograms(mobile_answer::kNotAsked), mobile_answer::kKeep);
    // A new value becomes the reference: the 4 after the 7 is kept too.
    EXPECT_EQ(values(*kept, 0), (std::vector<int>{4, 7, 4}));
    EXPECT_EQ(CountTexts(kAskDeletePrograms), 2);
    EXPECT_EQ(build()->ResolveVolumes(mobile_answer::kNotAsked), mobile_answer::kNotAsked);
    EXPECT_EQ(Sink().Count(), 2u);
}

TEST(MobileDataMeasures, MeasureTicksForEverySignature) {
    MobileData model(0);
    struct Case {
        int signature;
        int division;
        int ticks;
    } cases[] = {
        {4 * 256 + 4, 96, 384}, {3 * 256 + 4, 96, 288}, {6 * 256 + 8, 96, 288},
        {7 * 256 + 8, 96, 336}, {5 * 256 + 16, 96, 120}, {0, 96, 384},
        {4 * 256 + 4, 48, 192}, {3 * 256 + 4, 48, 144}, {6 * 256 + 8, 48, 144},
        {7 * 256 + 8, 48, 168}, {5 * 256 + 16, 48, 60},  {0, 48, 384},
        {4 * 256 + 0, 96, 384}, {0 * 256 + 4, 96, 384},  {4 * 256 + 4, 0, 384},
    };
    for (const Case& c : cases) {
        model.timeSignature = c.signature;
        model.division = c.division;
        EXPECT_EQ(model.GetMeasureTicks(), c.ticks) << c.signature << " " << c.division;
    }
    // 6/8 at 96: a slot of 600 ticks whose last note starts at its end and
    // lasts 100 spans 700 ticks, three measures of 288.
    model.timeSignature = 6 * 256 + 8;
    model.division = 96;
    auto slot = std::make_unique<MobileChanelData>(0, MobileChanelData::kKindMelodic, 0);
    slot->AppendNote(600, 60, 100, 90);
    model.AddSlot(std::move(slot));
    EXPECT_EQ(model.GetLengthInMeasures(), 3);
}

TEST(MobileTrack, AppendPastTheLimitAndEdits) {
    MobileTrackData track(0);
    for (int i = 0; i < 0x20000; ++i)
        track.AppendEmptyEvent(1);
    EXPECT_EQ(Sink().Count(), 0u);
    track.AppendNote(0, 0, 60, 10, 90);
    EXPECT_EQ(Sink().Texts().back(), "MBTK0C000008 Can not add data!");
    track.AppendEmptyEvent(1);  // one box a track, not one an event
    EXPECT_EQ(CountTexts("MBTK0C000008 Can not add data!"), 1);
    EXPECT_EQ(track.Count(), 0x20002);

    MobileTrackData small(0);
    small.AppendNote(0, 2, 60, 10, 90);
    small.AppendMetaEvent(5, 2, mobile_code::kTempo, 400000);  // carries no channel
    small.AppendMetaEvent(5, 2, mobile_code::kVolume, 80);
    EXPECT_EQ(small.Event(1)->channel, kNoChannel);
    EXPECT_EQ(small.Event(2)->channel, 2);
    auto pan = std::make_unique<MidiEvent>();
    pan->kind = mobile_kind::kControl;
    pan->subtype = mobile_code::kPan;
    small.InsertAtTime(7, std::move(pan));
    EXPECT_EQ(small.TimeOf(2), 7);
    EXPECT_EQ(small.TimeOf(3), 10);
    small.SwapEvents(0, 3);
    EXPECT_EQ(small.Event(3)->kind, mobile_kind::kNote);
    EXPECT_EQ(small.TimeOf(3), 10);
}

TEST(MobileTrack, MelodicChannelTenIsMovedOrDroppedWithOneWarning) {
    const char warning[] = "MBTK0C000004 構成上、再生されないボイスがあります。";
    auto slots = std::vector<std::unique_ptr<MobileChanelData>>();
    std::vector<const MobileChanelData*> pointers;
    for (int i = 0; i < 16; ++i) {
        auto slot = std::make_unique<MobileChanelData>(i, MobileChanelData::kKindMelodic, 0);
        slot->AppendControl(0, mobile_code::kKind, 0);
        slot->AppendNote(0, 60 + i, 96, 90);
        slot->AppendNote(96, 60 + i, 96, 90);
        pointers.push_back(slot.get());
        slots.push_back(std::move(slot));
    }
    auto notesOf = [](const MidiF0Data& song) {
        std::vector<std::pair<int, int>> out;
        for (const MidiEvent* e : song.Track()->Events())
            if (e->IsNoteWithLength()) out.emplace_back(e->channel, e->note);
        return out;
    };
    MobileTrackData all(pointers.data(), 16, 0, false);
    MidiF0Data played(note_mode::kLength, 96);
    all.ToMidiF0Data(played, 96, 1028, 500000);
    auto notes = notesOf(played);
    EXPECT_EQ(notes.size(), 30u);
    EXPECT_TRUE(std::none_of(notes.begin(), notes.end(), [](auto n) { return n.second == 69; }));
    EXPECT_EQ(CountTexts(warning), 1);

    // With a free channel the slot plays there.
    MobileTrackData fewer(pointers.data(), 12, 0, false);
    MidiF0Data moved(note_mode::kLength, 96);
    fewer.ToMidiF0Data(moved, 96, 1028, 500000);
    auto movedNotes = notesOf(moved);
    EXPECT_EQ(std::count(movedNotes.begin(), movedNotes.end(), std::make_pair(12, 69)), 2);
    EXPECT_EQ(CountTexts(warning), 1);
}

TEST(MultiMobileTrack, DrumProgramsWarnOnlyWhenNotZero) {
    const char text[] = "MMDT23000001 Program change is set to drum!";
    for (int program : {0, 5}) {
        Sink().Clear();
        MidiF1Data song(96);
        AddTrack(song, 0, {{0, 60, 96}}, 3);
        AddTrack(song, 9, {{0, 36, 48}, {48, 38, 48}}, program);
        MultiMobileTrackData model(song);
        EXPECT_EQ(Sink().Count(), program == 0 ? 0u : 1u);
        if (program) {
            EXPECT_EQ(Sink().Texts().back(), text);
        }
        ASSERT_EQ(model.Count(), 2);
        EXPECT_EQ(model.Slot(1)->number, 9);
        EXPECT_EQ(model.Slot(1)->GetControlValue(mobile_code::kProgram), -1);
        EXPECT_EQ(model.Slot(0)->GetControlValue(mobile_code::kProgram), 3);
        EXPECT_EQ(model.GetVoiceCount(), 2);
    }
    MidiF1Data onOff(96);
    onOff.noteMode = note_mode::kNoteOnOff;
    MultiMobileTrackData refused(onOff);
    EXPECT_EQ(Sink().Texts().back(), "MMDT05000002 Error occured in MultiMobileTrackData!");
    EXPECT_EQ(refused.Count(), 0);
}

TEST(MobileDataOtherForms, FlatTracksAndFourChannelTracks) {
    MobileTrackData track(0);
    track.AppendMetaEvent(0, 3, mobile_code::kKind, 1);
    track.AppendMetaEvent(0, 3, mobile_code::kProgram, 38);
    track.AppendNote(0, 1, 60, 48, 90);
    track.AppendMetaEvent(10, kNoChannel, mobile_code::kTempo, 400000);
    track.AppendNote(20, 3, 40, 48, 90);
    track.AppendNote(0, 7, 40, 48, 90);  // not one of four channels
    MobileData flat(track, 0);
    ASSERT_EQ(flat.Count(), 3);  // channels 1, 3 and 7 hold notes
    EXPECT_EQ(flat.Slot(0)->number, 1);
    EXPECT_EQ(flat.Slot(1)->kind, MobileChanelData::kKindDrum);
    EXPECT_EQ(SlotNotes(*flat.Slot(1)), (std::vector<TimedNote>{{30, 40, 90, 48}}));
    EXPECT_EQ(SlotControls(*flat.Slot(0), mobile_code::kTempo),
              (std::vector<std::pair<long long, int>>{{10, 400000}}));
    EXPECT_EQ(Sink().Count(), 0u);

    MobileData four(0);
    four.AddFourChannelTrack(track);
    EXPECT_EQ(Sink().Texts().back(), "MBDT05000002 Internal error occured in MobileData!");
    ASSERT_EQ(four.Count(), 4);
    EXPECT_EQ(four.Slot(3)->kind, MobileChanelData::kKindDrum);
    EXPECT_EQ(SlotNotes(*four.Slot(3)), (std::vector<TimedNote>{{30, 40, 90, 48}}));
    EXPECT_EQ(four.Slot(2)->Count(), 1);  // the tempo only
    // Slots extracted from the flat track: drum notes take the program.
    MobileChanelData extracted(3, MobileChanelData::kKindDrum, 0);
    track.ExtractChannel(3, extracted, false);
    EXPECT_EQ(SlotNotes(extracted), (std::vector<TimedNote>{{30, 38, 64, 48}}));
}
