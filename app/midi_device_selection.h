// The "Midi Device" choice: the MIDI flavour of composed tunes (GM, GS, XG)
// and the output device, both through the two-list picker.
#pragma once

#include <string>

#include "platform/midi_out.h"

// The text shown when listing a device fails with this code (empty when the
// code has none).
const char* MidiDeviceErrorText(platform::MidiOutResult result);
