#include "convert/ringtone/multi_mfi_data.h"

#include <gtest/gtest.h>

#include "tests/convert/mfi_test_util.h"
#include "tests/convert/mobile_test_util.h"

using namespace mfi_test;
using mobile_test::CountTexts;
using mobile_test::SlotNotes;
using testing_support::Sink;

namespace {

// A multi-track model: one slot per listed channel, channel 9 the drums.
std::unique_ptr<MultiMobileTrackData> MakeMulti(const std::vector<int>& channels) {
    auto model = std::make_unique<MultiMobileTrackData>();
    for (int c : channels) {
        const bool drum = c == 9;
        auto slot = std::make_unique<MobileChanelData>(c, drum ? 1 : 2, kCapacity);
        slot->enabled = 1;
        if (c == channels.front()) slot->AppendControl(0, mobile_code::kTempo, 500000);
        slot->AppendControl(0, mobile_code::kProgram, drum ? 0 : 10 + c * 8);
        slot->AppendControl(0, mobile_code::kVolume, 100);
        for (int k = 0; k < 4; ++k)
            slot->AppendNote(k ? 96 : 0, drum ? 36 + k * 5 : 50 + c + k, 90, 80);
        slot->AppendControl(96, mobile_code::kEndOfTrack, 0);
        model->AddSlot(std::move(slot));
    }
    return model;
}

std::vector<std::uint8_t> WriteMulti(const MultiMobileTrackData& model, int type, int terminal) {
    MultiMFiData mfi(model, type);
    mfi.ArrangeForTerminal(terminal);
    mfi.SplitLongDeltas();
    mfi.Serialise(terminal);
    return std::vector<std::uint8_t>(mfi.Data(), mfi.Data() + mfi.Length());
}

// The long-extension payloads of a chunk in file order, and the E1 data.
struct Walk {
    std::vector<std::vector<std::uint8_t>> payloads;
    std::vector<int> banks;
};

Walk WalkChunk(const std::vector<std::uint8_t>& f, const Chunk& c) {
    Walk w;
    for (std::size_t p = c.offset; p + 4 <= c.offset + c.size;) {
        std::size_t size = 4;
        if (f[p + 1] == 0xFF && f[p + 2] == 0xFF) {
            const std::size_t n = f[p + 3] * 256u + f[p + 4];
            w.payloads.emplace_back(f.begin() + static_cast<long>(p + 5), f.begin() + static_cast<long>(p + 5 + n));
            size = n + 5;
        } else if (f[p + 1] == 0xFF && f[p + 2] == 0xE1) {
            w.banks.push_back(f[p + 3] & 0x3F);
        }
        p += size;
    }
    return w;
}

std::string Version(const std::vector<std::uint8_t>& f) {
    const std::string s(f.begin(), f.end());
    const std::size_t at = s.find("vers");
    return at == std::string::npos ? "" : s.substr(at + 6, 4);
}

}  // namespace

TEST(MultiMFiBuild, TheDrumChannelIsChannel1OfTrack2) {
    auto model = MakeMulti({0, 9});
    MultiMFiData mfi(*model, mfi_voice::kMulti6);
    ASSERT_EQ(mfi.TrackCount(), 4);
    EXPECT_TRUE(mfi.Track(0)->Track().HasChannel(0));
    EXPECT_FALSE(mfi.Track(1)->Track().HasChannel(0));
    EXPECT_FALSE(mfi.Track(3)->Track().HasChannel(0));
    EXPECT_EQ(mfi.Track(2)->SlotKind(1), MFiTrack::kKindDrum);
    mfi.Serialise(0);
    MultiMFiData back(mfi.Data(), mfi.Length(), ShownLog());
    MultiMobileTrackData read;
    back.ToMultiMobileTrackData(read);
    ASSERT_EQ(read.Count(), 16);
    EXPECT_EQ(read.Slot(9)->kind, MobileChanelData::kKindDrum);
    EXPECT_EQ(SlotNotes(*read.Slot(9)), SlotNotes(*model->Slot(1)));
    MultiMFiData refused(*model, mfi_voice::kMelo4);
    EXPECT_EQ(refused.TrackCount(), 0);
    EXPECT_EQ(CountTexts("MFDT1F000015 Error occured in MFiData."), 1);
}

TEST(MultiMFiRead, AdatChunksAndUnknownCountsAndHugeSizes) {
    auto f = WriteMulti(*MakeMulti({0, 4}), mfi_voice::kMulti6, 0);
    auto chunks = Chunks(f);
    ASSERT_EQ(chunks.size(), 4u);
    // An "adat" chunk between the first two tracks.
    std::vector<std::uint8_t> adat = {'a', 'd', 'a', 't', 0, 0, 0, 3, 'x', 'y', 'z'};
    f.insert(f.begin() + static_cast<long>(chunks[1].offset - 8), adat.begin(), adat.end());
    MultiMFiData a(f.data(), static_cast<int>(f.size()), ShownLog());
    ASSERT_EQ(a.TrackCount(), 4);
    EXPECT_EQ(a.Track(0)->Index(), 0);
    EXPECT_TRUE(a.Track(1)->Track().HasChannel(0));
    // Byte 12 = 2 with the type taken from the file.
    auto two = f;
    two[12] = 2;
    MultiMFiData b(two.data(), static_cast<int>(two.size()), ShownLog());
    EXPECT_EQ(b.VoiceType(), mfi_voice::kMulti6);
    EXPECT_EQ(CountTexts(kMultiMfiUnknownTerminal), 1);
    EXPECT_EQ(b.TrackCount(), 2);
    // A size that wraps 32 bits runs past the bytes: the file is refused.
    auto huge = f;
    WriteBigEndian32(huge.data() + chunks[0].offset - 4, 0xFFFFFFF8u);
    MultiMFiData c(huge.data(), static_cast<int>(huge.size()), ShownLog());
    EXPECT_EQ(c.TrackCount(), 0);
    EXPECT_EQ(c.Length(), 0);
    // A handset type takes only four tracks.
    MultiMFiData d(two.data(), static_cast<int>(two.size()), ShownLog(), mfi_voice::kMulti7);
    EXPECT_EQ(d.TrackCount(), 0);
}

