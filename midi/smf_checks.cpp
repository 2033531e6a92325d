#include "midi/smf_checks.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "core/reporters.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"

std::atomic<int> CheckedSmfDivision{0};

int CheckSmfDivision(const MidiData& song) {
    if (!IsPlayableDivision(song.division)) {
        ShowErrorMessage(0xFF010103u);
        return 0;
    }
    CheckedSmfDivision = song.division;
    return 1;
}

int ConvertSmfBufferToFormat0(std::uint8_t* buffer, std::size_t capacity, std::size_t* length) {
    if (!buffer || !length || *length == 0 || *length > capacity) return 0;
    constexpr auto kIntMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
    int size = static_cast<int>(*length);
    const int room = static_cast<int>(std::min(capacity, kIntMax));
    // Drops a 128-byte block in front of the header first, so that the
    // length follows the image even when it is format 0 already.
    if (MidiData::DetectSmfFormat(buffer, &size) < 0) return 0;
    if (!MidiData::ConvertSmfFormat(buffer, &size, 0, room)) {
        *length = static_cast<std::size_t>(size);
        return 0;
    }
    *length = static_cast<std::size_t>(size);
    return 1;
}

// ---- Damaged files ----

namespace {

constexpr std::size_t kSmfPrefix = 128;  // a MacBinary block before "MThd"
constexpr std::size_t kChunkHead = 8;
constexpr int kMostTracksRead = 32;  // a format-1 count of 64 or more reads 32
constexpr int kTooManyTracks = 64;

bool IsTrackChunkId(const std::uint8_t* p) {
    return std::memcmp(p, "MTrk", 4) == 0 || std::memcmp(p, "XFKM", 4) == 0 ||
           std::memcmp(p, "XFIH", 4) == 0;
}

// Bytes of a status byte, a length count and the bytes counted at the
// start of rest; 0 when the count or the bytes run past rest.
std::size_t CountedEventBytes(std::span<const std::uint8_t> rest, std::size_t skip) {
    if (rest.size() <= skip) return 0;
    std::uint32_t count = 0;
    const int used = ReadVarLen(rest.data() + skip, rest.size() - skip, &count);
    const std::size_t head = skip + static_cast<std::size_t>(used);
    if (used == 0 || count > rest.size() - head) return 0;
    return head + count;
}

// Bytes of the channel message at the start of rest, status says which;
// the first byte is its status unless it runs on the last one.
SmfProblem ChannelMessageBytes(std::span<const std::uint8_t> rest, int status, bool running,
                               std::size_t* n) {
    const int kind = status & 0xF0;
    const std::size_t count = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
    const std::size_t start = running ? 0 : 1;
    if (rest.size() < start + count) return SmfProblem::kCutEvent;
    // Note keys and programs out of range are repaired by the reader.
    if (rest[start] >= 0x80 && kind != 0x80 && kind != 0x90 && kind != 0xC0)
        return SmfProblem::kUndefinedEvent;
    *n = start + count;
    return SmfProblem::kNone;
}

// Walks the events of one chunk body; running is the status last read.
SmfProblem CheckTrackEvents(std::span<const std::uint8_t> body, int& running) {
    std::size_t pos = 0;
    while (pos < body.size()) {  // every pass moves on by at least 2 bytes
        std::uint32_t delta = 0;
        const int used = ReadVarLen(body.data() + pos, body.size() - pos, &delta);
        // The delta must be followed by at least the event's first byte.
        if (used == 0 || static_cast<std::size_t>(used) >= body.size() - pos)
            return SmfProblem::kCutEvent;
        pos += static_cast<std::size_t>(used);
        const std::span<const std::uint8_t> rest = body.subspan(pos);
        const int b = rest[0];
        std::size_t n = 0;
        if (b == 0xFF) {
            if (rest.size() < 3 || (n = CountedEventBytes(rest, 2)) == 0)
                return SmfProblem::kMetaPastTrack;
        } else if (b == 0xF0 || b == 0xF7) {
            running = b;
            if ((n = CountedEventBytes(rest, 1)) == 0) return SmfProblem::kSysExPastTrack;
        } else {
            const bool explicitStatus = b >= 0x80 && b <= 0xEF;
            if (explicitStatus) running = b;
            if (running < 0x80 || running > 0xEF) return SmfProblem::kUndefinedEvent;
            const SmfProblem p = ChannelMessageBytes(rest, running, !explicitStatus, &n);
            if (p != SmfProblem::kNone) return p;
        }
        pos += n;
    }
    return SmfProblem::kNone;
}

// What is wrong with the track chunk that should start rest.
SmfProblem ChunkHeadProblem(std::span<const std::uint8_t> rest) {
    if (rest.empty()) return SmfProblem::kMissingTrack;
    if (rest.size() < kChunkHead) return SmfProblem::kChunkPastEnd;
    if (!IsTrackChunkId(rest.data())) return SmfProblem::kUnknownChunk;
    if (ReadBigEndian32(rest.data() + 4) > rest.size() - kChunkHead)
        return SmfProblem::kChunkPastEnd;
    return SmfProblem::kNone;
}

}  // namespace

