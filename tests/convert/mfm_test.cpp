#include "convert/ringtone/mfm_data.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/convert/mfm_test_util.h"
#include "tests/convert/mobile_test_util.h"

using namespace mfm_test;
using mobile_test::CountTexts;
using mobile_test::SlotControls;
using mobile_test::SlotNotes;
using mobile_test::TimedNote;

namespace {

const char kNoHeader[] = "FMHD29000001 There are no MFMHeader!";
const char kTrackInvalid[] = "FMTK2A000003 Track data is invalid!";
const char kNoteInvalid[] = "FMTK2A000004 Note data is invalid!";
const char kNoForm[] = "FMTK2A000007 Error occured in MFM Track!";
const char kZeroLength[] = "FMTK2A000002 発音長がゼロの音を削除しました。";

std::vector<std::uint8_t> Write(const MobileData& model) {
    MFMData mfm(model);
    mfm.SplitLongWaits();
    mfm.Serialise();
    return std::vector<std::uint8_t>(mfm.Data(), mfm.Data() + mfm.Length());
}

std::unique_ptr<MobileData> ReadBack(const std::vector<std::uint8_t>& image) {
    MFMData mfm(image.data(), image.size(), ShownLog());
    auto model = std::make_unique<MobileData>(kCapacity);
    mfm.ToMobileData(*model);
    return model;
}

// A file by hand: the head, the information bytes as given and the track
// bodies, each in a "trac" chunk.
std::vector<std::uint8_t> HandFile(const std::vector<std::uint8_t>& info,
                                   const std::vector<std::vector<std::uint8_t>>& tracks) {
    std::vector<std::uint8_t> f = {'m', 'f', 'm', 'p', 0, 0, 0, 0, 1, 0, 0, 4, 0, 0};
    WriteBigEndian16(f.data() + 12, static_cast<std::uint16_t>(info.size()));
    for (std::uint8_t b : info)
        f.push_back(b);
    for (const auto& body : tracks) {
        for (int b : std::initializer_list<int>{'t', 'r', 'a', 'c', 0, 0, 0, 0})
            f.push_back(static_cast<std::uint8_t>(b));
        WriteBigEndian32(f.data() + f.size() - 4, static_cast<std::uint32_t>(body.size()));
        for (std::uint8_t b : body)
            f.push_back(b);
    }
    WriteBigEndian32(f.data() + 4, static_cast<std::uint32_t>(f.size() - 8));
    return f;
}

const std::vector<std::uint8_t> kEnd = {0, 0xFF, 0xB1, 0};

// The checks every written file passes, walked here on their own: the
// length fields, four chunks filling the file and the closing events.
void ExpectWellFormed(const std::vector<std::uint8_t>& f) {
    ASSERT_GE(f.size(), 14u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "mfmp");
    EXPECT_EQ(ReadBigEndian32(f.data() + 4), f.size() - 8);
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 8, f.begin() + 12), (std::vector<std::uint8_t>{1, 0, 0, 4}));
    std::size_t at = 14 + ReadBigEndian16(f.data() + 12);
    int tracks = 0;
    while (at + 8 <= f.size()) {
        EXPECT_EQ(std::string(f.begin() + static_cast<long>(at), f.begin() + static_cast<long>(at) + 4), "trac");
        const std::size_t n = ReadBigEndian32(f.data() + at + 4);
        ASSERT_LE(at + 8 + n, f.size());
        ASSERT_TRUE(n >= 4 && n % 4 == 0);
        const std::uint8_t* last = f.data() + at + 8 + n - 4;
        EXPECT_TRUE(last[0] <= 254 && last[1] == 0xFF && last[2] == 0xB1 && last[3] == 0);
        at += 8 + n;
        ++tracks;
    }
    EXPECT_EQ(at, f.size());
    EXPECT_EQ(tracks, 4);
}

// A gate above 255 comes back as notes of 255 every 254 ticks and the rest.
std::vector<TimedNote> Chain(long long time, int pitch, int velocity, int length) {
    std::vector<TimedNote> out;
    for (; length > 255; time += 254, length -= 254)
        out.push_back({time, pitch, velocity, 255});
    out.push_back({time, pitch, velocity, length});
    return out;
}

}  // namespace

