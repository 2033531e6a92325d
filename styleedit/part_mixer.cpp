#include "styleedit/part_mixer.h"

#include <cmath>

std::array<int, kMixerColumns> MixerDisplayTracks{0, -1, -1, -1, -1, -1};
std::array<int, kMixerRows> MixerDisplayItems{0, 1, 2, 3, 4, 5, 6, 7};
std::uint8_t MixerScratchValue = 0;

namespace {

constexpr double kRoughPi = 3.14;

bool ValidTrack(int code) {
    return code >= 0 && code < kMixerTrackCodes;
}

bool ValidItem(int code) {
    return code >= 0 && code < kMixerItemCodes;
}

template <std::size_t N, std::size_t Slots>
bool StoreTicked(std::span<const bool, N> ticked, std::array<int, Slots>& slots,
                 ErrorCode refusal) {
    std::size_t count = 0;
    for (bool t : ticked)
        count += t ? 1 : 0;
    if (count > Slots) {
        ShowErrorMessage(refusal);
        return false;
    }
    std::size_t next = 0;
    for (std::size_t code = 0; code < N; ++code)
        if (ticked[code]) slots[next++] = static_cast<int>(code);
    while (next < Slots)
        slots[next++] = kMixerEmpty;
    return true;
}

}  // namespace

const char* MixerTrackLabel(int code) {
    return ValidTrack(code) ? kMixerTracks[code].label : kMixerEmptyLabel;
}

const char* MixerItemLabel(int code) {
    return ValidItem(code) ? kMixerItems[code].label : kMixerEmptyLabel;
}

void ResetMixerDisplayTracks(const MusicStyle& style) {
    MixerDisplayTracks.fill(kMixerEmpty);
    std::size_t used = 0;
    MixerDisplayTracks[used++] = kMixerMelodyTrack;
    // Track codes 1..5 always find a column; 6 and 7 only while one is left.
    for (int code = 1; code < kMixerTrackCodes && used < kMixerColumns; ++code) {
        if (style.voice[kMixerTracks[code].stylePart] != kVoiceNotUsed)
            MixerDisplayTracks[used++] = code;
    }
}

void ResetMixerDisplayItems() {
    for (int row = 0; row < kMixerRows; ++row)
        MixerDisplayItems[static_cast<std::size_t>(row)] = row;
}

void BuildMixerValueTable(MusicStyle& style, MixerValueTable& table) {
    bool reported = false;
    auto report = [&reported] {
        if (!reported) ShowErrorMessage(kMixerCodeError);
        reported = true;
    };
    for (int row = 0; row < kMixerRows; ++row) {
        const int item = MixerDisplayItems[static_cast<std::size_t>(row)];
        if (item != kMixerEmpty && !ValidItem(item)) report();
        for (int column = 0; column < kMixerColumns; ++column) {
            const int track = MixerDisplayTracks[static_cast<std::size_t>(column)];
            if (row == 0 && track != kMixerEmpty && !ValidTrack(track)) report();
            std::uint8_t* byte = &MixerScratchValue;
            if (ValidItem(item) && ValidTrack(track) &&
                (item != kMixerPanItem || track == kMixerMelodyTrack)) {
                MixBlock& block = style.mix[kMixerTracks[track].stylePart];
                byte = reinterpret_cast<std::uint8_t*>(&block) + kMixerItems[item].mixByte;
            }
            table[static_cast<std::size_t>(row * kMixerColumns + column)] = byte;
        }
    }
}

void LayoutMixerKnobs(MixerKnobs& knobs) {
    for (int row = 0; row < kMixerRows; ++row) {
        for (int column = 0; column < kMixerColumns; ++column) {
            MixerKnob& k = knobs[static_cast<std::size_t>(row * kMixerColumns + column)];
            k.x1 = kKnobLeft[column];
            k.y1 = kKnobTop[row];
            k.x2 = k.x1 + kKnobSide;
            k.y2 = k.y1 + kKnobSide;
        }
    }
}

int MixerKnobAt(const MixerKnobs& knobs, int x, int y) {
    int found = -1;
    for (int i = 0; i < kMixerKnobs; ++i) {
        const MixerKnob& k = knobs[static_cast<std::size_t>(i)];
        if (k.x1 < x && x < k.x2 && k.y1 < y && y < k.y2) found = i;
    }
    return found;
}

int MixerValueFieldAt(const MixerKnobs& knobs, int x, int y) {
    for (int i = 0; i < kMixerKnobs; ++i) {
        const MixerKnob& k = knobs[static_cast<std::size_t>(i)];
        if (k.y1 < y && y < k.y2 && k.x1 + 40 < x && x < k.x2 + 40) return i;
    }
    return -1;
}

int RawKnobAngle(int x, int y, int cx, int cy) {
    const int dx = x - cx;
    const int dy = y - cy;
    if (dx == 0 && dy == 0) return kNoKnobAngle;
    // Straight above or below: the tangent of an infinite slope.
    const double r = dx == 0 ? std::atan(dy > 0 ? INFINITY : -INFINITY)
                             : std::atan(static_cast<double>(dy) / static_cast<double>(dx));
    const int f = static_cast<int>(r * -180.0 / kRoughPi);
    const int base = dx >= 0 ? 90 : 270;
    return (base - f + 360) % 360;
}

int KnobAngleFromPoint(int x, int y, int cx, int cy) {
    const int angle = RawKnobAngle(x, y, cx, cy);
    if (angle >= kKnobDeadFirst && angle <= kKnobDeadLast) return kNoKnobAngle;
    return angle;
}

int KnobAngleFromValue(int value) {
    return 2 * value - 135;
}

int KnobValueFromAngle(int angle) {
    return ((angle + 135) % 360) / 2;
}

int DragMixerKnob(MusicStyle& style, MixerKnobs& knobs, int knob, int x, int y) {
    if (knob < 0 || knob >= kMixerKnobs) return kNoKnobAngle;
    MixerValueTable table{};
    BuildMixerValueTable(style, table);
    MixerKnob& k = knobs[static_cast<std::size_t>(knob)];
    const int angle = KnobAngleFromPoint(x, y, (k.x1 + k.x2) / 2, (k.y1 + k.y2) / 2);
    if (angle != kNoKnobAngle) {
        k.angle = angle;
        *table[static_cast<std::size_t>(knob)] =
            static_cast<std::uint8_t>(KnobValueFromAngle(angle));
    }
    MixerScratchValue = 0;
    return angle;
}

bool StoreDisplayTracks(std::span<const bool, kMixerTrackCodes> ticked) {
    return StoreTicked(ticked, MixerDisplayTracks, kMixerTracksError);
}

bool StoreDisplayItems(std::span<const bool, kMixerItemCodes> ticked) {
    return StoreTicked(ticked, MixerDisplayItems, kMixerItemsError);
}
