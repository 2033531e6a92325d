// SmafData: a SMAF (".mmf") image of the compact form the 4- and 16-voice
// handsets play (up to four score tracks of four channels), made from the
// ringtone model or read back into it. SmafMa3Data: the form of the 32-voice
// handsets, one sixteen-channel score track of MIDI-like sequence data.
// SmafFileLoader reads a file and picks the class by its contents type.
//
// smaf_data.cpp holds the compact form and the loader, smaf_ma3_data.cpp
// the 32-voice form.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/smaf_sequence.h"
#include "core/output_formats.h"
#include "core/read_log.h"
#include "midi/music_data.h"

struct SmafChunk;

// Failures of SmafData and SmafMa3Data, tag "SMDT".
namespace smdt {
constexpr std::uint32_t kNotSmaf = 0x19000001;
constexpr std::uint32_t kNoTempo = 0x19000002;
constexpr std::uint32_t kTrackCount = 0x19000003;
}  // namespace smdt

// Failures of SmafFileLoader, tag "SMLD".
namespace smld {
constexpr std::uint32_t kInternal = 0x18000001;
constexpr std::uint32_t kFileType = 0x18000002;
}  // namespace smld

void ShowSmafDataError(std::uint32_t code);
void ShowSmafLoaderError(std::uint32_t code);
// The same reporters' findings in a ReadLog.
extern const ReporterWords kSmafDataFindings;
extern const ReporterWords kSmafLoaderFindings;

// One score track: its head, setup, seek-and-phrase points and sequence,
// and the events the sequence holds (times and gates in its time units).
struct SmafScoreTrack {
    int number = 0;
    // Format type, sequence type, the two time bases, the channel status.
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> setup;
    bool hasSeekPhrase = false;
    std::uint32_t start = 0;
    std::uint32_t stop = 0;
    std::vector<std::uint8_t> sequence;
    std::unique_ptr<MobileTrackData> events;
    int toneRecords = 0;

    int TimeBase() const { return header.size() > 2 ? header[2] : kSmafTimeBase5ms; }
};

// A score track's contents: its head, then "MspI" (when withSeek; first or
// after "Mtsu"), "Mtsu" (when it has a setup) and "Mtsq". fits is false
// when a sub-chunk is past the chunk limit.
std::vector<std::uint8_t> SmafScoreTrackContents(const SmafScoreTrack& t, bool seekFirst, bool withSeek,
                                                 bool* fits);
// The start and stop offsets of an "MspI" chunk (left 0 when malformed).
void ReadSmafSeekPhrase(std::span<const std::uint8_t> contents, SmafScoreTrack& track);

// Milliseconds per unit of a time-base code (1, 2, 4, 5 for 0..3; 10, 20,
// 40, 50 for 16..19; any other code is taken as that number).
int SmafMillisecondsPerUnit(int code);
// The tempo (µs per quarter, 250,000..1,500,000) the durations of the
// tracks suggest, 0 when they hold none.
int EstimateSmafTempo(const std::vector<const MobileTrackData*>& tracks, int millisecondsPerUnit);
// The import road's test: "MTR" with track byte 5 or 6 before the last four
// bytes.
bool IsSmafMa3Image(std::span<const std::uint8_t> bytes);

class SmafData : public MusicData {
public:
    static constexpr int kMaxTracks = 4;
    static constexpr int kVoices16 = smaf_voice::kVoices16;
    static constexpr int kVoices4 = smaf_voice::kVoices4;
    static constexpr int kModelDivision = 96;

    // Built from the model for 16 or 4 voices; Write makes the image.
    SmafData(const MobileData& model, int voiceKind, int capacity = kMusicDataCapacity);
    // Read from bytes (cut to the capacity).
    SmafData(const std::uint8_t* bytes, int length);
    virtual ~SmafData();
    SmafData(const SmafData&) = delete;
    SmafData& operator=(const SmafData&) = delete;

    // Serialises the tree into the image (length = file size; 0 when a
    // chunk would not fit).
    virtual void Write(int voiceKind);
    // A new model at 96 ticks per quarter, four slots per score track.
    std::unique_ptr<MobileData> ToMobileData() const;
    // The same for a read: what the pass finds (no tempo) is left in the
    // log, after what reading found, instead of being shown.
    std::unique_ptr<MobileData> ToMobileData(ReadLog& log) const;
    // Every track's durations and gates rescaled to the time-base code.
    void SetTimeBase(int code);

