// AIFF files, read so that they can be turned into WAV files. Numbers in
// the file are big-endian; the samples are signed and most significant byte
// first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/audio/wave_file.h"
#include "core/read_log.h"

class ByteCursor;

namespace aiff {

// Outcomes of reading; every one but kOk is shown as kErrorText.
enum Status : int {
    kOk = 0,
    kNotAiff = 1,        // the top chunk is not "FORM" ... "AIFF" (reading goes on)
    kChunkCut = 2,       // "COMM" or "SSND" is missing or runs past the end
    kBadCommon = 3,      // "COMM" under 18 bytes, no channels, a sample size out of
                         // 8..32, or a frame too wide for a WAV file
    kBadRate = 4,        // the rate is not finite or outside 1..2^31
    kBadSoundData = 5,   // "SSND" under 8 bytes, or its offset past its samples
    kTooShort = 6,       // an image under 4 bytes
};

constexpr const char* kErrorText = "Aiff Error";
constexpr const char* kTooShortText = "CAiffData::ErrorMsg";

// The reader's findings in a ReadLog, as information boxes: kTooShortText
// for kTooShort, kErrorText for every other status.
extern const ReporterWords kFindings;

// The rate an 80-bit extended number gives, truncated to a whole number; 0
// for a value that is not finite, negative or outside 1..2^31.
std::uint32_t DecodeExtendedRate(std::span<const std::uint8_t, 10> bytes);

}  // namespace aiff

// One chunk: its id, length and body, which is a view into the file image
// the chunk was read from.
class CAiffChunk {
public:
    CAiffChunk() = default;
    virtual ~CAiffChunk();

    // Takes the chunk at the cursor and moves past it (and its pad byte).
    // False, with nothing moved, when the head or body runs past the bytes.
    bool Read(ByteCursor& cursor);

    std::string_view Id() const { return {id_, 4}; }
    std::uint32_t Length() const { return length_; }
    std::span<const std::uint8_t> Body() const { return body_; }

protected:
    char id_[4] = {};
    std::uint32_t length_ = 0;
    std::span<const std::uint8_t> body_;
};

class CCommonChunk : public CAiffChunk {
public:
    // Reads channels, frames, sample size and rate from the body.
    aiff::Status Parse();

    std::uint16_t Channels() const { return channels_; }
    std::uint32_t Frames() const { return frames_; }
    std::uint16_t Bits() const { return bits_; }
    std::uint32_t SampleRate() const { return rate_; }
    // Bytes one sample takes in the file: 1 to 4.
    int SampleBytes() const { return (bits_ + 7) / 8; }

private:
    std::uint16_t channels_ = 0;
    std::uint32_t frames_ = 0;
    std::uint16_t bits_ = 0;
    std::uint32_t rate_ = 0;
};

class CSoundDataChunk : public CAiffChunk {
public:
    // Reads the offset and block size; the samples start offset bytes after
    // them.
    aiff::Status Parse();

    std::uint32_t Offset() const { return offset_; }
    std::uint32_t BlockSize() const { return blockSize_; }
    std::span<const std::uint8_t> Samples() const { return samples_; }

private:
    std::uint32_t offset_ = 0;
    std::uint32_t blockSize_ = 0;
    std::span<const std::uint8_t> samples_;
};

class CFormChunk : public CAiffChunk {
public:
    // Takes the image's top chunk, its body cut to the bytes present. False
    // for an image under 8 bytes.
    bool ReadTop(std::span<const std::uint8_t> image);
    // Checks the form type and finds the common and sound data chunks among
    // the chunks of the body.
    aiff::Status Parse(bool& formTypeWrong);

    const CCommonChunk& Common() const { return common_; }
    const CSoundDataChunk& SoundData() const { return sound_; }
    // Where in the body the walk stopped.
    std::size_t ParseOffset() const { return parseOffset_; }

private:
    CCommonChunk common_;
    CSoundDataChunk sound_;
    std::size_t parseOffset_ = 0;
};

class CAiffData {
public:
    // Reads the whole file (GetFileLength, ReadWholeFile) and parses it.
    explicit CAiffData(const std::string& path);
    // Parses a copy of a file image.
    explicit CAiffData(std::span<const std::uint8_t> image);
    virtual ~CAiffData();

    CAiffData(const CAiffData&) = delete;
    CAiffData& operator=(const CAiffData&) = delete;

    // kOk when the common and sound data chunks are good. A wrong form type
    // alone leaves kOk, with its box in the log.
    aiff::Status Status() const { return status_; }
    // The one box reading the file calls for (none when it was good, or when
    // the file could not be read and the file reader has said why); the
    // caller shows it where the read ends.
    ReadLog& Log() { return log_; }
    std::size_t FileLength() const { return image_.size(); }
    const CFormChunk& Form() const { return form_; }

    // The samples as a WAV file holds them: 8-bit ones unsigned, wider ones
    // least significant byte first; whole frames, no more than the common
    // chunk counts. Empty when the AIFF was refused.
    std::vector<std::uint8_t> WavSamples() const;
    // The WAV file of the samples (format tag 1); none when the AIFF was
    // refused.
    std::optional<WaveFile> ToWaveFile() const;

private:
    void Parse();

    std::vector<std::uint8_t> image_;
    CFormChunk form_;
    aiff::Status status_ = aiff::kOk;
    ReadLog log_;
};

// Reads the AIFF file, shows what reading found, and writes its samples as
// a WAV file. 1 when written; 0 after "Aiff Error" (nothing written) or a
// failed write.
int ConvertAiffToWav(const std::string& aiffPath, const std::string& wavPath);
