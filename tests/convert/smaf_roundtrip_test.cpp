// SMAF round trips over random tunes, the thinning, the tempo estimate and
// the mended faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "convert/ringtone/smaf_chunk.h"
#include "convert/ringtone/smaf_data.h"
#include "core/reporters.h"
#include "tests/convert/mobile_test_util.h"
#include "tests/convert/smaf_test_util.h"

using namespace smaf_test;
using mobile_test::CountTexts;
using mobile_test::SlotControls;
using mobile_test::SlotNotes;
using testing_support::Sink;

namespace {

const char kThinned[] = "S3SC1A00000B 転送レートが高いため間引きを行いました。";
const char kThinnedPeak[] = "S3SC1A00000C 転送レートが高いため間引きを行いました。";

// Microseconds of a tick at a tempo and 96 ticks per quarter.
double Micros(long long tick, int tempo) {
    return static_cast<double>(tick) * tempo / 96.0;
}

// One unit (5 ms) and one tick at the tempo read back.
double Bound(int readTempo) {
    return 5000.0 + readTempo / 96.0 + 1.0;
}

void ExpectSameTimes(const std::vector<Note>& wrote, int wroteTempo, const std::vector<mobile_test::TimedNote>& read,
                     int readTempo) {
    ASSERT_EQ(wrote.size(), read.size());
    for (std::size_t k = 0; k < wrote.size(); ++k) {
        EXPECT_NEAR(Micros(read[k].time, readTempo), Micros(wrote[k].time, wroteTempo), Bound(readTempo)) << k;
        EXPECT_NEAR(Micros(read[k].length, readTempo), Micros(wrote[k].length, wroteTempo), Bound(readTempo)) << k;
    }
}

SmafEvent NoteAt(long long time, int channel, int pitch) {
    SmafEvent e;
    e.time = time;
    e.kind = mobile_kind::kNote;
    e.channel = channel;
    e.note = pitch;
    e.gate = 5;
    e.velocity = 100;
    return e;
}

// A dense sixteen-channel tune: a chord on every channel every few units.
std::vector<SmafEvent> DenseEvents(std::mt19937& rng, int steps) {
    std::vector<SmafEvent> events;
    long long t = 0;
    for (int s = 0; s < steps; ++s) {
        t += 1 + static_cast<long long>(rng() % 3);
        const int n = 1 + static_cast<int>(rng() % 16);
        for (int c = 0; c < n; ++c)
            events.push_back(NoteAt(t, static_cast<int>(rng() % 16), 40 + static_cast<int>(rng() % 40)));
    }
    return events;
}

}  // namespace

TEST(SmafRoundTrip, FlavourAKeepsChannelsNotesAndControls) {
    std::mt19937 rng(31);
    for (int round = 0; round < 12; ++round) {
        const int tempo = 300000 + static_cast<int>(rng() % 700000);
        std::vector<std::pair<int, Part>> parts;
        for (int c = 0; c < 16; ++c) {
            if (rng() % 3 == 0) continue;
            auto p = mfi_test::RandomParts(rng, 1, c == 9 ? 0 : -1, 0, 127)[0];
            parts.emplace_back(c, p);
        }
        auto model = MakeMultiModel(parts, tempo);
        // Pan, expression and a 14-bit bend on the first slot.
        MobileChanelData& first = *model->Slot(0);
        first.AppendControl(0, mobile_code::kPan, 17);
        first.AppendControl(0, mobile_code::kExpression, 99);
        first.Event(first.AppendControl(0, mobile_code::kPitchBend, 93))->note = 41;
        const int variant = round % 2 ? 33 : 32;
        auto image = WriteMa3(*model, variant);
        SmafFileLoader loader(image);
        ASSERT_TRUE(loader.Ma3Data());
        auto back = loader.Ma3Data()->ToMultiMobileTrackData();
        ASSERT_EQ(back->Count(), 16);
        EXPECT_EQ(back->tempo, 500000);
        for (const auto& [c, part] : parts) {
            const MobileChanelData& slot = *back->Slot(c);
            auto read = SlotNotes(slot);
            ASSERT_EQ(read.size(), part.notes.size()) << "channel " << c;
            for (std::size_t k = 0; k < read.size(); ++k) {
                EXPECT_EQ(read[k].pitch, part.notes[k].pitch);
                EXPECT_EQ(read[k].velocity, part.notes[k].velocity);
            }
            ExpectSameTimes(part.notes, tempo, read, 500000);
            EXPECT_EQ(SlotControls(slot, mobile_code::kVolume).at(0).second, part.volume);
            EXPECT_EQ(SlotControls(slot, mobile_code::kProgram).at(0).second, part.program);
            EXPECT_EQ(slot.kind == MobileChanelData::kKindDrum, c == 9);
        }
        const MobileChanelData& s0 = *back->Slot(parts[0].first);
        EXPECT_EQ(SlotControls(s0, mobile_code::kPan).at(0).second, 17);
        EXPECT_EQ(SlotControls(s0, mobile_code::kExpression).at(0).second, 99);
        for (int i = 0; i < s0.Count(); ++i) {
            if (s0.Event(i)->kind == mobile_kind::kControl && s0.Event(i)->subtype == mobile_code::kPitchBend) {
                EXPECT_EQ(s0.Event(i)->value * 128 + s0.Event(i)->note, 93 * 128 + 41);
            }
        }
    }
}

