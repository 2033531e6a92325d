// MidiTrackData: one track of a tune, an ordered array of owned MidiEvent
// records with delta times, in one of the note modes, plus the byte image of
// its "MTrk" chunk when it is read from or written to a file.
//
// The operations are split by family over several source files:
// track_data.cpp (building, array primitives, reporting), track_append.cpp,
// track_query.cpp, track_convert.cpp (note modes, resolution, duplicates,
// voices), track_edit.cpp (channels, deletions, time spans), track_merge.cpp,
// track_quantize.cpp and track_drum.cpp. The chunk reader and writer live in
// files of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "midi/midi_event.h"
#include "midi/music_data.h"

// Failures of MidiTrackData, tag "MDTK".
namespace mdtk {
constexpr std::uint32_t kInternal = 0x0D000001;
constexpr std::uint32_t kUndefinedEvent = 0x0D000002;
constexpr std::uint32_t kWrongChannel = 0x0D000003;
constexpr std::uint32_t kWrongTempo = 0x0D000005;
constexpr std::uint32_t kLargeData = 0x0D000006;
constexpr std::uint32_t kNotMidiFile = 0x0D000007;
constexpr std::uint32_t kDrumRange = 0x0D000008;
constexpr std::uint32_t kSeveralVolumes = 0x0D000009;
constexpr std::uint32_t kSeveralPans = 0x0D00000A;
constexpr std::uint32_t kLargeEvent = 0x0D00000B;
constexpr std::uint32_t kWrongProgram = 0x0D00000C;
constexpr std::uint32_t kThinningFailed = 0x0D00000F;
constexpr std::uint32_t kInvalidParameter = 0x0D000010;
constexpr std::uint32_t kSeveralMasterVolumes = 0x0D000011;
constexpr std::uint32_t kWrongNote = 0x0D000014;
constexpr std::uint32_t kWrongTempoData = 0x0D000015;
constexpr std::uint32_t kPolyPressure = 0x0D000016;
constexpr std::uint32_t kNoteRepaired = 0x0D000017;
constexpr std::uint32_t kInvalidMusic = 0x0D000019;
constexpr std::uint32_t kCannotAdd = 0x0D00001A;
constexpr std::uint32_t kTrackError = 0x0D000026;
constexpr std::uint32_t kTimeSignError = 0x0D000027;
constexpr std::uint32_t kAddingData = 0x0D000028;
constexpr std::uint32_t kReducingVoice = 0x0D00002A;
constexpr std::uint32_t kDataInvalid = 0x0D000025;
}  // namespace mdtk

// Which notes sound: one flag per channel and key.
struct SoundingTable {
    std::uint8_t on[16][128] = {};

    static bool Valid(int channel, int key) {
        return channel >= 0 && channel < 16 && key >= 0 && key < 128;
    }
};

// What one file reader carries from one track chunk to the next: the running
// status. A fresh state is made for every file.
struct SmfReadState {
    int runningStatus = 0;
    // Set by readers that turn the tracks into notes with length right
    // away: the tracks are read straight into that form (mode 2), as
    // ConvertToNoteLength would leave them, without note-off records.
    bool notesWithLength = false;
    // With notes with length: a note whose note-off falls on the tick of
    // its note-on is kept with length 0 instead of being dropped.
    bool keepZeroLengthNotes = false;
};

// A track's master-volume messages: the value of the last (-1 for none) and
// how many there are.
struct MasterVolumeFind {
    int volume = -1;
    int count = 0;
};

// Events handed out of a track or on their way into one, each owned.
using OwnedEvents = std::vector<std::unique_ptr<MidiEvent>>;

