// The "Midi Device" choice: the MIDI flavour of composed tunes (GM, GS, XG)
// and the output device, both through the two-list picker.
#pragma once

#include <string>

#include "platform/midi_out.h"

// The list index of an output type in the type/list table, or -1 when the
// type has no row.
int OutputTypeListIndex(int outputType);
// The output type a chosen first-list index stands for; -1 outside the
// three choosable rows.
int ListIndexOutputType(int index);
// The text shown when listing a device fails with this code (empty when the
// code has none).
const char* MidiDeviceErrorText(platform::MidiOutResult result);
