#include "midi/music_data.h"

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

int MusicData::LoadFile(const std::string& path) {
    std::size_t count = 0;
    int result = ReadWholeFile(path, block_.data(), &count, static_cast<std::size_t>(capacity_));
    length_ = static_cast<int>(count);
    return result;
}

int MusicData::SaveFile(const std::string& path) {
    return WriteFileBytes(path, block_.data(), static_cast<std::size_t>(length_));
}

int MusicData::CheckSizeLimit(int limit, const std::string& text) {
    if (length_ <= limit) return 1;
    ShowInfoBox(text);
    return 0;
}

int MusicData::SetLength(int length) {
    if (length < 0 || length > capacity_) return 0;
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
