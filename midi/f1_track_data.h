// MidiF1TrackData: a track of a format-1 tune. It adds to MidiTrackData the
// range edits of the tune editor (copy, clear and insert a span of time), the
// clean-up passes run before ringtone conversion, pitch-bend range handling,
// expression and vibrato shaping, pitch glides and the folding of pitch bends
// into note pitches.
//
// f1_track_data.cpp holds building, reporting and the range edits;
// f1_track_cleanup.cpp the clean-up passes and the bend range;
// f1_track_shape.cpp the shaping passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "midi/track_data.h"

// Failures and warnings of MidiF1TrackData, tag "M1TK".
namespace m1tk {
constexpr std::uint32_t kInternal = 0x0D000001;
constexpr std::uint32_t kInvalidMusic = 0x0D000019;
constexpr std::uint32_t kCannotAdd = 0x0D00001A;
constexpr std::uint32_t kNoteInvalid = 0x0D00001B;
constexpr std::uint32_t kChannelError = 0x0D000020;
constexpr std::uint32_t kSwellSteps = 0x0D000022;
constexpr std::uint32_t kGlideSteps = 0x0D000023;
constexpr std::uint32_t kZeroVoice = 0x2E00000C;
// Warnings.
constexpr std::uint32_t kKeyTooHigh = 0x03000014;
constexpr std::uint32_t kSeveralBendRanges = 0x03000017;
constexpr std::uint32_t kTimeSignPlace = 0x2E00001A;
constexpr std::uint32_t kBendRangeTooLarge = 0x2E00001B;
}  // namespace m1tk

// A new control change with its message bytes, delta 0.
std::unique_ptr<MidiEvent> MakeControlChange(int channel, int controller, int value);
// The same for callers that keep a bare pointer (the caller owns it).
inline MidiEvent* NewControlChange(int channel, int controller, int value) {
    return MakeControlChange(channel, controller, value).release();
}

class MidiF1TrackData : public MidiTrackData {
public:
    // Most events a span copy or insertion handles.
    static constexpr int kMaxSpanEvents = 1024;
    // Most controls a cleared span keeps.
    static constexpr int kMaxKeptControls = 255;

    // Every constructor clears this class's warning once-flags.
    explicit MidiF1TrackData(int capacity = kMusicDataCapacity);
    MidiF1TrackData(int mode, int capacity);
    // Deep copy of a mode-2 track.
    MidiF1TrackData(const MidiTrackData& source, int capacity);
    // Takes over the events.
    MidiF1TrackData(OwnedEvents events, int mode, int capacity);
    // Reads the "MTrk" chunk at chunkOffset of an SMF image (see MidiTrackData).
    MidiF1TrackData(std::size_t imageLength, std::size_t chunkOffset, const std::uint8_t* image,
                    std::size_t capacity, SmfReadState* state = nullptr);

    // ---- Range edits (absolute times, ranges [begin, end)) ----
    // Text of the last marker in the range (empty when none); 1 when found.
    int GetMarkerText(long long begin, long long end, std::string& out) const;
    void DeleteMarkers(long long begin, long long end);
    void DeleteNotes(long long begin, long long end);
    // The largest number of notes with length starting at one tick.
    int GetMaxChordSize() const;
    int CountProgramChanges() const;
    // Copies of the events starting in the range into out, each delta counted
    // from the previous copy (the first from begin). The caller owns them.
    // At most kMaxSpanEvents and out.size(); more is reported. The count.
    int CopyEvents(long long begin, long long end, std::span<std::unique_ptr<MidiEvent>> out) const;
    int CopyEvents(long long begin, long long end, std::span<MidiEvent*> out) const;
    // Lays up to count events of a null-terminated list (deltas relative to
    // each other, the first relative to time) into the time line at time:
    // no existing event moves. The track takes the events.
    void InsertEventsAtTime(long long time, OwnedEvents events);
    void InsertEventsAtTime(long long time, int count, MidiEvent* const* events);
    // Deletes the events of the range except program and control changes,
    // which move to the time of the event before the range; later events
    // keep their times. The last event is never part of the range.
    void ClearRangeKeepControls(long long begin, long long end);
    // 1 when every event is a meta event and the track does not hold exactly
    // one event.
    int IsMetaOnly() const;
    // Puts a GS "use for rhythm part" message for the channel first.
    void InsertRhythmPartSysEx(int on, int channel);

    // ---- Clean-up passes (mode 1 or 2); state is kept per channel ----
    void RemoveRedundantControllers(const int* excluded, int n);
    void RemoveRedundantPans();
    // Leaves the cleared changes for the next compaction.
    void RemoveRepeatedVolumes();
    void RemoveRedundantPitchBends();
    // Mode 2.
    void LimitNoteLengths(int maximum);
    void TrimOverlappingNotes();
    int MergeTrackKeepNames(const MidiTrackData& other) { return MergeTrackEx(other, 1); }

    // ---- Pitch-bend range (registered parameter 0) ----
    int GetPitchBendRange() const;
    void SetPitchBendRange(int semitones);
    void RemovePitchBendRange();

    // ---- Shaping ----
    void AddExpressionSwell(int duration, int steps);
    void AddDelayedVibrato(int delay);
    void AddPitchGlide(int time, int steps, int range);
    static int DecayValue(int value, int steps);
    void ApplyPitchBendToNotes(int range);

    // ---- Reporting ----
    static void ShowError(std::uint32_t code);
    // Each known warning once until called with 0; others every time.
    static void ShowWarningOnce(std::uint32_t code);

protected:
    // Runs a pass on the note-on/off form (converting a mode-2 track there
    // and back); another mode is reported. False when the pass did not run.
    template <typename Pass>
    bool OnNoteOnOffForm(Pass pass);
    // Merges new events into the time line: each goes at its absolute time,
    // before the event at index `before` (existing events at its time that
    // come before that index stay in front).
    struct NewEvent {
        long long time;
        int before;
        std::unique_ptr<MidiEvent> event;
    };
    void MergeNewEvents(std::vector<NewEvent>& added);
};

template <typename Pass>
bool MidiF1TrackData::OnNoteOnOffForm(Pass pass) {
    int mode = noteMode_;
    if (mode != note_mode::kNoteOnOff && mode != note_mode::kLength) {
        ShowError(m1tk::kInternal);
        return false;
    }
    if (mode == note_mode::kLength) ConvertToNoteOnOff();
    pass();
    if (mode == note_mode::kLength) ConvertToNoteLength();
    return true;
}
