#include "convert/audio/wav_to_mld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "convert/audio/adpcm.h"
#include "convert/audio/ring_voice_table.h"
#include "tests/audio/mld_image_reader.h"
#include "tests/audio/wave_bytes.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using namespace wave_bytes;

namespace {

// Interleaved samples: a sine on the left, a quieter one on the right.
std::vector<std::int16_t> Tone(int channels, int frames, int seed = 0) {
    std::vector<std::int16_t> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(static_cast<std::int16_t>((c == 0 ? 9000 : 4000) *
                                                  std::sin(0.05 * i * (c + 1) + seed)));
    return s;
}

Bytes Wav(int channels, int rate, const std::vector<std::int16_t>& s, int bits = 16) {
    Bytes data;
    for (std::int16_t v : s) PutLe(data, static_cast<std::uint16_t>(v), 2);
    return Riff({Chunk("fmt ", FormatBody(1, channels, rate, bits)), Chunk("data", data)});
}

// Converts an image in memory; the image, empty on failure.
Bytes Convert(const Bytes& wav, int format, int rate, int level = 100,
              const std::string& path = "dir/voice.wav") {
    WavToMldConverter source(wav, path);
    WavToMldConverter converter(kFromSource, source);
    if (!converter.ConvertToMemory(format, rate, level)) return {};
    return converter.Image();
}

std::vector<std::int16_t> Normalized(std::vector<std::int16_t> s) {
    ring_voice::Normalize(s, 100);
    return s;
}

Bytes Encoded(int codec, const std::vector<std::int16_t>& s) {
    Bytes out(s.size() + 8);
    out.resize(adpcm::Encode(codec, s.data(), static_cast<int>(s.size()), out.data()));
    return out;
}

// A mono 16-bit 8000 Hz WAVE_FORMAT_EXTENSIBLE "fmt " body (extra size 22,
// valid bits, channel mask, sub-format GUID) of the sub-format tag, cut to size.
Bytes Extensible(std::uint8_t tag, std::size_t size = 40) {
    Bytes b = FormatBody(0xFFFE, 1, 8000, 16);
    b.insert(b.end(), {22, 0, 16, 0, 4, 0, 0, 0, tag, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0,
                       0x38, 0x9B, 0x71});
    b.resize(size);
    return b;
}

std::vector<std::int16_t> Channel(const std::vector<std::int16_t>& s, int c) {
    std::vector<std::int16_t> out;
    for (std::size_t i = c; i < s.size(); i += 2) out.push_back(s[i]);
    return out;
}

}  // namespace

TEST(WavToMld, OneSecondMonoAt8000InTheVoiceLayout) {
    auto s = Tone(1, 8000);
    Bytes image = Convert(Wav(1, 8000, s), 12, 8000);
    mld_test::Image img = mld_test::Read(image);
    ASSERT_TRUE(img.lengthsAgree) << img.error;
    EXPECT_EQ(img.infoLength, 59u + std::string("voice_93.mld").size());
    ASSERT_EQ(img.adat.size(), 4014u);
    EXPECT_EQ(Bytes(img.adat.begin() + 10, img.adat.begin() + 13), (Bytes{8, 4, 1}));
    EXPECT_EQ(Bytes(img.adat.begin() + 14, img.adat.end()), Encoded(3, Normalized(s)));
    EXPECT_EQ(Bytes(img.track.begin() + 25, img.track.begin() + 29), (Bytes{0xC8, 0xFF, 0xDC, 0}));
    EXPECT_TRUE(Sink().Texts().empty());
}

TEST(WavToMld, StereoVoiceLayoutPutsLeftBeforeRight) {
    auto s = Tone(2, 4000);
    Bytes image = Convert(Wav(2, 8000, s), 14, 8000);
    mld_test::Image img = mld_test::Read(image);
    ASSERT_TRUE(img.lengthsAgree) << img.error;
    EXPECT_EQ(img.adat[12], 2);
    auto n = Normalized(s);
    Bytes both = Encoded(3, Channel(n, 0));
    for (std::uint8_t b : Encoded(3, Channel(n, 1))) both.push_back(b);
    EXPECT_EQ(Bytes(img.adat.begin() + 14, img.adat.end()), both);
}

