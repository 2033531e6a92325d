// The ring of device buffers a wave player streams through: a position in
// the ring, the buffers, and the output device that the ring feeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/pcm_out.h"

// The PCM format the player is given (16 bits, interleaved).
struct PlayFormat {
    unsigned channels = 2;
    unsigned sampleRate = 44100;
    unsigned BlockAlign() const { return channels * 2; }
};

// A position in the ring, in frames.
class CBuffPos {
public:
    CBuffPos(std::uint32_t bufferSize, std::uint32_t bufferCount, const PlayFormat& format);
    virtual ~CBuffPos() = default;

    // Moves to the absolute frame a.
    void Set(std::int64_t a);
    // Frames from this position forward to other, walking at most
    // count - 1 buffers; 0 when other is not reached. A position behind in
    // the same buffer gives a negative distance.
    std::int64_t Distance(const CBuffPos& other) const;
    void Assign(const CBuffPos& other);

    std::uint32_t FramesPerBuffer() const { return framesPerBuffer_; }
    std::uint32_t Index() const { return index_; }
    std::uint32_t Offset() const { return offset_; }
    std::int64_t Absolute() const { return absolute_; }

private:
    std::uint32_t bufferSize_;
    std::uint32_t bufferCount_;
    std::uint32_t framesPerBuffer_;
    std::uint32_t index_ = 0;
    std::uint32_t offset_ = 0;
    std::int64_t absolute_ = 0;
};

// count zero-filled buffers of size bytes, in one block.
class CWaveBuff {
public:
    CWaveBuff(std::uint32_t size, std::uint32_t count);
    virtual ~CWaveBuff() = default;

    bool Allocated() const { return allocated_; }
    std::uint32_t Size() const { return size_; }
    std::uint32_t Count() const { return count_; }
    std::span<std::uint8_t> Buffer(std::uint32_t index);
    void Zero();

private:
    std::vector<std::uint8_t> block_;
    std::uint32_t size_;
    std::uint32_t count_;
    bool allocated_ = false;
};

// The device and its ring. Frames copied into the ring are queued on the
// device in the order they were copied, so the device plays each once.
class CWaveOut2 {
public:
    CWaveOut2(std::unique_ptr<platform::PcmOut> device, const PlayFormat& format,
              std::uint32_t bufferSize, std::uint32_t bufferCount);
    virtual ~CWaveOut2();

    // Opens the device at the format with one period per buffer.
    platform::PcmOpenResult Open();
    bool IsOpen() const { return device_ && device_->IsOpen(); }
    bool Close();
    void Reset();
    // Frames the device has played.
    std::int64_t Position();
    // Copies n frames of source into the ring at (index, offset) and queues
    // them on the device. Returns the frames copied.
    std::size_t CopyToRing(std::uint32_t index, std::uint32_t offset,
                           std::span<const std::uint8_t> source);
    CWaveBuff& Buffers() { return buffers_; }

private:
    std::unique_ptr<platform::PcmOut> device_;
    PlayFormat format_;
    CWaveBuff buffers_;
};
