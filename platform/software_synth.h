// The built-in software synthesizer: a General MIDI synth over a soundfont,
// sounding through the machine's audio output. It is device 0 of the real
// MIDI output system and what the mapper opens, so a machine without MIDI
// hardware still plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/midi_out.h"

namespace platform {

constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kSoftwareSynthName = "Software Synthesizer (TimGM6mb)";

// How a synth is made: effects off gives the dry sound of the voices alone.
struct SynthOptions {
    bool reverbAndChorus = true;
};

class SoftwareSynth : public MidiOutBackend {
public:
    // Loads the soundfont and opens the first audio output of the list that
    // works (an empty list opens none: the synth is then rendered by the
    // caller). A soundfont or audio output that cannot be had leaves the
    // synth working but silent. Null only when the synth itself cannot be
    // made.
    static std::unique_ptr<SoftwareSynth> Create(const std::string& soundFont,
                                                 const std::vector<std::string>& audioDrivers,
                                                 const SynthOptions& options = {});
    ~SoftwareSynth() override;
    // Voices still sounding (releases included).
    int ActiveVoices() const;

    bool HasSoundFont() const;
    bool HasAudioOutput() const;
    int SampleRate() const;

    MidiOutResult SendShort(const std::uint8_t* bytes, int length) override;
    MidiOutResult SendLong(const std::uint8_t* bytes, std::size_t length) override;

    // Renders frames of stereo sound into the two buffers. Only for a synth
    // without audio output (which renders by itself); false otherwise.
    bool Render(float* left, float* right, int frames);

private:
    struct Impl;
    explicit SoftwareSynth(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Audio outputs tried for the built-in device, in order.
std::vector<std::string> DefaultAudioDrivers();

// The built-in device as the real system opens it: the default soundfont and
// audio outputs. When it is silent, says so once per run through the message
// sink (an information box).
std::unique_ptr<MidiOutBackend> OpenSoftwareSynth();

// Lets the next silent opening say so again (for tests).
void ResetSilentSynthNotice();

}  // namespace platform
