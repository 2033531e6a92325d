// The shell's rewrite of a composed tune's image as format 0.
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/music_data.h"

void ConvertSmfBufferToFormat0(std::uint8_t* buffer, std::size_t* length) {
    if (!buffer || !length) return;
    if (*length == 0 || *length > WorkBufferSize) {
        *length = 0;
        return;
    }
    int size = static_cast<int>(*length);
    // A merged image that would not fit the buffer is refused, not written.
    if (MidiData::ConvertSmfFormat(buffer, &size, 0, static_cast<int>(WorkBufferSize)) != 1 ||
        size <= 0) {
        *length = 0;
        return;
    }
    *length = static_cast<std::size_t>(size);
}
