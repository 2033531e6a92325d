// The system's audio mixer as the program reads it: the volume and the mute
// switch of three output lines. Nothing here ever changes a mixer setting.
// The real mixer is ALSA's simple mixer on the "default" control; tests
// install a fake with the levels they want.
#pragma once

#include <array>
#include <memory>
#include <optional>

namespace platform {

enum class MixerLine {
    Master,       // element "Master"
    Wave,         // element "PCM"
    Synthesizer,  // element "Synth"
};
constexpr int kMixerLineCount = 3;

class Mixer {
public:
    virtual ~Mixer() = default;
    // The line's volume counted from its range minimum (0 = silent), or
    // nothing when the line or its volume cannot be read.
    virtual std::optional<long> Volume(MixerLine line) = 0;
    // True when the line's playback switch is off; nothing when the line has
    // no switch or cannot be read.
    virtual std::optional<bool> Muted(MixerLine line) = 0;
};

// Opens the "default" control without waiting; a mixer that reads nothing
// when there is no card.
std::unique_ptr<Mixer> MakeAlsaMixer();

// A mixer whose lines hold what a test sets; an unset line reads nothing.
class FakeMixer : public Mixer {
public:
    struct Line {
        std::optional<long> volume;
        std::optional<bool> muted;
    };
    std::array<Line, kMixerLineCount> lines{};

    std::optional<long> Volume(MixerLine line) override {
        return lines[static_cast<int>(line)].volume;
    }
    std::optional<bool> Muted(MixerLine line) override {
        return lines[static_cast<int>(line)].muted;
    }
};

}  // namespace platform
