// MIDI output through the ALSA sequencer: every port that accepts output
// (external and hardware synths) is one device.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/midi_out.h"

namespace platform {

struct SequencerPort {
    int client;
    int port;
    std::string name;
};

// The writable ports of other sequencer clients, in the sequencer's order;
// empty when the machine has no sequencer.
std::vector<SequencerPort> ListSequencerPorts();

// Keeps the ALSA library from printing its failures (a missing sequencer or
// sound card) to stderr; callers report what matters themselves.
void SilenceAlsaLibraryErrors();

// Connects a port of this program to the given port; null when that fails.
std::unique_ptr<MidiOutBackend> OpenSequencerPort(const SequencerPort& port);

}  // namespace platform
