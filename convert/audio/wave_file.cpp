#include "convert/audio/wave_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/byte_cursor.h"
#include "core/reporters.h"
#include "core/utilities.h"
#include "platform/paths.h"

namespace wavefile {
namespace {

struct StatusRow {
    Status status;
    const char* text;
};

constexpr StatusRow kStatusTexts[kStatusCount] = {
    {kOk, ""},
    {kDifferentFormat, "file is different format"},
    {kCantOpen, "file can not open"},
    {kUnknownChunk, "file is different format"},
    {kBitWidthChanged, "bit width has been changed"},
    {kNotFound, "file is not found"},
};

// Chunks that may stand before "fmt ", each skipped when present, in order.
constexpr const char* kLeadingChunks[] = {"PAD ", "bext", "minf", "elm1"};
// Chunks skipped between "fmt " and "data".
constexpr const char* kSkippedChunks[] = {"PAD ", "bext", "minf", "elm1", "vphd", "sav1",
                                          "pad ", "elmo", "regn", "ovwf", "umid"};

constexpr std::size_t kChunkHead = 8;
constexpr std::uint32_t kFormatWordBytes = 16;

// WAVE_FORMAT_EXTENSIBLE: after the four words come the extra size (22 or
// more), the valid bits, the channel mask and the sub-format GUID, whose
// first two bytes are the sub-format's tag and the rest a fixed tail
// (xxxx0000-0000-0010-8000-00AA00389B71) for the standard sub-formats.
constexpr std::uint16_t kExtensibleTag = 0xFFFE;
constexpr std::uint16_t kExtensibleExtra = 22;
constexpr std::size_t kValidBitsAndMask = 6;
constexpr std::uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

}  // namespace

const char* StatusText(int status) {
    for (const StatusRow& row : kStatusTexts)
        if (row.status == status) return row.text;
    return "";
}

}  // namespace wavefile

namespace {

// Skips the chunk at the cursor by its size, with the pad byte that keeps
// the next chunk on an even offset. False (nothing moved) when the chunk runs
// past the bytes.
bool SkipChunk(ByteCursor& cursor) {
    ByteCursor probe = cursor;
    std::uint32_t size = 0;
    if (!probe.Skip(4) || !probe.ReadLe32(size) || !probe.Skip(size)) return false;
    if ((size & 1) != 0) probe.Skip(1);  // a missing final pad byte is no harm
    cursor = probe;
    return true;
}

}  // namespace

WaveFile::WaveFile(const std::string& path, wavefile::ChunkWalk walk) : walk_(walk) {
    std::vector<std::uint8_t> image;
    if (!CanOpenFile(path)) {
        status_ = wavefile::kNotFound;
        log_.Add(wavefile::kFindings, status_);
        return;
    }
    std::size_t count = 0;
    // One byte of room more, so a file grown since its length was taken is
    // not refused as too large; an empty file reads as a 0-byte image. Sized
    // in one step: growing by the byte would double the block.
    image.resize(static_cast<std::size_t>(GetFileLength(path)) + 1);
    if (!ReadWholeFile(path, image.data(), &count, image.size())) {
        status_ = wavefile::kNotFound;
        return;
    }
    image.resize(count);
    Read(image);
}

WaveFile::WaveFile(std::span<const std::uint8_t> image, wavefile::ChunkWalk walk) : walk_(walk) {
    Read(image);
}

