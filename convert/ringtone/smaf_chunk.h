// The pieces every SMAF (".mmf") image is made of: the chunk codes and their
// boxes, the CRC-16 of the whole image, the chunk walk and the chunk writer,
// and the voice bytes of the setup records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/read_log.h"

// Failures of the chunk tree, tag "SMCD".
namespace smcd {
constexpr std::uint32_t kChunkSize = 0x1A000001;
constexpr std::uint32_t kNoContents = 0x1A000002;
constexpr std::uint32_t kNoScoreTrack = 0x1A000003;
constexpr std::uint32_t kNoSeekPhrase = 0x1A000004;
constexpr std::uint32_t kNoSetup = 0x1A000005;
constexpr std::uint32_t kNoSequence = 0x1A000006;
constexpr std::uint32_t kNoStart = 0x1A000007;
constexpr std::uint32_t kNoStop = 0x1A000008;
constexpr std::uint32_t kNoTone = 0x1A000009;
constexpr std::uint32_t kOverSixteenTones = 0x1A00000A;
constexpr std::uint32_t kAverageRate = 0x1A00000B;
constexpr std::uint32_t kPeakRate = 0x1A00000C;
constexpr std::uint32_t kTooManyTones = 0x1A00000D;
constexpr std::uint32_t kTimeBase = 0x1A00000E;
constexpr std::uint32_t kEvent = 0x1A00000F;
constexpr std::uint32_t kProgramChange = 0x1A000010;
constexpr std::uint32_t kSystemEvent = 0x1A000011;
constexpr std::uint32_t kControlChange = 0x1A000012;
constexpr std::uint32_t kPitchBend = 0x1A000013;
constexpr std::uint32_t kContentsInfo = 0x1A000014;
constexpr std::uint32_t kSetup = 0x1A000015;
constexpr std::uint32_t kSetup2 = 0x1A000016;
constexpr std::uint32_t kSetup3 = 0x1A000017;
constexpr std::uint32_t kChannelCount = 0x1A000018;
constexpr std::uint32_t kFileFormat = 0x1A000019;
constexpr std::uint32_t kAudioOnly = 0x1A00001A;
}  // namespace smcd

void ShowSmafChunkError(std::uint32_t code);
// The same reporter's findings in a ReadLog.
extern const ReporterWords kSmafChunkFindings;
// The flavour-A score track's box: the rate codes show their once-only text
// until ResetSmafScoreTrackWarnings, every other code the general text.
void ShowSmafScoreTrackError(std::uint32_t code);
void ResetSmafScoreTrackWarnings();

// The longest contents a chunk the writers make holds; a chunk read is
// checked against the bytes after its head only, as the audio chunks of
// other tools are longer.
constexpr std::size_t kSmafChunkLimit = 0x10000;

// CRC-16/GENIBUS (polynomial 0x1021, initial 0xFFFF, complemented), from a
// table of 256 entries.
std::uint16_t SmafCrc16(std::span<const std::uint8_t> bytes);

// One chunk found by the walk: its id (3 or 4 bytes, the fourth the number
// byte of "MTR"/"Dch" ids) and contents.
struct SmafChunk {
    std::string_view Id3() const { return id.substr(0, 3); }
    std::string_view id;
    std::span<const std::uint8_t> contents;
};

// The chunks laid one after another in bytes. A chunk head that does not
// fit, or a length past the bytes or above the chunk limit, is logged as
// "Chank data size is invalid!" (at its offset in bytes) and ends the walk
// with the chunks found so far.
std::vector<SmafChunk> WalkSmafChunks(std::span<const std::uint8_t> bytes, ReadLog& log);
// Whether the walk's chunks take every byte it was given: false when one ran
// past them and the walk ended there.
bool SmafWalkIsWhole(const std::vector<SmafChunk>& chunks, std::span<const std::uint8_t> bytes);
// The finding of a file without a score track: one that holds audio tracks
// only is told so.
std::uint32_t SmafMissingScoreCode(const std::vector<SmafChunk>& chunks);

// The findings of one read as the user is to see them: each code once, in
// the order first found. A refused read keeps only its first finding, the
// cause: what else failed came of it.
void TidySmafFindings(ReadLog& log, bool refused);

// Appends id, the 4-byte length and the contents; false (nothing appended)
// when the contents exceed the chunk limit.
bool AppendSmafChunk(std::vector<std::uint8_t>& out, std::string_view id,
                     std::span<const std::uint8_t> contents);

// Voice bytes of the setup records: 12 for the 16-voice form (melodic by
// program family, drum by note group), 13 for the 4-voice form. None is
// 0xF7: they stand inside exclusive messages.
std::vector<std::uint8_t> SmafVoiceBytes(int program, bool drum, std::size_t size);
