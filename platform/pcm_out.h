// Output of 16-bit interleaved PCM frames to a sound device, and the fake
// twin that tests play into. The device keeps its own queue of periods; the
// caller writes frames ahead of what the device has played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace platform {

struct PcmConfig {
    unsigned rate = 44100;
    unsigned channels = 2;
    unsigned periodFrames = 1024;
    unsigned periodCount = 8;
};

enum class PcmOpenResult {
    kOpened,
    kAlreadyOpen,
    kNoDevice,    // no such device, or it refuses the rate or channels
    kOpenFailed,  // the device was found but could not be readied
};

class PcmOut {
public:
    virtual ~PcmOut() = default;
    virtual PcmOpenResult Open(const PcmConfig& config) = 0;
    virtual bool IsOpen() const = 0;
    // Frames the device has played since it was opened.
    virtual std::int64_t FramesPlayed() = 0;
    // Queues whole frames (16-bit little-endian, interleaved); false when the
    // device refused them.
    virtual bool Write(std::span<const std::uint8_t> frames) = 0;
    // Drops what is queued and not yet played.
    virtual void Reset() = 0;
    // False when the device could not be closed cleanly.
    virtual bool Close() = 0;
};

// The ALSA PCM by name ("default", "null", ...).
std::unique_ptr<PcmOut> MakeAlsaPcmOut(const std::string& device = "default");

// What new players open: ALSA's "default" unless tests install another.
using PcmOutFactory = std::function<std::unique_ptr<PcmOut>()>;
std::unique_ptr<PcmOut> MakePcmOut();
// Installs a factory; an empty one restores ALSA's "default".
void SetPcmOutFactory(PcmOutFactory factory);

// A device that plays its queue at the configured rate on the installed
// clock and keeps every frame it was given. Its record outlives it.
class FakePcmOut : public PcmOut {
public:
    struct Record {
        std::mutex mutex;
        PcmConfig config;
        std::vector<std::uint8_t> bytes;  // every frame written, in order
        std::int64_t maxAhead = 0;        // most frames queued after a write
        int opens = 0;
        int closes = 0;
        int resets = 0;
    };
    explicit FakePcmOut(std::shared_ptr<Record> record, bool refuseOpen = false);

    PcmOpenResult Open(const PcmConfig& config) override;
    bool IsOpen() const override { return open_; }
    std::int64_t FramesPlayed() override;
    bool Write(std::span<const std::uint8_t> frames) override;
    void Reset() override;
    bool Close() override;

private:
    void Consume();

    std::shared_ptr<Record> record_;
    bool refuseOpen_;
    bool open_ = false;
    unsigned blockAlign_ = 4;
    std::int64_t written_ = 0;
    std::int64_t played_ = 0;
    Nanoseconds last_{0};
};

}  // namespace platform
