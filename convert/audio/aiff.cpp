#include "convert/audio/aiff.h"

#include <algorithm>
#include <cstring>

#include "core/byte_cursor.h"
#include "core/reporters.h"
#include "core/utilities.h"

namespace aiff {
namespace {

constexpr std::size_t kChunkHead = 8;
constexpr std::size_t kCommonBytes = 18;   // channels, frames, bits, 80-bit rate
constexpr std::size_t kSoundHead = 8;      // offset and block size
constexpr std::uint64_t kLargestRate = 1ull << 31;
constexpr int kExponentBias = 16383;

}  // namespace

std::uint32_t DecodeExtendedRate(std::span<const std::uint8_t, 10> bytes) {
    const int signAndExponent = (bytes[0] << 8) | bytes[1];
    std::uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = (mantissa << 8) | bytes[i];
    // Infinities and NaNs have the largest exponent; negative rates and
    // zero are no rates.
    if ((signAndExponent & 0x8000) != 0 || (signAndExponent & 0x7FFF) == 0x7FFF || mantissa == 0)
        return 0;
    // value = mantissa * 2^(exponent - 63), the binary point after bit 63.
    const int shift = (signAndExponent & 0x7FFF) - kExponentBias - 63;
    std::uint64_t value = 0;
    if (shift <= -64) {
        value = 0;
    } else if (shift < 0) {
        value = mantissa >> -shift;
    } else {
        if (shift > 31 || mantissa > (kLargestRate >> shift)) return 0;
        value = mantissa << shift;
    }
    if (value < 1 || value > kLargestRate) return 0;
    return static_cast<std::uint32_t>(value);
}


}  // namespace aiff

CAiffChunk::~CAiffChunk() = default;

bool CAiffChunk::Read(ByteCursor& cursor) {
    ByteCursor probe = cursor;
    const auto head = probe.Take(4);
    std::uint32_t length = 0;
    if (head.empty() || !probe.ReadBe32(length)) return false;
    const auto body = probe.Take(length);
    if (body.size() != length) return false;
    if ((length & 1) != 0) probe.Skip(1);  // the pad byte, when present
    std::memcpy(id_, head.data(), 4);
    length_ = length;
    body_ = body;
    cursor = probe;
    return true;
}

aiff::Status CCommonChunk::Parse() {
    if (body_.size() < aiff::kCommonBytes) return aiff::kBadCommon;
    channels_ = ReadBigEndian16(body_.data());
    frames_ = ReadBigEndian32(body_.data() + 2);
    bits_ = ReadBigEndian16(body_.data() + 6);
    rate_ = aiff::DecodeExtendedRate(body_.subspan<8, 10>());
    if (channels_ == 0 || bits_ < 8 || bits_ > 32) return aiff::kBadCommon;
    // A WAV frame (block align) must fit its 16 bits.
    if (std::uint32_t{channels_} * SampleBytes() > 0xFFFF) return aiff::kBadCommon;
    // The WAV byte rate must fit its 32 bits.
    const std::uint64_t byteRate = std::uint64_t{channels_} * SampleBytes() * rate_;
    if (rate_ == 0 || byteRate > 0xFFFFFFFFull) return aiff::kBadRate;
    return aiff::kOk;
}

aiff::Status CSoundDataChunk::Parse() {
    if (body_.size() < aiff::kSoundHead) return aiff::kBadSoundData;
    offset_ = ReadBigEndian32(body_.data());
    blockSize_ = ReadBigEndian32(body_.data() + 4);
    if (offset_ > body_.size() - aiff::kSoundHead) return aiff::kBadSoundData;
    samples_ = body_.subspan(aiff::kSoundHead + offset_);
    return aiff::kOk;
}

bool CFormChunk::ReadTop(std::span<const std::uint8_t> image) {
    if (image.size() < aiff::kChunkHead) return false;
    std::memcpy(id_, image.data(), 4);
    length_ = ReadBigEndian32(image.data() + 4);
    // The top chunk's length is not trusted: its body is the bytes present.
    body_ = image.subspan(aiff::kChunkHead, std::min<std::size_t>(length_, image.size() - aiff::kChunkHead));
    return true;
}

