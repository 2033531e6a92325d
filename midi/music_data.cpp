#include "midi/music_data.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/reporters.h"
#include "midi/f1_data.h"

namespace {

const CodeText kMidiDataTable[] = {
    {mddt::kFormatError, "Midi Format Error!"},
};
constexpr ClassReporter kMidiDataReporter("MDDT", kMidiDataTable, "Error occured in MidiData!");

constexpr int kPrefixSize = 128;

}  // namespace

MusicData::MusicData(int capacity) {
    if (capacity < 0) capacity = 0;
    block_ = AllocZeroed(static_cast<std::size_t>(capacity));
    capacity_ = block_ ? capacity : 0;
}

MusicData::MusicData(int capacity, DeferBlock) : capacity_(capacity < 0 ? 0 : capacity) {}

int MusicData::EnsureBlock(int bytes) {
    if (bytes < 0 || bytes > capacity_) return 0;
    const std::size_t held = block_.capacity();
    if (block_ && held >= static_cast<std::size_t>(bytes)) return 1;
    MemoryBlock fresh = AllocZeroed(static_cast<std::size_t>(bytes));
    if (!fresh) return 0;
    if (block_ && held > 0) std::memcpy(fresh.data(), block_.data(), held);
    block_ = std::move(fresh);
    return 1;
}

int MusicData::HoldCopy(const std::uint8_t* bytes, int n) {
    if (!bytes || n < 0 || n > capacity_) return 0;
    MemoryBlock copy = AllocCopy(bytes, static_cast<std::size_t>(n));
    if (!copy) return 0;
    block_ = std::move(copy);
    length_ = n;
    return 1;
}

int MusicData::HoldBlock(MemoryBlock block, int n) {
    if (!block || n < 0 || n > capacity_ || block.capacity() < static_cast<std::size_t>(n))
        return 0;
    block_ = std::move(block);
    length_ = n;
    return 1;
}

MemoryBlock MusicData::TakeBlock() {
    MemoryBlock block = std::move(block_);
    block_ = MemoryBlock();
    length_ = 0;
    position_ = 0;
    return block;
}

int MusicData::LoadFile(const std::string& path) {
    // A block sized to the file; a file larger than the capacity is refused
    // by the reader.
    const std::uint64_t size = GetFileLength(path);
    if (size <= static_cast<std::uint64_t>(capacity_))
        EnsureBlock(std::max(1, static_cast<int>(size)));
    std::size_t count = 0;
    std::uint8_t none = 0;
    int result =
        ReadWholeFile(path, block_ ? block_.data() : &none, &count, block_ ? block_.capacity() : 0);
    length_ = static_cast<int>(count);
    return result;
}

int MusicData::SaveFile(const std::string& path) {
    static const std::uint8_t kNothing = 0;
    return WriteFileBytes(path, block_ ? block_.data() : &kNothing,
                          static_cast<std::size_t>(length_));
}

int MusicData::CheckSizeLimit(int limit, const std::string& text) {
    if (length_ <= limit) return 1;
    ShowInfoBox(text);
    return 0;
}

int MusicData::SetLength(int length) {
    if (length < 0 || length > capacity_ || !EnsureBlock(length)) return 0;
    length_ = length;
    return 1;
}

int MusicData::SetPosition(int position) {
    if (position < 0 || position > capacity_) return 0;
    position_ = position;
    return 1;
}

void ShowMidiDataError(std::uint32_t code) {
    kMidiDataReporter.Show(code);
}

int MidiData::LoadFile(const std::string& path) {
    int result = MusicData::LoadFile(path);
    noteMode = note_mode::kImage;
    return result;
}

int MidiData::GetSmfFormat(std::uint8_t* image, int size) {
    if (!image || size < 4) return -1;
    if (std::memcmp(image, "MThd", 4) != 0 && size >= kPrefixSize + 4 &&
        std::memcmp(image + kPrefixSize, "MThd", 4) == 0) {
        std::memmove(image, image + kPrefixSize, static_cast<std::size_t>(size - kPrefixSize));
        size -= kPrefixSize;
    }
    if (size < 10) return -1;
    if (image[8] == 0 && image[9] == 0) return 0;
    if (image[8] == 0 && image[9] == 1) return 1;
    return -1;
}

int MidiData::DetectSmfFormat(std::uint8_t* image, int* size) {
    const bool prefixed = image && *size >= kPrefixSize + 4 && std::memcmp(image, "MThd", 4) != 0 &&
                          std::memcmp(image + kPrefixSize, "MThd", 4) == 0;
    const int format = GetSmfFormat(image, *size);
    if (prefixed) *size -= kPrefixSize;
    return format;
}

int MidiData::FindSmfHeader() {
    std::uint8_t* p = Data();
    if (length_ >= kPrefixSize + 4 && std::memcmp(p, "MThd", 4) != 0 &&
        std::memcmp(p + kPrefixSize, "MThd", 4) == 0) {
        std::memmove(p, p + kPrefixSize, static_cast<std::size_t>(length_ - kPrefixSize));
        length_ -= kPrefixSize;
    }
    return length_ >= 14 && std::memcmp(p, "MThd", 4) == 0;
}

int MidiData::FirstChunkOffset() const {
    constexpr std::uint32_t kShortest = 6;
    const std::uint64_t end =
        8 + static_cast<std::uint64_t>(std::max(ReadBigEndian32(Data() + 4), kShortest));
    return end <= static_cast<std::uint64_t>(length_) ? static_cast<int>(end) : -1;
}

int MidiData::ConvertSmfFormat(std::uint8_t* image, int* size, int target, int capacity) {
    if (target != 0 && target != 1) {
        ShowMidiDataError(mddt::kFormatError);
        return 0;
    }
    if (!image || !size || *size <= 0) return 0;
    if (GetSmfFormat(image, *size) == target) return 1;
    const MidiData* written = nullptr;
    std::unique_ptr<MidiF0Data> song;
    std::unique_ptr<MidiF1Data> tune;
    if (target == 1) {
        MidiF0Data source(image, *size, kMusicDataCapacity);
        tune = std::make_unique<MidiF1Data>(source, kMusicDataCapacity);
        tune->ConvertToNoteOnOff();
        if (!tune->WriteSmf()) return 0;
        written = tune.get();
    } else {
        MidiF1Data source(image, *size, 1, kMusicDataCapacity);
        song = std::make_unique<MidiF0Data>(kMusicDataCapacity);
        source.MergeInto(*song);
        song->ConvertToNoteOnOff();
        if (!song->WriteSmf()) return 0;
        written = song.get();
    }
    if (written->Length() > capacity) {
        ShowSmfTooLarge();
        return 0;
    }
    std::memcpy(image, written->Data(), static_cast<std::size_t>(written->Length()));
    *size = written->Length();
    return 1;
}
