#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "compose/compose_track.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "style/style_table.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using track_test::Describe;

namespace {

// Keeps the shared output type, settings and working style of each test.
class Emitters : public ::testing::Test {
protected:
    void SetUp() override {
        savedType_ = TheComposerState.outputType;
        savedLeadIn_ = AppSettings.StartAt2ndBar;
        saved_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        WorkingStyle.scale = 1;
        AppSettings.StartAt2ndBar = 0;
    }
    void TearDown() override {
        TheComposerState.outputType = savedType_;
        AppSettings.StartAt2ndBar = savedLeadIn_;
        WorkingStyle = saved_;
    }

    int savedType_ = 0;
    int savedLeadIn_ = 0;
    MusicStyle saved_{};
};

std::vector<int> Bytes(const MidiEvent* e) {
    return std::vector<int>(e->GetData(), e->GetData() + e->DataLength());
}

MixBlock Mix(int volume, int others) {
    MixBlock mix{};
    mix.volume = static_cast<std::uint8_t>(volume);
    for (std::uint8_t* b : {&mix.chorus, &mix.reverb, &mix.brightness, &mix.attack, &mix.decay,
                            &mix.release, &mix.resonance})
        *b = static_cast<std::uint8_t>(others);
    return mix;
}

}  // namespace

TEST_F(Emitters, NotesAndRests) {
    ComposeTrackData track(2, 0x6000);
    track.AddNoteEvent(0, 0, 12, 80, 48);    // too low to sound: a rest
    track.AddNoteEvent(0, 48, 0, 0, 30);     // a rest of one tick
    track.AddNoteEvent(0, 48, 130, 80, 30);  // past the keys
    track.AddNoteEvent(0, 48, 13, 80, -5);
    track.AddNoteEvent(0, 48, 60, 90, 48);
    EXPECT_EQ(Describe(track), "0:N0/0/1 48:N0/0/1 96:N0/0/1 144:N0/13/0 192:N0/60/48");
    EXPECT_EQ(track.Event(0)->velocity, 0);
    int note = 12, velocity = 0, length = 5;
    ComposeTrackData::SanitizeNote(note, velocity, length);
    EXPECT_EQ(note, 12);  // silent low keys stay
    // Velocities out of range are held in 0..127: an accent never wraps.
    note = 60, velocity = 200, length = 5;
    ComposeTrackData::SanitizeNote(note, velocity, length);
    EXPECT_EQ(velocity, 127);
    note = 60, velocity = -20;
    ComposeTrackData::SanitizeNote(note, velocity, length);
    EXPECT_EQ(velocity, 0);
    track.AddSustainPedal(0, 10, 127);
    track.RemoveRestNotes();
    EXPECT_EQ(Describe(track), "144:N0/13/0 192:N0/60/48 202:CC0/64=127");
}

TEST_F(Emitters, ChannelSetupOrder) {
    TheComposerState.outputType = 1;
    ComposeTrackData plain(2, 0x6000);
    SetupChannel(plain, 2, 40, Mix(100, 64), 24);
    EXPECT_EQ(Describe(plain),
              "24:CC2/0=0 24:CC2/32=0 24:PC2=40 24:CC2/7=100 24:CC2/101=0 24:CC2/100=0 "
              "24:CC2/6=12");

    // With the lead-in every mix controller is sent, in the fixed order and
    // from its own position of the block; the scale tuning comes before the
    // bend range.
    AppSettings.StartAt2ndBar = 1;
    TheComposerState.outputType = 0;
    WorkingStyle.scale = 7;
    MixBlock mix = Mix(90, 64);
    mix.reverb = 1;
    mix.chorus = 2;
    mix.brightness = 3;
    mix.resonance = 4;
    mix.release = 5;
    mix.attack = 6;
    mix.decay = 7;
    ComposeTrackData full(2, 0x6000);
    SetupChannel(full, 3, 0, mix, 0);
    std::string text = Describe(full);
    EXPECT_EQ(text.substr(0, text.find(" 0:SX")),
              "0:CC3/0=0 0:CC3/32=0 0:PC3=0 0:CC3/7=90 0:CC3/91=1 0:CC3/93=2 0:CC3/74=3 "
              "0:CC3/71=4 0:CC3/72=5 0:CC3/73=6 0:CC3/75=7");
    ASSERT_EQ(full.EventCount(), 11 + 12 + 3);
    EXPECT_EQ(Bytes(full.Event(11)),
              (std::vector<int>{0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 3, 0x41, 64, 0xF7}));
    EXPECT_EQ(Bytes(full.Event(12))[8], 64 - 8);
    EXPECT_EQ(Bytes(full.Event(22))[7], 0x4C);
    EXPECT_EQ(full.Event(23)->subtype, 101);
}

