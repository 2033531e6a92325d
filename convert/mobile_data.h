// MobileData: the format-neutral ringtone model every ringtone writer reads
// and every reader fills: up to 256 channel slots plus title, copyright,
// division, tempo and time signature. It is built from a format-1 tune, from
// a flat ringtone track, or four slots at a time from 4-channel tracks; it
// plays itself and writes itself back as a format-1 tune.
//
// mobile_data.cpp holds building, copies and the tune form;
// mobile_data_passes.cpp the slot passes the drivers run;
// mobile_data_play.cpp playing and stopping.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/mobile_chanel_data.h"
#include "core/conversion_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "midi/play_callbacks.h"

class MobileTrackData;

// Failures of MobileData, tag "MBDT".
namespace mbdt {
constexpr std::uint32_t kDrumRange = 0x5000001;  // once per build
constexpr std::uint32_t kInternal = 0x5000002;
constexpr std::uint32_t kTooManySlots = 0x5000003;
constexpr std::uint32_t kCannotOpen = 0x5000004;
constexpr std::uint32_t kTooManyToPlay = 0x5000005;
constexpr std::uint32_t kDataType = 0x5000006;
constexpr std::uint32_t kClickTooFast1 = 0x5000007;
constexpr std::uint32_t kClickTooFast2 = 0x5000008;
constexpr std::uint32_t kDrumChannel = 0x5000009;
constexpr std::uint32_t kTempoError = 0x500000A;
constexpr std::uint32_t kDrumNotOn10 = 0x500000B;
}  // namespace mbdt

// The texts of the duplicate questions.
extern const char* const kAskDeletePrograms;
extern const char* const kAskDeleteVolumes;
extern const char* const kAskDeleteTempos;

// The events a model is built to hold: the size of the work images.
constexpr int kMobileModelCapacity = static_cast<int>(WorkBufferSize);

class MobileData : public MobileDataView {
public:
    static constexpr int kMaxSlots = 256;
    // Slots a single model plays at most (one per MIDI channel).
    static constexpr int kMaxPlayedSlots = 16;
    static constexpr int kDefaultTimeSignature = 4 * 256 + 4;
    static constexpr int kDefaultMeasureTicks = 384;
    static constexpr int kDrumLow = 35;   // bass drum
    static constexpr int kDrumHigh = 81;  // open triangle

    // Where the song's first "START" and "STOP" markers stand (-1 if none).
    struct Markers {
        long long start = -1;
        long long stop = -1;
    };

    explicit MobileData(int capacity);
    // Built from a tune in notes-with-length form (else nothing is built).
    MobileData(const MidiF1Data& song, int capacity, Markers* markers = nullptr);
    // Built from a flat track, one slot per channel that holds notes.
    MobileData(const MobileTrackData& track, int capacity);
    MobileData(const MobileData& source, int capacity);
    // Copy of the span [begin, end) of every slot.
    MobileData(const MobileData& source, long long begin, long long end, int capacity);
    ~MobileData() override;
    MobileData(const MobileData&) = delete;
    MobileData& operator=(const MobileData&) = delete;

    int Count() const { return static_cast<int>(slots_.size()); }
    MobileChanelData* Slot(int index) const {
        return index >= 0 && index < Count() ? slots_[static_cast<std::size_t>(index)].get()
                                             : nullptr;
    }
    // Appends a slot; past the 256th it is refused with 0x5000003 (false).
    bool AddSlot(std::unique_ptr<MobileChanelData> slot);
    int Capacity() const { return capacity_; }
    // The enabled slots in order, in groups of `size` (the last may be short).
    std::vector<std::vector<const MobileChanelData*>> EnabledSlotGroups(int size) const;

    // ---- Measures ----
    int GetMeasureTicks() const;
    // The longest slot in whole measures, rounded up.
    int GetLengthInMeasures() const override;

    // ---- Slot passes ----
    void SortSlotsByEventCount();
    void MoveDrumSlotsFirst();
    void MoveRhythmSlotsFirst();
    void MoveRepeatedProgramsLast();
    // The busiest slot built from the tune channel moves to the front; the
    // others keep their order.
    void MoveChannelSlotFirst(int tuneChannel);
    void RemovePitchBends();
    void KeepTempoInFirstSlot();
    void MakeSlotsMonophonic();
    void KeepFirstEnabledSlots(int n, int dropDrums);
    // Each returns the answer the last slot handed on.
    int ResolvePrograms(int answer);
    int ResolveVolumes(int answer);
    int ResolveTempos(int answer);
    void RemoveZeroLengthNotes();
    void RemoveDataEntries();
    int CountDrumSlots() const;
    int CountEnabledSlots() const;

    // ---- Other forms ----
    // Appends one track per slot (at least 10), channel = slot index, the
    // drum slots on channel 10.
    void ToMidiF1Data(MidiF1Data& song) const;
    // Four new slots for channels 0..3 of the track.
    void AddFourChannelTrack(const MobileTrackData& track);

    // ---- Playing ----
    virtual int Play(PlayEndCallback callback);
    virtual int PlayRange(PlayEndCallback callback, long long begin, long long end);
    int StopPlaying();
    MidiF0Data* PlaySong() const { return playSong_.get(); }

    // ---- MobileDataView ----
    int SlotCount() const override { return Count(); }
    int SlotNumber(int slot) const override;
    int SlotKind(int slot) const override;
    int EventCount(int slot) const override;
    MobileEventInfo Event(int slot, int index) const override;

    static void ShowError(std::uint32_t code);
    // The drum-range warning, shown once per build.
    static void ShowDrumRangeWarning();
    static void ResetDrumRangeWarning();

    int division = 96;
    int tempo = kDefaultTempo;
    int timeSignature = 0;
    // Bytes as the files carry them.
    std::string title = "Untitled";
    std::string copyright = "No Copyright Info";

protected:
    // Title, copyright and time signature of a tune.
    void TakeSongTexts(const MidiF1Data& song);
    // Every tempo of the list into every slot at its time; the model's
    // tempo becomes the first.
    void InsertTempos(const std::vector<std::pair<long long, int>>& tempos);
    // The enabled slots (null when more than 16, after the message).
    std::vector<const MobileChanelData*> SlotsToPlay(bool multiTrack) const;
    // Plays the track as the new playback song.
    int PlayTrack(const MobileTrackData& track, PlayEndCallback callback);
    int PlaySlots(const std::vector<std::unique_ptr<MobileChanelData>>& slots, bool multiTrack,
                  PlayEndCallback callback);
    // Ends a play of the playback song that is still running.
    void StopOwnPlay();

    std::vector<std::unique_ptr<MobileChanelData>> slots_;
    std::unique_ptr<MidiF0Data> playSong_;

private:
    void BuildFromSong(const MidiF1Data& song, Markers* markers);
    void BuildTrack(const MidiF1TrackData& track, bool drum);
    // A slot made by the build, with its kind, program (none when < 0) and
    // volume controls.
    std::unique_ptr<MobileChanelData> NewBuildSlot(bool drum, int program, int volume) const;
    // Runs the question pass of one subtype.
    int ResolveDuplicates(int subtype, int answer, const char* question);

    int capacity_ = 0;
};
