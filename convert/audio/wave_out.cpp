#include "convert/audio/wave_out.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/reporters.h"

CBuffPos::CBuffPos(std::uint32_t bufferSize, std::uint32_t bufferCount, const PlayFormat& format)
    : bufferSize_(bufferSize),
      bufferCount_(std::max<std::uint32_t>(bufferCount, 1)),
      framesPerBuffer_(std::max<std::uint32_t>(bufferSize / std::max(format.BlockAlign(), 1u), 1)) {}

void CBuffPos::Set(std::int64_t a) {
    absolute_ = a;
    const std::int64_t frames = std::max<std::int64_t>(a, 0);
    offset_ = static_cast<std::uint32_t>(frames % framesPerBuffer_);
    index_ = static_cast<std::uint32_t>((frames / framesPerBuffer_) % bufferCount_);
}

std::int64_t CBuffPos::Distance(const CBuffPos& other) const {
    if (other.index_ == index_)
        return static_cast<std::int64_t>(other.offset_) - static_cast<std::int64_t>(offset_);
    std::int64_t distance = static_cast<std::int64_t>(other.offset_) + framesPerBuffer_ - offset_;
    std::uint32_t index = (index_ + 1) % bufferCount_;
    for (std::uint32_t step = 1; step < bufferCount_; ++step) {
        if (index == other.index_) return distance;
        distance += framesPerBuffer_;
        index = (index + 1) % bufferCount_;
    }
    return 0;
}

void CBuffPos::Assign(const CBuffPos& other) {
    bufferSize_ = other.bufferSize_;
    bufferCount_ = other.bufferCount_;
    framesPerBuffer_ = other.framesPerBuffer_;
    index_ = other.index_;
    offset_ = other.offset_;
    absolute_ = other.absolute_;
}

CWaveBuff::CWaveBuff(std::uint32_t size, std::uint32_t count) : size_(size), count_(count) {
    try {
        block_.assign(static_cast<std::size_t>(size) * count, 0);
        allocated_ = size > 0 && count > 0;
    } catch (const std::bad_alloc&) {
        allocated_ = false;
    }
    if (!allocated_) {
        block_.clear();
        ShowErrorBox("バッファの確保に失敗しました。");
    }
}

std::span<std::uint8_t> CWaveBuff::Buffer(std::uint32_t index) {
    if (!allocated_ || index >= count_) return {};
    return std::span<std::uint8_t>(block_).subspan(static_cast<std::size_t>(index) * size_, size_);
}

void CWaveBuff::Zero() {
    std::fill(block_.begin(), block_.end(), std::uint8_t{0});
}

CWaveOut2::CWaveOut2(std::unique_ptr<platform::PcmOut> device, const PlayFormat& format,
                     std::uint32_t bufferSize, std::uint32_t bufferCount)
    : device_(std::move(device)), format_(format), buffers_(bufferSize, bufferCount) {}

CWaveOut2::~CWaveOut2() {
    Close();
}

platform::PcmOpenResult CWaveOut2::Open() {
    if (!device_ || !buffers_.Allocated()) return platform::PcmOpenResult::kNoDevice;
    platform::PcmConfig config;
    config.rate = format_.sampleRate;
    config.channels = format_.channels;
    config.periodFrames = buffers_.Size() / format_.BlockAlign();
    config.periodCount = buffers_.Count();
    return device_->Open(config);
}

bool CWaveOut2::Close() {
    return device_ && device_->Close();
}

void CWaveOut2::Reset() {
    if (device_ && buffers_.Allocated()) device_->Reset();
}

std::int64_t CWaveOut2::Position() {
    return device_ ? device_->FramesPlayed() : 0;
}

std::size_t CWaveOut2::CopyToRing(std::uint32_t index, std::uint32_t offset,
                                  std::span<const std::uint8_t> source) {
    const std::uint32_t align = format_.BlockAlign();
    const std::uint32_t perBuffer = buffers_.Size() / align;
    if (!buffers_.Allocated() || perBuffer == 0) return 0;
    index = std::min(index, buffers_.Count() - 1);
    offset = std::min(offset, perBuffer - 1);
    std::size_t frames =
        std::min<std::size_t>(source.size() / align, std::size_t{perBuffer} * buffers_.Count());
    const std::size_t total = frames;
    std::size_t from = 0;
    // The rest of the current buffer, then whole buffers, then a head.
    for (std::uint32_t pass = 0; frames > 0 && pass <= buffers_.Count(); ++pass) {
        const std::size_t run = std::min<std::size_t>(frames, perBuffer - offset);
        std::span<std::uint8_t> target =
            buffers_.Buffer(index).subspan(std::size_t{offset} * align, run * align);
        std::memcpy(target.data(), source.data() + from, target.size());
        if (device_) device_->Write(target);
        from += target.size();
        frames -= run;
        offset = 0;
        index = (index + 1) % buffers_.Count();
    }
    return total;
}