TEST(SmafRoundTrip, FlavourBKeepsPitchDrumsProgramsAndTime) {
    std::mt19937 rng(32);
    for (int round = 0; round < 12; ++round) {
        const int voices = round % 3 ? 16 : 4;
        const int count = voices == 4 ? 4 : 1 + static_cast<int>(rng() % 16);
        const int drumAt = voices == 4 ? -1 : static_cast<int>(rng() % static_cast<unsigned>(count));
        auto parts = RandomParts(rng, count, drumAt, 0, 127);
        const int tempo = 250000 + static_cast<int>(rng() % 750000);
        auto model = mfi_test::MakeModel(parts, tempo);
        // A bend that returns by the byte formula.
        MobileChanelData& first = *model->Slot(0);
        first.InsertControl(first.FindFirstNote() + 1, 0, mobile_code::kPitchBend, 32);
        auto image = WriteCompact(*model, voices);
        SmafFileLoader loader(image);
        ASSERT_TRUE(loader.Data());
        auto back = loader.Data()->ToMobileData();
        const int readTempo = back->tempo;
        ASSERT_GE(readTempo, 250000);
        ASSERT_LE(readTempo, 1500000);
        for (int i = 0; i < count; ++i) {
            const Part& part = parts[static_cast<std::size_t>(i)];
            const MobileChanelData& slot = *back->Slot(i);
            auto read = SlotNotes(slot);
            ASSERT_EQ(read.size(), part.notes.size()) << "slot " << i;
            for (std::size_t k = 0; k < read.size(); ++k)
                EXPECT_EQ(read[k].pitch, part.notes[k].pitch) << "slot " << i << " note " << k;
            ExpectSameTimes(part.notes, tempo, read, readTempo);
            EXPECT_EQ(SlotControls(slot, mobile_code::kVolume).at(0).second, part.volume);
            EXPECT_EQ(SlotControls(slot, mobile_code::kProgram).at(0).second, part.program);
            EXPECT_EQ(slot.kind == MobileChanelData::kKindDrum, part.drum);
        }
        EXPECT_EQ(SlotControls(*back->Slot(0), mobile_code::kPitchBend).at(0).second, 32);
    }
}

TEST(SmafTempo, EstimateFollowsTheBeat) {
    for (int bpm : {60, 100, 120, 180}) {
        const int tempo = 60000000 / bpm;
        Part p{false, 1, 100, {}};
        for (int k = 0; k < 32; ++k)
            p.notes.push_back({k * 96LL + (k % 4 == 3 ? 48 : 0), 60 + k % 12, 40, 100});
        auto image = WriteCompact(*mfi_test::MakeModel({p}, tempo), 16);
        SmafData read(image.data(), static_cast<int>(image.size()));
        EXPECT_NEAR(read.ModelTempo(), tempo, tempo / 100) << bpm;
    }
    // A tune without notes has no beat: the model keeps 500,000.
    auto lone = WriteCompact(*mfi_test::MakeModel({{false, 1, 100, {}}}), 16);
    auto back = SmafData(lone.data(), static_cast<int>(lone.size())).ToMobileData();
    EXPECT_EQ(back->tempo, 500000);
    EXPECT_EQ(CountTexts("SMDT19000002 There are no tempo in SMAF file!"), 1);
}

