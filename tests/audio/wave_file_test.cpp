#include "convert/audio/wave_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/utilities.h"
#include "tests/audio/outside_tools.h"
#include "tests/audio/wave_bytes.h"
#include "tests/support/test_support.h"

using testing_support::Sink;
using namespace wave_bytes;

namespace {

const Bytes kPcmFormat = FormatBody(1, 2, 8000, 16);

// The texts shown while reading an image.
std::vector<std::string> ReadTexts(const Bytes& image) {
    Sink().Clear();
    WaveFile wave(image);
    wave.Log().ShowAll();
    EXPECT_EQ(wave.HasData(), Sink().Count() == 0u);
    return Sink().Texts();
}

std::vector<std::string> Texts(std::initializer_list<const char*> texts) {
    return {texts.begin(), texts.end()};
}

}  // namespace

TEST(WaveFile, EveryStatusHasItsText) {
    EXPECT_STREQ(wavefile::StatusText(wavefile::kOk), "");
    for (int status = 1; status < wavefile::kStatusCount; ++status)
        EXPECT_STRNE(wavefile::StatusText(status), "") << status;
    EXPECT_STREQ(wavefile::StatusText(wavefile::kUnknownChunk), "file is different format");
}

TEST(WaveFile, BuiltFilesReadBackWithTheirFormatAndSamples) {
    for (int channels : {1, 2}) {
        for (int bits : {8, 16, 24}) {
            for (std::uint32_t frames : {0u, 1u, 3u, 1000u}) {
                const int align = channels * bits / 8;
                const Bytes samples = Ramp(frames * align + 5);  // more than asked for
                WaveFile built(1u | channels << 16, 11025, 11025u * align,
                               static_cast<std::uint32_t>(align) | bits << 16, samples, frames);
                ASSERT_EQ(built.DataSize(), frames * align);
                const Bytes image = built.Image();
                ASSERT_EQ(image.size(), built.FileSize());
                ASSERT_EQ(image.size(), 44u + frames * align);
                EXPECT_EQ(ReadLittleEndian32(image.data() + 4), image.size() - 8);

                WaveFile back(image);
                ASSERT_TRUE(back.HasData());
                EXPECT_EQ(back.Channels(), channels);
                EXPECT_EQ(back.BitsPerSample(), bits);
                EXPECT_EQ(back.BlockAlign(), align);
                EXPECT_EQ(back.SampleRate(), 11025u);
                EXPECT_EQ(back.ByteRate(), 11025u * align);
                EXPECT_EQ(Bytes(back.Data().begin(), back.Data().end()),
                          Bytes(samples.begin(), samples.begin() + frames * align));
            }
        }
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(WaveFile, HeaderOfATwoSampleFile) {
    const Bytes samples = {0x01, 0x02, 0xFF, 0x7F};
    WaveFile wave(1u | 1u << 16, 8000, 16000, 2u | 16u << 16, samples, 2);
    const Bytes expected = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                            16, 0, 0, 0, 1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0,
                            2, 0, 16, 0, 'd', 'a', 't', 'a', 4, 0, 0, 0, 0x01, 0x02, 0xFF, 0x7F};
    EXPECT_EQ(wave.Image(), expected);
    // A small buffer or a total past 32 bits is refused.
    Bytes small(47);
    EXPECT_EQ(wave.WriteHeader(small, 48), 0u);
    Bytes room(60, 0xEE);
    EXPECT_EQ(wave.WriteHeader(room, 100), 48u);
    EXPECT_EQ(ReadLittleEndian32(room.data() + 4), 92u);
    EXPECT_EQ(room[48], 0xEE);
}

TEST(WaveFile, SamplesGoIntoTheCallersBuffer) {
    const Bytes samples = Ramp(8);
    Bytes buffer(8);
    WaveFile wave(1u | 1u << 16, 8000, 16000, 2u | 16u << 16, samples, 4, buffer);
    EXPECT_TRUE(wave.IsBorrowed());
    EXPECT_EQ(wave.Data().data(), buffer.data());
    EXPECT_EQ(buffer, samples);
    Bytes tooSmall(7);
    WaveFile own(1u | 1u << 16, 8000, 16000, 2u | 16u << 16, samples, 4, tooSmall);
    EXPECT_FALSE(own.IsBorrowed());
    EXPECT_EQ(own.DataSize(), 8u);
}

TEST(WaveFile, OptionalChunksAreSkipped) {
    const Bytes data = Chunk("data", Ramp(8));
    // "bext" before "fmt " and "regn" before "data".
    EXPECT_TRUE(ReadTexts(Riff({Chunk("bext", Ramp(602)), Chunk("fmt ", kPcmFormat),
                                Chunk("regn", Ramp(12)), data}))
                    .empty());
    // The leading ones in their order, "fact", and odd sizes with their pad byte.
    EXPECT_TRUE(ReadTexts(Riff({Chunk("PAD ", Ramp(3)), {0}, Chunk("bext", {}),
                                Chunk("minf", Ramp(16)), Chunk("elm1", Ramp(4)),
                                Chunk("fmt ", kPcmFormat), Chunk("fact", Ramp(4)),
                                Chunk("umid", Ramp(24)), Chunk("pad ", Ramp(1)), {0}, data}))
                    .empty());
    // An extensible record longer than 18 bytes: the first 16 count.
    WaveFile extensible(Riff({Chunk("fmt ", FormatBody(0xFFFE, 2, 48000, 24, 24)), data}));
    EXPECT_EQ(extensible.FormatChunkSize(), 40u);
    EXPECT_EQ(extensible.FormatTag(), 0xFFFE);
    EXPECT_EQ(extensible.SampleRate(), 48000u);
    EXPECT_EQ(extensible.DataSize(), 6u);  // whole 6-byte frames
}

TEST(WaveFile, RefusalsNameTheChunk) {
    const Bytes fmt = Chunk("fmt ", kPcmFormat);
    const Bytes data = Chunk("data", Ramp(8));
    EXPECT_EQ(ReadTexts(Riff({fmt, Chunk("LIST", Ramp(26)), data})),
              Texts({"file is different format [LIST]"}));
    Bytes notRiff = Riff({fmt, data});
    notRiff[0] = 'X';
    EXPECT_EQ(ReadTexts(notRiff), Texts({"file is different format [RIFF]"}));
    Bytes notWave = Riff({fmt, data});
    notWave[8] = 'X';
    EXPECT_EQ(ReadTexts(notWave), Texts({"file is different format [WAVE]"}));
    EXPECT_EQ(ReadTexts(Riff({data})), Texts({"file is different format [fmt ]"}));
    // "regn" is skipped only after "fmt ".
    EXPECT_EQ(ReadTexts(Riff({Chunk("regn", {}), fmt, data})),
              Texts({"file is different format [fmt ]"}));
    EXPECT_EQ(ReadTexts(Riff({fmt})), Texts({"file is different format [data]"}));
    EXPECT_EQ(ReadTexts({}), Texts({"file is different format [RIFF]"}));
    WaveFile refused(Riff({fmt, Chunk("LIST", {}), data}));
    EXPECT_EQ(refused.Status(), wavefile::kUnknownChunk);
    EXPECT_EQ(refused.DataSize(), 0u);
    EXPECT_EQ(refused.Channels(), 0);
}

TEST(WaveFile, ARefusedChunkIsNamedApartFromTheStatus) {
    const Bytes fmt = Chunk("fmt ", kPcmFormat);
    const Bytes data = Chunk("data", Ramp(8));
    const struct {
        Bytes image;
        std::string id;
    } kCases[] = {{Riff({fmt, Chunk("LIST", {}), data}), "LIST"},
                  {Riff({data}), "fmt "},
                  {Riff({fmt}), "data"}};
    for (const auto& c : kCases) {
        WaveFile wave(c.image);
        std::uint32_t packed = 0;
        for (char b : c.id)
            packed = packed << 8 | static_cast<std::uint8_t>(b);
        ASSERT_EQ(wave.Log().Findings().size(), 1u) << c.id;
        const ReadFinding& f = wave.Log().Findings()[0];
        EXPECT_EQ(f.code, static_cast<std::uint32_t>(wave.Status())) << c.id;
        EXPECT_EQ(f.chunkId, packed) << c.id;
        EXPECT_TRUE(wave.Log().Has(f.code)) << c.id;
        EXPECT_FALSE(wave.Log().Has(packed)) << c.id;
    }
}

TEST(WaveFile, UntrustedSizesAreRefusedOrCut) {
    const Bytes fmt = Chunk("fmt ", kPcmFormat);
    // A record under 16 bytes, or one running past the end.
    EXPECT_EQ(ReadTexts(Riff({Chunk("fmt ", Bytes(14)), Chunk("data", Ramp(8))})),
              Texts({"file is different format [fmt ]"}));
    EXPECT_EQ(ReadTexts(Riff({Chunk("fmt ", kPcmFormat, 0xFFFFFFF0)})),
              Texts({"file is different format [fmt ]"}));
    // Skipped chunks running past the end name themselves.
    EXPECT_EQ(ReadTexts(Riff({Chunk("bext", Ramp(4), 0x7FFFFFFF), fmt})),
              Texts({"file is different format [bext]"}));
    EXPECT_EQ(ReadTexts(Riff({fmt, Chunk("regn", Ramp(4), 5000)})),
              Texts({"file is different format [regn]"}));
    // A data size past the end: the whole frames present.
    WaveFile cut(Riff({fmt, Chunk("data", Ramp(11), 0xFFFFFFFF)}));
    ASSERT_TRUE(cut.HasData());
    EXPECT_EQ(cut.DataSize(), 8u);
}

TEST(WaveFile, EveryPrefixOfAFileReadsOrIsRefused) {
    const Bytes image = Riff({Chunk("bext", Ramp(10)), Chunk("fmt ", kPcmFormat),
                              Chunk("regn", Ramp(6)), Chunk("data", Ramp(40))});
    const std::size_t dataAt = image.size() - 40;
    for (std::size_t n = 0; n <= image.size(); ++n) {
        Sink().Clear();
        WaveFile wave(std::span<const std::uint8_t>(image.data(), n));
        wave.Log().ShowAll();
        if (n < dataAt) {
            EXPECT_FALSE(wave.HasData()) << n;
            EXPECT_EQ(Sink().Count(), 1u) << n;
        } else {
            ASSERT_TRUE(wave.HasData()) << n;
            EXPECT_EQ(wave.DataSize(), (n - dataAt) / 4 * 4) << n;
        }
    }
}

TEST(WaveFile, FilesAreReadSavedAndNeverLeftHalfWritten) {
    const std::string dir = testing_support::ScratchDir();
    const Bytes samples = Ramp(4000);
    WaveFile wave(1u | 1u << 16, 8000, 16000, 2u | 16u << 16, samples, 2000);
    ASSERT_EQ(wave.Save(dir + "/a.wav"), 1);
    WaveFile back(dir + "/a.wav");
    ASSERT_TRUE(back.HasData());
    EXPECT_EQ(Bytes(back.Data().begin(), back.Data().end()), samples);
    // Built in the caller's buffer when it is large enough.
    Bytes buffer(wave.FileSize());
    ASSERT_EQ(wave.Save(dir + "/b.wav", buffer), 1);
    EXPECT_EQ(outside::ReadBytes(dir + "/b.wav"), buffer);

    Sink().Clear();
    {
        testing_support::FileSizeLimit full(1024);
        EXPECT_EQ(wave.Save(dir + "/c.wav"), 0);
    }
    EXPECT_EQ(Sink().Texts(),
              std::vector<std::string>{"file can not open [" + dir + "/c.wav: File too large]"});
    EXPECT_EQ(testing_support::FolderNames(dir), (std::vector<std::string>{"a.wav", "b.wav"}));

    Sink().Clear();
    WaveFile missing(dir + "/none.wav");
    missing.Log().ShowAll();
    EXPECT_EQ(missing.Status(), wavefile::kNotFound);
    EXPECT_EQ(Sink().Texts(), Texts({"file is not found"}));
}
