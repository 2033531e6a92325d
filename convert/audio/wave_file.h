// A RIFF WAVE file: read for listening and conversion, and written with the
// canonical 44-byte header. Numbers in the file are little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convert/audio/wave_format.h"
#include "core/read_log.h"

class ByteCursor;

namespace wavefile {

// Outcomes of reading and saving, each with its text below.
enum Status : int {
    kOk = 0,
    kDifferentFormat = 1,   // the RIFF, WAVE or "fmt " head is missing or bad
    kCantOpen = 2,          // the file cannot be written (or its image built)
    kUnknownChunk = 3,      // a chunk the reader does not take, or one cut short
    kBitWidthChanged = 4,   // the samples were widened or narrowed
    kNotFound = 5,          // the file cannot be opened for reading
};
constexpr int kStatusCount = 6;

// The text shown for a status ("" for kOk).
const char* StatusText(int status);

// The reader's findings in a ReadLog, as information boxes: a status's text
// alone, and a status of a refused chunk, its text followed by " [id]".
extern const ReporterWords kFindings;
extern const ReporterWords kChunkFindings;

// Bytes in front of the samples in a written file.
constexpr std::size_t kHeaderSize = 44;

// Which chunks a read passes over on its way to "fmt " and "data".
enum class ChunkWalk {
    kListed,  // only the optional chunks of the lists; any other is refused
    kAny,     // every other chunk, by its size (a recording for conversion)
};

}  // namespace wavefile

class WaveFile {
public:
    // Reads the file; a file that cannot be opened logs "file is not found".
    explicit WaveFile(const std::string& path,
                      wavefile::ChunkWalk walk = wavefile::ChunkWalk::kListed);
    // Reads a file image. A failing chunk logs "file is different format
    // [id]" and leaves the object without data.
    explicit WaveFile(std::span<const std::uint8_t> image,
                      wavefile::ChunkWalk walk = wavefile::ChunkWalk::kListed);
    // Builds a file from samples: the words are (format tag | channels << 16),
    // sample rate, byte rate and (block align | bits << 16). The data size is
    // channels * bits * frames / 8, cut to the bytes given. The samples are
    // copied into buffer when it is given and large enough (the buffer stays
    // the caller's and must outlive the object), else into a block of its own.
    WaveFile(std::uint32_t formatAndChannels, std::uint32_t sampleRate, std::uint32_t byteRate,
             std::uint32_t alignAndBits, std::span<const std::uint8_t> data, std::uint32_t frames,
             std::span<std::uint8_t> buffer = {});

    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;
    WaveFile(WaveFile&&) = default;
    WaveFile& operator=(WaveFile&&) = default;

    // The result of reading (kOk for a built file).
    wavefile::Status Status() const { return status_; }
    // What reading found wrong; the caller shows it where the read ends.
    ReadLog& Log() { return log_; }
    bool HasData() const { return status_ == wavefile::kOk; }

    std::uint16_t FormatTag() const { return static_cast<std::uint16_t>(format_[0]); }
    std::uint16_t Channels() const { return static_cast<std::uint16_t>(format_[0] >> 16); }
    std::uint32_t SampleRate() const { return format_[1]; }
    std::uint32_t ByteRate() const { return format_[2]; }
    std::uint16_t BlockAlign() const { return static_cast<std::uint16_t>(format_[3]); }
    std::uint16_t BitsPerSample() const { return static_cast<std::uint16_t>(format_[3] >> 16); }
    // The tag the samples are coded by: the format tag, or for an extensible
    // record whose sub-format GUID is a standard one, the sub-format's tag.
    std::uint16_t Coding() const { return subFormat_ != 0 ? subFormat_ : FormatTag(); }
    // The format record (extra size 0: only the first 16 bytes are kept).
    WaveFormatRecord Format() const;
    // The size the file's "fmt " chunk declared (16 for a built file).
    std::uint32_t FormatChunkSize() const { return fmtSize_; }
    // The file's first 8 bytes: "RIFF" and its length as read.
    const std::array<std::uint8_t, 8>& RiffHead() const { return riffHead_; }

    std::span<const std::uint8_t> Data() const { return {data_, dataSize_}; }
    std::uint32_t DataSize() const { return dataSize_; }
    bool IsBorrowed() const { return borrowed_; }
    // The samples, moved out without a copy when the object holds them; the
    // object is left with none.
    std::vector<std::uint8_t> ReleaseData();

    // Data size + 44.
    std::size_t FileSize() const { return wavefile::kHeaderSize + dataSize_; }
    // Writes the header, with RIFF length total - 8, and the samples into
    // buffer. Returns the bytes written: FileSize(), or 0 when the buffer is
    // smaller or total does not fit the 32-bit length.
    std::size_t WriteHeader(std::span<std::uint8_t> buffer, std::size_t total) const;
    // The whole file image (empty when it would not fit 32-bit lengths).
    std::vector<std::uint8_t> Image() const;
    // Writes the file in one step (no partial file is left). The image is
    // built in buffer when it is large enough. 1 when written; 0 after
    // "file can not open" (with the path and the reason when the disk
    // refused it).
    int Save(const std::string& path, std::span<std::uint8_t> buffer = {}) const;

private:
    void Read(std::span<const std::uint8_t> image);
    bool ReadHead(ByteCursor& cursor);
    bool ReadFormat(ByteCursor& cursor);
    void ReadSubFormat(ByteCursor chunk);
    bool ReadChunks(ByteCursor& cursor);
    void TakeData(std::span<const std::uint8_t> bytes);
    void Fail(wavefile::Status status, const std::string& id, std::size_t position);

    std::array<std::uint8_t, 8> riffHead_{};
    std::uint32_t fmtSize_ = 0;
    std::array<std::uint32_t, 4> format_{};
    std::uint16_t subFormat_ = 0;  // 0: none, or not a standard GUID
    wavefile::ChunkWalk walk_ = wavefile::ChunkWalk::kListed;
    std::vector<std::uint8_t> owned_;
    const std::uint8_t* data_ = nullptr;
    std::uint32_t dataSize_ = 0;
    bool borrowed_ = false;
    wavefile::Status status_ = wavefile::kOk;
    ReadLog log_;
};
