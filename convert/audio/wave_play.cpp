#include "convert/audio/wave_play.h"

#include <algorithm>

#include "core/reporters.h"
#include "platform/clock.h"

CWavePlay::CWavePlay(std::unique_ptr<platform::PcmOut> device, const PlayFormat& format,
                     std::span<const std::uint8_t> frames, std::int64_t frameCount,
                     std::uint32_t bufferSize, std::uint32_t bufferCount, int endDelayMs,
                     int workerSleepMs, Progress progress)
    : out_(std::make_unique<CWaveOut2>(std::move(device), format, bufferSize, bufferCount)),
      writePos_(bufferSize, bufferCount, format),
      playPos_(bufferSize, bufferCount, format),
      format_(format),
      frames_(frames),
      total_(std::clamp<std::int64_t>(frameCount, 0,
                                      static_cast<std::int64_t>(frames.size() / format.BlockAlign()))),
      // Multiplied before dividing: (100 + 10) / 1000 alone would be 0.
      lead_(static_cast<std::int64_t>(endDelayMs + workerSleepMs) * format.sampleRate / 1000),
      endDelayMs_(endDelayMs),
      workerSleepMs_(workerSleepMs),
      progress_(std::move(progress)) {}

CWavePlay::~CWavePlay() {
    Stop();
}

int CWavePlay::Start() {
    std::lock_guard<std::mutex> threadLock(threadMutex_);
    if (playing_) return 1;
    // A worker that ended by itself is leaving or has left; collect it.
    if (worker_.joinable()) worker_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    switch (out_->Open()) {
        case platform::PcmOpenResult::kOpened:
            break;
        case platform::PcmOpenResult::kAlreadyOpen:
            ShowErrorBox("再生デバイスはオープン済みです。");
            return 0;
        case platform::PcmOpenResult::kNoDevice:
            ShowErrorBox("オーディオデバイスがないか、サポートされていないフォーマットです。");
            return 0;
        case platform::PcmOpenResult::kOpenFailed:
            ShowErrorBox("再生デバイスのオープンに失敗しました。");
            return 0;
    }
    out_->Buffers().Zero();
    written_ = 0;
    writePos_.Set(0);
    playPos_.Set(0);
    playing_ = true;
    worker_ = std::thread([this] { Run(); });
    return 1;
}

bool CWavePlay::Step() {
    std::int64_t written = 0;
    bool ended = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!playing_) return true;
        playPos_.Set(out_->Position() + lead_);
        std::int64_t n = writePos_.Distance(playPos_);
        n = std::min(n, total_ - written_);
        if (n > 0) {
            const std::size_t align = format_.BlockAlign();
            out_->CopyToRing(writePos_.Index(), writePos_.Offset(),
                             frames_.subspan(static_cast<std::size_t>(written_) * align,
                                             static_cast<std::size_t>(n) * align));
            written_ += n;
        }
        writePos_.Assign(playPos_);
        written = written_;
        ended = written_ >= total_;
    }
    if (ended) platform::GetClock()->SleepMilliseconds(endDelayMs_);
    if (progress_) progress_(total_, written);
    return ended;
}

void CWavePlay::Run() {
    workerId_ = std::this_thread::get_id();
    // Bounded by the data: each step either writes or lets the device play.
    while (playing_) {
        if (Step()) {
            CloseDevice();
            return;
        }
        platform::GetClock()->SleepMilliseconds(workerSleepMs_);
    }
}

void CWavePlay::CloseDevice() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!playing_) return;
    playing_ = false;
    out_->Reset();
    if (!out_->Close()) ShowErrorBox("再生デバイスのクローズに失敗しました。");
}

void CWavePlay::Stop() {
    CloseDevice();
    // The worker cannot join itself; its player collects it later.
    if (workerId_.load() == std::this_thread::get_id()) return;
    std::lock_guard<std::mutex> threadLock(threadMutex_);
    if (worker_.joinable()) worker_.join();
}
