// Part-track writers: a melody-like part's note list (chords, notes, values)
// becomes a MIDI track of notes with length, each note written plainly or
// through the ornament renderer of the melody part's ornament kind, then the
// part effects. The melody, obbligato and sub-melody tracks of a tune are
// built here.
#pragma once

#include <vector>

#include "compose/chord_record.h"
#include "compose/note_list.h"
#include "compose/part_track.h"
#include "core/reporters.h"

constexpr ErrorCode kTrackInformationError = 0xFF010028;  // "track information error!"
constexpr ErrorCode kMelodyNoteLengthError = 0xFF010029;  // "melody note length error!"
constexpr ErrorCode kUnstableFigureError = 0xFF0101CE;    // "Error occured in abbelimenti!"

// The melody program chosen for the tune by the melody track (kind 1).
extern int TuneMelodyProgram;

// What an ornament renderer sees besides its note.
struct OrnamentPlace {
    PartTrack* track = nullptr;
    int channel = 0;
    int kind = 1;            // part kind
    ChordRecord chord;       // the chord the note sounds over
    ScaleString weights{};   // its weights in the scale
    long long partTime = 0;  // ticks from the part's start to the note
    int eventIndex = 0;      // the note's index in the list
    bool afterRest = false;  // the note before was a rest
    int carriedPitch = 0;    // a pitch for the next note, 0 = none
};

// A renderer writes the note of slot length length and returns the delta the
// next event carries.
using OrnamentRenderer = int (*)(int delta, int pitch, int length, int velocity,
                                 OrnamentPlace& place);

int RenderPlainNote(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentClassical(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentCrazyTrill(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentBlues(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentUnstable(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentPercussive(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentVaried(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentPops(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentRapVoice(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentAndes(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentScotland(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentScale(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
int RenderOrnamentJump(int delta, int pitch, int length, int velocity, OrnamentPlace& place);
// The renderer of an ornament kind (plain for kinds without one).
OrnamentRenderer RendererOfKind(int ornamentKind);

// Writes the list (cleared afterwards) into the track as part kind 1, 4, 5
// or 6. A note longer than 384 ticks is written as consecutive notes of at
// most 384.
void RenderPartTrack(NoteList& list, PartTrack& track, int kind);

using TrackList = std::vector<ComposeTrackData*>;

// The melody track from the joined melody list, with its delayed copy in
// front when the melody's mix has a delay. The caller owns the tracks.
void BuildMelodyTrack(NoteList& melody, TrackList& tracks, int& count);
// The obbligato (part 4) and sub-melody (part 5) tracks; conductor replaces
// the obbligato list with "Generation Method of Sub Melody" 8. The melody
// ornament kind is the same afterwards, a stop included.
void BuildObbligatoTrack(const NoteList& conductor, TrackList& tracks, int& count);
void BuildSubMelodyTrack(TrackList& tracks, int& count);
// A pulse of pitch 60 along the tune's chords.
void RhythmicPulseList(NoteList& out);
