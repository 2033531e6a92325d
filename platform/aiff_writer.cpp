#include "platform/aiff_writer.h"

#include <sndfile.h>

#include <cerrno>

namespace platform {

struct AiffWriter::Impl {
    SNDFILE* file = nullptr;
    int channels = 0;
    bool failed = false;
    int error = 0;
    // Marks the file failed and keeps the first failure's errno.
    void Fail() {
        if (!failed) error = errno;
        failed = true;
    }
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
    impl_->failed = false;
    impl_->error = 0;
    errno = 0;
    impl_->file = sf_open(path.c_str(), SFM_WRITE, &info);
    impl_->channels = channels;
    if (impl_->file == nullptr) impl_->Fail();
    return impl_->file != nullptr;
}

bool AiffWriter::Write(std::span<const std::int16_t> samples) {
    if (!impl_->file || impl_->channels <= 0) return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / impl_->channels;
    errno = 0;
    if (sf_writef_short(impl_->file, samples.data(), frames) != frames) impl_->Fail();
    return !impl_->failed;
}

bool AiffWriter::Close() {
    if (!impl_->file) return false;
    errno = 0;
    if (sf_close(impl_->file) != 0) impl_->Fail();
    impl_->file = nullptr;
    return !impl_->failed;
}

int AiffWriter::Error() const {
    return impl_->error;
}

}  // namespace platform