TEST(WavToMld, OutputNamesFollowTheSourceFileName) {
    const std::string dir = testing_support::ScratchDir();
    std::filesystem::create_directories(dir + "/a.b");
    Bytes wav = Wav(1, 8000, Tone(1, 800));
    for (const char* name : {"/voice.wav", "/intro.wav", "/a.b/voice"}) {
        std::ofstream(dir + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    }
    struct Case { const char* source; int format; const char* output; };
    for (Case c : {Case{"/voice.wav", 2, "/voice_n2.mld"}, Case{"/intro.wav", 18, "/intro_lg.mld"},
                   Case{"/a.b/voice", 2, "/a.b/voice_n2.mld"}}) {
        WavToMldConverter source(dir + c.source);
        WavToMldConverter converter(kFromSource, source);
        ASSERT_EQ(converter.Convert(c.format, 8000, 100, nullptr), 1) << c.source;
        EXPECT_EQ(converter.OutputPath(), dir + c.output);
        std::ifstream in(dir + c.output, std::ios::binary);
        Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(file, converter.Image());
        mld_test::Image img = mld_test::Read(file);
        EXPECT_EQ(std::string(img.subChunks[1].second.begin(), img.subChunks[1].second.end()),
                  std::string(c.output + (c.output[2] == '.' ? 5 : 1)));
    }
    EXPECT_TRUE(Sink().Texts().empty());
}

TEST(WavToMld, RequestsAreRefusedInStepOrder) {
    Bytes mono = Wav(1, 8000, Tone(1, 400));
    struct Case { int format; int rate; const char* text; };
    for (Case c : {Case{0, 4000, "samplerate_f04:none"}, Case{0, 8000, "samplerate_f08:none"},
                   Case{0, 16000, "samplerate_f16:none"}, Case{0, 32000, "samplerate_f32:none"},
                   Case{13, 4000, "samplerate_f04:p1s"}, Case{14, 32000, "samplerate_f32:93s"},
                   Case{2, 11025, "samplerate:4000,8000,16000,32000"}, Case{19, 8000, "fmt_num"},
                   Case{-1, 8000, "fmt_num"}}) {
        Sink().Clear();
        EXPECT_TRUE(Convert(mono, c.format, c.rate).empty());
        EXPECT_EQ(Sink().Texts(), std::vector<std::string>{c.text}) << c.format;
    }
    Sink().Clear();
    EXPECT_FALSE(Convert(mono, 12, 32000).empty());
    // An 8-bit source is refused before its rate is looked at.
    Bytes eight = Riff({Chunk("fmt ", FormatBody(1, 1, 8000, 8)), Chunk("data", Ramp(100))});
    EXPECT_TRUE(Convert(eight, 0, 4000).empty());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"対応していないビット数です。"});
    // An out-of-range level is named and the conversion goes on.
    Sink().Clear();
    EXPECT_FALSE(Convert(mono, 4, 8000, 501).empty());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"normalize"});
}

TEST(WavToMld, G721At4000IsG726At16kNamed4000) {
    auto s = Tone(1, 8000);
    Bytes image = Convert(Wav(1, 8000, s), 3, 4000);
    mld_test::Image img = mld_test::Read(image);
    ASSERT_TRUE(img.lengthsAgree) << img.error;
    const mld_test::Event& voice = img.events[2];
    EXPECT_EQ(mld_test::Be(voice.bytes, 2, 2), 16000u / 8 + 5);
    EXPECT_EQ(Bytes(voice.bytes.begin() + 4, voice.bytes.begin() + 9), (Bytes{0x61, 0x83, 0, 'D', 0}));
    EXPECT_EQ(Bytes(voice.bytes.begin() + 9, voice.bytes.end()), Encoded(4, Normalized(s)));
}

TEST(WavToMld, LgTailCarriesTheWholeDuration) {
    Bytes image = Convert(Wav(1, 8000, Tone(1, 16000 * 2)), 18, 8000);  // 4 s: D = 800
    mld_test::Image img = mld_test::Read(image);
    ASSERT_TRUE(img.lengthsAgree) << img.error;
    bool found = false;
    for (const auto& e : img.events)
        if (e.bytes[1] == 0xDC) found = e.delta == 800 % 256 && e.bytes[2] == 800 / 256;
    EXPECT_TRUE(found);
}

