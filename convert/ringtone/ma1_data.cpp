#include "convert/ringtone/ma1_data.h"

#include <algorithm>

#include "convert/ringtone/ma1_voice_tables.h"
#include "core/reporters.h"
#include "core/utilities.h"

namespace {

const CodeText kMa1Table[] = {
    {a1dt::kTooLarge, "Date size exceed that can handle MA1."},
    {a1dt::kInternal, "Internal Error occurred in MA1!"},
    {a1dt::kRangeWarning, "音域が変換可能な範囲内にありません。範囲内に調整しました。"},
};
constexpr ClassReporter kMa1Reporter("A1DT", kMa1Table, "Error occurred in MA1!");

OnceWarning& RangeWarning() {
    static OnceWarning warning(kMa1Reporter);
    return warning;
}

// Programs whose notes move by octaves, in runs.
struct ShiftRun {
    int first;
    int last;
    int octaves;
};
constexpr ShiftRun kShiftRuns[] = {
    {6, 6, -1},    {10, 10, -1},  {12, 12, -1},  {19, 22, -1},  {40, 40, -1},  {45, 45, -1},
    {48, 51, -1},  {56, 56, -1},  {64, 64, -1},  {73, 75, -1},  {79, 80, -1},  {98, 98, -1},
    {106, 106, -1}, {113, 113, -1}, {115, 115, -1},
    {8, 9, -2},    {13, 13, -2},  {31, 31, -2},  {72, 72, -2},
    {32, 39, 1},   {42, 43, 1},   {47, 47, 1},   {58, 58, 1},   {67, 67, 1},   {70, 70, 1},
    {116, 116, 1}, {118, 119, 1},
};

// Pitch codes of the semitones 0..11 (0 stands for 12 of the octave below).
constexpr int kPitchCodes[12] = {15, 1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14};

struct StepRow {
    int ticks;
    int code;
};
// Steps in ticks and their codes, ascending.
constexpr StepRow kSteps[] = {{0, 0},   {2, 1},   {3, 2},   {4, 3},   {6, 4},   {8, 5},  {9, 6},
                              {12, 7},  {16, 12}, {18, 8},  {24, 13}, {36, 14}, {48, 10}};
// Ticks of each step code as the reader takes them.
constexpr int kStepTicks[16] = {0, 2, 3, 4, 6, 8, 9, 12, 18, 24, 48, 0, 16, 24, 36, 48};

struct GateRow {
    int upTo;  // largest gate of the code
    int code;
};
// The gate codes of the upper group (steps 16, 24, 36, 48) and of the
// others; gates are cut to 48 first.
constexpr GateRow kUpperGates[] = {{16, 0}, {24, 1}, {30, 2}, {33, 3}, {36, 4}, {42, 5}, {48, 6}};
constexpr GateRow kLowerGates[] = {{2, 0}, {3, 1}, {4, 2}, {6, 3}, {8, 4}, {9, 5}, {12, 6}, {48, 7}};

struct VolumeRow {
    int upTo;
    std::uint8_t b0;
    std::uint8_t b1;
};
constexpr VolumeRow kVolumes[] = {{0, 0x8F, 0xF0},   {40, 0x8D, 0xB0},  {60, 0x8D, 0x10},  {65, 0x8D, 0x00},
                                  {67, 0x8C, 0xF0},  {70, 0x8C, 0xE0},  {80, 0x8C, 0xB0},  {109, 0x8C, 0x40},
                                  {114, 0x8C, 0x30}, {119, 0x8C, 0x20}, {124, 0x8C, 0x10}, {127, 0x8C, 0x00}};

constexpr std::uint8_t kFixedBytes[] = {0x32, 0x10, 0x00, ma1_code::kTempoByte};
constexpr std::size_t kFixedAt = 66;
constexpr std::size_t kVoicesAt = 2;
constexpr std::size_t kBlockBytes = 8;
constexpr int kDrumBase = 22;

}  // namespace

void ShowMa1Error(std::uint32_t code) {
    kMa1Reporter.Show(code);
}

void ShowMa1RangeWarning() {
    RangeWarning().Show(a1dt::kRangeWarning);
}

void ResetMa1RangeWarning() {
    RangeWarning().Reset();
}

