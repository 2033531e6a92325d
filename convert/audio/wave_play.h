// Plays a block of 16-bit PCM frames from memory: a worker thread keeps
// copying frames into the device's ring a little ahead of what it has
// played. Start and Stop may be called from any thread; Stop is idempotent,
// closes the device once and joins the worker (unless the worker itself
// stops at the end of the data). The destructor stops and joins.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "convert/audio/wave_out.h"

class CWavePlay {
public:
    // Called on the worker with (total frames, frames written) after each
    // step; it must only set flags and post.
    using Progress = std::function<std::int64_t(std::int64_t total, std::int64_t written)>;

    // frames is borrowed and must outlive the player; frameCount is cut to
    // the whole frames it holds.
    CWavePlay(std::unique_ptr<platform::PcmOut> device, const PlayFormat& format,
              std::span<const std::uint8_t> frames, std::int64_t frameCount,
              std::uint32_t bufferSize, std::uint32_t bufferCount, int endDelayMs,
              int workerSleepMs, Progress progress);
    virtual ~CWavePlay();
    CWavePlay(const CWavePlay&) = delete;
    CWavePlay& operator=(const CWavePlay&) = delete;

    // 1 when playing started (or was already running); 0 after its box.
    int Start();
    void Stop();

    bool IsPlaying() const { return playing_; }
    // (end delay + worker sleep) x rate / 1000.
    std::int64_t Lead() const { return lead_; }
    std::int64_t FramesWritten() const { return written_; }
    std::int64_t TotalFrames() const { return total_; }

    // One step of the worker: copies the frames due into the ring. True when
    // every frame has been written (after the end delay).
    bool Step();

private:
    void Run();
    void CloseDevice();

    std::mutex threadMutex_;  // guards worker_ (taken before mutex_)
    std::mutex mutex_;        // guards the device, the positions and playing_
    std::unique_ptr<CWaveOut2> out_;
    CBuffPos writePos_;
    CBuffPos playPos_;
    PlayFormat format_;
    std::span<const std::uint8_t> frames_;
    std::int64_t total_;
    std::int64_t lead_;
    std::atomic<std::int64_t> written_{0};
    std::atomic<bool> playing_{false};
    int endDelayMs_;
    int workerSleepMs_;
    Progress progress_;
    std::thread worker_;
    std::atomic<std::thread::id> workerId_{};
};