TEST(WavToMld, CutVoicesAndLargeImagesAreReported) {
    // 20 s: 80000 encoded bytes, more than "n1" holds but under the limit.
    Bytes longer = Wav(1, 8000, Tone(1, 8000 * 20));
    EXPECT_FALSE(Convert(longer, 1, 8000).empty());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"指定されたファイルサイズの制限を越えています。"});
    // 30 s: over the limit, said once though the voice is cut as well.
    Sink().Clear();
    EXPECT_FALSE(Convert(Wav(1, 8000, Tone(1, 8000 * 30)), 11, 8000).empty());
    EXPECT_EQ(Sink().Count(), 1u);
    // A voice image past 0x80000 bytes is not built at all.
    Sink().Clear();
    EXPECT_TRUE(Convert(Wav(1, 32000, Tone(1, 32000 * 33)), 12, 32000).empty());
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{"指定されたファイルサイズの制限を越えています。",
                                                       "ファイルのサイズが大きすぎます。",
                                                       "makemldを保存できませんでした。"}));
}

TEST(WavToMld, UntrustedSizesAndWords) {
    auto s = Tone(1, 1000);
    Bytes data;
    for (std::int16_t v : s) PutLe(data, static_cast<std::uint16_t>(v), 2);
    const Bytes fmt = FormatBody(1, 1, 8000, 16);
    const Bytes good = Convert(Riff({Chunk("fmt ", fmt), Chunk("data", data)}), 4, 8000);
    ASSERT_FALSE(good.empty());
    // An extensible "fmt " body, and a data size past the end (an odd byte
    // more than the samples): the same voice.
    Bytes longData = data;
    longData.push_back(0x7F);
    EXPECT_EQ(Convert(Riff({Chunk("fmt ", FormatBody(1, 1, 8000, 16, 24)),
                            Chunk("data", longData, 1 << 30)}), 4, 8000), good);
    EXPECT_TRUE(Sink().Texts().empty());
    struct Case { Bytes wav; const char* text; };
    Bytes noRate = FormatBody(1, 1, 0, 16), three = FormatBody(1, 3, 8000, 16);
    for (const Case& c : {Case{Riff({Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 14)),
                                     Chunk("data", data)}), "file is different format [fmt ]"},
                          Case{Riff({Chunk("fmt ", fmt, 4000)}), "file is different format [fmt ]"},
                          Case{Riff({Chunk("fmt ", noRate), Chunk("data", data)}),
                               "\"voice.wav\" can not be converted: its sample rate is 0 Hz; "
                               "recordings of 4000 to 192000 Hz are taken."},
                          Case{Riff({Chunk("fmt ", three), Chunk("data", data)}),
                               "\"voice.wav\" can not be converted: it has 3 channels; mono or "
                               "stereo recordings are taken."},
                          Case{Riff({Chunk("fmt ", FormatBody(1, 0, 8000, 16)), Chunk("data", data)}),
                               "This is not pcm data."},
                          Case{Riff({Chunk("fmt ", FormatBody(2, 1, 8000, 16)), Chunk("data", data)}),
                               "This is not pcm data."},
                          Case{Riff({Chunk("fmt ", fmt)}), "file is different format [data]"},
                          Case{Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}, "file is different format [WAVE]"},
                          Case{Bytes{}, "file is different format [RIFF]"}}) {
        Sink().Clear();
        EXPECT_TRUE(Convert(c.wav, 4, 8000).empty());
        EXPECT_EQ(Sink().Texts(), std::vector<std::string>{c.text});
    }
}