    int TrackCount() const { return static_cast<int>(tracks_.size()); }
    const SmafScoreTrack* Track(int i) const {
        return i >= 0 && i < TrackCount() ? tracks_[static_cast<std::size_t>(i)].get() : nullptr;
    }
    std::uint16_t StoredCrc() const { return crc_; }
    int Variant() const { return variant_; }
    int FormatKind() const { return formatKind_; }
    const std::string& Title() const { return title_; }
    const std::vector<std::uint8_t>& ContentsInfo() const { return contentsInfo_; }
    // The tempo ToMobileData gives the model.
    int ModelTempo() const;
    // What reading the bytes found wrong (empty for a tree built from a
    // model); the caller shows it where the read ends.
    ReadLog& Log() { return readLog_; }

protected:
    struct Empty {};
    SmafData(Empty, int capacity);

    // Makes the image "MMMD", length, contents and CRC; false when it does
    // not fit.
    bool HoldContents(const std::vector<std::uint8_t>& contents);
    // The top chunks of the held image's "MMMD" contents, and the stored
    // CRC. The contents end in the CRC; a file made without one (as some
    // tools make them) has its chunks up to its end. *whole is false, and
    // what is wrong in the log, when the image is no SMAF file or its size
    // or a chunk's length runs past its bytes: the file is refused then.
    std::vector<SmafChunk> OpenChunks(bool* whole);
    // The title from the contents-info option data.
    void TakeContentsInfo(std::span<const std::uint8_t> info);
    // Fills the model, showing at once what the pass finds.
    void FillModel(MobileData& model) const;
    void FillModel(MobileData& model, int tempo) const;
    // ModelTempo, or the default with the finding when the file gives none.
    int TempoOrDefault(ReadLog& log) const;

    std::vector<std::uint8_t> contentsInfo_;
    std::vector<std::unique_ptr<SmafScoreTrack>> tracks_;
    std::string title_;
    std::uint16_t crc_ = 0;
    int variant_ = 0;
    int formatKind_ = 2;
    // The tempo of a tree made from the 32-voice form (0: estimated).
    int fixedTempo_ = 0;
    ReadLog readLog_;

private:
    // The 32-voice form builds compact-form trees of its own.
    friend class SmafMa3Data;

    void Build(const MobileData& model, int voiceKind);
    void BuildSetup(int voiceKind, const std::vector<std::pair<int, int>>& tones);
    // Reads the tree and tidies what the read found.
    void Parse();
    void ReadChunks();
    bool ReadScoreTrack(std::string_view id, std::span<const std::uint8_t> contents);
};

class SmafMa3Data : public SmafData {
public:
    static constexpr int kVariant32 = smaf_voice::kMa3Variant32;
    static constexpr int kVariant33 = smaf_voice::kMa3Variant33;
    static constexpr int kTrackNumber = 5;

    SmafMa3Data(const MobileData& model, int variant, int capacity = kMusicDataCapacity);
    SmafMa3Data(const std::uint8_t* bytes, int length);
    ~SmafMa3Data() override;

    void Write(int variant) override;
    // The sixteen channels as slots 0..15 (channel 9 the drums), 96 ticks
    // per quarter at 500,000 µs.
    std::unique_ptr<MultiMobileTrackData> ToMultiMobileTrackData() const;
    // A compact-form tree of four score tracks holding the sixteen channels.
    std::unique_ptr<SmafData> ToSmafData() const;

    const SmafScoreTrack* Score() const { return score_.get(); }
    const std::vector<std::uint8_t>& OptionalData() const { return optionalData_; }

private:
    void Build(const MobileData& model);
    void Parse();
    void ReadChunks();
    void ReadScore(const SmafChunk& chunk);
    void ReadOptionalData(std::span<const std::uint8_t> contents);
    std::vector<std::uint8_t> MakeOptionalData(int variant) const;

    std::vector<std::uint8_t> optionalData_;
    std::unique_ptr<SmafScoreTrack> score_;
};

class SmafFileLoader {
public:
    // Reads at most 0x60000 bytes of the file.
    explicit SmafFileLoader(const std::string& path);
    explicit SmafFileLoader(std::span<const std::uint8_t> bytes);

    // The one that was made, or null.
    SmafData* Data() const { return data_.get(); }
    SmafMa3Data* Ma3Data() const { return ma3_.get(); }
    // What loading found wrong, the file's own findings included; the
    // caller shows it where the read ends.
    ReadLog& Log() { return log_; }

private:
    void Load(std::span<const std::uint8_t> bytes);

    std::unique_ptr<SmafData> data_;
    std::unique_ptr<SmafMa3Data> ma3_;
    ReadLog log_;
};

// The read-back of a file into a compact-form tree, the reader chosen by
// the score track's format as IsSmafMa3Image tells it, whatever the contents
// type and status bytes say (those are SmafFileLoader's test). Null when the
// file is refused; log holds what the read found, a refusal's one cause.
std::unique_ptr<SmafData> ReadSmafScoreTracks(std::span<const std::uint8_t> bytes, ReadLog& log);
