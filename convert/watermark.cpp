#include "convert/watermark.h"

#include <cstring>
#include <memory>

#include "core/reporters.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"

namespace {

const CodeText kWatermarkTable[] = {
    {wtmk::kInternal, "Internal error occured in Watermark!"},
    {wtmk::kTooLong, "Texts are too long for water mark!"},
};
constexpr ClassReporter kWatermarkReporter("WTMK", kWatermarkTable, "Error occured in Watermark!");

constexpr int kBitsPerGroup = 8;
constexpr int kSongCapacity = static_cast<int>(kWatermarkReadBuffer);

// The song of a Standard MIDI File image as a format-1 tune of notes with
// length; null when it is neither format or holds no tracks.
std::unique_ptr<MidiF1Data> SongOfImage(std::uint8_t* image, int size) {
    const int format = MidiData::DetectSmfFormat(image, &size);
    std::unique_ptr<MidiF1Data> song;
    if (format == 1) {
        song = std::make_unique<MidiF1Data>(image, size, kSongCapacity);
    } else if (format == 0) {
        MidiF0Data single(image, size, kSongCapacity);
        song = std::make_unique<MidiF1Data>(std::move(single), kSongCapacity);
    }
    if (!song || song->TrackCount() == 0) return nullptr;
    return song;
}

}  // namespace

void ShowWatermarkError(std::uint32_t code) {
    kWatermarkReporter.Show(code);
}

std::vector<std::uint8_t> WatermarkBits(std::string_view text) {
    std::vector<std::uint8_t> bits(kBitsPerGroup, 1);
    for (const char c : text)
        for (int b = kBitsPerGroup - 1; b >= 0; --b)
            bits.push_back(static_cast<std::uint8_t>((static_cast<unsigned char>(c) >> b) & 1));
    return bits;
}

Watermark::Watermark(MidiF1Data* song, std::string_view text) : song_(song) {
    fits_ = text.size() <= kWatermarkTextLimit;
    if (!fits_) {
        ShowWatermarkError(wtmk::kTooLong);
        return;
    }
    text_ = std::string(text);
}

int Watermark::Apply() {
    if (!fits_ || !song_) return 0;
    if (song_->noteMode != note_mode::kLength) {
        ShowWatermarkError(wtmk::kInternal);
        return 0;
    }
    const std::vector<std::uint8_t> bits = WatermarkBits(text_);
    for (int t = 0; t < song_->TrackCount(); ++t)
        MarkTrack(*song_->Track(t), bits);
    return 1;
}

void Watermark::MarkTrack(MidiTrackData& track, const std::vector<std::uint8_t>& bits) const {
    std::size_t at = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        MidiEvent* e = track.Event(i);
        if (!e || !e->IsNoteWithLength() || e->velocity == 0 || e->velocity == 1) continue;
        e->velocity = bits[at] ? (e->velocity | 1) : (e->velocity & 0xFE);
        at = (at + 1) % bits.size();
    }
}

void WatermarkSmfFile(const std::string& path) {
    if (AppSettings.WatermarkEnabled != 1) return;
    const std::string_view text(AppSettings.WatermarkText,
                                strnlen(AppSettings.WatermarkText, sizeof AppSettings.WatermarkText));
    std::vector<std::uint8_t> buffer(kWatermarkReadBuffer);
    std::size_t count = 0;
    // One byte is held back, so a file that would fill the buffer is refused
    // by the reader rather than marked from a cut image.
    if (!ReadWholeFile(path, buffer.data(), &count, kWatermarkReadBuffer - 1) || count == 0) return;
    std::unique_ptr<MidiF1Data> song = SongOfImage(buffer.data(), static_cast<int>(count));
    if (!song) return;
    Watermark mark(song.get(), text);
    if (!mark.Apply()) return;
    song->SaveFile(path);
}
