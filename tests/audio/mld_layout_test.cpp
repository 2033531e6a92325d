#include <gtest/gtest.h>

#include <numeric>

#include "convert/audio/mld_layouts.h"
#include "convert/audio/mld_voice.h"
#include "convert/audio/ring_voice_table.h"
#include "tests/audio/mld_image_reader.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ramp(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return b;
}

// A voice of `bytes` encoded bytes per channel at the rate, as the maker
// would describe it (4-bit data: two samples a byte).
VoiceImageInput Input(int format, int rate, const Bytes& left, const Bytes& right = {}) {
    VoiceImageInput in;
    in.format = format;
    in.rate = rate;
    in.title = "voice_t";
    in.left = left;
    in.right = right;
    const std::uint64_t pcm = left.size() * 4;  // one channel's 16-bit bytes
    in.duration = static_cast<std::uint32_t>(pcm * 200 / (rate * 2));
    in.ticks = pcm * 128 / (rate * 2);
    in.adpcmByteRate = rate / 2;
    return in;
}

// Voice-data events are the long FF FF events (the others hold 14 bytes at
// most); voices of 16 bytes or more are told apart by this.
bool IsVoiceEvent(const mld_test::Event& e) {
    return e.bytes[1] == 0xFF && mld_test::Be(e.bytes, 2, 2) > 20;
}

// Sum of the deltas of the wait events (FF DE, FF DF) after the last
// voice-data event.
std::uint64_t TailWaits(const mld_test::Image& img) {
    std::uint64_t sum = 0;
    for (const auto& e : img.events) {
        if (IsVoiceEvent(e)) sum = 0;
        if (e.bytes[1] == 0xDE || e.bytes[1] == 0xDF) sum += e.delta;
    }
    return sum;
}


}  // namespace

TEST(MldVoiceImage, OneSecondMonoAt8000) {
    CMldVoice voice;
    Bytes data = Ramp(4000);
    ASSERT_TRUE(voice.Build(Input(12, 8000, data)));
    mld_test::Image img = mld_test::Read(voice.Image());
    ASSERT_TRUE(img.lengthsAgree) << img.error;
    EXPECT_EQ(img.infoLength, 59u + 7);
    EXPECT_EQ(img.header, (Bytes{1, 1, 1}));
    std::vector<std::string> ids;
    for (auto& [id, body] : img.subChunks) ids.push_back(id);
    EXPECT_EQ(ids, (std::vector<std::string>{"sorc", "titl", "vers", "note", "exst", "ainf"}));
    EXPECT_EQ(img.subChunks[5].second, (Bytes{1, 1, 0x81, 0, 6, 0x10, 8, 0x10, 0x10, 8, 0x10}));
    ASSERT_EQ(img.adat.size(), 4014u);
    EXPECT_EQ(Bytes(img.adat.begin() + 10, img.adat.begin() + 14), (Bytes{8, 4, 1, 0xFF}));
    EXPECT_EQ(Bytes(img.adat.begin() + 14, img.adat.end()), data);
    ASSERT_EQ(img.track.size(), 37u);
    EXPECT_EQ(Bytes(img.track.begin() + 25, img.track.begin() + 29), (Bytes{0xC8, 0xFF, 0xDC, 0}));
    // The adat chunk stands right after the information block.
    EXPECT_EQ(std::string(voice.Image().begin() + 10 + img.infoLength,
                          voice.Image().begin() + 14 + img.infoLength), "adat");
}

TEST(MldVoiceImage, StereoFlagRatesAndSizeRefusal) {
    CMldVoice voice;
    Bytes data = Ramp(100);
    ASSERT_TRUE(voice.Build(Input(14, 16000, data)));
    mld_test::Image img = mld_test::Read(voice.Image());
    EXPECT_EQ(Bytes(img.adat.begin() + 10, img.adat.begin() + 13), (Bytes{0x10, 4, 2}));
    // An unknown rate is written as 8000 Hz after the undefined-error text.
    ASSERT_TRUE(voice.Build(Input(12, 11025, data)));
    img = mld_test::Read(voice.Image());
    EXPECT_EQ(Bytes(img.adat.begin() + 10, img.adat.begin() + 13), (Bytes{8, 4, 1}));
    EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>{"未定義のエラー"});
    // A voice that would pass 0x80000 bytes gives no image.
    Bytes big(kMldVoiceCapacity);
    EXPECT_FALSE(voice.Build(Input(12, 8000, big)));
    EXPECT_TRUE(voice.Image().empty());
    EXPECT_EQ(testing_support::Sink().Texts().back(), "ファイルのサイズが大きすぎます。");
}

