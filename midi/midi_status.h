// MidiStatus: the MIDI state reached at a point of a tune (programs, pitch
// bends and controllers per channel, tempo, meter), recorded from events and
// re-created as events.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "midi/midi_event.h"

class MidiF0Data;

// Failures of MidiStatus, tag "MDSS".
namespace mdss {
constexpr std::uint32_t kTimeSignInvalid = 0x37000002;
}

class MidiStatus {
public:
    static constexpr int kProgram = 0;      // + channel
    static constexpr int kBend = 16;        // + 2 * channel: MSB, then LSB
    static constexpr int kController = 48;  // + 128 * channel + controller
    static constexpr int kTempo = 2096;
    static constexpr int kTimeSignature = 2097;
    static constexpr int kValueCount = 2098;
    // Most events MakeEvents can write.
    static constexpr int kMaxEvents = 16 * (1 + 1 + 128) + 2;

    MidiStatus();

    void Apply(const MidiEvent& event);
    // Applies the events of the tune's track before time; index of the first
    // event not applied, lastTime the time of the last one applied.
    int ApplyUntil(const MidiF0Data& song, long long time, long long* lastTime);
    // New events (delta 0) for every value set (at most kMaxEvents).
    std::vector<std::unique_ptr<MidiEvent>> MakeEvents() const;

    int Value(int index) const { return index >= 0 && index < kValueCount ? values_[index] : -1; }

    static void ShowError(std::uint32_t code);

private:
    int values_[kValueCount];
};