namespace ma1_code {

int RangeClass(int highestNote) {
    if (highestNote <= 48) return 0;
    if (highestNote <= 60) return 1;
    if (highestNote <= 72) return 2;
    return 3;
}

int OctaveShift(int program) {
    for (const ShiftRun& r : kShiftRuns)
        if (program >= r.first && program <= r.last) return r.octaves;
    return 0;
}

int PitchCode(int semitone) {
    return kPitchCodes[((semitone % 12) + 12) % 12];
}

int SemitoneOf(int pitchCode) {
    for (int s = 0; s < 12; ++s)
        if (kPitchCodes[s] == pitchCode) return s == 0 ? 12 : s;
    return -1;
}

int StepCode(int ticks) {
    for (const StepRow& r : kSteps)
        if (r.ticks == ticks) return r.code;
    return -1;
}

int FloorStep(int ticks) {
    int best = 0;
    for (const StepRow& r : kSteps)
        if (r.ticks <= ticks) best = r.ticks;
    return best;
}

int CeilStep(int ticks) {
    for (const StepRow& r : kSteps)
        if (r.ticks >= ticks) return r.ticks;
    return kLongestStep;
}

int StepTicks(int code) {
    return kStepTicks[code & 15];
}

bool IsUpperGroup(int stepCode) {
    return stepCode == 10 || stepCode >= 12;
}

int GateCode(int gate, int stepCode) {
    if (gate <= 0) return 0;
    const std::span<const GateRow> rows = IsUpperGroup(stepCode) ? std::span<const GateRow>(kUpperGates)
                                                                 : std::span<const GateRow>(kLowerGates);
    for (const GateRow& r : rows)
        if (gate <= r.upTo) return r.code;
    return rows.back().code;
}

int GateTicks(int gateCode, int stepCode) {
    const std::span<const GateRow> rows = IsUpperGroup(stepCode) ? std::span<const GateRow>(kUpperGates)
                                                                 : std::span<const GateRow>(kLowerGates);
    for (const GateRow& r : rows)
        if (r.code == gateCode) return r.upTo;
    return kLongestGate;
}

std::array<std::uint8_t, 2> VolumeBytes(int volume) {
    const int v = std::clamp(volume, 0, 127);
    for (const VolumeRow& r : kVolumes)
        if (v <= r.upTo) return {r.b0, r.b1};
    return {kVolumes[0].b0, kVolumes[0].b1};
}

int VolumeOf(int firstByte) {
    if (firstByte == 0x8F) return 0;
    if (firstByte == 0x8C) return 109;
    if (firstByte <= 0x8B) return 127;
    return 65;
}

}  // namespace ma1_code

namespace {

// One written event: a note (gate > 0) or a rest, and its step.
struct Ma1Event {
    int channel;
    int note;
    int gate;  // 0: a rest
    int step;
};

struct Onset {
    long long time;
    int channel;
    int note;
    int gate;
};

// The notes of the track by onset; a rest leads when the first starts late.
std::vector<Onset> Onsets(const MobileTrackData& t) {
    std::vector<Onset> out;
    long long time = 0;
    for (int i = 0; i < t.Count(); ++i) {
        const MidiEvent& e = *t.Event(i);
        time += std::max(e.delta, 0);
        if (e.kind != mobile_kind::kNote || e.channel < 0 || e.channel >= MA1::kChannels) continue;
        out.push_back({time, e.channel, e.note, std::clamp(e.length, 0, ma1_code::kLongestGate)});
    }
    if (!out.empty() && out.front().time > 0) out.insert(out.begin(), Onset{0, 0, 0, 0});
    return out;
}

// Steps above 48 split into rests; steps rounded down to the table with the
// remainder carried on; the last step is its gate rounded up. A rest of no
// step merges into the next event, and within one time step a channel keeps
// only its first note.
std::vector<Ma1Event> Steps(const std::vector<Onset>& onsets) {
    std::vector<Ma1Event> out;
    std::array<long long, MA1::kChannels> lastOnset;
    lastOnset.fill(-1);
    long long written = 0;
    long long carry = 0;
    for (std::size_t i = 0; i < onsets.size(); ++i) {
        const Onset& o = onsets[i];
        int gate = o.gate;
        if (gate > 0 && lastOnset[static_cast<std::size_t>(o.channel)] == written) gate = 0;
        if (gate > 0) lastOnset[static_cast<std::size_t>(o.channel)] = written;
        const bool last = i + 1 == onsets.size();
        long long total = last ? ma1_code::CeilStep(gate) : onsets[i + 1].time - o.time + carry;
        Ma1Event e{o.channel, o.note, gate, 0};
        while (total > ma1_code::kLongestStep) {
            e.step = ma1_code::kLongestStep;
            out.push_back(e);
            written += e.step;
            total -= ma1_code::kLongestStep;
            e.gate = 0;
        }
        e.step = ma1_code::FloorStep(static_cast<int>(total));
        carry = total - e.step;
        if (e.gate == 0 && e.step == 0) continue;
        out.push_back(e);
        written += e.step;
    }
    return out;
}

std::uint8_t KeyByte(const Ma1Event& e, bool drum, int rangeClass) {
    if (e.gate == 0) return static_cast<std::uint8_t>((ma1_code::kRestPitch << 2) | e.channel);
    const int base = drum ? kDrumBase : 24 + 12 * rangeClass;
    const int d = e.note - base;
    const int s = ((d % 12) + 12) % 12;
    int octave = (d - s) / 12;
    if (s == 0) --octave;
    octave = std::clamp(octave, 1, 3);
    return static_cast<std::uint8_t>(e.channel | (ma1_code::PitchCode(s) << 2) | (octave << 6));
}

std::uint8_t LengthByte(const Ma1Event& e) {
    int code = ma1_code::StepCode(e.step);
    if (code < 0) {
        ShowMa1Error(a1dt::kInternal);
        code = 0;
    }
    return static_cast<std::uint8_t>((code << 3) | ma1_code::GateCode(e.gate, code));
}

}  // namespace

