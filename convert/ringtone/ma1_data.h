// MA1: a compact four-channel MA-1 (".ma1") ringtone image of at most 0xFFFF
// bytes, built from the ringtone model or a four-channel ringtone track; and
// the reader that turns such an image back into a ringtone track.
//
// ma1_data.cpp holds the build, ma1_read.cpp the reader and the listen road.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "convert/mobile_data.h"
#include "convert/mobile_track_data.h"
#include "midi/music_data.h"
#include "midi/play_callbacks.h"

// Failures of MA1, tag "A1DT".
namespace a1dt {
constexpr std::uint32_t kTooLarge = 0x0A000001;
constexpr std::uint32_t kInternal = 0x0A000002;
constexpr std::uint32_t kRangeWarning = 0x0A000003;  // once per build
}  // namespace a1dt

void ShowMa1Error(std::uint32_t code);
void ShowMa1RangeWarning();
void ResetMa1RangeWarning();

// The codes of the format, shared by the writer and the reader.
namespace ma1_code {
constexpr int kRestPitch = 12;
constexpr int kTempoByte = 0x47;
constexpr int kLongestStep = 48;
constexpr int kLongestGate = 48;

// Range class of a channel from its highest note.
int RangeClass(int highestNote);
// Octaves a program moves its notes by on writing.
int OctaveShift(int program);
// Pitch code of a semitone 0..11, and the semitone (1..12) of a pitch code
// (-1 for the codes that are rests).
int PitchCode(int semitone);
int SemitoneOf(int pitchCode);
// The step code of a step in the table (-1 when the step is not there).
int StepCode(int ticks);
// Steps of the table: the largest at most ticks, the smallest at least.
int FloorStep(int ticks);
int CeilStep(int ticks);
// Ticks of a step code.
int StepTicks(int code);
bool IsUpperGroup(int stepCode);
// The gate code of a gate in the group of a step code, and back to the
// largest gate of that code's range.
int GateCode(int gate, int stepCode);
int GateTicks(int gateCode, int stepCode);
// The two volume bytes of a channel volume.
std::array<std::uint8_t, 2> VolumeBytes(int volume);
// The channel volume the reader takes from a volume code's first byte.
int VolumeOf(int firstByte);
}  // namespace ma1_code

class MA1 : public MusicData {
public:
    static constexpr int kChannels = 4;
    static constexpr int kDivision = 12;
    static constexpr std::size_t kEventsAt = 84;
    static constexpr std::size_t kMaxImage = 0xFFFF;

    // The model's first four enabled slots, on channels 0..3.
    explicit MA1(const MobileData& model);
    // A four-channel track of the given ticks per quarter note.
    MA1(const MobileTrackData& track, int division);

    // The written events (key byte, length byte), after the 00 byte.
    int EventCount() const { return eventCount_; }

private:
    void Build(MobileTrackData& track, int division);

    int eventCount_ = 0;
};

// Reads an MA-1 image into a ringtone track of 12 ticks per quarter note:
// the tempo, each channel's program and volume, then the notes. Null when
// the image (cut to the length in its bytes 0-1) is shorter than 84 bytes.
std::unique_ptr<MobileTrackData> ReadMa1Track(std::span<const std::uint8_t> image);
// At most 0xF0000 bytes of the file as a model of division 12 (null when
// the file gives no track).
std::unique_ptr<MobileData> ReadMa1File(const std::string& path);
// The listen road: the file's model, kept in listen, plays with the callback.
// 0 when there was nothing to play.
int PlayMa1File(const std::string& path, PlayEndCallback callback, std::unique_ptr<MobileData>& listen);
