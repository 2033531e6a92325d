#include "convert/input_types.h"

#include <algorithm>
#include <fstream>

#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfm_data.h"
#include "convert/ringtone/smaf_data.h"
#include "core/byte_cursor.h"
#include "core/reporters.h"
#include "core/utilities.h"

namespace {

// The ringtone model every read-back fills.
// A Standard MIDI File may follow a prefix of this many bytes.
constexpr std::size_t kMidiPrefixBytes = 128;

bool IsMfiHead(std::span<const std::uint8_t> head) {
    const ByteCursor at(head);
    return at.Matches("melo") || at.Matches("cmid");
}

bool IsSmafHead(std::span<const std::uint8_t> head) { return ByteCursor(head).Matches("MMMD"); }

bool IsMfmHead(std::span<const std::uint8_t> head) { return ByteCursor(head).Matches("mfmp"); }

bool IsWavHead(std::span<const std::uint8_t> head) {
    const ByteCursor at(head);
    return at.Matches("RIFF") && at.Matches(8, {'W', 'A', 'V', 'E'});
}

bool IsMidiHead(std::span<const std::uint8_t> head) {
    const ByteCursor at(head);
    return at.Matches("MThd") || at.Matches(kMidiPrefixBytes, {'M', 'T', 'h', 'd'});
}

// A file longer than an image may be is refused whole; an image of neither
// MFi head, or one the reader refused, gives nothing.
std::unique_ptr<MobileData> ReadMfi(std::span<const std::uint8_t> bytes, ReadLog& log) {
    if (bytes.size() > static_cast<std::size_t>(kMusicDataCapacity)) {
        log.Add(kGeneralFindings, gene::kDataTooLarge);
        return nullptr;
    }
    const MFiData mfi(bytes.data(), static_cast<int>(bytes.size()), log);
    if (mfi.VoiceType() == mfi_voice::kUnknown || mfi.Length() <= 0) return nullptr;
    auto model = std::make_unique<MobileData>(kMobileModelCapacity);
    mfi.ToMobileData(*model);
    return model;
}

// The compact form directly, the MA-3 form through the compact one, as the
// score track's format tells; a refused file gives its one finding.
std::unique_ptr<MobileData> ReadSmaf(std::span<const std::uint8_t> bytes, ReadLog& log) {
    const std::unique_ptr<SmafData> smaf = ReadSmafScoreTracks(bytes, log);
    return smaf ? smaf->ToMobileData(log) : nullptr;
}

// An empty file gives nothing, without a word; one the reader refused gives
// nothing, with the reader's findings.
std::unique_ptr<MobileData> ReadMfm(std::span<const std::uint8_t> bytes, ReadLog& log) {
    if (bytes.empty()) return nullptr;
    const MFMData mfm(bytes.data(), bytes.size(), log);
    if (mfm.Length() <= 0) return nullptr;
    auto model = std::make_unique<MobileData>(kMobileModelCapacity);
    mfm.ToMobileData(*model);
    return model;
}

void ReportMfiUnopened(const std::string& path) {
    ShowErrorBox(path);
    ShowGeneralError(gene::kCantOpenFile);
}

void ReportSmafUnopened(const std::string&) { ShowSmafLoaderError(smld::kInternal); }

// One row per input kind. A head is looked for in row order, so the MIDI
// row, whose head may follow a prefix, comes last; it is also the kind of a
// file that tells none.
constexpr InputType kInputTypes[kInputTypeCount] = {
    // MFi and PMD: "melo" or "cmid"
    {"MFi", {"mld", "pmd"}, IsMfiHead, InputYield::Ringtone, ReadMfi, ReportMfiUnopened},
    // SMAF, compact or MA-3: "MMMD"
    {"SMAF", {"mmf", nullptr}, IsSmafHead, InputYield::Ringtone, ReadSmaf, ReportSmafUnopened},
    // MFM: "mfmp"
    {"MFM", {"mfm", nullptr}, IsMfmHead, InputYield::Ringtone, ReadMfm, nullptr},
    // WAV: "RIFF", its length, "WAVE"; read by the ring-voice maker
    {"WAV", {"wav", nullptr}, IsWavHead, InputYield::Wave, nullptr, nullptr},
    // Standard MIDI File: "MThd", maybe after a 128-byte prefix
    {"SMF", {"mid", nullptr}, IsMidiHead, InputYield::Tune, nullptr, nullptr},
};
constexpr const InputType& kOtherInput = kInputTypes[kInputTypeCount - 1];

}  // namespace

const InputType& FindInputType(std::span<const std::uint8_t> head, std::string_view extension) {
    for (const InputType& type : kInputTypes)
        if (type.sniff(head)) return type;
    for (const InputType& type : kInputTypes)
        for (const char* named : type.extensions)
            if (named && extension == named) return type;
    return kOtherInput;
}

std::optional<std::vector<std::uint8_t>> ReadInputBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes(kInputReadLimit);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return bytes;
}