MA1::MA1(const MobileData& model) : MusicData(kMusicDataCapacity, DeferBlock{}) {
    std::vector<const MobileChanelData*> slots;
    for (int i = 0; i < model.Count() && static_cast<int>(slots.size()) < kChannels; ++i)
        if (model.Slot(i)->enabled) slots.push_back(model.Slot(i));
    MobileTrackData track(slots.data(), static_cast<int>(slots.size()), model.Capacity(), false);
    Build(track, model.division);
}

MA1::MA1(const MobileTrackData& track, int division) : MusicData(kMusicDataCapacity, DeferBlock{}) {
    MobileTrackData copy(track, static_cast<int>(WorkBufferSize));
    Build(copy, division);
}

void MA1::Build(MobileTrackData& track, int division) {
    ResetMa1RangeWarning();
    track.RemoveControls(mobile_code::kEndOfTrack);
    track.RescaleTimes(division > 0 ? division : kDivision, kDivision);
    std::vector<std::uint8_t> image(kEventsAt, 0);
    std::array<int, kChannels> ranges{};
    std::array<bool, kChannels> drums{};
    for (int c = 0; c < kChannels; ++c) {
        int low = 0;
        int high = 0;
        track.GetNoteRange(c, &low, &high);
        const int rangeClass = ma1_code::RangeClass(high);
        const int program = std::clamp(track.GetControlValue(c, mobile_code::kProgram), 0, 127);
        const int volume = track.GetControlValue(c, mobile_code::kVolume);
        ranges[static_cast<std::size_t>(c)] = rangeClass;
        drums[static_cast<std::size_t>(c)] = track.IsDrumChannel(c) == 1;
        std::uint8_t* block = image.data() + kVoicesAt + kBlockBytes * static_cast<std::size_t>(c);
        if (drums[static_cast<std::size_t>(c)]) {
            ShowMa1Error(a1dt::kInternal);
        } else {
            const auto voice = Ma1Voice(program);
            std::copy(voice.begin(), voice.end(), block);
            const Ma1RangePair r = Ma1Range(program, rangeClass);
            block[0] = static_cast<std::uint8_t>(block[0] | (r.r0 << 5));
            block[4] = static_cast<std::uint8_t>(block[4] | (r.r1 << 5));
        }
        const auto bytes = ma1_code::VolumeBytes(volume < 0 ? 127 : volume);
        block[6] = bytes[0];
        block[7] = bytes[1];
    }
    std::copy(std::begin(kFixedBytes), std::end(kFixedBytes), image.begin() + kFixedAt);
    // Each channel's notes move by its program's octaves, held to 0..127.
    std::array<int, kChannels> shifts{};
    for (int c = 0; c < kChannels; ++c)
        if (!drums[static_cast<std::size_t>(c)])
            shifts[static_cast<std::size_t>(c)] =
                12 * ma1_code::OctaveShift(track.GetControlValue(c, mobile_code::kProgram));
    for (int i = 0; i < track.Count(); ++i) {
        MidiEvent& e = *track.Event(i);
        if (e.kind != mobile_kind::kNote || e.channel < 0 || e.channel >= kChannels) continue;
        const int moved = e.note + shifts[static_cast<std::size_t>(e.channel)];
        if (moved < 0 || moved > 127) ShowMa1RangeWarning();
        e.note = std::clamp(moved, 0, 127);
    }
    const std::vector<Ma1Event> events = Steps(Onsets(track));
    for (const Ma1Event& e : events) {
        image.push_back(KeyByte(e, drums[static_cast<std::size_t>(e.channel)], ranges[static_cast<std::size_t>(e.channel)]));
        image.push_back(LengthByte(e));
    }
    eventCount_ = static_cast<int>(events.size());
    SetLength(0);
    // Bytes 0-1 cannot hold a longer length: no image is given.
    if (image.size() > kMaxImage) {
        ShowMa1Error(a1dt::kTooLarge);
        return;
    }
    WriteBigEndian16(image.data(), static_cast<std::uint16_t>(image.size()));
    HoldCopy(image.data(), static_cast<int>(image.size()));
}
