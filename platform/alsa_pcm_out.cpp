// The ALSA playback PCM, written with snd_pcm_writei. Its periods circulate
// by themselves; an underrun is recovered by preparing the PCM again.
#include <alsa/asoundlib.h>

#include <algorithm>

#include "platform/pcm_out.h"

namespace platform {

namespace {

class AlsaPcmOut : public PcmOut {
public:
    explicit AlsaPcmOut(std::string device) : device_(std::move(device)) {}
    ~AlsaPcmOut() override { Close(); }

    PcmOpenResult Open(const PcmConfig& config) override;
    bool IsOpen() const override { return pcm_ != nullptr; }
    std::int64_t FramesPlayed() override;
    bool Write(std::span<const std::uint8_t> frames) override;
    void Reset() override;
    bool Close() override;

private:
    bool SetParameters(const PcmConfig& config);
    bool StartOnFirstFrame();

    std::string device_;
    snd_pcm_t* pcm_ = nullptr;
    unsigned blockAlign_ = 4;
    std::int64_t written_ = 0;
};

bool AlsaPcmOut::SetParameters(const PcmConfig& config) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    unsigned rate = config.rate;
    snd_pcm_uframes_t period = config.periodFrames;
    unsigned periods = config.periodCount;
    int dir = 0;
    return snd_pcm_hw_params_any(pcm_, hw) >= 0 &&
           snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
           snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_S16_LE) >= 0 &&
           snd_pcm_hw_params_set_channels(pcm_, hw, config.channels) >= 0 &&
           snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, &dir) >= 0 &&
           snd_pcm_hw_params_set_period_size_near(pcm_, hw, &period, &dir) >= 0 &&
           snd_pcm_hw_params_set_periods_near(pcm_, hw, &periods, &dir) >= 0 &&
           snd_pcm_hw_params(pcm_, hw) >= 0 && StartOnFirstFrame();
}

// The lead kept ahead is shorter than the whole buffer, and a short file may
// not fill one period: start on the first frame queued (each write queues
// the whole lead at once, so the device does not starve at the start).
bool AlsaPcmOut::StartOnFirstFrame() {
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    return snd_pcm_sw_params_current(pcm_, sw) >= 0 &&
           snd_pcm_sw_params_set_start_threshold(pcm_, sw, 1) >= 0 &&
           snd_pcm_sw_params(pcm_, sw) >= 0;
}

PcmOpenResult AlsaPcmOut::Open(const PcmConfig& config) {
    if (pcm_) return PcmOpenResult::kAlreadyOpen;
    if (config.channels == 0 || config.rate == 0) return PcmOpenResult::kNoDevice;
    if (snd_pcm_open(&pcm_, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        pcm_ = nullptr;
        return PcmOpenResult::kNoDevice;
    }
    if (!SetParameters(config)) {
        Close();
        return PcmOpenResult::kNoDevice;
    }
    if (snd_pcm_prepare(pcm_) < 0) {
        Close();
        return PcmOpenResult::kOpenFailed;
    }
    blockAlign_ = config.channels * 2;
    written_ = 0;
    return PcmOpenResult::kOpened;
}

std::int64_t AlsaPcmOut::FramesPlayed() {
    if (!pcm_) return 0;
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) < 0) {
        // An underrun: everything written has been played.
        snd_pcm_prepare(pcm_);
        return written_;
    }
    return std::clamp<std::int64_t>(written_ - delay, 0, written_);
}

bool AlsaPcmOut::Write(std::span<const std::uint8_t> frames) {
    if (!pcm_ || frames.size() % blockAlign_ != 0) return false;
    const std::uint8_t* at = frames.data();
    snd_pcm_uframes_t left = frames.size() / blockAlign_;
    for (int tries = 0; left > 0 && tries < 16; ++tries) {
        const snd_pcm_sframes_t done = snd_pcm_writei(pcm_, at, left);
        if (done == -EPIPE || done == -ESTRPIPE) {
            snd_pcm_prepare(pcm_);
            continue;
        }
        if (done < 0) return false;
        at += static_cast<std::size_t>(done) * blockAlign_;
        left -= static_cast<snd_pcm_uframes_t>(done);
        written_ += done;
    }
    return left == 0;
}

void AlsaPcmOut::Reset() {
    if (!pcm_) return;
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
}

bool AlsaPcmOut::Close() {
    if (!pcm_) return false;
    const bool closed = snd_pcm_close(pcm_) >= 0;
    pcm_ = nullptr;
    return closed;
}

}  // namespace

std::unique_ptr<PcmOut> MakeAlsaPcmOut(const std::string& device) {
    return std::make_unique<AlsaPcmOut>(device);
}

}  // namespace platform