TEST(MfmOctaveTable, KeysAndOctavesBothWays) {
    int key = -1;
    int octave = -1;
    const std::pair<int, int> expected[][2] = {{{60, 0}, {15, 0}}, {{30, 0}, {30, 2}}, {{110, 0}, {45, 1}}};
    for (const auto& row : expected) {
        ASSERT_TRUE(MfmOctaveKey(row[0].first, &key, &octave));
        EXPECT_EQ(std::make_pair(key, octave), row[1]);
    }
    EXPECT_FALSE(MfmOctaveKey(128, &key, &octave));
    EXPECT_FALSE(MfmOctaveKey(-1, &key, &octave));
    // The reader's inverse is the last note whose entry matches, or 0.
    for (int k = 0; k < 64; ++k) {
        for (int o = 0; o < 4; ++o) {
            int found = 0;
            for (int n = 0; n <= 127; ++n)
                if (MfmOctaveKey(n, &key, &octave) && key == k && octave == o) found = n;
            EXPECT_EQ(MfmOctaveNote(k, o), found) << k << " " << o;
        }
    }
}

TEST(MfmRead, HeadAndEventsOfTheTable) {
    const std::vector<std::uint8_t> bad = {'m', 'f', 'm', 'x', 0, 0, 0, 6, 1, 0, 0, 4, 0, 0};
    ReadBack(bad);
    EXPECT_EQ(CountTexts(kNoHeader), 1);
    // A wait of 2 * 256 + 0, then a note 88 ticks later; a program in two
    // halves; volume, pan, tempo, bend and the two plain values.
    auto f = HandFile({}, {{0, 0xFF, 0xB0, 2, 88, 15, 48, 100 * 2,  // key 60, velocity 100
                            1, 0xFF, 0xD1, 1, 0, 0xFF, 0xD2, 5,     // program 69
                            2, 0xFF, 0xD3, 40, 0, 0xFF, 0xD4, 63, 0, 0xFF, 0xBF, 100,
                            3, 0x3F, 70, 0, 0, 0xFF, 0xD5, 9, 0, 0xFF, 0xD6, 7, 4, 0xFF, 0xB1, 0},
                           kEnd, kEnd, kEnd});
    auto model = ReadBack(f);
    ASSERT_EQ(model->Count(), 16);
    EXPECT_EQ(model->division, 48);
    const MobileChanelData& s = *model->Slot(0);
    EXPECT_EQ(SlotNotes(s), (std::vector<TimedNote>{{600, 60, 100, 48}}));
    EXPECT_EQ(SlotControls(s, mobile_code::kProgram), (std::vector<std::pair<long long, int>>{{601, 69}}));
    EXPECT_EQ(SlotControls(s, mobile_code::kVolume), (std::vector<std::pair<long long, int>>{{603, 80}}));
    EXPECT_EQ(SlotControls(s, mobile_code::kPan), (std::vector<std::pair<long long, int>>{{603, 126}}));
    EXPECT_EQ(SlotControls(s, mobile_code::kTempo), (std::vector<std::pair<long long, int>>{{603, BpmToTempo(120)}}));
    // x of 64 or more reads as 3F.
    EXPECT_EQ(SlotControls(s, mobile_code::kPitchBend), (std::vector<std::pair<long long, int>>{{606, 126}}));
    EXPECT_EQ(SlotControls(s, mfm_code::kD5), (std::vector<std::pair<long long, int>>{{606, 9}}));
    EXPECT_EQ(SlotControls(s, mfm_code::kD6), (std::vector<std::pair<long long, int>>{{606, 7}}));
    // Channel 1 of track 2 is the drum channel, read key for key.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(model->Slot(i)->kind, i == 9 ? MobileChanelData::kKindDrum : MobileChanelData::kKindMelodic);
}

TEST(MfmRead, ZeroGatesAreWaitsWarnedOncePerTrack) {
    const std::vector<std::uint8_t> twoZeros = {10, 15, 0, 200, 10, 15, 0, 200, 5, 16, 24, 200, 0, 0xFF, 0xB1, 0};
    auto model = ReadBack(HandFile({}, {twoZeros, twoZeros, kEnd, kEnd}));
    EXPECT_EQ(CountTexts(kZeroLength), 2);
    EXPECT_EQ(SlotNotes(*model->Slot(4)), (std::vector<TimedNote>{{25, 61, 100, 24}}));
}