TEST_F(Emitters, BankAndProgramBySoundModule) {
    auto program = [](int type, int channel, int code) {
        TheComposerState.outputType = type;
        ComposeTrackData track(2, 0x6000);
        SetProgram(track, channel, code);
        return Describe(track);
    };
    EXPECT_EQ(program(0, 1, 5), "0:CC1/0=0 0:CC1/32=0 0:PC1=5");
    EXPECT_EQ(program(2, 1, 5), "0:CC1/0=0 0:PC1=5");
    EXPECT_EQ(program(5, 1, 5), "0:CC1/0=0 0:PC1=5");  // ringtones are GM
    EXPECT_EQ(program(0, 1, 128), "0:CC1/0=64 0:CC1/32=0 0:PC1=48");
    EXPECT_EQ(program(1, 1, 128), "0:CC1/0=1 0:CC1/32=0 0:PC1=123");
    EXPECT_EQ(program(2, 1, 128), "0:CC1/0=0 0:PC1=53");
    EXPECT_EQ(program(0, 1, 130), "0:CC1/0=0 0:CC1/32=99 0:PC1=112");
    EXPECT_EQ(program(1, 1, 131), "0:CC1/0=10 0:CC1/32=0 0:PC1=112");
    EXPECT_EQ(program(2, 1, 132), "0:CC1/0=0 0:PC1=40");
    EXPECT_EQ(program(0, 1, 133), "0:CC1/0=0 0:PC1=90");
    EXPECT_EQ(program(1, 1, 133), "0:CC1/0=8 0:CC1/32=0 0:PC1=109");
    // The special sound without a bank plays its General MIDI voice.
    EXPECT_EQ(program(0, 1, 129), "0:CC1/0=0 0:CC1/32=0 0:PC1=53");
    EXPECT_EQ(program(2, 1, 129), "0:CC1/0=0 0:PC1=53");
    // The drum channel takes the drum set alone.
    EXPECT_EQ(program(0, 9, 0), "");
    EXPECT_EQ(program(0, 9, 25), "0:PC9=25");

    Sink().Clear();
    EXPECT_EQ(program(0, 1, 134), "");
    EXPECT_EQ(program(0, 1, 140), "");
    ASSERT_EQ(Sink().Count(), 2u);
    EXPECT_NE(Sink().Texts()[0].find("Errir of music instrument."), std::string::npos);
}

TEST_F(Emitters, ScaleTuningBlocks) {
    const int offsets[12] = {0, -8, 4, 16, -14, -2, -10, 2, 14, -16, 14, -12};
    auto gs = [&](int channel) {
        ComposeTrackData track(2, 0x6000);
        AddGsScaleTuning(channel, track, offsets);
        return Bytes(track.Event(0));
    };
    std::vector<int> block = gs(0);
    EXPECT_EQ(block,
              (std::vector<int>{0xF0, 0x15, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x40, 64,   56,  68,
                                80,   50,   62,   54,   66,   78,   48,   78,   52,   0x7B, 0xF7}));
    // The part address follows the GS part order: the drum channel is part
    // block 0, the channels after it keep their numbers.
    EXPECT_EQ(gs(9)[7], 0x10);
    EXPECT_EQ(gs(8)[7], 0x19);
    EXPECT_EQ(gs(10)[7], 0x1A);
    EXPECT_EQ(gs(15)[7], 0x1F);
    int sum = 0;
    std::vector<int> drum = gs(9);
    for (int i = 6; i <= 21; ++i)
        sum += drum[static_cast<std::size_t>(i)];
    EXPECT_EQ(sum % 128, 0);

    ComposeTrackData none(2, 0x6000);
    TheComposerState.outputType = 2;
    WorkingStyle.scale = 8;
    AddStyleScaleTuning(0, none);
    EXPECT_EQ(none.EventCount(), 0);
    TheComposerState.outputType = 1;
    AddStyleScaleTuning(0, none);
    ASSERT_EQ(none.EventCount(), 1);
    EXPECT_EQ(Bytes(none.Event(0))[10], 45 + 64);
    WorkingStyle.scale = 6;
    AddStyleScaleTuning(0, none);
    EXPECT_EQ(none.EventCount(), 1);
}

