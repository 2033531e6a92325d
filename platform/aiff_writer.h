// Writes 16-bit PCM AIFF files (libsndfile puts COMM before SSND).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

class AiffWriter {
public:
    AiffWriter();
    ~AiffWriter();
    AiffWriter(const AiffWriter&) = delete;
    AiffWriter& operator=(const AiffWriter&) = delete;

    bool Open(const std::string& path, int sampleRate, int channels);
    // Interleaved samples, whole frames; false when the write fell short.
    bool Write(std::span<const std::int16_t> samples);
    // False when the file could not be completed (or was never opened).
    bool Close();
    // The errno of the first failure (0 when there was none or the library
    // gave none).
    int Error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