TEST(WavToMld, OnlyRecordingsWithSamplesAtARealRateAreWritten) {
    const std::string target = testing_support::ScratchDir() + "/v.mld";
    Bytes data;
    for (std::int16_t v : Tone(1, 1000)) PutLe(data, static_cast<std::uint16_t>(v), 2);
    const auto w = [&](const Bytes& f) { return Riff({Chunk("fmt ", f), Chunk("data", data)}); };
    const auto rate = [&](long hz) { return w(FormatBody(1, 1, static_cast<int>(hz), 16)); };
    Bytes cutHead = rate(8000);
    cutHead.resize(cutHead.size() - data.size() - 2);  // "data" and half its size
    const char* none = "This file has no sound data.";
    const auto rates = [](const char* hz) {
        return std::string("\"v.wav\" can not be converted: its sample rate is ") + hz +
               " Hz; recordings of 4000 to 192000 Hz are taken.";
    };
    const char* notPcm = "This is not pcm data.";
    const std::pair<Bytes, std::string> cases[] = {  // text "" for a written voice
        {Riff({Chunk("fmt ", FormatBody(1, 1, 8000, 16)), Chunk("data", {})}), none},
        {cutHead, "file is different format [data]"}, {rate(0xFFFFFFFF), rates("4294967295")},
        {rate(1), rates("1")}, {rate(7), rates("7")}, {rate(3999), rates("3999")},
        {rate(192001), rates("192001")}, {rate(4000), ""}, {rate(192000), ""},
        {w(Extensible(1)), ""}, {w(Extensible(3)), notPcm}, {w(Extensible(1, 30)), notPcm}};
    for (const auto& [wav, text] : cases) {
        Sink().Clear();
        WavToMldConverter source(wav, "v.wav");
        WavToMldConverter converter(kFromSource, source);
        EXPECT_EQ(converter.Convert(4, 8000, 100, target.c_str()) == 1, text.empty()) << text;
        EXPECT_EQ(Sink().Texts(), text.empty() ? std::vector<std::string>{} : std::vector{text});
        EXPECT_EQ(std::filesystem::remove(target), text.empty());
    }
    // Extensible PCM is the voice of the same plain PCM.
    EXPECT_EQ(Convert(w(Extensible(1)), 4, 8000), Convert(rate(8000), 4, 8000));
}

// The chunks of a recording are walked by their sizes: a comment holding the
// word "data", chunks of odd size with their pad byte, chunks of any id
// before "fmt " or "data", and an extensible PCM record give the voice of
// the plain recording, without a word.
TEST(WavToMld, RecordingsAreReadChunkByChunk) {
    Bytes data;
    for (std::int16_t v : Tone(1, 4000)) PutLe(data, static_cast<std::uint16_t>(v), 2);
    const Bytes fmt = Chunk("fmt ", FormatBody(1, 1, 8000, 16)), samples = Chunk("data", data);
    const Bytes plain = Convert(Riff({fmt, samples}), 4, 8000);
    ASSERT_FALSE(plain.empty());
    const std::string text = "speech data";  // 11 bytes and a pad byte
    Bytes info = {'I', 'N', 'F', 'O'};
    for (std::uint8_t b : Chunk("ICMT", Bytes(text.begin(), text.end()))) info.push_back(b);
    info.push_back(0);
    const Bytes comment = Chunk("LIST", info);
    const Bytes recordings[] = {
        Riff({fmt, comment, samples}),
        Riff({comment, Chunk("JUNK", Ramp(3)), {0}, fmt, Chunk("odd ", Ramp(1)), {0}, samples}),
        Riff({Chunk("fmt ", Extensible(1)), comment, samples}),
    };
    const std::string path = testing_support::ScratchDir() + "/voice.wav";
    for (const Bytes& wav : recordings) {
        Sink().Clear();
        EXPECT_TRUE(Convert(wav, 4, 8000) == plain) << &wav - recordings;
        // And from a file on disk, as the program reads a recording.
        testing_support::WriteFileText(path, std::string(wav.begin(), wav.end()));
        const WavToMldConverter source(path);
        WavToMldConverter fromFile(kFromSource, source);
        EXPECT_TRUE(fromFile.ConvertToMemory(4, 8000, 100) && fromFile.Image() == plain)
            << &wav - recordings;
        EXPECT_TRUE(Sink().Texts().empty()) << &wav - recordings;
    }
}

TEST(WavToMld, LevelZeroAndSilenceKeepTheSamples) {
    auto s = Tone(1, 2000);
    Bytes image = Convert(Wav(1, 8000, s), 4, 8000, 0);
    mld_test::Image img = mld_test::Read(image);
    const auto& voice = img.events[2].bytes;
    EXPECT_EQ(Bytes(voice.begin() + 9, voice.end()), Encoded(2, s));
    std::vector<std::int16_t> silence(2000, 0), kept = silence;
    ring_voice::Normalize(kept, 100);
    EXPECT_EQ(kept, silence);
}

