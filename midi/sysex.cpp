#include "midi/sysex.h"

#include <cstring>

#include "core/reporters.h"
#include "midi/midi_event.h"

namespace {

constexpr ClassReporter kSysExReporter("MDSX", {}, "Error occured in System Exclusive!");

// Roland GS data set, device 0x10, model 0x42, from position 2 on.
constexpr std::uint8_t kGsHeader[4] = {0x41, 0x10, 0x42, 0x12};

bool Matches(const std::uint8_t* bytes, int n, int position, const std::uint8_t* pattern,
             int count) {
    return position + count <= n &&
           std::memcmp(bytes + position, pattern, static_cast<std::size_t>(count)) == 0;
}

// The class of a GS data set by its address (positions 6..8); 0 when none.
int ClassifyGs(const std::uint8_t* b, int* channel) {
    int a0 = b[6], a1 = b[7], a2 = b[8];
    if (a0 == 0x00 && a1 == 0x00 && a2 == 0x7F) return sysex_class::kGsSystemMode;
    if (a0 != 0x40) return sysex_class::kOther;
    if (a1 == 0x00 && a2 == 0x04) return sysex_class::kMasterVolume;
    if ((a1 & 0xF0) == 0x10 && a2 == 0x15) {
        *channel = GsPartChannel(a1 & 0x0F);
        return sysex_class::kGsRhythmPart;
    }
    if ((a1 & 0xF0) == 0x40 && a2 == 0x20) {
        *channel = GsPartChannel(a1 & 0x0F);
        return sysex_class::kGsPartParameter;
    }
    if (a1 == 0x01) {
        if (a2 >= 0x30 && a2 <= 0x35) return sysex_class::kGsReverbFirst + (a2 - 0x30);
        if (a2 >= 0x37 && a2 <= 0x40) return sysex_class::kGsChorusFirst + (a2 - 0x37);
        if (a2 >= 0x50 && a2 <= 0x59) return sysex_class::kGsDelayFirst + (a2 - 0x50);
        if (a2 == 0x5A) return sysex_class::kGsEqFirst;
    }
    if (a1 == 0x02 && a2 <= 0x03) return sysex_class::kGsEqFirst + 1 + a2;
    return sysex_class::kOther;
}

}  // namespace

const std::uint8_t kGmSystemOnBlock[kGmSystemOnSize] = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
const std::uint8_t kGsResetBlock[kGsResetSize] = {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12,
                                                  0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
const std::uint8_t kXgSystemOnBlock[kXgSystemOnSize] = {0xF0, 0x08, 0x43, 0x10, 0x4C,
                                                        0x00, 0x00, 0x7E, 0x00, 0xF7};

void ShowSysExError(std::uint32_t code) {
    kSysExReporter.Show(code);
}

void MakeMasterVolumeBlock(std::uint8_t out[kMasterVolumeSize], int volume) {
    const std::uint8_t block[kMasterVolumeSize] = {
        0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00, static_cast<std::uint8_t>(volume), 0xF7};
    std::memcpy(out, block, sizeof block);
}

std::uint8_t RolandChecksum(const std::uint8_t* bytes, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>((128 - sum % 128) % 128);
}

void SetRolandChecksum(std::uint8_t* block) {
    if (!block) {
        ShowSysExError(mdsx::kNullBlock);
        return;
    }
    block[10] = RolandChecksum(block + 6, 4);
}

void SetGsPartByte(int channel, std::uint8_t* byte, int base) {
    if (!byte || channel < 0 || channel > 15) {
        ShowSysExError(mdsx::kNullBlock);
        return;
    }
    int offset = channel == 9 ? 0 : channel < 9 ? channel + 1 : channel;
    *byte = static_cast<std::uint8_t>(base + offset);
}

int GsPartChannel(int block) {
    if (block == 0) return 9;
    if (block <= 9) return block - 1;
    return block;
}

int ClassifySysExBytes(const std::uint8_t* b, int n, int* value, int* channel) {
    *value = 0;
    *channel = kNoChannel;
    // The positions below count from a one-byte length count.
    if (!b || n < 2 || b[0] != 0xF0 || b[1] >= 0x80) return sysex_class::kOther;
    static constexpr std::uint8_t kUniversalVolume[4] = {0x7F, 0x7F, 0x04, 0x01};
    static constexpr std::uint8_t kUniversalBalance[4] = {0x7F, 0x7F, 0x04, 0x02};
    static constexpr std::uint8_t kGmOn[5] = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    static constexpr std::uint8_t kYamaha[4] = {0x43, 0x79, 0x06, 0x7F};
    if (Matches(b, n, 2, kUniversalVolume, 4) && n > 8 && b[8] == 0xF7) {
        *value = b[7];
        return sysex_class::kMasterVolume;
    }
    if (Matches(b, n, 2, kUniversalBalance, 4) && n > 8 && b[8] == 0xF7) {
        *value = b[7];
        return sysex_class::kMasterBalance;
    }
    if (Matches(b, n, 2, kGmOn, 5)) return sysex_class::kGmSystemOn;
    if (Matches(b, n, 2, kYamaha, 4) && n > 8 && b[8] == 0xF7) return sysex_class::kExempt;
    if (Matches(b, n, 2, kGsHeader, 4) && n > 9) {
        int cls = ClassifyGs(b, channel);
        if (cls == sysex_class::kGsSystemMode) return cls;
        if (cls != sysex_class::kOther) *value = b[9];
        return cls;
    }
    return sysex_class::kOther;
}
