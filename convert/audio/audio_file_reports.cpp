// The boxes of the WAV and AIFF files. Their readers record what they find
// and show nothing; the reporters' words here give its texts to the callers
// that show it, and the writer and the AIFF-to-WAV conversion, which report
// their own failures, live here too, so the reader files hold no box.
#include <cerrno>
#include <cstring>

#include "convert/audio/aiff.h"
#include "convert/audio/wave_file.h"
#include "core/reporters.h"
#include "platform/paths.h"

namespace wavefile {

namespace {

std::string ChunkText(std::uint32_t status, std::uint32_t chunkId) {
    std::string id(4, ' ');
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<char>(chunkId >> (24 - 8 * i));
    return std::string(StatusText(static_cast<int>(status))) + " [" + id + "]";
}

std::string StatusFindingText(std::uint32_t status, std::uint32_t) {
    return StatusText(static_cast<int>(status));
}

}  // namespace

const ReporterWords kFindings{FindingKind::Notice, StatusFindingText, nullptr};
const ReporterWords kChunkFindings{FindingKind::Notice, ChunkText, nullptr};

}  // namespace wavefile

namespace aiff {

const ReporterWords kFindings{
    FindingKind::Notice,
    [](std::uint32_t status, std::uint32_t) {
        return std::string(status == kTooShort ? kTooShortText : kErrorText);
    },
    nullptr};

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
