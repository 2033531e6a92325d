// The event kinds and control subtypes of the ringtone model. The numbers
// mirror the ringtone control subtype set that the format readers and
// writers share (decimal here; 33 is 0x21, 65 is 0x41).
#pragma once

namespace mobile_kind {
constexpr int kCleared = 0;   // removed by the clean-up passes
constexpr int kNote = 16;     // note with length
constexpr int kControl = 255; // control with a subtype and a value
}  // namespace mobile_kind

namespace mobile_code {
constexpr int kProgram = 33;          // program; in a drum slot the slot's drum note
constexpr int kKind = 34;             // slot kind: 1 drum, 0 melodic
constexpr int kVolume = 35;           // controller 7
constexpr int kPan = 36;              // controller 10
constexpr int kTempo = 37;            // microseconds per quarter note
constexpr int kEndOfTrack = 38;       // end of track
constexpr int kPitchBend = 39;        // value = high 7 bits, note field = low 7 bits
constexpr int kBendRange = 40;        // pitch-bend range (data entry)
constexpr int kLoop = 41;             // loop point: 0 start, 1 stop
constexpr int kExpression = 42;       // controller 11
constexpr int kModulation = 43;       // controller 1
constexpr int kMasterVolume = 48;     // master-volume system exclusive
constexpr int kDrumMark = 49;         // value 128 marks a drum channel
constexpr int kFormat50 = 50;         // format readers' and writers' own
constexpr int kFormat51 = 51;
constexpr int kFormat53 = 53;
constexpr int kFormat54 = 54;         // ends a run of simultaneous events like 38
constexpr int kStartMasterVolume = 65;  // master volume at the start (delta 0)
constexpr int kFormat67 = 67;
constexpr int kFormat69 = 69;
constexpr int kFormat71 = 71;
}  // namespace mobile_code

// Value of a kind control that makes a drum slot, and of the drum mark.
constexpr int kDrumKindValue = 1;
constexpr int kDrumMarkValue = 128;
