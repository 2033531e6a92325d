// MobileTrackData: one flat, time-ordered list of ringtone events, each with
// its channel: the shape in which the format readers and writers hand
// 4-channel or 16-channel parts to and from the ringtone model, and in which
// the model is played.
//
// mobile_track_data.cpp holds building, appending and editing;
// mobile_track_convert.cpp the exchange with slots and the playback song.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "convert/mobile_chanel_data.h"
#include "midi/f0_data.h"
#include "midi/midi_event.h"

// Failures of MobileTrackData, tag "MBTK".
namespace mbtk {
constexpr std::uint32_t kUnknownCommand = 0xC000001;
constexpr std::uint32_t kUnknownEvent = 0xC000002;
constexpr std::uint32_t kCannotOpen = 0xC000003;
constexpr std::uint32_t kVoiceNotPlayed = 0xC000004;  // once per track
constexpr std::uint32_t kMasterVolumePlace = 0xC000005;
constexpr std::uint32_t kChannelInvalid = 0xC000006;
constexpr std::uint32_t kDrumInvalid = 0xC000007;
constexpr std::uint32_t kCannotAdd = 0xC000008;
constexpr std::uint32_t kTrackEnd = 0xC000009;
}  // namespace mbtk

// A model control event with its subtype and value, and the test for one.
bool IsMobileControl(const MusicEvent& e, int subtype);
std::unique_ptr<MidiEvent> NewMobileControl(int delta, int channel, int subtype, int value);

class MobileTrackData {
public:
    // Events a track holds without a message.
    static constexpr int kMaxEvents = 0x1FFFF;
    static constexpr int kChannels = 256;

    explicit MobileTrackData(int capacity);
    MobileTrackData(const MobileTrackData& source, int capacity);
    // From model slots. Single model: slot i on channel i. Multi-track: a
    // drum slot on channel 9, every other slot on its number.
    MobileTrackData(const MobileChanelData* const* slots, int n, int capacity, bool multiTrack);
    MobileTrackData(const MobileTrackData&) = delete;
    MobileTrackData& operator=(const MobileTrackData&) = delete;

    int Count() const { return static_cast<int>(events_.size()); }
    MidiEvent* Event(int index) const {
        return index >= 0 && index < Count() ? events_[static_cast<std::size_t>(index)].get()
                                             : nullptr;
    }
    long long TimeOf(int index) const;
    bool IsMultiTrack() const { return multiTrack_; }
    // Kind recorded per channel by a multi-track build (0 none).
    int KindOf(int channel) const;

    // ---- Appending (each index, or -1) ----
    int AppendEmptyEvent(int delta);
    int AppendMetaEvent(int delta, int channel, int subtype, int value);
    int AppendNote(int delta, int channel, int note, int length, int velocity);
    int AppendCopy(const MidiEvent& event);
    // The channel is kept only for channel events.
    int AppendCopyOnChannel(int channel, const MusicEvent& event);
    int Append(std::unique_ptr<MidiEvent> event);

    // ---- Editing ----
    // Order 2: at the index; otherwise after it.
    int InsertEvent(int index, int order, std::unique_ptr<MidiEvent> event);
    int InsertAtTime(long long time, std::unique_ptr<MidiEvent> event);
    // Its delta goes to the next event.
    void DeleteEvent(int index);
    void RemoveClearedEvents();
    // A note longer than maxGate keeps maxGate and goes on as a copy `step`
    // ticks later with the rest of its length (copies longer still split
    // again), so every gate fits a byte-sized field.
    void SplitLongGates(int maxGate, int step);
    void RemoveControls(int subtype);
    void RemoveEvents(int kind, int subtype);
    void RemoveChannel(int channel);
    void RenameControls(int from, int to);
    void RenameSubtype69To67();
    void KeepLastControl(int subtype);
    // Deltas stay in place.
    void SwapEvents(int a, int b);
    void SwapChannels(int a, int b);
    void MoveChannel(int from, int to);
    // Every absolute time t becomes floor(to * t / from); lengths scale alike.
    void RescaleTimes(int from, int to);

    // ---- Queries ----
    // 1 when the channel is marked drum, else 2.
    int IsDrumChannel(int channel) const;
    bool HasChannel(int channel) const;
    int GetControlValue(int channel, int subtype) const;
    void GetNoteRange(int channel, int* low, int* high) const;
    int CountControls(int subtype) const;
    int FirstNoteOrTempoIndex() const;
    int LastNoteIndex() const;
    int FirstEndOfTrackIndex() const;

    // ---- Conversion ----
    // The channel's events appended to the slot, times kept.
    void ExtractChannel(int channel, MobileChanelData& slot, bool keepNotePitch) const;
    // A slot and the channel its events take in the track.
    struct ChannelSlot {
        int channel;
        const MobileChanelData* slot;
    };
    // Merges the slots' events into the track by time, the track's first and
    // then the slots in their order at equal times; one end of track
    // survives, at the end.
    void MergeSlotEvents(const std::vector<ChannelSlot>& slots);
    // Fills the song (notes with length) for playback.
    void ToMidiF0Data(MidiF0Data& song, int division, int timeSignature, int tempo) const;

    // Whether a control of the subtype carries a channel.
    static bool IsChannelControl(int subtype);
    static void ShowError(std::uint32_t code);
    static void ShowVoiceWarning();
    static void ResetVoiceWarning();

private:
    void AddSlots(const MobileChanelData* const* slots, int n);
    // The channel each event of a single model plays on (-1: dropped).
    std::vector<int> PlayChannels() const;

    std::vector<std::unique_ptr<MidiEvent>> events_;
    std::array<int, kChannels> kinds_{};
    bool multiTrack_ = false;
    bool fullShown_ = false;
    int capacity_ = 0;
};