aiff::Status CFormChunk::Parse(bool& formTypeWrong) {
    formTypeWrong = Id() != "FORM" || body_.size() < 4 || std::memcmp(body_.data(), "AIFF", 4) != 0;
    ByteCursor cursor(body_);
    cursor.Skip(4);
    // The common and sound data chunks are taken wherever they stand among
    // the others (comments, markers, instrument data); each turn passes at
    // least one chunk head.
    bool haveCommon = false;
    bool haveSound = false;
    while (!(haveCommon && haveSound) && cursor.Has(aiff::kChunkHead)) {
        if (!haveCommon && cursor.Matches("COMM")) {
            if (!common_.Read(cursor)) break;
            haveCommon = true;
        } else if (!haveSound && cursor.Matches("SSND")) {
            if (!sound_.Read(cursor)) break;
            haveSound = true;
        } else {
            CAiffChunk other;
            if (!other.Read(cursor)) break;
        }
    }
    parseOffset_ = cursor.Offset();
    if (!haveCommon || !haveSound) return aiff::kChunkCut;
    const aiff::Status common = common_.Parse();
    if (common != aiff::kOk) return common;
    return sound_.Parse();
}

CAiffData::CAiffData(const std::string& path) {
    // One byte more than the length, so that ReadWholeFile never takes a
    // file that grew meanwhile for one that is too large.
    image_.resize(static_cast<std::size_t>(GetFileLength(path)) + 1);
    std::size_t count = 0;
    if (!ReadWholeFile(path, image_.data(), &count, image_.size())) {
        image_.clear();
        status_ = aiff::kTooShort;  // ReadWholeFile has shown why
        return;
    }
    image_.resize(count);
    Parse();
}

CAiffData::CAiffData(std::span<const std::uint8_t> image) : image_(image.begin(), image.end()) {
    Parse();
}

CAiffData::~CAiffData() = default;

void CAiffData::Parse() {
    if (image_.size() < 4) {
        status_ = aiff::kTooShort;
        log_.Add(aiff::kFindings, status_);
        return;
    }
    bool formTypeWrong = false;
    status_ = form_.ReadTop(image_) ? form_.Parse(formTypeWrong) : aiff::kChunkCut;
    // One box for the file: a wrong form type alone lets the reading go on.
    if (status_ != aiff::kOk) {
        log_.Add(aiff::kFindings, status_);
    } else if (formTypeWrong) {
        log_.Add(aiff::kFindings, aiff::kNotAiff);
    }
}

std::vector<std::uint8_t> CAiffData::WavSamples() const {
    if (status_ != aiff::kOk) return {};
    const CCommonChunk& common = form_.Common();
    const std::size_t width = static_cast<std::size_t>(common.SampleBytes());
    const std::size_t frameBytes = width * common.Channels();
    const auto samples = form_.SoundData().Samples();
    const std::size_t frames = std::min<std::size_t>(samples.size() / frameBytes, common.Frames());
    std::vector<std::uint8_t> out(samples.begin(),
                                  samples.begin() + static_cast<std::ptrdiff_t>(frames * frameBytes));
    if (width == 1) {
        // Signed bytes become the unsigned ones of 8-bit WAV.
        for (std::uint8_t& b : out) b ^= 0x80;
    } else {
        for (std::size_t at = 0; at < out.size(); at += width)
            std::reverse(out.begin() + static_cast<std::ptrdiff_t>(at),
                         out.begin() + static_cast<std::ptrdiff_t>(at + width));
    }
    return out;
}

std::optional<WaveFile> CAiffData::ToWaveFile() const {
    if (status_ != aiff::kOk) return std::nullopt;
    const std::vector<std::uint8_t> samples = WavSamples();
    const CCommonChunk& common = form_.Common();
    const std::uint32_t channels = common.Channels();
    // Sizes between whole bytes are written at the width they are stored in.
    const std::uint32_t width = static_cast<std::uint32_t>(common.SampleBytes());
    const std::uint32_t align = channels * width;
    return WaveFile(1u | channels << 16, common.SampleRate(), align * common.SampleRate(),
                    align | (width * 8) << 16, samples,
                    static_cast<std::uint32_t>(samples.size() / align));
}

