// The emitters every part generator writes through: ComposeTrackData, a
// note-with-length track with note, pedal and ornament helpers, and the free
// functions that set a channel up for the sound module of the tune (program
// and bank, mix controllers, pitch-bend range, scale tuning) and close a
// track.
//
// The sound module comes from the run's output type (the composer state's):
// 0 XG, 1 GS, anything else GM.
#pragma once

#include <cstdint>

#include "midi/f1_track_data.h"
#include "style/music_style.h"

class ComposeTrackData : public MidiF1TrackData {
public:
    // Generators use note mode 2 and WorkBufferSize.
    ComposeTrackData(int mode, int capacity) : MidiF1TrackData(mode, capacity) {}

    // A note with its delta from the previous note's start, sanitised first;
    // a rest is stored with length 1.
    MidiEvent* AddNoteEvent(int channel, int delta, int note, int velocity, int length);
    // Negative lengths become 0, velocities are held in 0..127; keys from 128 and keys below 13
    // that sound become rests (key and velocity 0).
    static void SanitizeNote(int& note, int& velocity, int& length);
    // Removes the rests (key or velocity 0), keeping every other time.
    void RemoveRestNotes();
    MidiEvent* AddSustainPedal(int channel, int delta, int value);
    // Ornaments: passing notes between long notes a whole tone apart, and
    // split middle-length notes.
    void AddPassingNotes();
};

// Bent notes; each returns the ticks its ornament used past the note start.
int AddNoteBendFromAbove(int delta, int note, int velocity, int length, int step, int channel,
                         ComposeTrackData& track);
int AddNoteBendScoop(int delta, int note, int velocity, int length, int step, int channel,
                     ComposeTrackData& track);
int AddNoteBendFromBelow(int delta, int note, int velocity, int length, int step, int channel,
                         ComposeTrackData& track);

// One bar of the working style's metre when "Start at 2nd bar" is set, else 0.
int GetLeadInTicks();

// Registered parameter 0 (bend range) = 12 semitones.
void AppendPitchBendRange12(int channel, MidiTrackData& track);
// The first note later by ticks, with a fine tuning of 56 * 128 set before it.
void DelayAndDetuneTrack(MidiTrackData& track, int channel, int ticks);
// True when the track is such a delay track of the channel: the fine tuning
// above, its controls in a row on the channel, before the channel's first
// note. A part of a tune has no such mark.
bool IsDelayTrack(const MidiTrackData& track, int channel);

// Bank and program of an instrument code for the sound module.
void SetBankProgram(MidiTrackData& track, int channel, int code);
// As SetBankProgram; on the drum channel only a program change (none for 0).
void SetProgram(MidiTrackData& track, int channel, int code);

// Scale tuning of a part (channel) by 12 cent offsets from C.
void AddXgScaleTuning(int part, MidiTrackData& track, const int offsets[12]);
void AddGsScaleTuning(int part, MidiTrackData& track, const int offsets[12]);
void AddScaleTuning(int part, MidiTrackData& track, const int offsets[12]);
// The tuning of the working style's scale, for the scales that have one.
void AddStyleScaleTuning(int part, MidiTrackData& track);

// Program, volume, the mix controllers that differ from their default, the
// first delta, scale tuning and bend range.
void SetupChannel(MidiTrackData& track, int channel, int code, const MixBlock& mix, int firstDelta);

// Drops the rests and closes the track at the next beat after its last sound
// or rest (at most two bars of 4/4 after its last event, rests counted).
void PadTrackEnd(ComposeTrackData& track);