TEST(WavToMld, FailedWriteIsAFailureAndLeavesNoFile) {
    const std::string dir = testing_support::ScratchDir();
    WavToMldConverter source(Wav(1, 8000, Tone(1, 800)), dir + "/v.wav");
    WavToMldConverter converter(kFromSource, source);
    const std::string target = dir + "/missing/v.mld";
    EXPECT_EQ(converter.Convert(4, 8000, 100, target.c_str()), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ファイルが書き込めませんでした。"});
    EXPECT_EQ(testing_support::FolderNames(dir), std::vector<std::string>{});
}

TEST(RingVoiceSamples, ChannelRoundTripAndResampling) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<std::int16_t> mono(5001);
    for (auto& v : mono) v = static_cast<std::int16_t>(d(rng));
    auto stereo = ring_voice::DuplicateToStereo(mono);
    ring_voice::MixToMono(stereo);
    EXPECT_EQ(stereo, mono);
    // Upsampling a long slow ramp: sizes and positions in 64 bits (the
    // byte-size product passes 2^32 here), never past the last sample.
    std::vector<std::int16_t> ramp(600000);
    for (std::size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<std::int16_t>(k / 32);
    auto up = ring_voice::Resample(ramp, 1, 4000, 32000);
    ASSERT_EQ(up.size(), 8u * ramp.size());
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < up.size(); ++i) wrong += up[i] != static_cast<std::int16_t>(i * 125 / 1000 / 32);
    EXPECT_EQ(wrong, 0u);
    // Tiny inputs at every pair of rates stay in bounds and keep whole frames.
    for (std::uint32_t from : {1u, 4000u, 11025u, 44100u, 96000u})
        for (std::uint32_t to : {4000u, 8000u, 16000u, 32000u})
            for (int frames : {0, 1, 2, 3}) {
                std::vector<std::int16_t> s(2 * frames, 1000);
                auto out = ring_voice::Resample(s, 2, from, to);
                EXPECT_EQ(out.size(), 2 * ring_voice::ResampledFrames(frames, from, to));
                for (std::int16_t v : out) EXPECT_EQ(v, 1000);
            }
}

TEST(WavToMld, WordsTheFileGetsWrongDoNotMatter) {
    auto s = Tone(1, 4000);
    Bytes data;
    for (std::int16_t v : s) PutLe(data, static_cast<std::uint16_t>(v), 2);
    Bytes fmt = FormatBody(1, 1, 8000, 16);
    const Bytes good = Convert(Riff({Chunk("fmt ", fmt), Chunk("data", data)}), 18, 8000);
    // A byte rate and block align of 0: the length comes from the rate.
    for (int i = 8; i < 14; ++i) fmt[i] = 0;
    EXPECT_EQ(Convert(Riff({Chunk("fmt ", fmt), Chunk("data", data)}), 18, 8000), good);
    // One sample is encoded (the handset maker's four zero bytes have room)
    // but gives no byte of voice.
    EXPECT_TRUE(Convert(Wav(1, 8000, {1234}), 18, 8000).empty());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"This file has no sound data."});
    // 8.4 MB of 4000 Hz samples raised to 32000 Hz would take 67 MB.
    Sink().Clear();
    const Bytes big = Riff({Chunk("fmt ", FormatBody(1, 1, 4000, 16)),
                            Chunk("data", Bytes(8400000))});
    EXPECT_TRUE(Convert(big, 2, 32000).empty());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"no memory"});
    // A long title is cut to what its 16-bit field and 256-byte text hold.
    WavToMldConverter source(Wav(1, 8000, s), "v.wav");
    WavToMldConverter converter(kFromSource, source);
    converter.SetTitle(std::string(300, 't'));
    ASSERT_EQ(converter.ConvertToMemory(4, 8000, 100), 1);
    EXPECT_EQ(mld_test::Read(converter.Image()).subChunks[1].second.size(), 255u);
}