TEST(SmafThinning, SparedChannelsStayAndGroupsShrink) {
    std::mt19937 rng(33);
    for (int limit = 10; limit >= 4; --limit) {
        auto events = DenseEvents(rng, 300);
        auto before = events;
        ThinSmafEvents(events, limit);
        // Every spared note is still there, in order.
        std::vector<std::tuple<long long, int, int>> spared, kept;
        for (const auto& e : before)
            if (IsSparedChannel(e.channel)) spared.emplace_back(e.time, e.channel, e.note);
        for (const auto& e : events)
            if (IsSparedChannel(e.channel)) kept.emplace_back(e.time, e.channel, e.note);
        EXPECT_EQ(spared, kept);
        for (std::size_t b = 0; b < events.size();) {
            std::size_t e = b;
            int notes = 0;
            bool onlySpared = true;
            for (; e < events.size() && events[e].time == events[b].time; ++e) {
                ++notes;
                onlySpared &= IsSparedChannel(events[e].channel);
            }
            EXPECT_TRUE(notes <= limit || onlySpared) << "limit " << limit;
            b = e;
        }
    }
}

TEST(SmafThinning, WarningsShowOncePerScoreTrack) {
    std::mt19937 rng(34);
    auto model = std::make_unique<MultiMobileTrackData>();
    for (int c = 0; c < 16; ++c) {
        Part p{false, c, 100, {}};
        for (int k = 0; k < 400; ++k)
            p.notes.push_back({k * 2LL, 40 + static_cast<int>(rng() % 40), 1, 1 + static_cast<int>(rng() % 127)});
        auto one = MakeMultiModel({{c, p}});
        model->AddSlot(std::make_unique<MobileChanelData>(*one->Slot(0), kCapacity));
        model->Slot(c)->number = c;
    }
    for (int pass = 0; pass < 2; ++pass) {
        Sink().Clear();
        SmafMa3Data smaf(*model, 32);
        EXPECT_EQ(CountTexts(kThinnedPeak) + CountTexts(kThinned), 1);
    }
}

TEST(SmafFaults, TempoBelowOneMillisecondCountsAsOne) {
    const SmafClock tiny({{0, 500}}, 96);
    const SmafClock zero({{0, 0}}, 96);
    const SmafClock floor({{0, 1000}}, 96);
    EXPECT_EQ(floor.Units(9600), 20);
    EXPECT_EQ(tiny.Units(9600), 20);
    EXPECT_EQ(zero.Units(9600), 20);
    auto model = mfi_test::MakeModel({{false, 1, 100, {{0, 60, 96, 100}, {9600, 62, 96, 100}}}}, 0);
    auto image = WriteCompact(*model, 16);
    EXPECT_GT(image.size(), 0u);
}

TEST(SmafFaults, LongDurationsCarryAndLongGatesAreCut) {
    // Two notes 60 s apart, the first sounding for 60 s.
    Part p{false, 1, 100, {{0, 60, 96 * 120, 100}, {96 * 120, 62, 96, 100}}};
    auto model = mfi_test::MakeModel({p});
    auto b = WriteCompact(*model, 16);
    auto backB = SmafData(b.data(), static_cast<int>(b.size())).ToMobileData();
    auto notes = SlotNotes(*backB->Slot(0));
    ASSERT_EQ(notes.size(), 2u);
    const double tempoB = backB->tempo;
    EXPECT_NEAR(Micros(notes[1].time, backB->tempo), 60e6, Bound(backB->tempo));
    EXPECT_NEAR(notes[0].length * tempoB / 96.0, kSmafMaxDurationB * 5000.0, Bound(backB->tempo));
    auto multi = MakeMultiModel({{0, p}});
    auto a = WriteMa3(*multi, 32);
    auto backA = SmafMa3Data(a.data(), static_cast<int>(a.size())).ToMultiMobileTrackData();
    notes = SlotNotes(*backA->Slot(0));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NEAR(Micros(notes[1].time, 500000), 60e6, Bound(500000));
    EXPECT_NEAR(Micros(notes[0].length, 500000), kSmafMaxDurationA * 5000.0, Bound(500000));
}

TEST(SmafFaults, EventsWithoutBytesKeepTheirTime) {
    Part p{false, 1, 100, {{0, 60, 10, 100}, {200, 62, 10, 100}}};
    auto model = mfi_test::MakeModel({p});
    // A control neither form knows, 50 ticks before the second note.
    MobileChanelData& slot = *model->Slot(0);
    slot.InsertControl(slot.Count() - 2, 150, 99, 1);
    slot.Event(slot.Count() - 2)->delta = 50;
    auto b = WriteCompact(*model, 16);
    EXPECT_EQ(CountTexts("SSQD1B000008 Command Error!"), 1);
    auto backB = SmafData(b.data(), static_cast<int>(b.size())).ToMobileData();
    auto notes = SlotNotes(*backB->Slot(0));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].pitch, 62);
    EXPECT_NEAR(Micros(notes[1].time, backB->tempo), Micros(200, 500000), Bound(backB->tempo));
    auto multi = MakeMultiModel({{0, p}});
    multi->Slot(0)->InsertControl(multi->Slot(0)->Count() - 2, 150, 99, 1);
    multi->Slot(0)->Event(multi->Slot(0)->Count() - 2)->delta = 50;
    auto a = WriteMa3(*multi, 32);
    EXPECT_EQ(CountTexts("SMCD1A000011 System event is wrong!"), 1);
    notes = SlotNotes(*SmafMa3Data(a.data(), static_cast<int>(a.size())).ToMultiMobileTrackData()->Slot(0));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NEAR(Micros(notes[1].time, 500000), Micros(200, 500000), Bound(500000));
}