TEST(OneChannelImage, D1SplitsIntoFullAndLastPiece) {
    Bytes data = Ramp(70000);
    Bytes out;
    ASSERT_EQ(BuildOneChannelImage(Input(3, 8000, data), out), LayoutStatus::kOk);
    mld_test::Image img = mld_test::Read(out);
    ASSERT_TRUE(img.lengthsAgree) << img.error;
    std::vector<const mld_test::Event*> voice;
    for (const auto& e : img.events)
        if (IsVoiceEvent(e)) voice.push_back(&e);
    ASSERT_EQ(voice.size(), 2u);
    EXPECT_EQ(mld_test::Be(voice[0]->bytes, 2, 2), 0xFFFFu);
    EXPECT_EQ(Bytes(voice[0]->bytes.begin() + 4, voice[0]->bytes.begin() + 9),
              (Bytes{0x61, 0x83, 0, 'E', 1}));
    EXPECT_EQ(mld_test::Be(voice[1]->bytes, 2, 2), 4475u);
    EXPECT_EQ(voice[1]->bytes[8], 0);
    Bytes joined(voice[0]->bytes.begin() + 9, voice[0]->bytes.end());
    joined.insert(joined.end(), voice[1]->bytes.begin() + 9, voice[1]->bytes.end());
    EXPECT_EQ(joined, data);
}

// Every record, several sizes and every rate it has: the lengths agree, the
// timing waits add up to the voice's length, and the data comes back whole
// unless its record has only one event for it.
TEST(OneChannelImage, LengthsWaitsAndDataOverRecordsAndSizes) {
    for (int f = 1; f <= 18; ++f) {
        if (f == 12 || IsStereoFormat(f)) continue;
        for (int rate : {4000, 8000, 16000, 32000}) {
            if (!RingVoiceRateFlag(RingVoiceFormatTable[f], rate)) continue;
            for (std::size_t n : {0, 1, 5, 16, 1000, 65504, 65520, 65546, 131100, 140000}) {
                Bytes data = Ramp(n), out;
                VoiceImageInput in = Input(f, rate, data);
                LayoutStatus st = BuildOneChannelImage(in, out);
                mld_test::Image img = mld_test::Read(out);
                ASSERT_TRUE(img.lengthsAgree) << f << " " << n << " " << img.error;
                std::size_t voiceBytes = 0, pieces = 0;
                for (const auto& e : img.events)
                    if (IsVoiceEvent(e)) {
                        ++pieces;
                        voiceBytes += e.bytes.size() - (f == 2 || f == 18 ? 12 : f == 7 ? 11 : f == 6 || f == 8 || f == 10 ? 13 : 9);
                    }
                const bool one = f == 1 || f == 7 || f == 11 || f == 18;
                std::size_t kept = f == 18 ? (n < 5 ? 0 : n - 5) : n;
                std::size_t cap = f == 7 ? 65528 : f == 18 ? 65527 : 65530;
                if (one && kept > cap) {
                    EXPECT_EQ(st, LayoutStatus::kCut) << f << " " << n;
                    kept = cap;
                }
                if (kept >= 16) {
                    EXPECT_EQ(voiceBytes, kept) << f << " " << n;
                }
                if (f == 2 && n >= 16) {
                    EXPECT_EQ(pieces, std::max<std::size_t>(1, (n + 65503) / 65504));
                } else if (f != 2) {
                    EXPECT_EQ(TailWaits(img), in.ticks) << f << " " << n;
                }
            }
        }
    }
}

