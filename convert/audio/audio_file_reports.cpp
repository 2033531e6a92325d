// The boxes of the WAV and AIFF files. Their readers record what they find
// and show nothing; the reporters here show it for their callers, and the
// writer and the AIFF-to-WAV conversion, which report their own failures,
// live here too, so the reader files hold no box.
#include <cerrno>
#include <cstring>

#include "convert/audio/aiff.h"
#include "convert/audio/wave_file.h"
#include "core/reporters.h"
#include "platform/paths.h"

namespace wavefile {

namespace {

void ShowChunkBox(Status status, std::uint32_t chunkId) {
    std::string id(4, ' ');
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<char>(chunkId >> (24 - 8 * i));
    ShowInfoBox(std::string(StatusText(status)) + " [" + id + "]");
}

}  // namespace

void ShowStatus(std::uint32_t status) { ShowInfoBox(StatusText(static_cast<int>(status))); }
void ShowDifferentFormat(std::uint32_t chunkId) { ShowChunkBox(kDifferentFormat, chunkId); }
void ShowUnknownChunk(std::uint32_t chunkId) { ShowChunkBox(kUnknownChunk, chunkId); }

}  // namespace wavefile

namespace aiff {

void ShowError(std::uint32_t status) {
    ShowInfoBox(status == kTooShort ? kTooShortText : kErrorText);
}

}  // namespace aiff

int WaveFile::Save(const std::string& path, std::span<std::uint8_t> buffer) const {
    std::vector<std::uint8_t> own;
    std::span<std::uint8_t> image = buffer.first(std::min(buffer.size(), FileSize()));
    if (image.size() < FileSize()) {
        own.resize(FileSize());
        image = own;
    }
    if (WriteHeader(image, image.size()) == 0) {
        ShowInfoBox(wavefile::StatusText(wavefile::kCantOpen));
        return 0;
    }
    errno = 0;
    if (!platform::ReplaceFileContents(path, image.data(), image.size())) {
        // The file and the reason it could not be written, as the reader
        // names a chunk it could not take.
        const int error = errno != 0 ? errno : EIO;
        ShowInfoBox(std::string(wavefile::StatusText(wavefile::kCantOpen)) + " [" + path + ": " +
                    std::strerror(error) + "]");
        return 0;
    }
    return 1;
}

int ConvertAiffToWav(const std::string& aiffPath, const std::string& wavPath) {
    CAiffData aiff(aiffPath);
    aiff.Log().ShowAll();
    if (aiff.Status() != aiff::kOk) return 0;
    const std::optional<WaveFile> wave = aiff.ToWaveFile();
    return wave ? wave->Save(wavPath) : 0;
}
