#include "convert/ringtone/ma1_data.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "convert/ringtone/ma1_voice_tables.h"
#include "play/music_player.h"
#include "tests/convert/mobile_test_util.h"

using mobile_test::CountTexts;
using testing_support::Sink;

namespace {

constexpr int kCapacity = 0x60000;
const char kRange[] = "A1DT0A000003 音域が変換可能な範囲内にありません。範囲内に調整しました。";
const char kInternal[] = "A1DT0A000002 Internal Error occurred in MA1!";
const char kTooLarge[] = "A1DT0A000001 Date size exceed that can handle MA1.";

struct Note {
    long long time;
    int pitch;
    int length;
};

struct Part {
    int program = 0;  // -1: none
    int volume = -1;  // -1: none
    bool drum = false;
    std::vector<Note> notes;
};

std::unique_ptr<MobileData> Model(const std::vector<Part>& parts, int division) {
    auto model = std::make_unique<MobileData>(kCapacity);
    model->division = division;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        auto slot = std::make_unique<MobileChanelData>(
            static_cast<int>(i), p.drum ? MobileChanelData::kKindDrum : MobileChanelData::kKindMelodic, kCapacity);
        slot->enabled = 1;
        slot->AppendControl(0, mobile_code::kKind, p.drum ? 1 : 0);
        if (p.program >= 0) slot->AppendControl(0, mobile_code::kProgram, p.program);
        if (p.volume >= 0) slot->AppendControl(0, mobile_code::kVolume, p.volume);
        long long t = 0;
        for (const Note& n : p.notes) {
            slot->AppendNote(static_cast<int>(n.time - t), n.pitch, n.length, 100);
            t = n.time;
        }
        slot->AppendControl(0, mobile_code::kEndOfTrack, 0);
        model->AddSlot(std::move(slot));
    }
    return model;
}

std::vector<std::uint8_t> Bytes(const MusicData& image) {
    return std::vector<std::uint8_t>(image.Data(), image.Data() + image.Length());
}

std::vector<std::uint8_t> Write(const std::vector<Part>& parts, int division = 12) {
    return Bytes(MA1(*Model(parts, division)));
}

// (time, channel, pitch, gate) of the notes of a track.
using Read = std::tuple<long long, int, int, int>;
std::vector<Read> Notes(const MobileTrackData& t) {
    std::vector<Read> out;
    long long time = 0;
    for (int i = 0; i < t.Count(); ++i) {
        time += t.Event(i)->delta;
        if (t.Event(i)->kind == mobile_kind::kNote)
            out.emplace_back(time, t.Event(i)->channel, t.Event(i)->note, t.Event(i)->length);
    }
    return out;
}

// The checks every file passes: its size in bytes 0-1, the fixed bytes,
// and bit 7 clear in every length byte.
void ExpectWellFormed(const std::vector<std::uint8_t>& f) {
    ASSERT_GE(f.size(), 84u);
    EXPECT_EQ(ReadBigEndian16(f.data()), f.size());
    EXPECT_EQ(f.size() % 2, 0u);
    for (std::size_t i = 34; i < 84; ++i)
        EXPECT_EQ(f[i], i == 66 ? 0x32 : i == 67 ? 0x10 : i == 69 ? 0x47 : 0) << i;
    for (std::size_t i = 85; i < f.size(); i += 2)
        EXPECT_EQ(f[i] & 0x80, 0) << i;
}

}  // namespace

TEST(Ma1Write, VolumeCodesAndTheGivenVoiceRows) {
    auto f = Write({{0, -1, false, {{0, 60, 6}}}, {0, 0, false, {{0, 60, 6}}}});
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 8, f.begin() + 10), (std::vector<std::uint8_t>{0x8C, 0x00}));
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 16, f.begin() + 18), (std::vector<std::uint8_t>{0x8F, 0xF0}));
    // Programs 0, 1 and 127 with their range pairs OR-ed in, shifted by 5,
    // for a highest note in each range class.
    struct Given {
        int program;
        std::uint8_t voice[6];
        std::uint8_t ranges[4][2];
    };
    const Given given[] = {{0, {0x21, 0x7B, 0x8C, 0xA0, 0x31, 0x57}, {{0, 0}, {1, 1}, {2, 2}, {4, 4}}},
                           {1, {0x61, 0x7B, 0x89, 0x80, 0x31, 0x57}, {{3, 0}, {3, 1}, {6, 2}, {0xFF, 0xFF}}},
                           {127, {0x6C, 0x03, 0xFC, 0xA7, 0x65, 0x67}, {{0xFF, 0xFF}, {0xFF, 0xFF}, {3, 3}, {0xFF, 0xFF}}}};
    const int highest[4] = {48, 60, 72, 90};
    for (const Given& g : given) {
        for (int rc = 0; rc < 4; ++rc) {
            auto file = Write({{g.program, 100, false, {{0, 30, 6}, {12, highest[rc], 6}}}});
            std::vector<std::uint8_t> want(g.voice, g.voice + 6);
            want[0] = static_cast<std::uint8_t>(want[0] | (g.ranges[rc][0] << 5));
            want[4] = static_cast<std::uint8_t>(want[4] | (g.ranges[rc][1] << 5));
            EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 2, file.begin() + 8), want) << g.program << " " << rc;
        }
    }
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>());
}

