// Loads arbitrary bytes as a binary style file: the size alone decides the
// layout, a refused file leaves the target untouched, a loaded record holds
// only values its fields allow, and saved and loaded again it comes back
// unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz/quiet_platform.h"
#include "style/music_style.h"
#include "style/style_check.h"
#include "style/style_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    auto target = std::make_unique<MusicStyle>();
    InitMusicStyle(*target);
    auto before = std::make_unique<MusicStyle>(*target);

    int result = LoadStyleImage(*target, data, size);
    std::size_t used = std::min(size, kMusicStyleSize);
    bool refused =
        used <= kOldStyleSize8964 || (used > kOldStyleSize21724 && used < kMusicStyleSize);
    if (refused && result != kStyleRefused) std::abort();
    // Refused by its size or by a format version no style carries.
    if (result == kStyleRefused) {
        if (std::memcmp(target.get(), before.get(), sizeof(MusicStyle)) != 0) std::abort();
        return 0;
    }
    if (result != kStyleLoaded) std::abort();
    // Every field of a loaded record is in its range.
    auto checked = std::make_unique<MusicStyle>(*target);
    if (!CorrectStyleFields(*checked).empty()) std::abort();
    if (used < kMusicStyleSize && target->version != StyleFormatVersion) std::abort();
    if (target->harmonyStructure[4092] != 0 || target->harmonyStructure[4093] != 0) std::abort();
    if (std::memcmp(target->displayTitle, target->title, kDisplayTitleSize) != 0) std::abort();

    // What a save writes (the stamped version) loads back as it was.
    auto saved = std::make_unique<MusicStyle>(*target);
    saved->version = StyleFormatVersion;
    auto again = std::make_unique<MusicStyle>();
    if (LoadStyleImage(*again, reinterpret_cast<const std::uint8_t*>(saved.get()),
                       sizeof(MusicStyle)) != kStyleLoaded) {
        std::abort();
    }
    if (std::memcmp(again.get(), saved.get(), sizeof(MusicStyle)) != 0) std::abort();
    return 0;
}
