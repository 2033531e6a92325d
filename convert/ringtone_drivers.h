// The ringtone conversion drivers: each turns one Standard MIDI File into
// one ringtone file at LastOutputPath. They load the song, clean it for the
// handset, build the ringtone model, let the user (or the voice count)
// choose the channels and range, ask for the copyright when the settings
// say so, check voices and size, and have the format write the file.
// Each returns 1 when it wrote the file, 0 when the input did not load or
// the conversion was refused.
#pragma once

#include <cstdint>
#include <string>

#include "core/output_formats.h"

class MobileData;
class MultiMobileTrackData;
class MidiFileLoader;
class MidiF1Data;

namespace driver_code {
constexpr std::uint32_t kFileTooBig = 0xFF010119u;
constexpr std::uint32_t kNoLoopMarker = 0xFF01012Du;
constexpr std::uint32_t kVoiceOver = 0xFF010132u;
constexpr std::uint32_t kMa1Channels = 0xFF01016Au;
constexpr std::uint32_t kInvalidFile = 0xFF0101C4u;
constexpr std::uint32_t kChannelCount = 0xFF0101E0u;
}  // namespace driver_code

// Larger inputs are warned about, and still converted.
constexpr int kDriverInputWarnBytes = 20000;
// The size-limit notice.
extern const char* const kRingtoneTooLarge;

// Each writes the ringtone of the format's row, its argument the MFi voice
// type, SMAF voices or MA-3 variant: with adjustVoice 1 the row's voice
// count decides which channels are kept, else the user chooses them.
int ConvertToMfi(const OutputFormat& format, const std::string& path, int adjustVoice);
int ConvertToMultiMfi(const OutputFormat& format, const std::string& path, int adjustVoice,
                      int terminalId);
int ConvertToMa1(const OutputFormat& format, const std::string& path);
int ConvertToSmaf(const OutputFormat& format, const std::string& path, int adjustVoice);
int ConvertToSmafMa3(const OutputFormat& format, const std::string& path, int adjustVoice);
int ConvertToMfm(const OutputFormat& format, const std::string& path, int adjustVoice);

// Keeps the first format.voices enabled slots and disables the later ones.
// A count of 0 changes nothing; it is reported unless the type carries none
// (MFM, melody mail).
void KeepFirstSlots(MobileData& model, const OutputFormat& format);
// Keeps slots, in order, while their summed needs (distinct drum notes for
// slot 9, the largest polyphony otherwise) fit the voice count. A count of
// 0 changes nothing and is reported as above.
void LimitSlotsByPolyphony(MultiMobileTrackData& model, const OutputFormat& format);
// The channel (0..15) that holds a tune's melody, -1 when it has none: the
// four-voice types' automatic choice keeps the melody first. The program
// installs the composer's channel-role analysis; without one no channel is
// named and the busiest parts are kept.
using MelodyChannelFinder = int (*)(const MidiF1Data& song);
void SetMelodyChannelFinder(MelodyChannelFinder finder);

// The multi-track MFi preparation of a loaded song: the loader holds the
// prepared format-1 song afterwards. false when there is none.
bool PrepareMultiTrackSong(MidiFileLoader& loader, int multiType, int terminalId);