TEST(Ma1Write, LongStepsSplitAndRoundDownWithTheRestCarried) {
    auto f = Write({{0, 100, false, {{0, 65, 10}, {100, 67, 10}, {105, 69, 10}, {111, 70, 10}}}});
    ExpectWellFormed(f);
    // 100 = 48 + 48 + 4 (rests), then 5 rounds down to 4 carrying 1, and
    // 6 + 1 rounds down to 6 carrying 1; the last step is its gate rounded up.
    std::vector<int> steps;
    std::vector<int> keys;
    for (std::size_t i = 84; i < f.size(); i += 2) {
        keys.push_back(f[i]);
        steps.push_back(f[i + 1] >> 3);
    }
    EXPECT_EQ(steps, (std::vector<int>{10, 10, 3, 3, 4, 7}));
    EXPECT_EQ(keys[1], 0x30);
    EXPECT_EQ(keys[2], 0x30);
    auto back = ReadMa1Track(f);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Notes(*back), (std::vector<Read>{{0, 0, 65, 16}, {100, 0, 67, 12}, {104, 0, 69, 12}, {110, 0, 70, 12}}));
    // Within one time step a channel keeps its first note; another
    // channel's note there stays.
    auto same = Write({{0, 100, false, {{0, 64, 6}, {1, 66, 6}, {12, 67, 6}}}, {0, 100, false, {{1, 62, 6}}}});
    EXPECT_EQ(Notes(*ReadMa1Track(same)), (std::vector<Read>{{0, 0, 64, 6}, {0, 1, 62, 6}, {12, 0, 67, 6}}));
}

TEST(Ma1Write, ShiftsGoToTheirChannelAndTheRangeWarningComesOncePerBuild) {
    // Program 8 moves two octaves down: notes 10 and 5 fall below 0.
    const std::vector<Part> parts = {{8, 100, false, {{0, 10, 6}, {12, 5, 6}, {24, 70, 6}}},
                                     {0, 100, false, {{0, 64, 6}, {12, 66, 6}}}};
    auto f = Write(parts);
    EXPECT_EQ(CountTexts(kRange), 1);
    Write(parts);
    EXPECT_EQ(CountTexts(kRange), 2);
    auto back = ReadMa1Track(f);
    std::vector<int> channel1;
    for (const Read& r : Notes(*back))
        if (std::get<1>(r) == 1) channel1.push_back(std::get<2>(r));
    EXPECT_EQ(channel1, (std::vector<int>{64, 66}));
}

TEST(Ma1Write, DrumChannelsWriteNoVoiceAndTooLargeImagesNothing) {
    auto f = Write({{38, 100, true, {{0, 38, 6}}}});
    EXPECT_EQ(CountTexts(kInternal), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 2, f.begin() + 8), std::vector<std::uint8_t>(6, 0));
    // 33,000 events cannot have their length in two bytes.
    Part many{0, 100, false, {}};
    for (int i = 0; i < 33000; ++i)
        many.notes.push_back({i * 2, 64, 1});
    MA1 big(*Model({many}, 12));
    EXPECT_EQ(CountTexts(kTooLarge), 1);
    EXPECT_EQ(big.Length(), 0);
    EXPECT_GT(big.EventCount(), 32726);
}

TEST(Ma1Messages, EveryCodeHasItsText) {
    ShowMa1Error(a1dt::kTooLarge);
    EXPECT_EQ(Sink().Texts().back(), kTooLarge);
    ShowMa1Error(a1dt::kInternal);
    EXPECT_EQ(Sink().Texts().back(), kInternal);
    ShowMa1Error(0x0A000009);
    EXPECT_EQ(Sink().Texts().back(), "A1DT0A000009 Error occurred in MA1!");
    ResetMa1RangeWarning();
    ShowMa1RangeWarning();
    ShowMa1RangeWarning();
    EXPECT_EQ(CountTexts(kRange), 1);
}

TEST(Ma1Read, LengthsTemposAndRestCodesFromTheBytes) {
    auto f = Write({{0, 100, false, {{0, 64, 6}, {12, 66, 6}}}});
    EXPECT_EQ(ReadMa1Track(std::span(f.data(), 83)), nullptr);
    // Bytes 0-1 say less than the file: the rest is not read.
    auto longer = f;
    longer.push_back(0x34);
    longer.push_back(0x38);
    EXPECT_EQ(Notes(*ReadMa1Track(longer)).size(), 2u);
    // Bytes 0-1 say more than the file: only the file is read.
    auto claims = f;
    WriteBigEndian16(claims.data(), 0xFFFF);
    EXPECT_EQ(Notes(*ReadMa1Track(claims)).size(), 2u);
    // A tempo byte of 0 reads as 0x47.
    claims[69] = 0;
    EXPECT_EQ(ReadMa1Track(claims)->Event(0)->value, BpmToTempo(116));
    // Pitch codes 0, 4 and 8 are rests: the note after them keeps its time.
    auto rests = f;
    rests.resize(84);
    for (int b : {0x00, 0x38, 0x10, 0x38, 0x20, 0x38, 0x54, 0x38})
        rests.push_back(static_cast<std::uint8_t>(b));
    WriteBigEndian16(rests.data(), static_cast<std::uint16_t>(rests.size()));
    EXPECT_EQ(Notes(*ReadMa1Track(rests)), (std::vector<Read>{{36, 0, 64, 2}}));
}

