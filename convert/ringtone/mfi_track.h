// MFiTrack: one "trac" chunk of an MFi image. It turns a four-channel
// ringtone track (or the sixteen channels of the PMD stream) into MFi event
// bytes and parses such bytes back into a ringtone track.
//
// mfi_track.cpp holds the writer, mfi_track_read.cpp the readers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "convert/mobile_track_data.h"
#include "core/output_formats.h"
#include "core/read_log.h"
#include "midi/mobile_subtypes.h"

// Failures of MFiTrack, tag "MFTK".
namespace mftk {
constexpr std::uint32_t kInternal = 0x1F000001;  // also the once-only drum-code warning
constexpr std::uint32_t kRangeWarning = 0x1F000002;    // once only
constexpr std::uint32_t kDataAfterStop = 0x1F000003;
constexpr std::uint32_t kTempoClamped = 0x1F000004;
constexpr std::uint32_t kBendWarning = 0x1F000005;     // once only
constexpr std::uint32_t kChannelType = 0x1F000006;
constexpr std::uint32_t kBend16Warning = 0x1F000007;   // once only
constexpr std::uint32_t kTrackId = 0x1F000008;
constexpr std::uint32_t kUnknownEvent = 0x1F000009;
constexpr std::uint32_t kInvalidData = 0x1F00000A;
constexpr std::uint32_t kTempoRange = 0x1F00000B;
constexpr std::uint32_t kDrumSetting = 0x1F00000C;
constexpr std::uint32_t kVibrato = 0x1F00000D;
constexpr std::uint32_t kInvalidEvent = 0x1F00000E;
constexpr std::uint32_t kMfiType = 0x1F00000F;
constexpr std::uint32_t kSizeOver = 0x1F000010;
constexpr std::uint32_t kLoopInvalid = 0x1F000011;
constexpr std::uint32_t kEventType = 0x1F000012;
constexpr std::uint32_t kDrumInvalid = 0x1F000013;
constexpr std::uint32_t kDataInvalid = 0x1F000014;
constexpr std::uint32_t kChannelTypeInvalid = 0x1F000015;
constexpr std::uint32_t kShiftInvalid = 0x1F000016;
constexpr std::uint32_t kExclusiveInvalid = 0x1F000017;
constexpr std::uint32_t kCommandInvalid = 0x1F000018;
constexpr std::uint32_t kChannelInvalid = 0x1F000019;
constexpr std::uint32_t kDrumOperation = 0x1F00001A;
}  // namespace mftk

// The ringtone control subtypes only the MFi formats use.
namespace mfi_code {
constexpr int kTempoOutOfRange = 66;               // written as nothing
constexpr int kDelayCarrier = mobile_code::kFormat67;
constexpr int kKindRecord = 68;                    // value = channel * 8 + kind bit
constexpr int kStartStop = mobile_code::kFormat69;  // 0 start, 1 stop
constexpr int kExclusive = 70;                     // FF F0 and the data bytes
constexpr int kFormat71 = mobile_code::kFormat71;
constexpr int kFormat72 = 72;
constexpr int kLongExtension = 73;  // data: FF, 2-byte length, payload
constexpr int kBankProgram = 74;    // program with bank bit 4
constexpr int kFlag4B = 75;         // value = channel (bit 1 of the flag byte)
constexpr int kFlag4C = 76;         // value = channel (bit 0)
constexpr int kFlag4D = 77;
constexpr int kFlag4E = 78;
constexpr int kSysEx = 240;
}  // namespace mfi_code

// The track reporter's findings in a ReadLog: its errors, and the texts of
// its once-only warnings, which a reader records once per file itself and
// which are told every time.
extern const ReporterWords kMfiTrackFindings;
extern const ReporterWords kMfiTrackWarningFindings;

class MFiTrack {
public:
    static constexpr int kChannels = 16;
    static constexpr int kKindNone = 0;
    static constexpr int kKindDrum = 1;
    static constexpr int kKindMelodic = 2;
    static constexpr int kDefaultTimeBase = 48;
    static constexpr int kModelTimeBase = 96;

    // A track to write. Channels are the track's (0..3; 0..15 for PMD).
    MFiTrack(std::unique_ptr<MobileTrackData> track, int voiceType, int index);
    // An empty track to read into; every channel starts melodic.
    MFiTrack(int voiceType, int index);
    MFiTrack(const MFiTrack&) = delete;
    MFiTrack& operator=(const MFiTrack&) = delete;

    // Writes the "trac" chunk into Bytes() for the handset's terminal id.
    void Write(int terminalId);
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    // Reads one "trac" chunk at the start of bytes, recording what is wrong
    // in the log (positions counted from origin, where the bytes start in
    // the file); returns the bytes it stands in (8 + its length), 0 when its
    // head or its length runs past the bytes: nothing of it is read then.
    std::size_t Read(std::span<const std::uint8_t> bytes, ReadLog& log, std::size_t origin = 0);
    // The same for the sixteen-channel PMD stream.
    std::size_t ReadPmd(std::span<const std::uint8_t> bytes, ReadLog& log, std::size_t origin = 0);

    MobileTrackData& Track() { return *track_; }
    const MobileTrackData& Track() const { return *track_; }
    int VoiceType() const { return voiceType_; }
    int Index() const { return index_; }
    int TimeBase() const { return timeBase_; }
    int SlotKind(int channel) const;
    void SetSlotKind(int channel, int kind);

    // No delta above 255: empty events of delta 255 go before longer ones.
    void SplitLongDeltas();
    // No gate above 255: a note keeps 255 and a copy 254 ticks later the rest.
    void SplitLongGates();

    static void ShowError(std::uint32_t code);
    // A once-only warning; shown again only after ResetWarnings.
    static void ShowWarning(std::uint32_t code);
    static void ResetWarnings();

private:
    friend class MFiTrackReader;
    friend class MFiPmdReader;

    void PrepareMarkers();
    void ArrangeForTerminal5();
    void InsertVoiceExclusive();
    void PreparePmd();
    // The bytes of one event body (NOP when it writes nothing).
    void EncodeEvent(const MidiEvent& e, int terminalId, std::vector<std::uint8_t>& out);
    bool EncodeNote(const MidiEvent& e, std::vector<std::uint8_t>& out);
    bool EncodeControl(const MidiEvent& e, int terminalId, std::vector<std::uint8_t>& out);
    bool EncodeMultiControl(const MidiEvent& e, int terminalId, std::vector<std::uint8_t>& out);
    bool EncodePmd(const MidiEvent& e, std::vector<std::uint8_t>& out);
    std::size_t ReadChunk(std::span<const std::uint8_t> bytes, bool pmd, ReadLog& log, std::size_t origin);
    void JoinOverlaps();

    std::unique_ptr<MobileTrackData> track_;
    std::vector<std::uint8_t> bytes_;
    std::array<int, kChannels> kinds_{};
    // The channel each PMD slot carries in the file while writing.
    std::array<int, 4> pmdSlots_{};
    int voiceType_ = mfi_voice::kMelo1;
    int index_ = 0;
    int timeBase_ = -1;
};

// Beats per minute of a tempo in microseconds per quarter, clamped to
// 1..255 with the tempo message above 255 (a tempo of 0 or less included).
int MfiTempoData(int microseconds);
// Code and octave code of a melodic note; the once-only range warning when
// the note lies more than the codes' octaves away.
void MfiMelodicCode(int note, int* code, int* octave);