class MidiTrackData : public MusicData {
public:
    // Room for capacity / 3 events; the array grows as needed up to that.
    explicit MidiTrackData(int capacity = kMusicDataCapacity);
    MidiTrackData(int mode, int capacity);
    // Deep copy of a track in mode 2 (another mode is reported; empty copy).
    MidiTrackData(const MidiTrackData& source, int capacity);
    // A copy of the span [start, end) of the source, times counted from start.
    MidiTrackData(const MidiTrackData& source, int start, int end, int capacity);
    // Reads the track chunk that starts at chunkOffset of an SMF image of
    // imageLength bytes: the chunk is copied into the track's block (only as
    // large as the chunk) and parsed into note-on/off events (mode 1, or
    // mode 2 when the state asks for notes with length), ending in an End of
    // Track; Length() is then the chunk's size, by which the caller advances
    // to the next chunk. A chunk that is refused (wrong id, length past the
    // image or the block) leaves an empty track of length 0. state carries
    // the running status between the chunks of one file; null starts afresh.
    MidiTrackData(std::size_t imageLength, std::size_t chunkOffset, const std::uint8_t* image,
                  std::size_t capacity, SmfReadState* state = nullptr);
    ~MidiTrackData();
    MidiTrackData(const MidiTrackData&) = delete;
    MidiTrackData& operator=(const MidiTrackData&) = delete;

    int NoteMode() const { return noteMode_; }
    void SetNoteMode(int mode) { noteMode_ = mode; }
    int EventCount() const { return eventCount_; }
    int MaxEvents() const { return maxEvents_; }
    bool IsFull() const { return eventCount_ >= maxEvents_; }
    // The event at index, or null outside the track.
    MidiEvent* Event(int index) const {
        return index >= 0 && index < eventCount_ ? events_[index] : nullptr;
    }
    MidiEvent* LastEvent() const { return Event(eventCount_ - 1); }
    // Absolute time of the event at index (sum of deltas up to it).
    long long TimeOf(int index) const;

    // ---- Array primitives ----
    // Hands out every event and empties the track.
    OwnedEvents TakeEvents();
    // The same one event at a time, in order, without gathering them into a
    // vector first: take(std::unique_ptr<MidiEvent>) owns each from then on
    // (and must not add events to this track while they are handed over).
    template <typename Take>
    void HandOverEvents(Take take);
    // The events in order, still owned by the track.
    std::span<MidiEvent* const> Events() const {
        return {events_.get(), static_cast<std::size_t>(eventCount_)};
    }
    // The track takes the event; it is freed when it cannot be stored.
    // Index of the stored event, or -1.
    int AppendEvent(std::unique_ptr<MidiEvent> event) {
        // The usual case, room in the array, without a call.
        if (event && eventCount_ < slots_ && eventCount_ < maxEvents_) {
            events_[eventCount_] = event.release();
            return eventCount_++;
        }
        return AppendEventSlow(std::move(event));
    }
    // The same for callers that hand over a bare pointer they own.
    int AppendEvent(MidiEvent* event) { return AppendEvent(std::unique_ptr<MidiEvent>(event)); }
    // Order 2 inserts before index, any other order after it.
    int InsertEvent(int index, int order, std::unique_ptr<MidiEvent> event);
    int InsertEvent(int index, int order, MidiEvent* event) {
        return InsertEvent(index, order, std::unique_ptr<MidiEvent>(event));
    }
    void DeleteEvent(int index);
    void DeleteAllEvents();
    void SwapEvents(int i, int j);
    void RemoveClearedEvents();
    // Order 2 places the event before the events already at time, any other
    // order after them; time -1 is the end of the track. Index or -1.
    int InsertEventAtTime(long long time, std::unique_ptr<MidiEvent> event, int order);
    int InsertEventAtTime(long long time, MidiEvent* event, int order) {
        return InsertEventAtTime(time, std::unique_ptr<MidiEvent>(event), order);
    }
    int InsertEventAfterAtTime(long long time, std::unique_ptr<MidiEvent> event) {
        return InsertEventAtTime(time, std::move(event), 1);
    }
    void InsertTimeAt(long long time, int ticks);
    // Moves an event by ticks, trading delta with the next event, so that no
    // other event changes its time. 1 when it fitted.
    int ShiftEvent(int index, int ticks);

