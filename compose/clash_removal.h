// Clash removal on an assembled tune: a second part does not grind against
// the first. RemoveClashes deletes the second channel's notes that start a
// semitone, a whole tone, a major seventh or a minor ninth from a note the
// first channel is sounding; SoftenClashes only lowers the velocity of the
// second channel's notes while the first one sounds. Both leave the tune in
// notes with length.
#pragma once

class MidiF0Data;

void RemoveClashes(MidiF0Data& tune, int firstChannel, int secondChannel);
void SoftenClashes(MidiF0Data& tune, int firstChannel, int secondChannel);
