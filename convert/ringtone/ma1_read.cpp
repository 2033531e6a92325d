// Reading MA-1 images back into a ringtone track, and the listen road.
#include <algorithm>
#include <climits>

#include "convert/ringtone/ma1_data.h"
#include "convert/ringtone/ma1_voice_tables.h"
#include "core/byte_cursor.h"
#include "core/utilities.h"

namespace {

constexpr std::size_t kVoicesAt = 2;
constexpr std::size_t kBlockBytes = 8;
constexpr std::size_t kTempoAt = 69;
constexpr std::size_t kFirstLengthAt = 83;
constexpr std::size_t kFileReadLimit = 0xF0000;
constexpr int kReadVelocity = 100;
constexpr int kNoteBase = 48;

// The first program whose voice has the block's bytes 1, 2, 3 and 5 (the
// others carry the range bits); 0 when none has.
int ProgramOf(const std::uint8_t* block) {
    for (int p = 0; p < kMa1Programs; ++p) {
        const auto v = Ma1Voice(p);
        if (v[1] == block[1] && v[2] == block[2] && v[3] == block[3] && v[5] == block[5]) return p;
    }
    return 0;
}

// Programs the writer raised by an octave sound two octaves lower.
bool ReadLowered(int program) {
    return (program >= 32 && program <= 39) || program == 42 || program == 43;
}

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, INT_MAX));
}

}  // namespace

std::unique_ptr<MobileTrackData> ReadMa1Track(std::span<const std::uint8_t> image) {
    std::uint16_t declared = 0;
    if (!ByteCursor(image).ReadBe16(declared)) return nullptr;
    // The length in bytes 0-1 is believed only as far as the bytes go.
    ByteCursor in(image.first(std::min<std::size_t>(declared, image.size())));
    if (!in.Has(MA1::kEventsAt)) return nullptr;
    // The head is all there: voice blocks, tempo byte, first length byte.
    in.Skip(kVoicesAt);
    const auto blocks = in.Take(kBlockBytes * MA1::kChannels);
    in.Skip(kTempoAt - in.Offset());
    int tempoByte = in.ReadByte().value_or(0);
    in.Skip(kFirstLengthAt - in.Offset());
    auto track = std::make_unique<MobileTrackData>(static_cast<int>(WorkBufferSize));
    if (tempoByte == 0) tempoByte = ma1_code::kTempoByte;
    track->AppendMetaEvent(0, kNoChannel, mobile_code::kTempo, BpmToTempo((2100 / tempoByte) * 4));
    std::array<int, MA1::kChannels> programs{};
    for (int c = 0; c < MA1::kChannels; ++c) {
        const auto block = blocks.subspan(kBlockBytes * static_cast<std::size_t>(c), kBlockBytes);
        programs[static_cast<std::size_t>(c)] = ProgramOf(block.data());
        track->AppendMetaEvent(0, c, mobile_code::kProgram, programs[static_cast<std::size_t>(c)]);
        track->AppendMetaEvent(0, c, mobile_code::kVolume, ma1_code::VolumeOf(block[6]));
    }
    // Event k: its delta from the length byte before its key byte, its gate
    // from the length byte after it, which is the next one's length byte before.
    long long pending = 0;
    int before = in.ReadByte().value_or(0);
    bool any = false;
    // Every turn takes two bytes.
    while (in.Has(2)) {
        const int key = in.ReadByte().value_or(0);
        const int length = in.ReadByte().value_or(0);
        pending += ma1_code::StepTicks(before >> 3);
        before = length;
        any = true;
        const int channel = key & 3;
        const int semitone = ma1_code::SemitoneOf((key >> 2) & 15);
        if (semitone < 0) continue;  // a rest
        int note = (key >> 6) * 12 + kNoteBase + semitone;
        if (ReadLowered(programs[static_cast<std::size_t>(channel)])) note -= 24;
        const int stepCode = (length >> 3) & 15;
        track->AppendNote(ClampDelta(pending), channel, note, ma1_code::GateTicks(length & 7, stepCode), kReadVelocity);
        pending = 0;
    }
    // The last event's step ends the tune.
    if (any) pending += ma1_code::StepTicks(before >> 3);
    track->AppendMetaEvent(ClampDelta(pending), kNoChannel, mobile_code::kEndOfTrack, 0);
    return track;
}

std::unique_ptr<MobileData> ReadMa1File(const std::string& path) {
    // The head of a longer file is read, not refused.
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(GetFileLength(path), kFileReadLimit));
    if (count == 0) return nullptr;
    std::vector<std::uint8_t> buffer(count);
    if (!ReadExactly(path, buffer.data(), count)) return nullptr;
    auto track = ReadMa1Track(std::span(buffer.data(), count));
    if (!track) return nullptr;
    auto model = std::make_unique<MobileData>(*track, static_cast<int>(WorkBufferSize));
    model->division = MA1::kDivision;
    model->tempo = track->Event(0)->value;
    return model;
}

int PlayMa1File(const std::string& path, PlayEndCallback callback, std::unique_ptr<MobileData>& listen) {
    listen = ReadMa1File(path);
    if (!listen) return 0;
    return listen->Play(callback);
}
