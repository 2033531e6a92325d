// The ring-voice format table: one record per handset family, naming the
// code used in output file names, the ADPCM codec, the rates the family
// plays and which image layout its files use.
#pragma once

#include <cstdint>

struct RingVoiceFormat {
    const char* codeName;     // short name used in the output file name
    std::int32_t index;       // the record's own position (the format number)
    std::int32_t codec;       // adpcm::Codec number, 0 for none
    std::int32_t rate4000;    // 1 when the rate is supported
    std::int32_t rate8000;
    std::int32_t rate16000;
    std::int32_t rate32000;
    std::int32_t mldVoiceLayout;  // 1: the image is written by CMldVoice
    const char* handsetList;  // the handsets of the family, for the chooser
};

constexpr int RingVoiceFormatCount = 19;
extern const RingVoiceFormat RingVoiceFormatTable[RingVoiceFormatCount];

// Records 13 to 17 write two-channel voices.
constexpr int kFirstStereoFormat = 13;
constexpr int kLastStereoFormat = 17;

inline bool IsStereoFormat(int index) {
    return index >= kFirstStereoFormat && index <= kLastStereoFormat;
}

// 1 when the record supports the rate; 0 for rates outside 4000, 8000,
// 16000 and 32000.
int RingVoiceRateFlag(const RingVoiceFormat& record, int rate);
