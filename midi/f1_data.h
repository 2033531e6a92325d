// MidiF1Data: a tune of several tracks, read from and written to format-1
// Standard MIDI Files, with the whole-tune operations of the converters and
// the tune analysis (splitting by channel, merging, channel fitting).
//
// f1_data.cpp holds building, the file form and the track list;
// f1_tune_ops.cpp the operations over every track, queries, splitting and
// merging; f1_merge.cpp channel fitting and the merges it uses.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "midi/f0_data.h"
#include "midi/f1_track_data.h"
#include "midi/music_data.h"

// Failures of MidiF1Data, tag "M1DT".
namespace m1dt {
constexpr std::uint32_t kGeneral = 0x00000000;
constexpr std::uint32_t kTooManyTracks = 0x03000001;
constexpr std::uint32_t kNotFormat1 = 0x03000002;
constexpr std::uint32_t kInternal = 0x03000003;
constexpr std::uint32_t kNotMidiFile = 0x03000004;
constexpr std::uint32_t kCannotOpen = 0x03000005;
constexpr std::uint32_t kSeveralMasterVolumes = 0x03000006;
constexpr std::uint32_t kDrumProgram = 0x03000007;
constexpr std::uint32_t kTooManyTempos = 0x03000009;
constexpr std::uint32_t kDifferentDrumPrograms = 0x0300000F;
constexpr std::uint32_t kNoDrumTrack = 0x03000012;
constexpr std::uint32_t kNoProgram = 0x03000015;
constexpr std::uint32_t kNoMasterVolume = 0x03000016;
constexpr std::uint32_t kDataTooLarge = 0x03000019;
constexpr std::uint32_t kChannelCount = 0x0300001A;
constexpr std::uint32_t kBeginInvalid = 0x0300001B;
}  // namespace m1dt

class MidiF1Data : public MidiData {
public:
    // Tracks a tune holds at most, and what a file announcing too many gets.
    static constexpr int kMaxTracks = 65;
    static constexpr int kTrackLimit = 64;
    static constexpr int kTracksOfTooMany = 32;
    static constexpr int kMaxTempos = 512;

    // Copies of the given tracks, mode 2.
    MidiF1Data(const MidiF1TrackData* const* tracks, int count, int division,
               int capacity = kMusicDataCapacity);
    // No tracks, mode 2.
    explicit MidiF1Data(int division, int capacity = kMusicDataCapacity);
    // A mode-2 format-0 tune split by channel.
    explicit MidiF1Data(const MidiF0Data& song, int capacity = kMusicDataCapacity);
    // The same, taking the song's events instead of copying them (the song
    // is left without events).
    MidiF1Data(MidiF0Data&& song, int capacity);
    // Reads a format-1 image (copied in) as notes with length; with warn
    // given, then EnsureMasterVolume(warn). An image larger than capacity is
    // refused.
    MidiF1Data(const std::uint8_t* image, int length, int capacity = kMusicDataCapacity);
    MidiF1Data(const std::uint8_t* image, int length, int warn, int capacity);
    // The same as the first, but a note whose note-off falls on the tick of
    // its note-on is kept, with length 0, where the other readers drop it.
    struct KeepZeroLengthNotes {};
    MidiF1Data(const std::uint8_t* image, int length, int capacity, KeepZeroLengthNotes);
    // The same from a block of at least length bytes that the tune takes
    // over instead of copying it (a refused image is left with the caller);
    // TakeImage hands it back once read.
    MidiF1Data(MemoryBlock&& image, int length, int warn, int capacity);
    MemoryBlock TakeImage() { return TakeBlock(); }
    // Loads a file of format 1 or 0 as notes with length; anything else gives
    // an empty tune after the reader's message.
    MidiF1Data(const std::string& path, int capacity);
    ~MidiF1Data();

    int TrackCount() const { return static_cast<int>(tracks_.size()); }
    MidiF1TrackData* Track(int index) const {
        return index >= 0 && index < TrackCount() ? tracks_[static_cast<std::size_t>(index)].get()
                                                  : nullptr;
    }

    // ---- File form ----
    void WriteHeader();
    // 1 with the division stored and the position at the chunk after the
    // header (14 for a header of the usual 6 bytes), else 0.
    int ReadHeader();
    // Mode 0 -> 1: the announced chunks after the header.
    int ReadTracks();
    // Mode 1 -> 0: header and every chunk into the image; the tracks are
    // deleted. 0 ("Data is too large!", tracks kept in mode 1) when the tune
    // does not fit.
    int WriteSmf();
    // Writes the tune as a file in any mode; nothing is written when the
    // image cannot be built. 1 when saved.
    int SaveFile(const std::string& path);
    int ConvertToNoteOnOff();
    int ConvertToNoteLength();

    // ---- Track list ----
    void AddTrack(std::unique_ptr<MidiF1TrackData> track);
    void AddTrack(MidiF1TrackData* track) { AddTrack(std::unique_ptr<MidiF1TrackData>(track)); }
    MidiF1TrackData* AddEmptyTrack(int capacity = kMusicDataCapacity);
    void DeleteTrack(int index);
    void DeleteAllTracks();
    void DeleteChannelTracks(int channel);
    void DeleteTracksOfChannel(int channel);