TEST(OneChannelImage, N2PiecesAndTheirWaits) {
    Bytes data = Ramp(65504 * 2 + 400), out;
    VoiceImageInput in = Input(2, 16000, data);
    BuildOneChannelImage(in, out);
    mld_test::Image img = mld_test::Read(out);
    ASSERT_TRUE(img.lengthsAgree);
    std::vector<std::uint64_t> waits;
    std::vector<std::uint32_t> lengths;
    for (const auto& e : img.events) {
        if (IsVoiceEvent(e)) {
            lengths.push_back(mld_test::Be(e.bytes, 2, 2));
            EXPECT_EQ(mld_test::Be(e.bytes, 10, 2), 16000u);
        }
        if (e.bytes.size() == 10 && e.bytes[6] == 0xF1) waits.push_back(0);
        if (e.bytes[1] == 0xDE && !waits.empty()) waits.back() += e.delta;
    }
    ASSERT_EQ(waits.size(), 3u);
    EXPECT_EQ(waits[0], 65504u * 128 / 8000);
    EXPECT_EQ(waits[2], 400u * 128 / 8000);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{0, 0xFF, 0xDF, 0}));
    // A full piece counts its 8 head bytes: 65512, not FFFF.
    EXPECT_EQ(lengths, (std::vector<std::uint32_t>{65512, 65512, 408}));
}

TEST(TwoChannelImage, LengthsOrderAndRefusals) {
    Bytes left = Ramp(70000), right(70000, 0x5A), out;
    for (int f : {13, 15, 16, 17}) {
        for (int rate : {8000, 16000}) {
            VoiceImageInput in = Input(f, rate, left, right);
            EXPECT_EQ(BuildTwoChannelImage(in, out), LayoutStatus::kCut);
            mld_test::Image img = mld_test::Read(out);
            ASSERT_TRUE(img.lengthsAgree) << f << img.error;
            EXPECT_EQ(img.header[0], f == 15 ? 1 : 2);
            std::vector<const mld_test::Event*> voice;
            for (const auto& e : img.events)
                if (IsVoiceEvent(e)) voice.push_back(&e);
            ASSERT_EQ(voice.size(), 2u);
            EXPECT_EQ(voice[0]->bytes[6], 0x00);
            EXPECT_EQ(voice[1]->bytes[6], 0x41);
            EXPECT_EQ(Bytes(voice[0]->bytes.begin() + 9, voice[0]->bytes.end()),
                      Bytes(left.begin(), left.begin() + 65530));
            EXPECT_EQ(voice[1]->bytes[9], 0x5A);
            EXPECT_EQ(TailWaits(img), f == 15 || f == 16 ? 0 : in.ticks);
        }
        EXPECT_EQ(BuildTwoChannelImage(Input(f, 4000, left, right), out), LayoutStatus::kStereo4000);
        EXPECT_EQ(BuildTwoChannelImage(Input(f, 32000, left, right), out),
                  LayoutStatus::kUnsupportedRate);
    }
}

TEST(RingVoiceFormatTable, RecordsKnowTheirPlaceAndShareTheirLists) {
    for (int i = 0; i < RingVoiceFormatCount; ++i) {
        const RingVoiceFormat& r = RingVoiceFormatTable[i];
        EXPECT_EQ(r.index, i);
        EXPECT_EQ(r.mldVoiceLayout, i == 12 || i == 14) << i;
        // Two-channel voices are played at 8000 and 16000 Hz only.
        if (IsStereoFormat(i)) {
            EXPECT_EQ(r.rate4000 + r.rate32000, 0) << i;
        }
    }
    EXPECT_EQ(std::string(RingVoiceFormatTable[16].handsetList), RingVoiceFormatTable[10].handsetList);
    EXPECT_EQ(std::string(RingVoiceFormatTable[17].handsetList), RingVoiceFormatTable[4].handsetList);
    EXPECT_EQ(std::string(RingVoiceFormatTable[14].handsetList),
              std::string(RingVoiceFormatTable[12].handsetList) + " Stereo");
}
