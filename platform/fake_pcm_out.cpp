#include <algorithm>

#include "platform/pcm_out.h"

namespace platform {

namespace {

std::mutex g_factoryMutex;
PcmOutFactory g_factory;

}  // namespace

std::unique_ptr<PcmOut> MakePcmOut() {
    PcmOutFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        factory = g_factory;
    }
    return factory ? factory() : MakeAlsaPcmOut("default");
}

void SetPcmOutFactory(PcmOutFactory factory) {
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    g_factory = std::move(factory);
}

FakePcmOut::FakePcmOut(std::shared_ptr<Record> record, bool refuseOpen)
    : record_(std::move(record)), refuseOpen_(refuseOpen) {}

PcmOpenResult FakePcmOut::Open(const PcmConfig& config) {
    if (open_) return PcmOpenResult::kAlreadyOpen;
    if (refuseOpen_ || config.rate == 0 || config.channels == 0) return PcmOpenResult::kNoDevice;
    open_ = true;
    blockAlign_ = config.channels * 2;
    written_ = played_ = 0;
    last_ = GetClock()->Now();
    std::lock_guard<std::mutex> lock(record_->mutex);
    record_->config = config;
    ++record_->opens;
    return PcmOpenResult::kOpened;
}

// The device plays what it holds at its rate; a starved device waits.
void FakePcmOut::Consume() {
    const Nanoseconds now = GetClock()->Now();
    const std::int64_t due = (now - last_).count() * record_->config.rate / 1'000'000'000;
    if (due <= 0) return;
    last_ += Nanoseconds(due * 1'000'000'000 / record_->config.rate);
    played_ = std::min(written_, played_ + due);
}

std::int64_t FakePcmOut::FramesPlayed() {
    if (!open_) return 0;
    Consume();
    return played_;
}

bool FakePcmOut::Write(std::span<const std::uint8_t> frames) {
    if (!open_ || frames.size() % blockAlign_ != 0) return false;
    Consume();
    written_ += static_cast<std::int64_t>(frames.size() / blockAlign_);
    std::lock_guard<std::mutex> lock(record_->mutex);
    record_->bytes.insert(record_->bytes.end(), frames.begin(), frames.end());
    record_->maxAhead = std::max(record_->maxAhead, written_ - played_);
    return true;
}

void FakePcmOut::Reset() {
    if (!open_) return;
    played_ = written_;
    std::lock_guard<std::mutex> lock(record_->mutex);
    ++record_->resets;
}

bool FakePcmOut::Close() {
    if (!open_) return false;
    open_ = false;
    std::lock_guard<std::mutex> lock(record_->mutex);
    ++record_->closes;
    return true;
}

}  // namespace platform
