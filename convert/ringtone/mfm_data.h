// MFMData: a four-track MFM (".mfm") ringtone image, read into its header,
// information block and four tracks and turned into the ringtone model, or
// built from the multi-track model and serialised.
//
// mfm_data.cpp holds the image and its information block; mfm_track.cpp the
// tracks both ways.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/mobile_data.h"
#include "convert/mobile_track_data.h"
#include "core/read_log.h"
#include "midi/music_data.h"

// Failures of the MFM header, tag "FMHD".
namespace fmhd {
constexpr std::uint32_t kNoHeader = 0x29000001;
}  // namespace fmhd

// Failures of MFM tracks, tag "FMTK".
namespace fmtk {
constexpr std::uint32_t kZeroLength = 0x2A000002;  // once per track read (the reader sees to it)
constexpr std::uint32_t kTrackInvalid = 0x2A000003;
constexpr std::uint32_t kNoteInvalid = 0x2A000004;
constexpr std::uint32_t kDataInvalid = 0x2A000005;
constexpr std::uint32_t kChannelType = 0x2A000006;
constexpr std::uint32_t kNoForm = 0x2A000007;
}  // namespace fmtk

// The ringtone control subtypes only MFM files carry (FF D6 and FF D5).
namespace mfm_code {
constexpr int kD6 = 81;
constexpr int kD5 = 82;
}  // namespace mfm_code

void ShowMfmHeaderError(std::uint32_t code);
void ShowMfmTrackError(std::uint32_t code);
// The same reporters' findings in a ReadLog.
extern const ReporterWords kMfmHeaderFindings;
extern const ReporterWords kMfmTrackFindings;
// The one notice of a file whose count drum notes were moved to other drums.
void ShowMfmDrumsMoved(int count);

// Writes one information sub-chunk: the 4-character id, the length n as 16
// bits and the n bytes. Returns n + 6.
std::size_t WriteInformationSubChunk(std::vector<std::uint8_t>& out, std::string_view id,
                                     std::span<const std::uint8_t> text);

// The information block: the "copy", "supt", "note" and "ainf" sub-chunks.
class MFMInformation {
public:
    static constexpr int kChunks = 4;
    static constexpr int kChunkBytes = 256;

    struct SubChunk {
        bool present = false;
        int length = 0;  // as the file gives it; at most 256 bytes are kept
        std::array<std::uint8_t, kChunkBytes> data{};
    };

    static std::string_view Id(int index);
    static int IndexOf(std::string_view id);

    // The writer's default: "supt", "note" and "ainf", no "copy".
    void SetDefault();
    void Set(std::string_view id, std::span<const std::uint8_t> bytes);
    const SubChunk* Find(std::string_view id) const;

    std::vector<std::uint8_t> Serialise() const;
    // Walks the block; an unknown sub-chunk is stepped over by its length.
    // False when a sub-chunk head or length runs past the block (what was
    // read is kept).
    bool Parse(std::span<const std::uint8_t> block);

private:
    std::array<SubChunk, kChunks> chunks_{};
};

// One "trac" chunk: four channels, each of kind 1 (key written as is) or 2
// (keys through the octave table), and a ringtone track.
class MFMTrack {
public:
    static constexpr int kChannels = 4;
    static constexpr int kKindDirect = 1;
    static constexpr int kKindOctave = 2;
    static constexpr int kDrumTrack = 2;
    static constexpr int kDrumChannel = 1;

    // An empty track to read into, with the kinds every file has.
    explicit MFMTrack(int index);
    // A track to write, with the kind of each channel.
    MFMTrack(std::unique_ptr<MobileTrackData> track, int index, const std::array<int, kChannels>& kinds);
    MFMTrack(const MFMTrack&) = delete;
    MFMTrack& operator=(const MFMTrack&) = delete;

    // Reads the chunk at the start of bytes, recording what is wrong in the
    // log (positions counted from origin, where the bytes start in the
    // file). Returns the bytes it stands in, 0 when the chunk is broken;
    // *cut is set when its head or its length runs past the bytes (nothing
    // of it is read then).
    std::size_t Read(std::span<const std::uint8_t> bytes, bool* cut, ReadLog& log, std::size_t origin = 0);

    // Removes what the file does not carry, moves the drums the key bits
    // cannot hold to the nearest they can, and splits gates above 255.
    // Returns the number of drum notes moved.
    int Prepare();
    // A delta above 255 gets a wait of its whole 256s in front.
    void SplitLongWaits();
    // The chunk bytes into Bytes().
    void Write();
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    MobileTrackData& Track() { return *track_; }
    const MobileTrackData& Track() const { return *track_; }
    int Index() const { return index_; }
    int Kind(int channel) const;

private:
    void ReadEvents(std::span<const std::uint8_t> events, ReadLog& log, std::size_t origin);
    void WriteEvent(const MidiEvent& e);
    bool EncodeNote(const MidiEvent& e, std::uint8_t out[3]) const;
    bool EncodeControl(const MidiEvent& e);
    void PutUnit(int delta, std::uint8_t a, std::uint8_t b, std::uint8_t c);
    void PutWait(int delta);

    std::unique_ptr<MobileTrackData> track_;
    std::array<int, kChannels> kinds_{};
    std::vector<std::uint8_t> bytes_;
    int index_ = 0;
};

// Maps a note of an octave-table channel to its key and octave; false when
// the note lies outside 0..127.
bool MfmOctaveKey(int note, int* key, int* octave);
// The last note 0..127 whose table entry is (key, octave), or 0.
int MfmOctaveNote(int key, int octave);
// The key a drum note is written with: itself up to 62, else the nearest
// drum up to 62 (by the General MIDI drum families).
int MfmDrumKey(int note);
// The tempo byte of a tempo in microseconds per quarter (beats per minute
// clamped to 20..275, less 20).
int MfmTempoByte(int microseconds);

class MFMData : public MusicData {
public:
    static constexpr int kTracks = 4;
    static constexpr int kHeadBytes = 14;
    static constexpr int kDivision = 48;
    // The listen road reads at most this much of a file.
    static constexpr std::size_t kFileReadLimit = 0xF0000;

    // Read from bytes; those past the 0x60000-byte block are cut off. What
    // is wrong in them goes into the log, for the caller to show. A file
    // refused (no "mfmp" head, or a head, information block or track that
    // runs past its bytes) holds nothing: length 0 and no tracks.
    MFMData(const std::uint8_t* bytes, std::size_t length, ReadLog& log);
    // Built from the model's enabled slots, by channel number.
    explicit MFMData(const MobileData& model);
    MFMData(const MFMData&) = delete;
    MFMData& operator=(const MFMData&) = delete;

    // The listen road: at most 0xF0000 bytes of the file (null when none).
    static std::unique_ptr<MFMData> ReadFile(const std::string& path, ReadLog& log);

    // Every track's long deltas as waits.
    void SplitLongWaits();
    // Writes the image (Length() is the file size).
    void Serialise();
    // Four new slots per track, their kinds from the track; division 48.
    void ToMobileData(MobileData& model) const;

    int TrackCount() const { return static_cast<int>(tracks_.size()); }
    MFMTrack* Track(int i) const {
        return i >= 0 && i < TrackCount() ? tracks_[static_cast<std::size_t>(i)].get() : nullptr;
    }
    const MFMInformation& Information() const { return information_; }

private:
    void Parse(ReadLog& log);
    // Drops what was read: the file is refused.
    void Refuse();
    void Build(const MobileData& model);
    void MoveTemposToTrack0();

    MFMInformation information_;
    std::vector<std::unique_ptr<MFMTrack>> tracks_;
};