TEST(MfmRead, BrokenLengthsStopWhereTheBytesEnd) {
    // A 300-byte "copy": 256 bytes are kept and the walk steps over all 300
    // to the "note" after it; an unknown id is stepped over too.
    std::vector<std::uint8_t> info = {'c', 'o', 'p', 'y', 0x01, 0x2C};
    for (int i = 0; i < 300; ++i)
        info.push_back(static_cast<std::uint8_t>('a' + i % 26));
    for (int b : std::initializer_list<int>{'x', 'y', 'z', 'w', 0, 2, 9, 9, 'n', 'o', 't', 'e', 0, 2, 0, 1})
        info.push_back(static_cast<std::uint8_t>(b));
    const std::vector<std::uint8_t> note = {0, 15, 48, 200, 0, 0xFF, 0xB1, 0};
    auto f = HandFile(info, {note, note, note, note});
    {
        MFMData mfm(f.data(), f.size(), ShownLog());
        const auto* copy = mfm.Information().Find("copy");
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->length, 300);
        EXPECT_EQ(copy->data[255], 'a' + 255 % 26);
        ASSERT_NE(mfm.Information().Find("note"), nullptr);
        EXPECT_EQ(mfm.TrackCount(), 4);
    }
    EXPECT_EQ(testing_support::Sink().Texts().size(), 0u);
    // Track 1 claims more than is left: the file is refused whole.
    auto cut = f;
    cut.resize(cut.size() - 2 * (8 + note.size()) - 2);
    auto model = ReadBack(cut);
    EXPECT_EQ(CountTexts(kTrackInvalid), 1);
    EXPECT_EQ(model->Count(), 0);
    // An information length past the image: no tracks.
    auto head = HandFile({}, {});
    WriteBigEndian16(head.data() + 12, 40);
    EXPECT_EQ(ReadBack(head)->Count(), 0);
    EXPECT_EQ(CountTexts(kTrackInvalid), 2);
}

TEST(MfmRead, TheListenRoadCutsTheFileToTheBlock) {
    auto f = HandFile({}, {kEnd, kEnd, kEnd, kEnd});
    f.resize(0x70000, 0);
    const std::string path = testing_support::ScratchDir() + "/big.mfm";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()),
                                                 static_cast<std::streamsize>(f.size()));
    auto mfm = MFMData::ReadFile(path, ShownLog());
    ASSERT_NE(mfm, nullptr);
    EXPECT_EQ(mfm->Length(), kMusicDataCapacity);
    EXPECT_EQ(mfm->TrackCount(), 4);
    EXPECT_EQ(MFMData::ReadFile(path + ".missing", ShownLog()), nullptr);
    // Past 0xF0000 bytes the file's head is read.
    f.resize(0xF0008, 0);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()),
                                                 static_cast<std::streamsize>(f.size()));
    ASSERT_NE(MFMData::ReadFile(path, ShownLog()), nullptr);
    EXPECT_EQ(MFMData::ReadFile(path, ShownLog())->TrackCount(), 4);
    EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>());
}

TEST(MfmWrite, RoundTripsRandomModelsAt48Ticks) {
    std::mt19937 rng(48);
    for (int round = 0; round < 60; ++round) {
        auto parts = RandomParts(rng);
        const int bpm = Pick(rng, 5, 320);
        auto model = MakeModel(parts, BpmToTempo(bpm));
        const auto f = Write(*model);
        ExpectWellFormed(f);
        auto back = ReadBack(f);
        ASSERT_EQ(back->Count(), 16);
        EXPECT_EQ(back->division, 48);
        EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>());
        for (const Part& p : parts) {
            const MobileChanelData& slot = *back->Slot(p.channel);
            std::vector<TimedNote> want;
            for (const Note& n : p.notes)
                for (const TimedNote& piece : Chain(n.time, n.pitch, n.velocity & ~1, n.length))
                    want.push_back(piece);
            std::sort(want.begin(), want.end());
            EXPECT_EQ(SlotNotes(slot), want) << "channel " << p.channel;
            if (!p.drum) {
                EXPECT_EQ(SlotControls(slot, mobile_code::kProgram)[0].second, p.program);
            } else {
                EXPECT_TRUE(SlotControls(slot, mobile_code::kProgram).empty());
            }
            EXPECT_EQ(SlotControls(slot, mobile_code::kVolume)[0].second, p.volume & ~1);
            EXPECT_EQ(SlotControls(slot, mobile_code::kPan)[0].second, p.pan & ~1);
        }
        // One tempo, in track 0, at whole beats per minute within 20..275.
        auto tempos = SlotControls(*back->Slot(0), mobile_code::kTempo);
        ASSERT_EQ(tempos.size(), 1u);
        EXPECT_EQ(tempos[0].second, BpmToTempo(std::clamp(bpm, 20, 275))) << bpm;
        for (int i = 4; i < 16; ++i)
            EXPECT_TRUE(SlotControls(*back->Slot(i), mobile_code::kTempo).empty());
    }
}

