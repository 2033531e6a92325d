// The watermark: a short text hidden in a Standard MIDI File in bit 0 of
// the note velocities. Each track carries, over and over, eight 1 bits and
// then every character of the text, most significant bit first; notes of
// velocity 0 or 1 carry nothing. Failures show "WTMK%08X %s".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class MidiF1Data;
class MidiTrackData;

namespace wtmk {
constexpr std::uint32_t kInternal = 0x0E000001;  // the song holds no notes with length
constexpr std::uint32_t kTooLong = 0x0E000002;   // the text does not fit
}  // namespace wtmk

// The longest text a watermark carries.
constexpr std::size_t kWatermarkTextLimit = 255;
// The read buffer of a marked file: a file that fills it is refused.
constexpr std::size_t kWatermarkReadBuffer = 0xF0000;

void ShowWatermarkError(std::uint32_t code);

// The bits the notes of a track carry in turn: eight 1 bits, then the 8
// bits of each character, most significant first.
std::vector<std::uint8_t> WatermarkBits(std::string_view text);

class Watermark {
public:
    // A text of kWatermarkTextLimit + 1 characters or more is reported and
    // marks nothing.
    Watermark(MidiF1Data* song, std::string_view text);

    bool Fits() const { return fits_; }
    // Marks every track of the song; 1 when marked, 0 (nothing changed)
    // when the text does not fit or the song holds no notes with length.
    int Apply();

private:
    void MarkTrack(MidiTrackData& track, const std::vector<std::uint8_t>& bits) const;

    MidiF1Data* song_;
    std::string text_;
    bool fits_ = false;
};

// Marks the file in place with the settings' text when the watermark is on.
// A file that cannot be read whole, is no Standard MIDI File, holds no
// tracks or cannot be marked is left as it was; the marked file replaces it
// in one step, so a failed write leaves the old one.
void WatermarkSmfFile(const std::string& path);