SmfDamage FindSmfDamage(std::span<const std::uint8_t> image) {
    SmfDamage damage;
    if (image.size() >= kSmfPrefix + 4 && std::memcmp(image.data(), "MThd", 4) != 0 &&
        std::memcmp(image.data() + kSmfPrefix, "MThd", 4) == 0)
        image = image.subspan(kSmfPrefix);
    // A header the readers refuse (no "MThd", cut, another format, no
    // track) is theirs to tell, in their own words.
    if (image.size() < static_cast<std::size_t>(kSmfHeaderSize) ||
        std::memcmp(image.data(), "MThd", 4) != 0)
        return damage;
    const std::uint64_t headerEnd =
        kChunkHead + std::max<std::uint64_t>(ReadBigEndian32(image.data() + 4), 6);
    const int format = ReadBigEndian16(image.data() + 8);
    int tracks = ReadBigEndian16(image.data() + 10);
    if (headerEnd > image.size() || (format != 0 && format != 1) || tracks == 0) return damage;
    if (format == 0) tracks = 1;
    if (tracks >= kTooManyTracks) tracks = kMostTracksRead;
    std::size_t offset = static_cast<std::size_t>(headerEnd);
    int running = 0;
    for (int t = 1; t <= tracks; ++t) {
        damage.track = t;
        damage.problem = ChunkHeadProblem(image.subspan(offset));
        if (damage.problem != SmfProblem::kNone) return damage;
        const std::size_t length = ReadBigEndian32(image.data() + offset + 4);
        damage.problem = CheckTrackEvents(image.subspan(offset + kChunkHead, length), running);
        if (damage.problem != SmfProblem::kNone) return damage;
        offset += kChunkHead + length;
    }
    return SmfDamage{};
}

std::string DescribeSmfDamage(const SmfDamage& damage, std::uintmax_t size,
                              std::uintmax_t maxSize) {
    const std::string track = "track " + std::to_string(damage.track);
    switch (damage.problem) {
        case SmfProblem::kNone:
            return {};
        case SmfProblem::kTooLarge:
            return "the file is too large (" + std::to_string(size) + " bytes; at most " +
                   std::to_string(maxSize) + " bytes can be read)";
        case SmfProblem::kMissingTrack:
            return "the file is cut off: it ends before " + track;
        case SmfProblem::kUnknownChunk:
            return track + " does not start with \"MTrk\"";
        case SmfProblem::kChunkPastEnd:
            return track + " runs past the end of the file (the file is cut off or damaged)";
        case SmfProblem::kCutEvent:
            return "an event of " + track + " is cut off at its end";
        case SmfProblem::kMetaPastTrack:
            return "a meta event of " + track + " runs past the end of the track";
        case SmfProblem::kSysExPastTrack:
            return "a system exclusive message of " + track + " runs past the end of the track";
        case SmfProblem::kUndefinedEvent:
            return track + " holds bytes that are no MIDI event";
    }
    return {};
}

int CheckMidiInputFile(const std::string& path, std::uintmax_t maxSize) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    std::vector<std::uint8_t> image;
    SmfDamage damage;
    if (error) return 1;
    if (size > maxSize) {
        damage.problem = SmfProblem::kTooLarge;
    } else {
        std::ifstream in(path, std::ios::binary);
        image.resize(static_cast<std::size_t>(size));
        if (!in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(size)))
            return 1;
        damage = FindSmfDamage(image);
    }
    if (damage.problem == SmfProblem::kNone) return 1;
    const std::string name = std::filesystem::path(path).filename().string();
    ShowErrorBox("\"" + name + "\" can not be read: " + DescribeSmfDamage(damage, size, maxSize) +
                 ".");
    return 0;
}
