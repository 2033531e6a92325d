// Single edits of the edited tune that the edit panels build on: the
// polyphony guard, event-list comparison, track deletion, octave doubling,
// the raise onto a chord tone, and the melody of one section composed again.
#pragma once

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "core/reporters.h"
#include "midi/midi_event.h"

class ChordRecord;
class EditObject;
class EditedTune;
class MidiF1TrackData;
class NoteList;

constexpr ErrorCode kPolyphonicMelodyError = 0xFF010112;    // "Can not edit polyphonic melody!"
constexpr ErrorCode kNoMelodyTrackError = 0xFF010162;       // "There are no melody track."
constexpr ErrorCode kInfiniteLoopError = 0xFF0101AF;        // "There is a risk of infinite loop!"
constexpr ErrorCode kInvalidChordLengthError = 0xFF0101D5;  // "Invalid chord length!"

// Fixed channels of edited tunes.
constexpr int kEditMelodyChannel = 1;
constexpr int kEditHarmonyChannel = 3;
constexpr int kEditDrumChannel = 9;
constexpr int kEditMelodyDelayChannel = 10;
constexpr int kEditHarmonyDelayChannel = 11;

// 1 after "Can not edit polyphonic melody!" when notes of the track start
// together; else 0.
int RejectPolyphonicTrack(const MidiF1TrackData& track);
// Copies of the track's events starting in [begin, end), the first delta
// counted from begin.
std::vector<std::unique_ptr<MidiEvent>> CopyTrackSpan(const MidiF1TrackData& track, long long begin,
                                                      long long end);
// 1 when both lists are as long and equal event by event (data bytes aside).
int SameEventLists(std::span<MidiEvent* const> a, std::span<MidiEvent* const> b);
// Deletes the track and writes the tune back to its file.
void DeleteEditTrack(EditObject& edit, int track);
// Behind every note a copy starting with it an octave up (down when that
// passes 127).
void AddOctaveNotes(MidiF1TrackData& track);
// The key raised semitone by semitone until it is the chord's third, fifth
// or seventh, or its root; a root stays. A chord without a root leaves the
// key, and a key raised past 127 goes down by octaves onto the same tone.
int SnapUpToChordTone(int key, const ChordRecord& chord);
// The chord of a four-letter code.
ChordRecord ChordOfCode(std::string_view code, int length);

// The notes of a composed note list as events of the channel over the ticks
// [start, end): each starts where the previous list note ended, a rest keeps
// its time as a cleared event, nothing starts at or past end. The list's
// total ticks.
long long BuildRhythmEvents(std::vector<std::unique_ptr<MidiEvent>>& out, int channel,
                            long long start, long long end, const NoteList& notes);
// The melody of the section composed again over its chord and laid into
// every section of the same melody; 0 when refused or impossible.
int RecomposeMelodySection(EditedTune& tune, int section);
