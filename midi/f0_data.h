// MidiF0Data: a tune held as one track, either as a format-0 SMF image
// (mode 0) or as one MidiTrackData in note-on/off (1) or note-with-length (2)
// form; with the preparation steps the ringtone converters apply.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "midi/music_data.h"
#include "midi/play_callbacks.h"
#include "midi/track_data.h"

// Ticks of one measure for a time signature coded numerator * 256 +
// denominator (4/4 = 1028): 4 * numerator * division / denominator, taken in
// that order so that x/8 and x/16 measures do not come out as 0. A signature
// or division of 0, a numerator or denominator of 0 alone, or a measure that
// would round to nothing gives 384, the 4/4 measure at 96 ticks.
int MeasureTicks(int timeSignature, int division);

// Failures of MidiF0Data, tag "M0DT".
namespace m0dt {
constexpr std::uint32_t kNotFormat0 = 0x04000001;
constexpr std::uint32_t kCannotOpen = 0x04000002;
constexpr std::uint32_t kTrackCount = 0x04000003;
constexpr std::uint32_t kNotMidiFile = 0x04000004;
constexpr std::uint32_t kInternal = 0x04000005;
constexpr std::uint32_t kTimeSignPlace = 0x04000007;
constexpr std::uint32_t kMeasureInvalid = 0x04000008;
constexpr std::uint32_t kMusicWrong = 0x04000009;
constexpr std::uint32_t kStopError = 0x0400000A;
constexpr std::uint32_t kEndOfTrack = 0x0400000B;
}  // namespace m0dt

// Size of the header chunk of every SMF image.
constexpr int kSmfHeaderSize = 14;

// A file's division must be a positive tick count: 0 cannot be played and a
// negative (time-code) division has no ticks per quarter note.
inline bool IsPlayableDivision(int division) {
    return division > 0 && division < 0x8000;
}

// The tune readers' message for an image larger than the tune can hold.
void ShowSmfTooLarge();

class MidiF0Data;

// What a play thread is given: the tune, its callbacks and options. A tune
// handed over in `owned` belongs to the thread, which frees it at the end.
struct PlayParameters {
    MidiF0Data* tune = nullptr;
    std::unique_ptr<MidiF0Data> owned;
    PlayEndCallback endCallback = nullptr;
    PlayEventCallback eventCallback = nullptr;
    long long startTime = 0;
    long long startTick = 0;
    long long endPosition = -1;
    int loop = 0;
};

// Ends the play of a copy when it is playing; false when it could not be
// ended. The player gives it with the copy it makes.
using PlayCopyStopper = bool (*)(MidiF0Data* copy);

// The private copy a tune plays; deleted with the tune, but never while it
// is being played.
class PlayCopySlot {
public:
    PlayCopySlot() = default;
    ~PlayCopySlot();
    PlayCopySlot(const PlayCopySlot&) = delete;
    PlayCopySlot& operator=(const PlayCopySlot&) = delete;

    MidiF0Data* Get() const { return copy_.get(); }
    // Keeps the copy (freeing the one held before).
    void Set(std::unique_ptr<MidiF0Data> copy, PlayCopyStopper stopper);
    // Stops the copy's play when it runs and deletes it; false (copy kept)
    // when its play could not be ended.
    bool Release();

private:
    std::unique_ptr<MidiF0Data> copy_;
    PlayCopyStopper stopper_ = nullptr;
};

class MidiF0Data : public MidiData {
public:
    explicit MidiF0Data(int capacity = kMusicDataCapacity);
    MidiF0Data(int mode, int division, int capacity = kMusicDataCapacity);
    // Deep copy of a tune in mode 2.
    MidiF0Data(const MidiF0Data& source);
    // Copy of the span [start, end) of a tune in mode 2.
    MidiF0Data(const MidiF0Data& source, int start, int end);
    // Copy of a mode-2 track.
    MidiF0Data(const MidiTrackData& track, int division);
    // Loads a file of format 0 or 1 as notes with length; anything else
    // gives an empty tune after the reader's message.
    MidiF0Data(const std::string& path, int capacity);
    // Reads a format-0 image (copied in) as notes with length. An image
    // larger than the capacity is refused.
    MidiF0Data(const std::uint8_t* image, int length, int capacity = kMusicDataCapacity);
    // The same from a block of at least length bytes that the tune takes
    // over instead of copying it (a refused image is left with the caller);
    // TakeImage hands it back once read.
    MidiF0Data(MemoryBlock&& image, int length, int capacity);
    MemoryBlock TakeImage() { return TakeBlock(); }
    ~MidiF0Data();
    MidiF0Data& operator=(const MidiF0Data&) = delete;