    // ---- Operations on every track ----
    int FixInvalidNotes();
    void FixDuplicateNotes(int closeFirst);
    void ChangeResolution(int newDivision);
    void ScaleNoteLengths(int percent);
    void InsertTime(long long time, int ticks);
    void DeleteTimeRange(long long begin, long long end);
    void FoldExpressionIntoVolume();
    void RemoveRedundantControllers(const int* excluded, int n);
    void RemoveRepeatedVolumes();
    void RemoveRedundantPrograms();
    void RemoveRedundantPitchBends();
    void RemoveRedundantPans();
    void FoldFineTuneIntoPitchBend();
    void ApplyPitchBendToNotes();
    void TrimDrumNoteOverlaps();

    // ---- Queries and single edits ----
    int CountUsedChannels(int* secondPort) const;
    int HaveSameProgram(int a, int b) const;
    int HasNotesOnChannel(int channel) const;
    int GetMetaText(int type, std::string& out) const;
    int GetTimeSignature(int* code) const;
    int GetMasterVolume() const;
    void SetMasterVolume(int volume);
    void EnsureMasterVolume(int warn);
    // (absolute time, tempo) pairs, at most kMaxTempos; their number.
    int CollectTempos(std::vector<std::pair<long long, int>>& pairs) const;
    int IsDrumTrack(int index) const;
    void InsertMetaTextAtTime(long long time, int type, std::string_view text);
    // Each track's first name into the slot of its first channel (16 for
    // none), removed from the track; and put back.
    void TakeTrackNames(std::string slots[17]);
    void RestoreTrackNames(const std::string slots[17]);
    // Moves every track named like the one at index to the channel.
    void RemapChannel(int index, int channel);
    void KeepSingleTrackName();
    void MoveGmSystemOnFirst();
    int DeleteMetaEvents(int type, int all);
    void LimitDrumRange(int warn);

    // ---- Splitting and merging ----
    void SplitFromF0(const MidiF0Data& song);
    // SplitFromF0 that moves the song's events into the tracks.
    void SplitFromF0(MidiF0Data&& song);
    void RebuildFromF0(const MidiF0Data& song) { SplitFromF0(song); }
    int MergeTracksInto(MidiF0Data& song) const;
    int MergeInto(MidiF0Data& song) const { return MergeTracksInto(song); }
    // Tracks filed by first channel: exactly 16 tracks, track n for channel n.
    void MergeByChannel();
    // Merges the listed tracks (ascending) into the first, on its channel.
    void MergeTracks(int count, const int* indices, int fix);
    void ThinVoices(int limit);
    // Gives every track a channel of its own where one is free.
    void AssignChannels();
    // Tracks in one group of eight programs merged onto the busiest one.
    void MergeTracksByProgram();
    void MergeDrumTracks();
    void MergeTracksByInstrument(int n, const int* excludedChannels);
    void MergeSameInstrumentTracks() { MergeTracksByInstrument(0, nullptr); }
    // Merges until the tune fits 16 channels, then assigns them.
    void FitTo16Channels();
    // The distinct instrument names of the tracks, in track order.
    int CollectInstrumentNames(std::vector<std::string>& names) const;
    // Removes the first ticks of one track: its notes there are deleted.
    void TrimTrackStart(int index, long long ticks);
    // Keeps the events of one track up to the first reaching time.
    void TruncateTrack(int index, long long time);

    // ---- Reporting ----
    static void ShowError(std::uint32_t code);
    static void ShowWarningOnce(std::uint32_t code);

private:
    void ReadImage(int length, const std::uint8_t* image);
    // Reads the image the tune holds as notes with length; finds gets each
    // track's master volume, taken as the track is read.
    void ReadHeldImage(std::vector<MasterVolumeFind>* finds = nullptr);
    // Each track's master volume, and the reports on them (several in one
    // track, several tracks with one); the volume of the last, or -1.
    std::vector<MasterVolumeFind> FindMasterVolumes() const;
    static int ReportMasterVolumes(std::span<const MasterVolumeFind> finds);
    // EnsureMasterVolume on the tracks' findings.
    void EnsureMasterVolume(std::span<const MasterVolumeFind> finds, int warn);
    bool StartSplit(const MidiF0Data& song);
    void SplitEvents(std::span<MidiEvent* const> events);
    void SplitEvents(MidiTrackData& source);
    // The split's step for an End of Track at time now: it ends every track
    // there, and belongs to none of them (-1).
    int EndSplitTracksAt(long long now, long long* last);
    // ReadTracks into the given mode: 1, or 2 (notes with length read
    // straight away). With finds, each track's master volume is found right
    // after it is read, while its events are still in the cache: a walk over
    // all of them later would fetch every event of the tune again.
    int ReadTracksAs(int mode, std::vector<MasterVolumeFind>* finds = nullptr);
    // Restores the tracks' note-on/off form after a write that failed.
    void KeepTracksAfterFailedWrite();

    std::vector<std::unique_ptr<MidiF1TrackData>> tracks_;
    // Read notes with length keep the notes of length 0.
    bool keepZeroLengthNotes_ = false;
};
