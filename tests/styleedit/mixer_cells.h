// The style byte each cell of the mixer's grid edits, worked out from the
// part and mix byte of each track and parameter code as the mixer's
// documentation lists them, for tests to hold the mixer against.
#pragma once

#include <cstddef>

#include "styleedit/part_mixer.h"

namespace mixer_cells {

constexpr int kTrackPart[8] = {1, 4, 3, 7, 2, 9, 5, 8};
constexpr int kItemByte[11] = {0, 2, 1, 3, 7, 4, 5, 6, 9, 8, 10};

// The style offset the cell edits under the display lists, -1 for none.
inline long CellOffset(int row, int column) {
    const int item = MixerDisplayItems[static_cast<std::size_t>(row)];
    const int track = MixerDisplayTracks[static_cast<std::size_t>(column)];
    if (item < 0 || item > 10 || track < 0 || track > 7 || (item == 9 && track != 0)) return -1;
    return static_cast<long>(offsetof(MusicStyle, mix)) + 16 * kTrackPart[track] + kItemByte[item];
}

}  // namespace mixer_cells