    MidiTrackData* Track() const { return track_.get(); }
    // Hands the track over (the tune keeps none) or replaces it.
    std::unique_ptr<MidiTrackData> TakeTrack() { return std::move(track_); }
    void SetTrack(std::unique_ptr<MidiTrackData> track) { track_ = std::move(track); }

    // ---- File form ----
    void WriteHeader();
    // 1 with the division stored and the position at the chunk after the
    // header (14 for a header of the usual 6 bytes), else 0.
    int ReadHeader(int showMessages);
    int CheckHeader() { return ReadHeader(1); }
    // Mode 0 -> 1: the chunk after the header.
    int ReadTrack();
    // Mode 1 -> 0: header and chunk into the image; the track is deleted.
    // 0 (track kept, mode 1) when the chunk does not fit.
    int WriteSmf();

    // ---- Modes and resolution ----
    int ConvertToNoteLength();
    int ConvertToNoteOnOff();
    int ChangeResolution(int newDivision, int dropEmpty);
    int SetResolution(int newDivision) { return ChangeResolution(newDivision, 0); }

    // ---- Measures and time ----
    int GetTimeSignature(int* code) const;
    int GetTicksPerMeasure() const;
    void RemoveLeadIn(long long ticks);
    long long GetTicksBeforeFirstNote() const;
    long long MeasureToTicks(int measure) const;

    // ---- Tempo placement (mode 2) ----
    void EnsureInitialTempo(int microseconds);
    void MoveTemposFirst();
    void RemoveTempos(int from, int to);
    int FindFirstNoteGroupEnd() const;
    void RemoveLeadingTempos();

    // ---- Channels ----
    void DeleteChannelEvents(int channel);
    void CountChannelEvents(int counts[16]) const;
    int FindLeastUsedChannel(const int* excluded, int n) const;
    int UsesChannel(int channel) const;
    void SimplifyDrumNotes();

    // ---- Preparation for conversion ----
    int ApplyStopMarker() { return TruncateAtStop(0); }
    int ApplyStartMarker() { return TrimToStart(0); }
    int TruncateAtStop(int keepMarker);
    int TrimToStart(int reportOnly);
    long long RemoveLeadingEmptyMeasures();
    void ApplySustainPedal();

    // ---- Playing (on a play thread, through TheMusicPlayer) ----
    // Plays a private copy at 96 ticks per quarter note, in note-on/off form
    // without leading empty measures. 1 when play started.
    int PlayCopy(PlayEndCallback endCallback);
    // As PlayCopy, for the span [start, end) of the tune.
    int PlayRange(PlayEndCallback endCallback, int start, int end);
    // Plays this tune (in note-on/off form) itself.
    int Play(PlayEndCallback endCallback);
    int PlayWithOptions(PlayEndCallback endCallback, PlayEventCallback eventCallback,
                        long long startTime, int loop);
    // Waits for the player to be idle, starts the play thread, and returns
    // once the player has started (1) or given up (0).
    int StartPlayThread(PlayEndCallback endCallback, PlayEventCallback eventCallback,
                        long long startTime, long long startTick, long long endPosition, int loop);
    // The same for a tune handed over: the play thread frees it when the play
    // ends, and it is freed at once when the play is refused.
    static int StartPlayThread(std::unique_ptr<MidiF0Data> tune, PlayEndCallback endCallback,
                               PlayEventCallback eventCallback, long long startTime,
                               long long startTick, long long endPosition, int loop);
    static int PlayThreadProc(PlayParameters block);
    // Stops the play and deletes the play copy. Always 1.
    int StopPlay();
    MidiF0Data* PlayCopyData() const { return playCopy_.Get(); }

    // ---- Reporting ----
    static void ShowError(std::uint32_t code);
    // Each warning at most once until called with 0.
    static void ShowWarningOnce(std::uint32_t code);

private:
    bool InNoteMode() const {
        return track_ && (noteMode == note_mode::kNoteOnOff || noteMode == note_mode::kLength);
    }
    // InNoteMode, reporting when not.
    bool CheckNoteMode() const {
        if (!InNoteMode()) ShowError(m0dt::kInternal);
        return InNoteMode();
    }
    // Reads the image held (mode 0) with messages into notes with length.
    void ReadImage();
    // ReadTrack into the given mode: 1, or 2 (notes with length read
    // straight away).
    int ReadTrackAs(int mode);

    // Replaces the play copy by a copy of [start, end) (all when start < 0)
    // and plays it.
    int PlayNewCopy(PlayEndCallback endCallback, int start, int end);
    // Starts the play thread on the block (see StartPlayThread).
    static int StartPlay(PlayParameters block);

    std::unique_ptr<MidiTrackData> track_;
    PlayCopySlot playCopy_;
};