TEST(MfmWrite, DefaultInformationAndFixedHead) {
    auto f = Write(*MakeModel({{0, false, 1, 100, 64, {{0, 60, 24, 100}}}}));
    const std::vector<std::uint8_t> info(f.begin() + 14, f.begin() + 14 + ReadBigEndian16(f.data() + 12));
    const std::vector<std::uint8_t> want = {'s', 'u', 'p', 't', 0, 5, '1', '1', '3', '0', 0,
                                            'n', 'o', 't', 'e', 0, 2, 0, 1,
                                            'a', 'i', 'n', 'f', 0, 10, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0};
    EXPECT_EQ(info, want);
    // Read back, the block gives the same sub-chunks.
    MFMData back(f.data(), f.size(), ShownLog());
    EXPECT_EQ(back.Information().Serialise(), want);
    EXPECT_EQ(back.Information().Find("copy"), nullptr);
}

TEST(MfmWrite, BadDrumKeysFastTemposAndFormlessEventsKeepTheTime) {
    auto model = MakeModel({{9, true, 0, 100, 64, {{0, 70, 10, 100}, {20, 40, 10, 100}}},
                            {2, false, 0, 100, 64, {{0, 60, 10, 100}, {30, 62, 10, 100}}}},
                           BpmToTempo(300));
    // A control no model code names has no MFM form; the note after it
    // keeps its time. A modulation is left out without a word.
    model->Slot(1)->InsertControl(model->Slot(1)->FindFirstNote() + 1, 5, 99, 9);
    model->Slot(1)->Event(model->Slot(1)->FindFirstNote() + 2)->delta -= 5;
    model->Slot(1)->InsertControl(model->Slot(1)->FindFirstNote() + 1, 0, mobile_code::kModulation, 9);
    auto f = Write(*model);
    EXPECT_EQ(CountTexts(std::string(kNoteInvalid) + " (drum notes changed: 1)"), 1);
    EXPECT_EQ(CountTexts(kNoForm), 1);
    ExpectWellFormed(f);
    auto back = ReadBack(f);
    // Drum 70 (maracas) was not written as channel 2, key 6, but as the
    // tambourine, 54.
    EXPECT_EQ(SlotNotes(*back->Slot(9)),
              (std::vector<TimedNote>{{0, 54, 100, 10}, {20, 40, 100, 10}}));
    EXPECT_TRUE(SlotNotes(*back->Slot(10)).empty());
    EXPECT_EQ(SlotNotes(*back->Slot(2)), (std::vector<TimedNote>{{0, 60, 100, 10}, {30, 62, 100, 10}}));
    // 300 per minute is clamped to 275, not wrapped to 44.
    EXPECT_EQ(SlotControls(*back->Slot(0), mobile_code::kTempo)[0].second, BpmToTempo(275));
    EXPECT_EQ(MfmTempoByte(BpmToTempo(300)), 255);
    EXPECT_EQ(MfmTempoByte(BpmToTempo(10)), 0);
    EXPECT_EQ(MfmTempoByte(0), 255);
}