    // ---- Appenders (return the new event, or null when it was refused) ----
    MidiEvent* AddNote(int channel, int delta, int note, int velocity, int length);
    MidiEvent* AddProgramChange(int channel, int program);
    MidiEvent* AddControlChange(int channel, int controller, int value);
    void AddBankProgram(int channel, int msb, int lsb, int program);
    void AddBankMsbProgram(int channel, int msb, int program);
    MidiEvent* AppendTempo(int microseconds);
    MidiEvent* AppendTempoMeta(int microseconds);
    MidiEvent* InsertTempo(int index, int microseconds);
    MidiEvent* AppendTimeSignature(int numerator, int power);
    MidiEvent* AppendKeySignature(int delta, int key, int minor);
    MidiEvent* AppendEndOfTrackAt(int delta);
    MidiEvent* AppendEndOfTrack() { return AppendEndOfTrackAt(0); }
    MidiEvent* AppendMetaEvent(int delta, int type, const std::uint8_t* bytes, int n);
    MidiEvent* AppendMarker(int delta, std::string_view text);
    MidiEvent* InsertMetaTextFirst(int type, std::string_view text);
    MidiEvent* InsertMetaText(int type, std::string_view text);
    MidiEvent* InsertMetaTextAtTime(long long time, int type, std::string_view text);
    void AppendPitchBendRange(int delta, int channel, int semitones);
    MidiEvent* InsertMasterVolume(int volume, int index);
    MidiEvent* AppendGmSystemOn();
    MidiEvent* AppendGsReset();
    MidiEvent* AppendXgSystemOn();
    MidiEvent* AppendXgDisplayText(int delta, std::string_view text);
    MidiEvent* AppendGsDisplayText(int delta, std::string_view text);

    // ---- Queries ----
    int GetFirstChannel() const;
    int GetFirstPortChannel() const;
    int IsDrumChannel(int channel) const;
    int GetFirstProgram() const;
    int GetLastProgramOfChannel(int channel) const;
    int GetXgPartValue(int part) const;
    int GetChannelProgram(int channel) const;
    int IsBendableVoice(int channel) const;
    int FindControlValue(int controller) const;
    int GetMetaText(int type, std::string& out) const;
    int GetTimeSignature(int* code) const;
    int GetTempo(int* microseconds) const;
    int FindKeySignature(std::uint8_t bytes[2], int index) const;
    long long FindMetaTextTime(int type, std::string_view text) const;
    int GetMasterVolume() const;
    // The same without the warning about several.
    MasterVolumeFind FindMasterVolume() const;
    int CountEventsOfChannel(int channel) const;
    int CountNotes() const;
    int CountNotesOfChannel(int channel) const;
    int CountNotesOfPitch(int key) const;
    int CountNotesInRange(long long start, long long end) const;
    int FirstNoteIndex() const;
    long long FirstNoteTimeInRange(long long start, long long end) const;
    long long LastNoteTimeInRange(long long start, long long end) const;
    long long TicksToNextNote(int index) const;
    long long GetEndTime() const;
    long long GetTotalTicks() const;
    int GetMaxPolyphony() const;
    int HasOverlappingNotes() const;
    static int CountSoundingNotes(const SoundingTable& table);

    // ---- Mode conversions ----
    int ConvertToNoteOnOff();
    int ConvertToNoteLength();
    void NoteOnZeroToNoteOff();
    void OrderNoteOffsFirst();
    void MoveControlEventsFirst();
    // 1 when a length became 0.
    int ChangeResolution(int from, int to, int dropEmpty);
    void FixEndOfTrack();
    int FixDuplicateNotes(int closeFirst);
    int ThinVoices(int limit);

