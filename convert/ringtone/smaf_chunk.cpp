#include "convert/ringtone/smaf_chunk.h"

#include <array>
#include <mutex>
#include <string>
#include <utility>

#include "convert/ringtone/mfi_voice_tables.h"
#include "core/byte_cursor.h"
#include "core/reporters.h"

namespace {

const CodeText kChunkTable[] = {
    {smcd::kChunkSize, "Chank data size is invalid!"},
    {smcd::kNoContents, "There are no contents information chunks!"},
    {smcd::kNoScoreTrack, "There are no score track chunks!"},
    {smcd::kNoSeekPhrase, "There are no seek and phrase information chunks!"},
    {smcd::kNoSetup, "There are no setup data chunks!"},
    {smcd::kNoSequence, "There are no sequence data chunks!"},
    {smcd::kNoStart, "There are no start point!"},
    {smcd::kNoStop, "There are no stop point!"},
    {smcd::kNoTone, "No tone is set!"},
    {smcd::kOverSixteenTones,
     "More than sixteen tones are assigned to smaf. Check the sound with terminal!"},
    {smcd::kAverageRate, "Averate transfer rate is over!"},
    {smcd::kPeakRate, "Maximum transger rate is over!"},
    {smcd::kTooManyTones, "Too many tones are used!"},
    {smcd::kTimeBase, "Time Base is wrong!"},
    {smcd::kEvent, "Event is wrong!"},
    {smcd::kProgramChange, "Program change is wrong!"},
    {smcd::kSystemEvent, "System event is wrong!"},
    {smcd::kControlChange, "Control change is wrong!"},
    {smcd::kPitchBend, "Pitch bend is wrong!"},
    {smcd::kContentsInfo, "Contents info is wrong!"},
    {smcd::kSetup, "Setup data is wrong!"},
    {smcd::kSetup2, "Setup data is wrong!"},
    {smcd::kSetup3, "Setup data is wrong!"},
    {smcd::kChannelCount, "The number of channel is invalid!"},
    {smcd::kFileFormat, "File format is invalid!"},
    {smcd::kAudioOnly, "There are no score track chunks, only audio tracks!"},
};
constexpr ClassReporter kChunkReporter("SMCD", kChunkTable, "Error occured in SmafChunkData!");

const CodeText kScoreTrackTable[] = {
    {smcd::kAverageRate, "転送レートが高いため間引きを行いました。"},
    {smcd::kPeakRate, "転送レートが高いため間引きを行いました。"},
};
constexpr ClassReporter kScoreTrackReporter("S3SC", kScoreTrackTable,
                                            "Smafのチャンクデータでエラーが発生しました。");

// The thinning text is one text for both rate codes: shown once per track.
struct ScoreTrackOnce {
    std::mutex mutex;
    bool shown = false;
};

ScoreTrackOnce& Once() {
    static ScoreTrackOnce once;
    return once;
}

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        std::uint16_t c = static_cast<std::uint16_t>(i << 8);
        for (int b = 0; b < 8; ++b)
            c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
        table[static_cast<std::size_t>(i)] = c;
    }
    return table;
}
constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();


}  // namespace

void ShowSmafChunkError(std::uint32_t code) {
    kChunkReporter.Show(code);
}

const ReporterWords kSmafChunkFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kChunkReporter.Format(code); }, nullptr};

void ShowSmafScoreTrackError(std::uint32_t code) {
    if (code == smcd::kAverageRate || code == smcd::kPeakRate) {
        ScoreTrackOnce& once = Once();
        {
            std::lock_guard lock(once.mutex);
            if (once.shown) return;
            once.shown = true;
        }
    }
    kScoreTrackReporter.Show(code);
}

void ResetSmafScoreTrackWarnings() {
    ScoreTrackOnce& once = Once();
    std::lock_guard lock(once.mutex);
    once.shown = false;
}

std::uint16_t SmafCrc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes)
        crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ b) & 0xFF]);
    return static_cast<std::uint16_t>(~crc);
}

std::vector<SmafChunk> WalkSmafChunks(std::span<const std::uint8_t> bytes, ReadLog& log) {
    std::vector<SmafChunk> out;
    ByteCursor cursor(bytes);
    // Every turn takes a whole chunk or ends the walk.
    while (!cursor.AtEnd()) {
        const std::size_t at = cursor.Offset();
        auto head = cursor.Take(4);
        std::uint32_t length = 0;
        if (head.empty() || !cursor.ReadBe32(length) || length > cursor.Left()) {
            log.Add(kSmafChunkFindings, smcd::kChunkSize, at);
            break;
        }
        out.push_back({std::string_view(reinterpret_cast<const char*>(head.data()), 4), cursor.Take(length)});
    }
    return out;
}

bool SmafWalkIsWhole(const std::vector<SmafChunk>& chunks, std::span<const std::uint8_t> bytes) {
    if (chunks.empty()) return bytes.empty();
    const std::span<const std::uint8_t> last = chunks.back().contents;
    return last.data() + last.size() == bytes.data() + bytes.size();
}

std::uint32_t SmafMissingScoreCode(const std::vector<SmafChunk>& chunks) {
    for (const SmafChunk& c : chunks)
        if (c.Id3() == "ATR") return smcd::kAudioOnly;
    return smcd::kNoScoreTrack;
}

void TidySmafFindings(ReadLog& log, bool refused) {
    ReadLog kept;
    for (const ReadFinding& f : log.Findings()) {
        if (refused && !kept.Empty()) break;
        kept.AddOnce(f);
    }
    log = std::move(kept);
}

bool AppendSmafChunk(std::vector<std::uint8_t>& out, std::string_view id,
                     std::span<const std::uint8_t> contents) {
    if (contents.size() > kSmafChunkLimit || id.size() != 4) return false;
    for (char c : id)
        out.push_back(static_cast<std::uint8_t>(c));
    const auto n = static_cast<std::uint32_t>(contents.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(n >> shift));
    for (std::uint8_t b : contents)
        out.push_back(b);
    return true;
}

std::vector<std::uint8_t> SmafVoiceBytes(int program, bool drum, std::size_t size) {
    auto voice = drum ? MfiDrumVoice12(program) : MfiVoice12(program & 0x7F);
    std::vector<std::uint8_t> out;
    // Seven bits each, as every byte of an exclusive message.
    for (std::uint8_t b : voice)
        out.push_back(static_cast<std::uint8_t>(b & 0x7F));
    // The 4-voice record's last byte: the family, for the handset's tone
    // group.
    while (out.size() < size)
        out.push_back(static_cast<std::uint8_t>(drum ? 0x7F : MfiProgramFamily(program & 0x7F)));
    out.resize(size);
    return out;
}
