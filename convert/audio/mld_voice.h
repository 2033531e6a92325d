// CMldVoice: the image builder of the ring-voice records whose voice stands
// in one "adat" chunk beside a short "trac" that plays it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "convert/audio/mld_layouts.h"

// The builder's codes; the high byte names the class.
constexpr std::uint32_t kMldVoiceTooLarge = 0x34000001;
constexpr std::uint32_t kMldVoiceBadRate = 0x34000002;
// Largest image the builder makes.
constexpr std::size_t kMldVoiceCapacity = 0x80000;

// The text of a code; codes without one share the undefined-error text.
const char* MldVoiceMessage(std::uint32_t code);

class CMldVoice {
public:
    CMldVoice() = default;
    virtual ~CMldVoice() = default;

    // Builds the image of in.format (12 mono, 14 the left channel's data
    // followed by the right's, both in in.left). False, with the size
    // message shown, when the voice would pass the capacity; a rate other
    // than 4000, 8000, 16000 or 32000 shows the undefined-error text and is
    // written with the 8000 Hz values.
    bool Build(const VoiceImageInput& in);

    const std::vector<std::uint8_t>& Image() const { return image_; }
    std::vector<std::uint8_t> TakeImage() { return std::move(image_); }

private:
    std::vector<std::uint8_t> image_;
};