    // ---- Editing ----
    void SetChannel(int channel);
    int RemapChannel(int from, int to);
    int RemapChannelIfInstrument(std::string_view text, int from, int to);
    void SwapChannels(int a, int b);
    static int RemapSysExPart(MidiEvent* event, int from, int to);
    void Transpose(int channel, int semitones);
    void AddToVelocity(int amount);
    void ScaleNoteLengths(int percent);
    int ValidateNotes();
    int DeleteControlChange(int controller);
    void DeleteProgramChanges(int channel);
    void DeletePitchBends();
    int DeleteSysExOfClass(int cls);
    void DeleteChannelEvents(int channel);
    int DeleteMetaEvent(int type, int all);
    void DeleteMetaEvents(int type) { DeleteMetaEvent(type, 1); }
    void DeleteTrackNames() { DeleteMetaEvent(meta_type::kTrackName, 1); }
    void RemoveExtraTrackNames();
    void MoveSysExFirst();
    void MoveGmSystemOnFirst();
    // Matching events go to the front of their run of simultaneous events;
    // subtype -1 and an empty pattern match anything.
    void MoveToSlotStart(int kind, int subtype, std::string_view pattern);
    void CutAt(long long time);
    void CropToRange(long long start, long long end);
    void FoldExpressionIntoVolume();
    void RemoveRedundantPrograms();
    void NormalizePitchBendRange();
    int RemoveTimeRange(long long start, long long end);
    void DeleteTimeSpan(long long start, long long end, int clearNotes, int clearAtEnd,
                        int clearAtStart);

    // ---- Drums and voices ----
    int LimitDrumRange(int warn);
    void UnifyDrumNotes();
    void MakeMonophonic(int channel);

    // ---- Quantisers ----
    void Quantize(int steps, int division, long long start, long long end);
    void QuantizeTriplet(int unit) { QuantizeToUnits(unit, false); }
    void QuantizeShuffle(int unit) { QuantizeToUnits(unit, true); }
    // Target offsets within a unit for the notes starting there.
    static void PlaceOneNote(int unit, const long long* offsets, long long* targets);
    static void PlaceTwoNotes(int unit, const long long* offsets, long long* targets);
    static void PlaceThreeNotes(int unit, long long* targets);
    static void PlaceNotesEvenly(int unit, int n, long long* targets);

    // ---- Merging ----
    int MergeTrackEx(const MidiTrackData& other, int option);
    int MergeTrack(const MidiTrackData& other) { return MergeTrackEx(other, 0); }
    int MergeTracks(MidiTrackData* const* tracks, int n);

    // ---- System exclusive ----
    // Sets class, value and part channel of a system-exclusive event.
    static void ClassifySysEx(MidiEvent* event);

    // ---- Track chunks (SMF) ----
    // Parses the chunk held in the track's block (mode 0) into events
    // (mode 1), ending in an End of Track (one is added when the chunk has
    // none). 1 when every event was read.
    int ParseTrackChunk(SmfReadState* state);
    // Writes the events (mode 1, ending in an End of Track) as a chunk with
    // the given id into the track's block (mode 0); Length() is the chunk's
    // size. 1 when written whole, 0 when cut short by the capacity (the
    // chunk ends at the last event that fitted), -1 when refused (no End of
    // Track, or a delta no file can hold; mode 1 kept); every failure is
    // reported by its cause.
    int WriteTrackChunk(const char* id = "MTrk");
    // Offset of the first track chunk at or after offset in an SMF image:
    // chunks of any other type are passed over by their length. Stops at a
    // chunk whose head or length runs past the image.
    static std::size_t FindTrackChunk(std::size_t imageLength, std::size_t offset,
                                      const std::uint8_t* image);
    // Time-signature code from the file's numerator and power of two.
    static int MakeTimeSignatureCode(int numerator, int power);
    // Bytes of the event as written (0 for an event that is not written);
    // the writers size their buffers by it.
    static int EncodedSize(const MidiEvent& event);
    // Writes the event's delta time; bytes written.
    static int WriteDeltaTime(const MidiEvent& event, std::uint8_t* buffer);
    // Writes the event's bytes (room for EncodedSize is the caller's);
    // bytes written, 0 for an event that is skipped and reported.
    static int EncodeEvent(MidiEvent* event, std::uint8_t* buffer);

