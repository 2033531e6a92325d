// The ring-voice maker: reads a 16-bit PCM (or A-law / u-law) WAV, matches
// its channels and rate to a ring-voice record, normalises, encodes with the
// record's ADPCM codec and writes the ".mld" image in the record's layout.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convert/audio/wave_format.h"

// Encoded-data size above which the maker warns (and goes on).
constexpr std::size_t kRingVoiceSizeLimit = 100000;
// Largest sample block the maker builds while converting; beyond it the
// conversion stops with "no memory".
constexpr std::uint64_t kMaxWorkingPcmBytes = std::uint64_t(64) << 20;

class WaveFile;

// Selects the constructor that takes over another converter's samples.
struct FromSource {};
inline constexpr FromSource kFromSource{};

class WavToMldConverter {
public:
    // Reads the WAV file with the WAV reader, passing over every chunk but
    // "fmt " and "data" by its size; a failure shows its message and leaves
    // the object without samples.
    explicit WavToMldConverter(const std::string& path);
    // Reads a file image already in memory; path names it (output name).
    WavToMldConverter(std::span<const std::uint8_t> bytes, const std::string& path);
    // A converter for the samples of source, which must outlive it.
    WavToMldConverter(FromSource, const WavToMldConverter& source);

    WavToMldConverter(const WavToMldConverter&) = delete;
    WavToMldConverter& operator=(const WavToMldConverter&) = delete;

    // Converts to format `format` at `rate` (0: the source's rate) with the
    // normalise level, and writes the file to outputPath (null: the source
    // name with "_<code>.mld"). 1 on success, 0 on failure.
    int Convert(int format, int rate, int level, const char* outputPath);
    // The same without the file: the image is left in Image().
    int ConvertToMemory(int format, int rate, int level, const char* outputPath = nullptr);

    bool HasSamples() const { return loaded_; }
    const WaveFormatRecord& Format() const { return format_; }
    std::size_t DataSize() const { return samples_.size(); }
    const std::vector<std::uint8_t>& Samples() const { return samples_; }
    const std::vector<std::uint8_t>& Image() const { return image_; }
    const std::string& Path() const { return path_; }
    // The output path of the last conversion.
    const std::string& OutputPath() const { return outputPath_; }
    void SetTitle(const std::string& title) { title_ = title; }

private:
    struct Job;
    bool TakeRecording(WaveFile& wave);
    bool CheckRequest(Job& job, int format, int rate, int level);
    bool PrepareSamples(Job& job);
    bool EncodeVoice(Job& job);
    bool BuildImage(Job& job);

    std::vector<std::uint8_t> image_;
    std::string path_;
    WaveFormatRecord format_;
    std::vector<std::uint8_t> samples_;  // 16-bit little-endian when PCM
    std::size_t leftSize_ = 0;
    std::size_t rightSize_ = 0;
    std::size_t sizeLimit_ = kRingVoiceSizeLimit;
    std::string title_;
    const WavToMldConverter* source_ = nullptr;
    std::string outputPath_;
    bool loaded_ = false;
};

// The sample steps of a conversion, on interleaved 16-bit samples.
namespace ring_voice {

// Each sample into left and right.
std::vector<std::int16_t> DuplicateToStereo(std::span<const std::int16_t> mono);
// Each frame to (left + right) / 2, in place.
void MixToMono(std::vector<std::int16_t>& stereo);
// Linear interpolation in thousandths of a source frame, channel by channel;
// never reads past the end. Rates must be nonzero.
std::vector<std::int16_t> Resample(std::span<const std::int16_t> samples, int channels,
                                   std::uint32_t fromRate, std::uint32_t toRate);
// Frames Resample gives for frames at fromRate.
std::uint64_t ResampledFrames(std::uint64_t frames, std::uint32_t fromRate, std::uint32_t toRate);
// Brings the peak to 32767 × 100 / level; level 0 or silence leave them.
void Normalize(std::span<std::int16_t> samples, int level);

}  // namespace ring_voice
