// The output dispatcher: the one road by which a Standard MIDI File (a
// composed tune, a style conversion's tune or a user's file) becomes the
// output format of the type asked for at LastOutputPath. It runs the optional
// pre-passes (pitch bends into notes, a 32-channel song fitted to 16), then
// the converter of the type, and removes the pitch pre-pass's working file.
// ConvertWavToRingVoice is the road of a WAV input.
#pragma once

#include <cstdint>
#include <string>

#include "convert/audio/tune_export.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"

namespace dispatch_code {
constexpr std::uint32_t kWrongType = 0xFF01016Du;    // "File type is wrong!"
constexpr std::uint32_t kAiffFailed = 0xFF0101B9u;   // "Error occured in AIFF conversion!"
constexpr std::uint32_t kWavFailed = 0xFF0101BAu;    // "Error occured in WAV conversion!"
constexpr std::uint32_t kLoadWav = 0xFF0101C0u;      // "Load WAV file to convert!"
constexpr std::uint32_t kCannotDelete = 0xFF0101DFu; // "Can not delte the file!"
}  // namespace dispatch_code

// The working files of the pre-passes (in WorkFolder) and of melody mail
// (in OutputFolder).
inline constexpr const char* kPitchPassFile = "pitch.mid";
inline constexpr const char* kChannelPassFile = "16ch.mid";
inline constexpr const char* kMelodyMailFile = "mmail.mld";
// The ring-voice road's rate and normalise level.
constexpr int kRingVoiceRate = 8000;
constexpr int kRingVoiceLevel = 100;

class OutputDispatcher : public ConversionServices {
public:
    // progress is told how far the wave exports have come.
    explicit OutputDispatcher(ExportProgress progress = {});
    // 1 when the output was written, 0 after the reason was shown.
    int ConvertToOutputFormat(std::string& path, int adjustVoice, int outputType) override;

private:
    ExportProgress progress_;
};

// Pitch bends become note pitches; the song is written as WorkFolder +
// "pitch.mid", which then replaces path. A file that does not load, or a
// song that could not be written, leaves path as it was.
void ApplyPitchBendPrePass(std::string& path);
// The same for WorkFolder + "16ch.mid": a song using the second 16-channel
// port is fitted to 16 channels first.
void FitTo16ChannelsPrePass(std::string& path);
// The WAV file as a ring voice of the format row, at 8000 Hz normalised to
// level 100, under the maker's own name beside the WAV. 1 when written.
int ConvertWavToRingVoice(const std::string& path, int formatIndex);

// Installs an OutputDispatcher as the program's conversion services.
void InstallOutputDispatcher(ExportProgress progress = {});