TEST(SmafFaults, ChunkPastItsLimitGivesNoImage) {
    Part p{false, 1, 100, {}};
    for (int k = 0; k < 30000; ++k)
        p.notes.push_back({k * 2LL, 60 + k % 5, 1, 100});
    SmafData smaf(*mfi_test::MakeModel({p}), 16);
    smaf.Write(16);
    EXPECT_EQ(smaf.Length(), 0);
    EXPECT_EQ(CountTexts("SMCD1A000001 Chank data size is invalid!"), 1);
}

TEST(SmafFaults, CutAndCorruptImagesAreReadSafely) {
    std::mt19937 rng(35);
    auto model = mfi_test::MakeModel(RandomParts(rng, 6, 2, 30, 90));
    auto multi = MakeMultiModel({{0, RandomParts(rng, 1, -1, 30, 90)[0]}, {9, RandomParts(rng, 1, 0, 30, 90)[0]}});
    for (const auto& good : {WriteCompact(*model, 16), WriteCompact(*model, 4), WriteMa3(*multi, 32), WriteMa3(*multi, 33)}) {
        for (std::size_t n = 0; n < good.size(); n += 3) {
            SmafFileLoader cut(std::span<const std::uint8_t>(good).first(n));
            if (cut.Data()) cut.Data()->ToMobileData();
            if (cut.Ma3Data()) cut.Ma3Data()->ToMultiMobileTrackData();
        }
        for (int k = 0; k < 200; ++k) {
            auto bad = good;
            bad[rng() % bad.size()] = static_cast<std::uint8_t>(rng());
            SmafFileLoader loader(bad);
            if (loader.Data()) loader.Data()->ToMobileData();
            if (loader.Ma3Data()) loader.Ma3Data()->ToSmafData()->ToMobileData();
        }
    }
}

TEST(SmafReporters, EveryCodeHasItsText) {
    for (std::uint32_t code = 0x1A000001; code <= 0x1A00001A; ++code)
        ShowSmafChunkError(code);
    for (std::uint32_t code : {1u, 2u, 4u, 5u, 6u, 7u, 8u, 9u, 0x10u, 0x11u, 0x12u, 0x13u})
        ShowSmafSequenceError(0x1B000000 + code);
    for (std::uint32_t code = 0x19000001; code <= 0x19000003; ++code)
        ShowSmafDataError(code);
    ShowSmafLoaderError(smld::kInternal);
    ShowSmafLoaderError(smld::kFileType);
    for (const std::string& text : Sink().Texts())
        EXPECT_EQ(text.find("Error occured in"), std::string::npos) << text;
    EXPECT_EQ(Sink().Texts().size(), 26u + 12u + 3u + 2u);
}

TEST(SmafTimeBase, RescaledTracksKeepTheirTime) {
    std::mt19937 rng(36);
    auto parts = RandomParts(rng, 1, -1, 30, 90);
    auto multi = MakeMultiModel({{0, parts[0]}, {9, RandomParts(rng, 1, 0, 30, 90)[0]}});
    auto image = WriteMa3(*multi, 32);
    SmafMa3Data read(image.data(), static_cast<int>(image.size()));
    for (int code : {0, 1, 2, 3, 16, 19, 7}) {
        auto tree = read.ToSmafData();
        tree->SetTimeBase(code);
        EXPECT_EQ(tree->Track(0)->TimeBase(), code);
        auto back = tree->ToMobileData();
        // Coarser units round each onset down by up to one of them.
        const double unit = SmafMillisecondsPerUnit(code) * 1000.0;
        auto notes = SlotNotes(*back->Slot(0));
        ASSERT_EQ(notes.size(), parts[0].notes.size());
        for (std::size_t k = 0; k < notes.size(); ++k)
            EXPECT_NEAR(Micros(notes[k].time, 500000), Micros(parts[0].notes[k].time, 500000),
                        Bound(500000) + unit) << code;
    }
}