// The length in bytes 0-1 one under, at and one over the file: the last
// note is read only when its length byte lies inside both.
TEST(Ma1Read, TheLastNoteNeedsItsLengthByteInsideTheDeclaredLength) {
    const auto f = Write({{0, 100, false, {{0, 64, 6}, {12, 66, 6}}}});
    for (int delta : {-1, 0, 1}) {
        auto g = f;
        WriteBigEndian16(g.data(), static_cast<std::uint16_t>(f.size() + static_cast<std::size_t>(delta)));
        EXPECT_EQ(Notes(*ReadMa1Track(g)).size(), delta < 0 ? 1u : 2u) << delta;
    }
}

TEST(Ma1RoundTrip, RandomTunesAt12Ticks) {
    std::mt19937 rng(12);
    const int programs[] = {0, 1, 2, 16, 24, 88, 96, 104, 112, 120, 127};
    for (int round = 0; round < 40; ++round) {
        std::vector<Part> parts(1 + rng() % 4);
        for (Part& p : parts) {
            p.program = programs[rng() % std::size(programs)];
            p.volume = static_cast<int>(rng() % 129) - 1;
            long long t = rng() % 30;
            for (int k = 1 + static_cast<int>(rng() % 20); k > 0; --k) {
                // A channel's notes never share a step, so none is merged.
                const int gap = 12 + static_cast<int>(rng() % 120);
                p.notes.push_back({t, 61 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 60)});
                t += gap;
            }
        }
        auto f = Write(parts);
        ExpectWellFormed(f);
        auto back = ReadMa1Track(f);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Event(0)->value, BpmToTempo(116));
        // Every note read back stands for a note of its channel, pitch and
        // order, within the rounding of the steps and without drift.
        std::vector<std::size_t> next(parts.size(), 0);
        for (const auto& [time, channel, pitch, gate] : Notes(*back)) {
            const auto& notes = parts[static_cast<std::size_t>(channel)].notes;
            std::size_t& k = next[static_cast<std::size_t>(channel)];
            while (k < notes.size() && !(notes[k].pitch == pitch && std::abs(notes[k].time - time) < 12))
                ++k;
            ASSERT_LT(k, notes.size()) << "round " << round << " time " << time;
            ++k;
        }
        for (std::size_t c = 0; c < parts.size(); ++c) {
            const int v = parts[c].volume;
            const int coarse = v == 0 ? 0 : (v > 0 && v <= 65) ? 65 : 109;
            EXPECT_EQ(back->GetControlValue(static_cast<int>(c), mobile_code::kVolume), coarse);
            EXPECT_EQ(back->GetControlValue(static_cast<int>(c), mobile_code::kProgram), parts[c].program);
        }
        // Written again, what was read gives the same voices and events; only
        // the last step, its gate rounded up, may change.
        auto again = Bytes(MA1(*back, 12));
        ASSERT_EQ(again.size(), f.size());
        EXPECT_EQ(std::vector<std::uint8_t>(again.begin() + 84, again.end() - 1),
                  std::vector<std::uint8_t>(f.begin() + 84, f.end() - 1));
        EXPECT_EQ(Notes(*ReadMa1Track(again)), Notes(*back));
        for (std::size_t c = 0; c < 4; ++c)
            EXPECT_TRUE(std::equal(f.begin() + 2 + 8 * c, f.begin() + 8 + 8 * c, again.begin() + 2 + 8 * c));
    }
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>());
}

TEST(Ma1Read, TheListenRoadPlaysTheFile) {
    // Written from 96 ticks a quarter, read back at 12.
    auto f = Write({{0, 100, false, {{0, 64, 48}, {96, 66, 48}}}}, 96);
    const std::string path = testing_support::ScratchDir() + "/t.ma1";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()),
                                                 static_cast<std::streamsize>(f.size()));
    std::unique_ptr<MobileData> listen;
    ASSERT_EQ(PlayMa1File(path, nullptr, listen), 1);
    ASSERT_NE(listen, nullptr);
    EXPECT_EQ(listen->division, 12);
    ASSERT_EQ(listen->Count(), 1);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!TheMusicPlayer.idle.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::vector<int> keys;
    for (const auto& m : testing_support::Midi().Messages(platform::RecordedMidiMessage::Kind::Short))
        if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0) keys.push_back(m.bytes[1]);
    EXPECT_EQ(keys, (std::vector<int>{64, 66}));
    EXPECT_EQ(PlayMa1File(path + ".missing", nullptr, listen), 0);
}