// The drums past MFM's keys, and one past the drum map, as the file gives
// them back: each stand-in from a table of sounds a listener would accept.
TEST(MfmWrite, EveryDrumPastTheKeysHasItsStandIn) {
    const std::pair<int, int> expected[] = {
        {62, 62}, {63, 62}, {64, 61}, {65, 50}, {66, 48}, {67, 56}, {68, 56},
        {69, 54}, {70, 54}, {71, 53}, {72, 53}, {73, 58}, {74, 58}, {75, 37},
        {76, 37}, {77, 37}, {78, 62}, {79, 60}, {80, 53}, {81, 53}, {82, 35}};
    std::vector<Note> drums;
    std::vector<TimedNote> wanted;
    for (const auto& [key, standIn] : expected) {
        const long long at = 20LL * static_cast<long long>(wanted.size());
        drums.push_back({at, key, 10, 100});
        wanted.push_back({at, standIn, 100, 10});
    }
    auto model = MakeModel({{9, true, 0, 100, 64, drums}});
    auto back = ReadBack(Write(*model));
    EXPECT_EQ(SlotNotes(*back->Slot(9)), wanted);
}

TEST(MfmWrite, LongDeltasAreOneWait) {
    auto f = Write(*MakeModel({{0, false, 0, 100, 64, {{600, 60, 24, 100}}}}));
    // Track 0 after the information: the tempo, program, volume and pan,
    // then 00 FF B0 02 and the note 88 ticks on.
    const std::size_t body = 14 + ReadBigEndian16(f.data() + 12) + 8;
    const std::vector<std::uint8_t> units(f.begin() + static_cast<long>(body) + 5 * 4,
                                          f.begin() + static_cast<long>(body) + 7 * 4);
    EXPECT_EQ(units, (std::vector<std::uint8_t>{0, 0xFF, 0xB0, 2, 88, 15, 24, 200}));
}

TEST(MfmMessages, EveryCodeHasItsText) {
    const std::pair<std::uint32_t, const char*> codes[] = {
        {fmtk::kZeroLength, kZeroLength},
        {fmtk::kTrackInvalid, kTrackInvalid},
        {fmtk::kNoteInvalid, kNoteInvalid},
        {fmtk::kDataInvalid, "FMTK2A000005 Data is invalid!"},
        {fmtk::kChannelType, "FMTK2A000006 Channel Type is invalid!"},
        {fmtk::kNoForm, kNoForm},
    };
    for (const auto& [code, text] : codes) {
        ShowMfmTrackError(code);
        EXPECT_EQ(testing_support::Sink().Texts().back(), text);
    }
    ShowMfmHeaderError(fmhd::kNoHeader);
    EXPECT_EQ(testing_support::Sink().Texts().back(), kNoHeader);
    ShowMfmHeaderError(0x29000002);
    EXPECT_EQ(testing_support::Sink().Texts().back(), "FMHD29000002 Error occured in MFMHeader!");
}

TEST(MfmWrite, BendsAndPlainValuesGoBothWaysExceptBendsOnTheFourthChannel) {
    auto model = MakeModel({{0, false, 0, 100, 64, {{0, 60, 10, 100}, {20, 62, 10, 100}}},
                            {3, false, 0, 100, 64, {{0, 60, 10, 100}, {20, 62, 10, 100}}}});
    for (int s = 0; s < 2; ++s) {
        MobileChanelData& slot = *model->Slot(s);
        const int second = slot.FindFirstNote() + 1;
        slot.InsertControl(second, 10, mobile_code::kPitchBend, 101);
        slot.Event(second + 1)->delta -= 10;
    }
    // The two plain values of FF D5 and FF D6 go both ways too.
    model->Slot(0)->InsertControl(0, 0, mfm_code::kD5, 9);
    model->Slot(0)->InsertControl(0, 0, mfm_code::kD6, 200);
    auto back = ReadBack(Write(*model));
    // Channel 3's extended event would be the FF escape: only its time stays.
    EXPECT_EQ(SlotControls(*back->Slot(0), mobile_code::kPitchBend), (std::vector<std::pair<long long, int>>{{10, 100}}));
    EXPECT_TRUE(SlotControls(*back->Slot(3), mobile_code::kPitchBend).empty());
    EXPECT_EQ(SlotControls(*back->Slot(0), mfm_code::kD5), (std::vector<std::pair<long long, int>>{{0, 9}}));
    EXPECT_EQ(SlotControls(*back->Slot(0), mfm_code::kD6), (std::vector<std::pair<long long, int>>{{0, 200}}));
    for (int s : {0, 3})
        EXPECT_EQ(SlotNotes(*back->Slot(s)), (std::vector<TimedNote>{{0, 60, 100, 10}, {20, 62, 100, 10}}));
    EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>());
}