WaveFile::WaveFile(std::uint32_t formatAndChannels, std::uint32_t sampleRate,
                   std::uint32_t byteRate, std::uint32_t alignAndBits,
                   std::span<const std::uint8_t> data, std::uint32_t frames,
                   std::span<std::uint8_t> buffer)
    : fmtSize_(wavefile::kFormatWordBytes),
      format_{formatAndChannels, sampleRate, byteRate, alignAndBits} {
    const std::uint64_t channels = formatAndChannels >> 16;
    const std::uint64_t bits = alignAndBits >> 16;
    // A size past what a file can declare is cut to the largest whole one.
    const std::uint64_t wanted = channels * bits * frames / 8;
    const std::uint64_t limit = 0xFFFFFFFFull - wavefile::kHeaderSize;
    const std::size_t size =
        static_cast<std::size_t>(std::min({wanted, limit, static_cast<std::uint64_t>(data.size())}));
    if (!buffer.empty() && buffer.size() >= size) {
        std::copy_n(data.begin(), size, buffer.begin());
        data_ = buffer.data();
        borrowed_ = true;
    } else {
        owned_.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(size));
        data_ = owned_.data();
    }
    dataSize_ = static_cast<std::uint32_t>(size);
    WriteLittleEndian32(riffHead_.data() + 4, static_cast<std::uint32_t>(FileSize() - 8));
    std::memcpy(riffHead_.data(), "RIFF", 4);
}

WaveFormatRecord WaveFile::Format() const {
    WaveFormatRecord record;
    record.formatTag = FormatTag();
    record.channels = Channels();
    record.sampleRate = SampleRate();
    record.byteRate = ByteRate();
    record.blockAlign = BlockAlign();
    record.bitsPerSample = BitsPerSample();
    return record;
}

void WaveFile::Fail(wavefile::Status status, const std::string& id, std::size_t position) {
    status_ = status;
    format_ = {};
    subFormat_ = 0;
    owned_.clear();
    data_ = nullptr;
    dataSize_ = 0;
    // Every id named is four bytes long.
    std::uint32_t packed = 0;
    for (std::size_t i = 0; i < 4; ++i)
        packed = packed << 8 | static_cast<std::uint8_t>(i < id.size() ? id[i] : ' ');
    log_.AddChunk(wavefile::kChunkFindings, status, packed, position);
}

void WaveFile::Read(std::span<const std::uint8_t> image) {
    ByteCursor cursor(image);
    if (ReadHead(cursor) && ReadFormat(cursor)) ReadChunks(cursor);
}

bool WaveFile::ReadHead(ByteCursor& cursor) {
    if (!cursor.Matches("RIFF")) {
        Fail(wavefile::kDifferentFormat, "RIFF", cursor.Offset());
        return false;
    }
    const auto head = cursor.Take(8);
    if (head.empty()) {
        Fail(wavefile::kDifferentFormat, "RIFF", cursor.Offset());
        return false;
    }
    std::copy(head.begin(), head.end(), riffHead_.begin());
    // The RIFF length is not trusted: the chunks are walked over the bytes
    // actually present.
    if (!cursor.Matches("WAVE")) {
        Fail(wavefile::kDifferentFormat, "WAVE", cursor.Offset());
        return false;
    }
    cursor.Skip(4);
    // Any chunk before "fmt " is passed over by its size when every chunk
    // is; each turn passes an 8-byte head.
    while (walk_ == wavefile::ChunkWalk::kAny && !cursor.Matches("fmt ") &&
           cursor.Has(wavefile::kChunkHead)) {
        if (!SkipChunk(cursor)) {
            Fail(wavefile::kUnknownChunk, cursor.PeekId(), cursor.Offset());
            return false;
        }
    }
    for (const char* id : wavefile::kLeadingChunks) {
        if (!cursor.Matches(id)) continue;
        if (!SkipChunk(cursor)) {
            Fail(wavefile::kUnknownChunk, id, cursor.Offset());
            return false;
        }
    }
    return true;
}

bool WaveFile::ReadFormat(ByteCursor& cursor) {
    ByteCursor chunk = cursor;
    std::uint32_t size = 0;
    if (!chunk.Matches("fmt ") || !chunk.Skip(4) || !chunk.ReadLe32(size) ||
        size < wavefile::kFormatWordBytes || !chunk.Has(size)) {
        Fail(wavefile::kDifferentFormat, "fmt ", cursor.Offset());
        return false;
    }
    fmtSize_ = size;
    ByteCursor body(chunk.Take(size));
    for (std::uint32_t& word : format_) body.ReadLe32(word);
    if (FormatTag() == wavefile::kExtensibleTag) ReadSubFormat(body);
    SkipChunk(cursor);  // by its size: a longer (extensible) record is passed over
    if (cursor.Matches("fact") && !SkipChunk(cursor)) {
        Fail(wavefile::kUnknownChunk, "fact", cursor.Offset());
        return false;
    }
    return true;
}

