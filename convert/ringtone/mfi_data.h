// MFiData: an MFi (".mld") or PMD (".pmd") image made from the ringtone
// model for one handset class, or read back into ringtone tracks. MFiHeader
// is its information block.
//
// mfi_data.cpp holds building, writing and reading; mfi_arrange.cpp the
// setup of the multi-track handsets.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/mobile_data.h"
#include "convert/ringtone/mfi_track.h"
#include "midi/music_data.h"

// Failures of MFiData, tag "MFDT".
namespace mfdt {
constexpr std::uint32_t kInternal = 0x20000001;
constexpr std::uint32_t kTooManyTracks = 0x20000002;
constexpr std::uint32_t kVoiceMismatch = 0x20000003;
constexpr std::uint32_t kTrackInvalid = 0x20000005;
constexpr std::uint32_t kUnknownEvent = 0x20000006;
constexpr std::uint32_t kChannelInvalid = 0x20000007;
constexpr std::uint32_t kMemory = 0x20000008;
constexpr std::uint32_t kArrangement = 0x20000009;
constexpr std::uint32_t kPmd16 = 0x2000000A;
constexpr std::uint32_t kPmdChannels = 0x2000000B;
constexpr std::uint32_t kTooManyChannels = 0x2000000C;
constexpr std::uint32_t kNoMelodicChannel = 0x2000000D;
constexpr std::uint32_t kDrumChannelTaken = 0x2000000E;
constexpr std::uint32_t kDrumBelow35 = 0x2000000F;
constexpr std::uint32_t kMultiVoiceType = 0x1F000015;
constexpr std::uint32_t kMultiTrackCount = 0x1F00000F;
}  // namespace mfdt

// Failures of MFiHeader, tag "MFHD".
namespace mfhd {
constexpr std::uint32_t kInternal = 0x21000001;
constexpr std::uint32_t kVoiceType = 0x21000002;
constexpr std::uint32_t kHeaderSize = 0x21000003;
}  // namespace mfhd

void ShowMfiDataError(std::uint32_t code);
void ShowMfiHeaderError(std::uint32_t code);
// The same reporters' findings in a ReadLog.
extern const ReporterWords kMfiDataFindings;
extern const ReporterWords kMfiHeaderFindings;

class MFiHeader {
public:
    static constexpr int kChunks = 11;
    static constexpr int kChunkBytes = 256;

    struct SubChunk {
        bool present = false;
        int length = 0;  // as the file gives it; at most 256 bytes are kept
        std::array<std::uint8_t, kChunkBytes> data{};
    };

    explicit MFiHeader(int voiceType) : voiceType_(voiceType) {}

    // The ids in the writer's order: "titl", "sorc", "vers", ...
    static std::string_view Id(int index);
    static int IndexOf(std::string_view id);

    void Set(std::string_view id, std::span<const std::uint8_t> bytes);
    void Set(std::string_view id, std::string_view text);
    const SubChunk* Find(std::string_view id) const;
    bool Is(std::string_view id, std::string_view text) const;

    // The block in the voice type's order.
    std::vector<std::uint8_t> Serialise() const;
    // Walks the block; false (with "Wrong MFi header size!" in the log) when
    // a sub-chunk runs past it. Positions are counted from origin, where the
    // block starts in the file.
    bool Parse(std::span<const std::uint8_t> block, ReadLog& log, std::size_t origin = 0);

private:
    std::array<SubChunk, kChunks> chunks_{};
    int voiceType_ = mfi_voice::kMelo1;
};

class MFiData : public MusicData {
public:
    static constexpr int kMaxTracks = 4;
    static constexpr int kHeaderBytes = 13;
    static constexpr int kMaxHeaderRecord = 9999;

    // Built from the model for the voice type.
    MFiData(const MobileData& model, int voiceType, int capacity = kMusicDataCapacity);
    // Read from a file; the file's voice type replaces the one asked for.
    // What is wrong in the bytes goes into the log, for the caller to show.
    // A file refused (its head, information block or a track chunk running
    // past its bytes, or a voice type no reader knows) holds nothing:
    // length 0 and no tracks.
    MFiData(const std::string& path, int voiceType, ReadLog& log);
    // Read from bytes (longer ones are cut to the capacity).
    MFiData(const std::uint8_t* bytes, int length, ReadLog& log);
    virtual ~MFiData();
    MFiData(const MFiData&) = delete;
    MFiData& operator=(const MFiData&) = delete;

    // Writes the image (length = file size; 0 when it would not fit).
    void Serialise(int terminalId);
    // Each track as four new slots of the model; division 96.
    void ToMobileData(MobileData& model) const;
    void EnsureMasterVolume();
    void SplitLongDeltas();
    void ArrangeForTerminal(int terminalId);

    int VoiceType() const { return voiceType_; }
    int TrackCount() const { return static_cast<int>(tracks_.size()); }
    MFiTrack* Track(int i) const {
        return i >= 0 && i < TrackCount() ? tracks_[static_cast<std::size_t>(i)].get() : nullptr;
    }
    const MFiHeader* Header() const { return header_.get(); }
    MFiHeader* Header() { return header_.get(); }

protected:
    // An object to read into: the bytes held, nothing parsed.
    struct HoldOnly {};
    MFiData(std::span<const std::uint8_t> bytes, int voiceType);
    MFiData(const std::string& path, int voiceType, HoldOnly);

    // Holds the bytes; false when there are none.
    bool HoldImage(std::span<const std::uint8_t> bytes);
    // The voice type the file's head gives; 251 when neither id fits.
    int ReadFileType() const;
    // The information block from offset 13; false when it does not fit.
    bool ReadInformation(ReadLog& log);
    // Track chunk offset after the information block.
    std::size_t FirstTrackOffset() const;
    // After the tracks are read: the time base, rescaled to 96 per quarter.
    void RescaleTracks();
    // Kind records of track 0 applied to the tracks they name; called
    // before each later track is read.
    void ApplyKindRecords(MFiTrack& track);
    void FinishKindRecords(ReadLog& log);
    // Drops what was read: the file is refused.
    void Refuse();
    void MakeHeader(const MobileData* model, std::string_view version);

    std::span<const std::uint8_t> Image() const;
    std::vector<std::unique_ptr<MFiTrack>> tracks_;
    std::unique_ptr<MFiHeader> header_;
    int voiceType_ = mfi_voice::kMelo1;
    int fileTrackCount_ = 0;
    // A kind record named tune channel 9 (so track 2 keeps its own kind).
    bool drumNamed_ = false;

private:
    void Build(const MobileData& model);
    void BuildPmd(const MobileData& model);
    void Parse(ReadLog& log);
    void MoveKindsToTrack0();
    void ApplyDrumDefault();
    void AddInstrumentDefinitions(int terminalId);
    void RearrangeForTerminal5();
};

// The header's "vers" text of a voice type.
std::string_view MfiVersionOf(int voiceType);
