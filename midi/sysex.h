// System-exclusive helpers: the fixed blocks the program sends, the Roland
// checksum, the GS part addresses and the classes a message is sorted into.
#pragma once

#include <cstddef>
#include <cstdint>

// Classes of a system-exclusive event (its subtype).
namespace sysex_class {
constexpr int kOther = 0;
constexpr int kMasterVolume = 1;
constexpr int kGmSystemOn = 9;
constexpr int kGsRhythmPart = 18;
constexpr int kGsSystemMode = 19;
constexpr int kGsReverbFirst = 20;  // 20..25: 40 01 30..35
constexpr int kGsChorusFirst = 32;  // 32..41: 40 01 37..40
constexpr int kGsDelayFirst = 48;   // 48..57: 40 01 50..59
constexpr int kGsEqFirst = 64;      // 64: 40 01 5A, 65..68: 40 02 00..03
constexpr int kGsPartParameter = 69;
constexpr int kMasterBalance = 40;
constexpr int kExempt = 127;  // never reported as too large
}  // namespace sysex_class

// Failures of the helpers, tag "MDSX".
namespace mdsx {
constexpr std::uint32_t kNullBlock = 0x36000001;
}

void ShowSysExError(std::uint32_t code);

constexpr int kGmSystemOnSize = 7;
constexpr int kGsResetSize = 12;
constexpr int kXgSystemOnSize = 10;
constexpr int kMasterVolumeSize = 9;
// A GS data-set message with one data byte: F0, count, 41 dev model 12,
// three address bytes, the data byte, the checksum, F7.
constexpr int kGsBlockSize = 12;

extern const std::uint8_t kGmSystemOnBlock[kGmSystemOnSize];
extern const std::uint8_t kGsResetBlock[kGsResetSize];
extern const std::uint8_t kXgSystemOnBlock[kXgSystemOnSize];

// F0 07 7F 7F 04 01 00 volume F7.
void MakeMasterVolumeBlock(std::uint8_t out[kMasterVolumeSize], int volume);

// (128 - sum mod 128) mod 128 over n bytes.
std::uint8_t RolandChecksum(const std::uint8_t* bytes, std::size_t n);
// Stores at position 10 of a GS block the checksum of positions 6..9.
void SetRolandChecksum(std::uint8_t* block);
// Stores the GS address byte of the part that plays a channel.
void SetGsPartByte(int channel, std::uint8_t* byte, int base);
// Channel of GS part block 0..15: 9, then 0..8, then 10..15.
int GsPartChannel(int block);

// Sorts a system-exclusive message (bytes from F0 on) into its class; sets
// the class's value and, for part messages, the part's channel (else 255).
int ClassifySysExBytes(const std::uint8_t* bytes, int n, int* value, int* channel);
