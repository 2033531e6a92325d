// Composing one finished tune from the working style: the chord progression
// fitted to the tune length, the melody (and second melody) written block by
// block, the key changes, and the whole-tune driver that runs every part
// generator, assembles the tracks at 96 ticks per quarter note and writes the
// file. The backing generators live above the composer; they reach the driver
// through a table of entry points set once at start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/reporters.h"

class ComposeTrackData;
class ComposeInformation;
class MidiF1Data;
class NoteList;

constexpr ErrorCode kDataCheckError = 0xFF0101AA;  // "Error is detected with data check!"

// Length tolerance in bars around "Tune Length", and the whole compositions
// tried again when one does not fit.
extern int LengthTolerance;
extern int CompositionRetryLimit;
// Compositions tried in all before the last one is taken as it is.
constexpr int kMaxCompositionAttempts = 50;

using BackingTracks = std::vector<ComposeTrackData*>;

// The entry points of the backing generators. An entry left null is skipped.
struct BackingGenerators {
    void (*secondMelody)(int& count, BackingTracks& tracks) = nullptr;
    void (*harmony)(int& count, BackingTracks& tracks, const NoteList& melody) = nullptr;
    void (*subHarmony)(int& count, BackingTracks& tracks, const NoteList& melody) = nullptr;
    void (*bass)(BackingTracks& tracks, int& count) = nullptr;
    void (*drums)(BackingTracks& tracks, int& count) = nullptr;
    void (*environment)(int& count, BackingTracks& tracks) = nullptr;
    void (*blockLabels)(ComposeInformation& info) = nullptr;
};
void SetBackingGenerators(const BackingGenerators& generators);
const BackingGenerators& GetBackingGenerators();

using SongCallback = void (*)(MidiF1Data& tune);
using ProgressCallback = void (*)();

// Composes one tune from WorkingStyle and ComposeInfo into buffer (at least
// WorkBufferSize bytes), saves or converts it, and leaves the tune there as a
// format-0 Standard MIDI File image with its size in *length. 1 on success;
// 0 when stopped, when the knowledge base could not be loaded or when the
// tune could not be written, copied or converted. A stopped tune leaves no
// "temp.mid" of its own; a stop also clears ComposingActive.
int ComposeOneTune(std::uint8_t* buffer, std::size_t* length);

// Builds the tune from ComposeInfo and the working style and writes it to
// path; with a buffer, also leaves the format-0 image there. A stop request
// seen before the file is written leaves everything unwritten. Texts and
// callbacks are optional (null). 1 when the file (and the buffer) was
// written.
int RenderComposedTune(std::uint8_t* buffer, std::size_t* length, const std::string& path,
                       SongCallback song, const char* trackName, const char* copyright,
                       ProgressCallback progress);