    // ---- Reporting ----
    static void ShowError(std::uint32_t code);
    // Each warning at most once until called with 0, which clears them all.
    static void ShowWarningOnce(std::uint32_t code);

protected:
    // Absolute times of all events.
    std::vector<long long> AbsoluteTimes() const;
    // Stores the events in order, freeing (and reporting once) those past
    // the array.
    void PutEvents(OwnedEvents events);
    // Puts the events in order and sets deltas from absolute times.
    void PutEventsAtTimes(OwnedEvents events, const std::vector<long long>& times);
    // Deep copies of every event of a track.
    static OwnedEvents CopyEventsOf(const MidiTrackData& source);
    // Moves the events matching a test to the front of their run of
    // simultaneous events; positions keep their deltas.
    template <typename Test>
    void MoveToRunStart(Test test);
    // The walk of the triplet and shuffle quantisers.
    void QuantizeToUnits(int unit, bool shuffle);
    // The sounding-table fix on the note-on/off form.
    int FixDuplicatesOnOff(int closeFirst);

    int eventCount_ = 0;
    int maxEvents_ = 0;
    int noteMode_ = note_mode::kUnset;

private:
    int AppendEventSlow(std::unique_ptr<MidiEvent> event);
    // The array owns the events it holds; an event leaves it only through
    // this, which empties its slot (the caller closes the gap).
    std::unique_ptr<MidiEvent> TakeAt(int index) {
        return std::unique_ptr<MidiEvent>(std::exchange(events_[index], nullptr));
    }
    // Makes the array hold at least count events (at most MaxEvents()),
    // growing it by doubling. false when it cannot.
    bool Reserve(int count);

    struct FreeDeleter {
        void operator()(MidiEvent** p) const;
    };
    std::unique_ptr<MidiEvent*[], FreeDeleter> events_;
    int slots_ = 0;  // events the array has room for
};

template <typename Take>
void MidiTrackData::HandOverEvents(Take take) {
    // The track is empty before the first event leaves, so the slots own
    // nothing and are left as they are. Should take throw, the events not
    // yet handed over are freed with `rest`.
    struct Rest {
        MidiEvent* const* slots;
        int next;
        int end;
        std::unique_ptr<MidiEvent> Next() { return std::unique_ptr<MidiEvent>(slots[next++]); }
        ~Rest() {
            while (next < end)
                Next();
        }
    } rest{events_.get(), 0, std::exchange(eventCount_, 0)};
    // Callers read every event they are handed, and a long track's events
    // lie far apart in memory: each is fetched a few events ahead of its turn.
    constexpr int kFetchAhead = 16;
    while (rest.next < rest.end) {
        if (rest.next + kFetchAhead < rest.end)
            __builtin_prefetch(rest.slots[rest.next + kFetchAhead], 1);
        take(rest.Next());
    }
}

template <typename Test>
void MidiTrackData::MoveToRunStart(Test test) {
    int i = 0;
    std::vector<MidiEvent*> matching;
    std::vector<MidiEvent*> others;
    while (i < eventCount_) {
        int end = i + 1;
        while (end < eventCount_ && events_[end]->delta == 0)
            ++end;
        if (end - i > 1) {
            int runDelta = events_[i]->delta;
            matching.clear();
            others.clear();
            for (int k = i; k < end; ++k)
                (test(*events_[k]) ? matching : others).push_back(events_[k]);
            int k = i;
            for (MidiEvent* e : matching)
                events_[k++] = e;
            for (MidiEvent* e : others)
                events_[k++] = e;
            for (k = i; k < end; ++k)
                events_[k]->delta = k == i ? runDelta : 0;
        }
        i = end;
    }
}
