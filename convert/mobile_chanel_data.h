// MobileChanelData: one channel slot of the ringtone model, a monophonic or
// polyphonic list of events of one channel (notes and controls, no channel
// of their own) with the slot's number, kind and the answers of the
// duplicate questions.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "midi/mobile_subtypes.h"
#include "midi/midi_event.h"

// Failures of MobileChanelData, tag "MBCD".
namespace mbcd {
constexpr std::uint32_t kInternal = 0xB000001;
constexpr std::uint32_t kInvalidMusic = 0xB000005;
}  // namespace mbcd

// Answers of the duplicate questions: not asked yet, delete the duplicates,
// keep them.
namespace mobile_answer {
constexpr int kNotAsked = 1;
constexpr int kDelete = 2;
constexpr int kKeep = 3;
}  // namespace mobile_answer

class MobileChanelData {
public:
    static constexpr int kKindNone = 0;
    static constexpr int kKindDrum = 1;
    static constexpr int kKindMelodic = 2;

    // An empty slot. The capacity is kept for the copies; the event list
    // grows as needed.
    MobileChanelData(int number, int kind, int capacity);
    // Deep copy.
    MobileChanelData(const MobileChanelData& source, int capacity);
    // Copy of the span [begin, end): the controls before begin stand at the
    // start, notes starting in the span are kept (cut at its end), times
    // count from begin.
    MobileChanelData(const MobileChanelData& source, long long begin, long long end, int capacity);
    MobileChanelData(const MobileChanelData&) = delete;
    MobileChanelData& operator=(const MobileChanelData&) = delete;

    int Count() const { return static_cast<int>(events_.size()); }
    // The event at index, or null outside the slot.
    MusicEvent* Event(int index) const {
        return index >= 0 && index < Count() ? events_[static_cast<std::size_t>(index)].get()
                                             : nullptr;
    }
    long long TimeOf(int index) const;
    // Sum of every delta.
    long long TotalTicks() const;
    int Capacity() const { return capacity_; }

    // Index of the new event. A note outside 0..127 is reported and kept.
    int AppendNote(int delta, int note, int length, int velocity);
    int AppendControl(int delta, int subtype, int value);
    // Takes the event (an owned copy of a slot event).
    int AppendEvent(std::unique_ptr<MusicEvent> event);
    // Before the event at index (at the end past it).
    int InsertControl(int index, int delta, int subtype, int value);
    // Value of the first control of the subtype, -1 if none.
    int GetControlValue(int subtype) const;
    // Sets the first control of the subtype; 0 if there is none.
    int SetControlValue(int subtype, int value);
    // Index of the first note, -1 if none.
    int FindFirstNote() const;
    // Its delta is added to the next event.
    void DeleteEvent(int index);
    // Removes cleared events, their deltas going to the next event.
    void RemoveClearedEvents();
    // A tempo control at the absolute time (see the model's build).
    void InsertTempo(long long time, int value);
    // Notes only; capped at 127.
    void ScaleVelocities(double factor);
    int GetMaxVelocity() const;
    // Largest number of notes sounding at once.
    int GetMaxPolyphony() const;
    int CountDistinctNotes() const;
    // The slot's length in measures of measureTicks, rounded up.
    int GetLengthInMeasures(int measureTicks) const;

    static void ShowError(std::uint32_t code);

    int number = 0;
    // The tune channel the slot was built from; -1 when it was not built
    // from a tune.
    int tuneChannel = -1;
    int kind = kKindNone;
    int enabled = 0;
    int volumeAnswer = mobile_answer::kNotAsked;
    int programAnswer = mobile_answer::kNotAsked;
    int tempoAnswer = mobile_answer::kNotAsked;

private:
    int InsertAt(int index, std::unique_ptr<MusicEvent> event);

    int capacity_ = 0;
    std::vector<std::unique_ptr<MusicEvent>> events_;
};

// A new control event (the caller owns it).
std::unique_ptr<MusicEvent> NewMobileControl(int delta, int subtype, int value);
// A deep copy of a slot event.
std::unique_ptr<MusicEvent> CopyMobileEvent(const MusicEvent& source);