TEST_F(Emitters, DetuneAndTrackEnd) {
    ComposeTrackData track(2, 0x6000);
    track.AddProgramChange(11, 40);
    track.AddNoteEvent(11, 10, 60, 90, 20);
    track.AddNoteEvent(11, 20, 62, 90, 20);
    DelayAndDetuneTrack(track, 11, 6);
    EXPECT_EQ(Describe(track),
              "0:PC11=40 0:CC11/101=0 0:CC11/100=1 0:CC11/6=56 0:CC11/38=0 16:N11/60/20 "
              "36:N11/62/20");
    ComposeTrackData empty(2, 0x6000);
    empty.AddProgramChange(11, 40);
    DelayAndDetuneTrack(empty, 11, 6);
    EXPECT_EQ(Describe(empty), "0:PC11=40");

    // The last note ends at 400, the last event lies at 380: the end is 480.
    ComposeTrackData padded(2, 0x6000);
    padded.AddNoteEvent(0, 300, 60, 90, 100);
    padded.AddNoteEvent(0, 80, 62, 90, 10);
    padded.AddNoteEvent(0, 0, 0, 0, 10);
    PadTrackEnd(padded);
    EXPECT_EQ(Describe(padded), "300:N0/60/100 380:N0/62/10 480:EOT");
    ComposeTrackData exact(2, 0x6000);
    exact.AddNoteEvent(0, 0, 60, 90, 96);
    PadTrackEnd(exact);
    EXPECT_EQ(Describe(exact), "0:N0/60/96 96:EOT");
    ComposeTrackData longNote(2, 0x6000);
    longNote.AddNoteEvent(0, 0, 60, 90, 2000);
    PadTrackEnd(longNote);
    EXPECT_EQ(Describe(longNote), "0:N0/60/2000 768:EOT");
}

TEST_F(Emitters, LeadIn) {
    EXPECT_EQ(GetLeadInTicks(), 0);
    AppSettings.StartAt2ndBar = 1;
    WorkingStyle.timeSignature = kMetre44;
    EXPECT_EQ(GetLeadInTicks(), 384);
    WorkingStyle.timeSignature = kMetre34;
    EXPECT_EQ(GetLeadInTicks(), 288);
    WorkingStyle.timeSignature = kMetre78;
    EXPECT_EQ(GetLeadInTicks(), 336);
}

TEST_F(Emitters, BentNotes) {
    ComposeTrackData bendable(2, 0x6000);
    bendable.AddProgramChange(0, 40);
    EXPECT_EQ(AddNoteBendFromAbove(5, 60, 90, 48, 6, 0, bendable), 6);
    EXPECT_EQ(AddNoteBendScoop(0, 60, 90, 48, 4, 0, bendable), 20);
    EXPECT_EQ(AddNoteBendFromBelow(0, 60, 90, 48, 3, 0, bendable), 3);
    EXPECT_EQ(AddNoteBendScoop(0, 61, 90, 48, 0, 0, bendable), 0);  // no step: plain
    EXPECT_EQ(Describe(bendable),
              "0:PC0=40 5:N0/60/48 5:PB0=8704 11:PB0=8192 11:N0/60/48 11:PB0=7748 "
              "15:PB0=7936 19:PB0=8064 23:PB0=8192 27:PB0=8320 31:PB0=8192 31:N0/60/48 "
              "31:PB0=7492 34:PB0=8192 34:N0/61/48");

    ComposeTrackData piano(2, 0x6000);
    piano.AddProgramChange(0, 0);
    EXPECT_EQ(AddNoteBendFromBelow(0, 60, 90, 48, 8, 0, piano), 4);  // a grace note
    EXPECT_EQ(AddNoteBendFromAbove(0, 62, 90, 48, 7, 0, piano), 0);
    EXPECT_EQ(AddNoteBendFromAbove(0, 11, 90, 48, 7, 0, piano), 0);
    EXPECT_EQ(Describe(piano), "0:PC0=0 0:N0/59/4 4:N0/60/44 4:N0/62/48 4:N0/0/48");
}

TEST_F(Emitters, PassingNotes) {
    // Every outcome of the pass over two notes, across many seeds.
    auto outcomes = [](int firstLength, int secondTime, int secondKey, int secondLength) {
        std::set<std::string> seen;
        for (int seed = 1; seed <= 60; ++seed) {
            SeedRandomWith(seed);
            ComposeTrackData track(2, 0x6000);
            track.AddNoteEvent(0, 0, 60, 90, firstLength);
            track.AddNoteEvent(0, secondTime, secondKey, 90, secondLength);
            track.AddPassingNotes();
            seen.insert(Describe(track));
        }
        return seen;
    };
    // A long note a whole tone below the next one: sometimes a passing note
    // of 32 ticks (triplet rhythm) right before the next note.
    WorkingStyle.basicBeat = 3;
    EXPECT_EQ(outcomes(192, 192, 62, 60),
              (std::set<std::string>{"0:N0/60/192 192:N0/62/60",
                                     "0:N0/60/192 160:N0/61/32 192:N0/62/60"}));

    // A middle-length note is cut at 72 with a copy after it, 96 long when
    // the next note is far; the same key may step down a semitone.
    WorkingStyle.basicBeat = 0;
    EXPECT_EQ(
        outcomes(80, 200, 60, 50),
        (std::set<std::string>{"0:N0/60/80 200:N0/60/50", "0:N0/60/72 72:N0/60/96 200:N0/60/50",
                               "0:N0/60/72 72:N0/59/96 200:N0/60/50"}));

    ComposeTrackData onOff(1, 0x6000);
    onOff.AddPassingNotes();
    EXPECT_EQ(Sink().Texts().back(), "M1TK0D000001 Error occured in MidiF1TrackData!");
}
