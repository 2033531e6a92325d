#include "platform/aiff_writer.h"

#include <sndfile.h>

namespace platform {

struct AiffWriter::Impl {
    SNDFILE* file = nullptr;
    int channels = 0;
    bool failed = false;
};

AiffWriter::AiffWriter() : impl_(std::make_unique<Impl>()) {}

AiffWriter::~AiffWriter() {
    Close();
}

bool AiffWriter::Open(const std::string& path, int sampleRate, int channels) {
    Close();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    impl_->file = sf_open(path.c_str(), SFM_WRITE, &info);
    impl_->channels = channels;
    impl_->failed = impl_->file == nullptr;
    return impl_->file != nullptr;
}

bool AiffWriter::Write(std::span<const std::int16_t> samples) {
    if (!impl_->file || impl_->channels <= 0) return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / impl_->channels;
    if (sf_writef_short(impl_->file, samples.data(), frames) != frames) impl_->failed = true;
    return !impl_->failed;
}

bool AiffWriter::Close() {
    if (!impl_->file) return false;
    const bool closed = sf_close(impl_->file) == 0;
    impl_->file = nullptr;
    return closed && !impl_->failed;
}

}  // namespace platform
