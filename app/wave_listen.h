// Listening to a converted WAV file through the wave player.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "convert/audio/wave_file.h"
#include "convert/audio/wave_play.h"

namespace platform::ui {
class Window;
}

// The player and the file it plays (its samples are borrowed by the player).
// Touched on the UI thread only.
extern std::unique_ptr<CWavePlay> WavePlayer;
extern std::unique_ptr<WaveFile> ListenWaveFile;

// The listen road's ring and timing: 8 buffers of 4096 bytes, an end delay
// of 100 ms and a worker sleep of 10 ms.
constexpr std::uint32_t kListenBufferSize = 4096;
constexpr std::uint32_t kListenBufferCount = 8;
constexpr int kListenEndDelayMs = 100;
constexpr int kListenWorkerSleepMs = 10;

// Plays the 16-bit PCM WAV file at its own rate and channels; the panel can
// neither compose nor play again until it ends. The window is the panel
// (the device's periods circulate by themselves, so nothing is relayed).
void PlayWaveFile(const std::string& path, platform::ui::Window* window = nullptr);
// The player's progress: position while it is below total; at the end the
// panel's flags are cleared and a repaint is posted.
std::int64_t WaveListenEnded(std::int64_t total, std::int64_t position);
// Stops and releases the player and its file (at exit, or before tests).
void ReleaseWavePlayer();
