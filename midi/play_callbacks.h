// The callbacks a tune is played with. Tunes carry them to the players
// without depending on the players themselves.
#pragma once

#include "midi/midi_event.h"

// Called on the timer thread with the index of an event, the current time in
// ticks and a copy of the event, before the event is sent.
using PlayEventCallback = int (*)(int index, long long time, MidiEvent* event);
// Called when play has ended (never on the timer thread).
using PlayEndCallback = int (*)();
