#include "compose/preview_chords.h"

#include <algorithm>
#include <cstring>

#include "compose/compose_info.h"

void SetPreviewChords(std::string_view code, int length) {
    ComposeInfo.ClearChords();
    HarmonyStructureEntry entry{};
    const int held = std::clamp(length, 0, 0xFFFF);
    entry.lengthHigh = static_cast<std::uint8_t>(held >> 8);
    entry.lengthLow = static_cast<std::uint8_t>(held & 0xFF);
    std::memset(entry.chord.text, 0, sizeof entry.chord.text);
    std::memcpy(entry.chord.text, code.data(), std::min(code.size(), sizeof entry.chord.text));
    ComposeInfo.AddChord(entry, 0);
}
