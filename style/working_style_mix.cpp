// The working style's mix adapted to the sound module before each tune.
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "core/settings.h"
#include "core/shell_services.h"
#include "style/style_table.h"

namespace {
// The parts the XG adaptation touches: the drums get quieter, the voices of
// slots 3 and 7 move from program 30 to 29, and slots 1 and 3 get louder.
constexpr int kDrumSlot = 9;
constexpr int kVoiceSlots[] = {3, 7};
constexpr int kLouderSlots[] = {1, 3};
static_assert(offsetof(MusicStyle, mix) + kDrumSlot * sizeof(MixBlock) == 208);
static_assert(offsetof(MusicStyle, voice) + 3 * sizeof(std::int32_t) == 12);
static_assert(offsetof(MusicStyle, mix) + 3 * sizeof(MixBlock) == 112);
}  // namespace

void AdjustWorkingStyleMix() {
    if (AppSettings.ComposeOutputType != 0) return;
    std::lock_guard lock(StyleRecordMutex());
    MixBlock& drums = WorkingStyle.mix[kDrumSlot];
    if (drums.volume > 20) drums.volume = static_cast<std::uint8_t>(drums.volume - 20);
    for (int slot : kVoiceSlots)
        if (WorkingStyle.voice[slot] == 30) WorkingStyle.voice[slot] = 29;
    for (int slot : kLouderSlots) {
        MixBlock& mix = WorkingStyle.mix[slot];
        if (mix.volume < 118) mix.volume = static_cast<std::uint8_t>(mix.volume + 10);
    }
}

int BeatsPerBar() {
    // 3/4 and 7/8 both count three beats a bar.
    return WorkingStyle.timeSignature == kMetre44 ? 4 : 3;
}
