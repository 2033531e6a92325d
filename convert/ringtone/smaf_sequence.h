// The sequence data of SMAF "Mtsq" chunks, both ways: a stream of events,
// each a duration followed by the event bytes. Flavour B (the 4- and
// 16-voice handsets) packs four channels per score track into compact
// notes with octave registers; flavour A (32 voices and more) carries
// sixteen channels in MIDI-like status bytes and is thinned when its
// transfer rate runs too high.
//
// smaf_sequence.cpp holds the time conversion and flavour B,
// smaf_ma3_sequence.cpp flavour A with the thinning.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "convert/mobile_track_data.h"
#include "core/read_log.h"
#include "midi/mobile_subtypes.h"

// Failures of the flavour-B sequence, tag "SSQD".
namespace ssqd {
constexpr std::uint32_t kExclusive = 0x1B000001;
constexpr std::uint32_t kUndefinedEvent = 0x1B000002;
constexpr std::uint32_t kDataSize = 0x1B000004;
constexpr std::uint32_t kShift = 0x1B000005;
constexpr std::uint32_t kDrum = 0x1B000006;
constexpr std::uint32_t kTrackEnd = 0x1B000007;
constexpr std::uint32_t kCommand = 0x1B000008;
constexpr std::uint32_t kNote = 0x1B000009;
constexpr std::uint32_t kOctave = 0x1B000010;
constexpr std::uint32_t kMusicalData = 0x1B000011;
constexpr std::uint32_t kMusicalData2 = 0x1B000012;
constexpr std::uint32_t kChannelType = 0x1B000013;
}  // namespace ssqd

void ShowSmafSequenceError(std::uint32_t code);
// The same reporter's findings in a ReadLog.
extern const ReporterWords kSmafSequenceFindings;

// The ringtone control subtypes only the SMAF formats use.
namespace smaf_code {
constexpr int kBank = mobile_code::kDrumMark;          // 0x31: 128 on a drum channel
constexpr int kOctaveShift = mobile_code::kFormat50;   // 0x32: octaves, -4..4
constexpr int kCode33 = mobile_code::kFormat51;        // 0x33
constexpr int kExpression = mobile_code::kFormat53;    // 0x35
constexpr int kEnd = mobile_code::kFormat54;           // 0x36: end of the stream
constexpr int kBendSwitch = 55;                        // 0x37: 0 before bends, 1 after
constexpr int kModulationWheel = mobile_code::kModulationWheel;  // 0x39: controller 1 read back
constexpr int kExclusive = 240;                        // data: the message's bytes
}  // namespace smaf_code

// Longest duration and gate each flavour's two bytes hold (about 41 s).
constexpr int kSmafMaxDurationB = 8319;
constexpr int kSmafMaxDurationA = 8191;
// Time base code 3: 5 ms per unit.
constexpr int kSmafTimeBase5ms = 3;

// One event on the SMAF time line: absolute time and gate in units.
struct SmafEvent {
    long long time = 0;
    int kind = mobile_kind::kControl;
    int channel = kNoChannel;
    int subtype = 0;
    int value = 0;
    int note = 0;
    int gate = 0;
    int velocity = 0;
    std::vector<std::uint8_t> data;
};

// Tick times of a model at `division` per quarter into SMAF units of 5 ms.
// The tempo map holds (tick, microseconds per quarter) in time order; until
// the first entry the tempo is 60 per minute. A tempo below 1000 µs counts
// as 1000 µs.
class SmafClock {
public:
    SmafClock(std::vector<std::pair<long long, int>> tempos, int division);
    // The unit reached at the tick (the carried fraction rounded down).
    long long Units(long long tick) const;
    // A gate starting at the tick, with the caller's carried fraction; at
    // least 1.
    int GateUnits(long long tick, int gate, long long& carry) const;
    // Tempo (µs per quarter) in force at the tick.
    int TempoAt(long long tick) const;

private:
    std::vector<std::pair<long long, int>> tempos_;
    long long division_;
};

// The tempo map of a track: every tempo control with its tick.
std::vector<std::pair<long long, int>> SmafTempoMap(const MobileTrackData& track);
// The track's events in units, its tempo controls left out.
std::vector<SmafEvent> ToSmafEvents(const MobileTrackData& track, const SmafClock& clock);

// Durations and gates.
void AppendSmafDurationB(std::vector<std::uint8_t>& out, int value);
void AppendSmafDurationA(std::vector<std::uint8_t>& out, int value);

// Bytes written by an encoder with the offsets the "MspI" chunk names.
struct SmafSequenceBytes {
    std::vector<std::uint8_t> bytes;
    std::uint32_t start = 0;
    std::uint32_t stop = 0;
};

// ---- Flavour B ----

// Runs the octave-shift, drum and bend-switch passes on the events of one
// score track (channels 0..3; drum[c] names the drum channels), then writes
// them. startUnit/stopUnit: the times of the start and stop points, -1 for
// the first note and the end.
SmafSequenceBytes EncodeSmafSequenceB(std::vector<SmafEvent> events, const std::array<bool, 4>& drum,
                                      long long startUnit, long long stopUnit, long long endUnit);
// The passes alone (for the tests).
void PrepareSmafEventsB(std::vector<SmafEvent>& events, const std::array<bool, 4>& drum);
// Shift code and note byte of a drum program, and the pitch a note byte
// stands for.
struct SmafDrumEntry {
    std::uint8_t shiftCode;
    std::uint8_t noteByte;
};
SmafDrumEntry SmafDrumTableEntry(int program);
int SmafNoteBytePitch(int noteByte);
// The octave-shift code of a shift value, -1 when it has none; and back.
int SmafShiftCode(int shift);
int SmafShiftValue(int code, bool* ok);

// Reads a flavour-B stream into a track: deltas and gates in units,
// channels 0..3, octave shifts applied to the notes. What is wrong in the
// stream is logged (SSQD codes, at their offset in bytes).
std::unique_ptr<MobileTrackData> DecodeSmafSequenceB(std::span<const std::uint8_t> bytes, int capacity,
                                                     ReadLog& log);

// ---- Flavour A ----

// Rates of one encoding pass, in bytes per window.
struct SmafRates {
    long long average = 0;
    long long peak = 0;
};

// The rate window of a time-base byte: 200 units for 3, 250 for 2, else
// "Time Base is wrong!" and 200.
int SmafRateWindow(int timeBase);
// One encoding pass over sixteen channels (velocities run per channel from
// 64), with its rates over the window.
SmafSequenceBytes EncodeSmafSequenceA(const std::vector<SmafEvent>& events, int window, SmafRates* rates);
// Before encoding: end markers become one 0x36 at the last one's time,
// expression 0x2A becomes 0x35, and the sound-module exclusive goes first.
void PrepareSmafEventsA(std::vector<SmafEvent>& events);
// Drops notes of every group of simultaneous events holding more than
// limit notes, sparing channels 1, 3, 9, 14 and 15.
void ThinSmafEvents(std::vector<SmafEvent>& events, int limit);
// Encodes with the rate check and up to seven thinning passes, showing the
// warnings; the result is what is written.
SmafSequenceBytes WriteSmafSequenceA(std::vector<SmafEvent> events, int timeBase);
bool IsSparedChannel(int channel);

// Reads a flavour-A stream: channels 0..15, deltas and gates in units. What
// is wrong in the stream is logged (SMCD codes, at their offset in bytes).
std::unique_ptr<MobileTrackData> DecodeSmafSequenceA(std::span<const std::uint8_t> bytes, int capacity,
                                                     ReadLog& log);