// The sub-format of an extensible record, the cursor past its four words
// and bounded by its chunk; a record cut short or of another GUID leaves none.
void WaveFile::ReadSubFormat(ByteCursor chunk) {
    std::uint16_t extra = 0;
    std::uint16_t tag = 0;
    if (!chunk.ReadLe16(extra) || extra < wavefile::kExtensibleExtra ||
        !chunk.Skip(wavefile::kValidBitsAndMask) || !chunk.ReadLe16(tag))
        return;
    const auto tail = chunk.Take(sizeof wavefile::kSubFormatTail);
    if (!tail.empty() && std::equal(tail.begin(), tail.end(), std::begin(wavefile::kSubFormatTail)))
        subFormat_ = tag;
}

bool WaveFile::ReadChunks(ByteCursor& cursor) {
    // Each turn passes at least one 8-byte chunk head.
    while (cursor.Has(wavefile::kChunkHead)) {
        if (cursor.Matches("data")) {
            std::uint32_t size = 0;
            cursor.Skip(4);
            cursor.ReadLe32(size);
            // The declared size is not trusted: the bytes present are taken.
            TakeData(cursor.Take(std::min<std::size_t>(size, cursor.Left())));
            return true;
        }
        const bool known =
            walk_ == wavefile::ChunkWalk::kAny ||
            std::any_of(std::begin(wavefile::kSkippedChunks), std::end(wavefile::kSkippedChunks),
                        [&](const char* id) { return cursor.Matches(id); });
        if (!known || !SkipChunk(cursor)) {
            Fail(wavefile::kUnknownChunk, cursor.PeekId(), cursor.Offset());
            return false;
        }
    }
    Fail(wavefile::kUnknownChunk, "data", cursor.Offset());
    return false;
}

void WaveFile::TakeData(std::span<const std::uint8_t> bytes) {
    // Only whole frames are kept.
    std::size_t size = bytes.size();
    if (BlockAlign() > 1) size -= size % BlockAlign();
    owned_.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    data_ = owned_.data();
    dataSize_ = static_cast<std::uint32_t>(size);
}

std::vector<std::uint8_t> WaveFile::ReleaseData() {
    std::vector<std::uint8_t> out;
    if (!borrowed_ && data_ == owned_.data()) {
        out.swap(owned_);
        out.resize(dataSize_);
    } else {
        out.assign(data_, data_ + dataSize_);
    }
    owned_.clear();
    data_ = nullptr;
    dataSize_ = 0;
    return out;
}

std::size_t WaveFile::WriteHeader(std::span<std::uint8_t> buffer, std::size_t total) const {
    if (buffer.size() < FileSize() || total < 8 || total - 8 > 0xFFFFFFFFull) return 0;
    std::uint8_t* p = buffer.data();
    std::memcpy(p, "RIFF", 4);
    WriteLittleEndian32(p + 4, static_cast<std::uint32_t>(total - 8));
    std::memcpy(p + 8, "WAVEfmt ", 8);
    WriteLittleEndian32(p + 16, wavefile::kFormatWordBytes);
    for (std::size_t i = 0; i < format_.size(); ++i) WriteLittleEndian32(p + 20 + 4 * i, format_[i]);
    std::memcpy(p + 36, "data", 4);
    WriteLittleEndian32(p + 40, dataSize_);
    if (dataSize_ != 0) std::memcpy(p + wavefile::kHeaderSize, data_, dataSize_);
    return FileSize();
}

std::vector<std::uint8_t> WaveFile::Image() const {
    std::vector<std::uint8_t> image(FileSize());
    if (WriteHeader(image, image.size()) == 0) return {};
    return image;
}

