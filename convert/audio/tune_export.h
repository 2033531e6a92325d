// The tune export: a Standard MIDI File rendered by the software synth into
// a 44100 Hz stereo 16-bit AIFF file, and the WAV road through that AIFF.
// Failures show "RARA%08X %s".
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace rara {
constexpr std::int32_t kNotAMovie = -2048;  // "There are no move files!"
constexpr std::int32_t kWriteFailed = -1;
constexpr int kExportRate = 44100;
constexpr int kExportBlockFrames = 4096;
// The tail after the last event lasts until no voice sounds, at most this.
constexpr int kMaxTailMs = 3000;
}  // namespace rara

// The fraction done, in 0x10000ths.
using ExportProgress = std::function<void(std::int32_t fraction)>;

void ShowQuickTimeError(std::int32_t code);
// The status dots of a fraction: one "*" per 3200, at most 20.
std::string ProgressDots(std::int32_t fraction);

// Renders source into an AIFF at target (written under a temporary name and
// renamed over an old target, which stays until then). 1 only for a complete
// file; 0 after the box, which names a file that could not be written and
// why, with the old target kept and no partial file left. A quit asked for
// ends it the same way without the box.
int ExportMovieToFile(const std::string& source, const std::string& target,
                      const ExportProgress& progress = {});
// The export to the converter's output path.
int ExportToOutputFile(const std::string& source, const std::string& target,
                       const ExportProgress& progress = {});
// Through folder + "temp.aiff" (kept for the run after success, removed after
// a failure) to the WAV at wavTarget, which replaces an old one only when
// complete.
int ExportToWavViaAiff(const std::string& source, const std::string& folder,
                       const std::string& wavTarget, const ExportProgress& progress = {});
// folder + "temp.aiff", the intermediate file of that road.
std::string WavRoadAiffPath(const std::string& folder);
