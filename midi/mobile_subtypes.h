// The event kinds and control subtypes of the ringtone model: one set for
// the model, its tracks, the format readers and writers, and the MIDI events
// made from them (the format files write the same numbers in hexadecimal:
// 33 is 0x21, 65 is 0x41).
#pragma once

namespace mobile_kind {
constexpr int kCleared = 0;     // removed by the clean-up passes
constexpr int kNote = 16;       // note with length
constexpr int kControl = 255;   // control with a subtype and a value
}  // namespace mobile_kind

namespace mobile_code {
constexpr int kProgram = 33;            // program; in a drum slot the slot's drum note
constexpr int kKind = 34;               // slot kind: 1 drum, 0 melodic
constexpr int kVolume = 35;             // controller 7
constexpr int kPan = 36;                // controller 10
constexpr int kTempo = 37;              // microseconds per quarter note
constexpr int kEndOfTrack = 38;         // end of track
constexpr int kPitchBend = 39;          // value = high 7 bits, note field = low 7 bits
constexpr int kBendRange = 40;          // pitch-bend range (data entry)
constexpr int kLoop = 41;               // loop point: 0 start, 1 stop
constexpr int kExpression = 42;         // controller 11
constexpr int kModulation = 43;         // controller 1
constexpr int kMasterVolume = 48;       // master-volume system exclusive
constexpr int kDrumMark = 49;           // value 128 marks a drum channel
constexpr int kFormat50 = 50;           // the format readers' and writers' own codes,
constexpr int kFormat51 = 51;           // carried through the model unchanged
constexpr int kFormat53 = 53;
constexpr int kFormat54 = 54;           // ends a run of simultaneous events like 38
constexpr int kBankLow = 56;            // controller 32, read from a SMAF file
constexpr int kModulationWheel = 57;    // controller 1, read from a SMAF file
constexpr int kSustain = 58;            // controller 64, read from a SMAF file
constexpr int kFormat59 = 59;           // controller 71, read from a SMAF file
constexpr int kFormat60 = 60;           // controller 74, read from a SMAF file
constexpr int kStartMasterVolume = 65;  // master volume at the start (delta 0)
constexpr int kFormat67 = 67;
constexpr int kFormat69 = 69;
constexpr int kFormat71 = 71;
}  // namespace mobile_code

// The codes that make no MIDI event: the slot kind, the end of a slot, and
// the format readers' own codes and exclusives the model carries unchanged
// (a SMAF bank or drum mark, octave shift, expression, the controllers read
// from a SMAF file that a tune has no use for, MFi flags). A tune made from
// the model and its playback leave them out without a word.
constexpr bool IsSilentMobileCode(int code) {
    switch (code) {
        case mobile_code::kKind:
        case mobile_code::kEndOfTrack:
        case mobile_code::kDrumMark:
        case mobile_code::kFormat50:
        case mobile_code::kFormat51:
        case mobile_code::kFormat53:
        case mobile_code::kFormat54:
        case mobile_code::kBankLow:
        case mobile_code::kFormat59:
        case mobile_code::kFormat60:
        case mobile_code::kFormat67:
        case mobile_code::kFormat69:
        case mobile_code::kFormat71:
        case 75:
        case 76:
        case 77:
        case 78:
        case 240:
            return true;
        default:
            return false;
    }
}

// Value of a kind control that makes a drum slot, and of the drum mark.
constexpr int kDrumKindValue = 1;
constexpr int kDrumMarkValue = 128;
