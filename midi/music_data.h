// MusicData: the fixed-capacity, zero-filled byte image every file-format
// class is built on; MidiData adds what a Standard MIDI File image needs.
#pragma once

#include <cstdint>
#include <string>

#include "core/utilities.h"

// Capacity of a file image unless a caller says otherwise.
constexpr int kMusicDataCapacity = 0x60000;

class MusicData {
public:
    explicit MusicData(int capacity = kMusicDataCapacity);
    ~MusicData() = default;
    MusicData(const MusicData&) = delete;
    MusicData& operator=(const MusicData&) = delete;

    // Reads the whole file (refused when larger than the capacity).
    int LoadFile(const std::string& path);
    // Writes the first length bytes.
    int SaveFile(const std::string& path);
    // 1 when length <= limit; otherwise shows text and returns 0.
    int CheckSizeLimit(int limit, const std::string& text);

    std::uint8_t* Data() { return block_.data(); }
    const std::uint8_t* Data() const { return block_.data(); }
    int Length() const { return length_; }
    int Capacity() const { return capacity_; }
    int Position() const { return position_; }
    // Both refuse (0) a value outside 0..capacity.
    int SetLength(int length);
    int SetPosition(int position);

protected:
    // Tag of the constructor for images that take their block only when they
    // first hold bytes, and only as large as those bytes: tracks and tunes
    // are made by the dozen while a file is read, and most never hold an
    // image at all. Until then Data() is null.
    struct DeferBlock {};
    MusicData(int capacity, DeferBlock);
    // Makes the block hold at least bytes bytes (never more than the
    // capacity); a new block is zero-filled and keeps the bytes held so far.
    // 0 when bytes exceed the capacity or memory runs out.
    int EnsureBlock(int bytes);
    // Makes the block a copy of n bytes (at most the capacity) and the
    // length n. 0 when refused.
    int HoldCopy(const std::uint8_t* bytes, int n);
    // Makes a block of at least n bytes the block, without a copy, and the
    // length n. 0 when refused (the block is freed).
    int HoldBlock(MemoryBlock block, int n);
    // Hands the block to the caller: nothing is held any more.
    MemoryBlock TakeBlock();

    int length_ = 0;
    int position_ = 0;
    int capacity_ = 0;
    MemoryBlock block_;
};

// Failures of MidiData, tag "MDDT".
namespace mddt {
constexpr std::uint32_t kFormatError = 0x35000001;
}

void ShowMidiDataError(std::uint32_t code);

// Note modes of a track or tune.
namespace note_mode {
constexpr int kUnset = -1;
constexpr int kImage = 0;      // the image holds SMF bytes
constexpr int kNoteOnOff = 1;  // note-on and note-off events
constexpr int kLength = 2;     // notes with length
}  // namespace note_mode

class MidiData : public MusicData {
public:
    explicit MidiData(int capacity = kMusicDataCapacity) : MusicData(capacity) {}

    int LoadFile(const std::string& path);

    // 0 or 1 for an SMF image of that format, -1 otherwise. A 128-byte
    // prefix in front of "MThd" is dropped in place first.
    static int GetSmfFormat(std::uint8_t* image, int size);
    // GetSmfFormat that also shortens size when a prefix was dropped.
    static int DetectSmfFormat(std::uint8_t* image, int* size);
    // Rewrites an SMF image in place as format target (0 or 1); the new image
    // must fit capacity, the size of the caller's buffer. 1 when the image
    // holds the target format afterwards.
    static int ConvertSmfFormat(std::uint8_t* image, int* size, int target, int capacity);

    // Finds "MThd" at the start of the image, dropping a 128-byte block in
    // front of it (the length shrinks by 128). 0 when the image holds no
    // whole header.
    int FindSmfHeader();
    // Offset of the chunk after the header chunk, read by the header's own
    // length (a length below 6 counts as 6); -1 when the header runs past
    // the image. Needs FindSmfHeader first.
    int FirstChunkOffset() const;

    int division = 0;
    int noteMode = note_mode::kImage;
    int timeSignatureOverride = 0;

protected:
    MidiData(int capacity, DeferBlock defer) : MusicData(capacity, defer) {}
};