TEST(MultiMFiArrange, SetupDefinitionsAndProgramsByTerminal) {
    auto model = MakeMulti({0, 1, 2, 3, 9});
    struct Expect {
        int id;
        std::string version;
        std::vector<std::vector<std::uint8_t>> setupHeads;  // first two bytes each, file order
        std::vector<std::pair<std::vector<std::uint8_t>, std::size_t>> definitions;  // head, size
        int bankBit;
    };
    const std::vector<Expect> cases = {
        {1, "0400", {{0x11, 0x01, 0xF3, 0x0A}, {0x11, 0x01, 0xF3, 0x03}, {0x11, 0x01, 0xF3, 0x01}},
         {{{0x11, 0x01, 0xF0, 0x05}, 4 + 4 * 18}, {{0x11, 0x01, 0xF0, 0x04}, 4 + 4 * 20}}, 4},
        {3, "0300", {{0x11, 0x01, 0xF2, 0x07}, {0x11, 0x01, 0xF3, 0x03}, {0x11, 0x01, 0xF3, 0x01}}, {}, 4},
        {6, "0301", {{0x31, 0x10, 0x08}, {0x31, 0x10, 0x01}, {0x31, 0x10, 0x11}},
         {{{0x31, 0x10, 0x04}, 22}, {{0x31, 0x10, 0x04}, 22}, {{0x31, 0x10, 0x04}, 22},
          {{0x31, 0x10, 0x04}, 22}, {{0x31, 0x10, 0x05}, 21}},
         4},
        {25, "0200", {}, {{{0x21, 0x01, 0x02, 0x01}, 19}}, 2},
        {40, "0300", {}, {}, 2},
    };
    for (const Expect& x : cases) {
        SCOPED_TRACE(x.id);
        auto f = WriteMulti(*model, mfi_voice::kMulti6, x.id);
        EXPECT_EQ(Version(f), x.version);
        Walk w = WalkChunk(f, Chunks(f).at(0));
        std::size_t k = 0;
        for (const auto& head : x.setupHeads) {
            ASSERT_LT(k, w.payloads.size());
            EXPECT_TRUE(std::equal(head.begin(), head.end(), w.payloads[k++].begin()));
        }
        for (const auto& [head, size] : x.definitions) {
            // Terminal 25 puts its programs before its drums.
            while (x.id == 25 && k < w.payloads.size() && w.payloads[k][3] == 0x00) ++k;
            ASSERT_LT(k, w.payloads.size());
            EXPECT_TRUE(std::equal(head.begin(), head.end(), w.payloads[k].begin()));
            EXPECT_EQ(w.payloads[k++].size(), size);
        }
        ASSERT_FALSE(w.banks.empty());
        for (int bank : w.banks)
            EXPECT_EQ(bank & 6, x.bankBit);
    }
    // Terminal 5: one definition event of 17-byte records, one channel per
    // track afterwards, four programs and volumes at each track's start.
    auto f = WriteMulti(*model, mfi_voice::kMulti6, 5);
    EXPECT_EQ(Version(f), "0200");
    auto chunks = Chunks(f);
    Walk w = WalkChunk(f, chunks.at(0));
    ASSERT_EQ(w.payloads.size(), 1u);
    EXPECT_EQ((w.payloads[0].size() - 3) % 17, 0u);
    EXPECT_EQ(w.payloads[0][0], 0x11);
    for (const Chunk& c : chunks)
        EXPECT_GE(WalkChunk(f, c).banks.size(), 4u);
}

// Write then read for every multi-track type: times, gates and pitches.
TEST(MultiMFiRoundTrip, NotesOfEveryChannelSurvive) {
    auto model = MakeMulti({0, 3, 5, 9, 12, 15});
    for (int type : {6, 7, 8, 9, 32}) {
        SCOPED_TRACE(type);
        auto f = WriteMulti(*model, type, 0);
        EXPECT_EQ(ReadBigEndian32(f.data() + 4), f.size() - 8);
        MultiMFiData back(f.data(), static_cast<int>(f.size()), ShownLog(), type);
        MultiMobileTrackData read;
        back.ToMultiMobileTrackData(read);
        ASSERT_EQ(read.Count(), 16);
        for (int i = 0; i < model->Count(); ++i) {
            const MobileChanelData& slot = *model->Slot(i);
            auto want = SlotNotes(slot);
            for (auto& n : want)
                n.velocity = n.velocity / 2 * 2;
            EXPECT_EQ(SlotNotes(*read.Slot(slot.number)), want) << slot.number;
        }
    }
}
