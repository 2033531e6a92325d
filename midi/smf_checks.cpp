#include "midi/smf_checks.h"

#include <algorithm>
#include <limits>

#include "core/reporters.h"
#include "core/shell_services.h"
#include "midi/f0_data.h"

std::atomic<int> CheckedSmfDivision{0};

int CheckSmfDivision(const MidiData& song) {
    if (!IsPlayableDivision(song.division)) {
        ShowErrorMessage(0xFF010103u);
        return 0;
    }
    CheckedSmfDivision = song.division;
    return 1;
}

int ConvertSmfBufferToFormat0(std::uint8_t* buffer, std::size_t capacity, std::size_t* length) {
    if (!buffer || !length || *length == 0 || *length > capacity) return 0;
    constexpr auto kIntMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
    int size = static_cast<int>(*length);
    const int room = static_cast<int>(std::min(capacity, kIntMax));
    // Drops a 128-byte block in front of the header first, so that the
    // length follows the image even when it is format 0 already.
    if (MidiData::DetectSmfFormat(buffer, &size) < 0) return 0;
    if (!MidiData::ConvertSmfFormat(buffer, &size, 0, room)) {
        *length = static_cast<std::size_t>(size);
        return 0;
    }
    *length = static_cast<std::size_t>(size);
    return 1;
}
