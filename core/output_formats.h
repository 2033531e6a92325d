// What the program knows of each output type, one row a type: its name, the
// extension and save filter of its files, the converter that writes them and
// with which MFi or SMAF type, the voices it holds, the carrier whose
// handsets play it, how the panel's Play listens to it and where it stands in
// the type lists. Every part of the program asks FormatOf for these facts.
// The ids are kept in zaw.ini and in the handset table: they never change.
#pragma once

// MFi voice types: the handset classes of the MFi writers and readers.
namespace mfi_voice {
constexpr int kMelo1 = 1;
constexpr int kMelo4 = 4;
constexpr int kMelo5 = 5;
constexpr int kMulti6 = 6;
constexpr int kMulti7 = 7;
constexpr int kMulti8 = 8;
constexpr int kMulti9 = 9;
constexpr int kMulti32 = 32;
constexpr int kPmdRead = 250;  // read only: a PMD file of version "0200"
constexpr int kUnknown = 251;  // read only: neither "melo" nor "cmid"
constexpr int kMelo252 = 252;
constexpr int kFromFile = 253;
constexpr int kPmd = 254;
constexpr int kCmid = 255;

constexpr bool IsMulti(int t) {
    return (t >= kMulti6 && t <= kMulti9) || t == kMulti32;
}
constexpr bool IsTwoByteNote(int t) {
    return t == kMelo1 || t == kMelo252;
}
constexpr bool IsPmd(int t) {
    return t == kPmd || t == kPmdRead;
}
}  // namespace mfi_voice

// SMAF files: the voices of the single-track kinds, the variants of the
// multi-track kind (MA-3).
namespace smaf_voice {
constexpr int kVoices4 = 4;
constexpr int kVoices16 = 16;
constexpr int kMa3Variant32 = 32;
constexpr int kMa3Variant33 = 33;
}  // namespace smaf_voice

// The types a conversion may be asked for run from 0 to kOutputTypeCount - 1;
// 26 to 28 stand for the save dialog's handset menus of the three carriers.
constexpr int kOutputTypeCount = 26;
constexpr int kDocomoMenuType = 26;
constexpr int kSoftbankMenuType = 27;
constexpr int kAuMenuType = 28;
// The General MIDI file: the composer's default and what an edited tune is.
constexpr int kGmSmfType = 2;

// How a type's file is made from a Standard MIDI File.
enum class Converter {
    SmfCopy,     // the file copied, then watermarked
    Mfi,         // the MFi driver, argument = MFi voice type
    Smaf,        // the SMAF driver, argument = voices
    Ma1,         // the MA-1 driver
    MelodyMail,  // the MFi driver into "mmail.mld", argument = MFi voice type, then the mail text
    MultiMfi,    // the multi-track MFi driver, argument = multi-track voice type
    SmafMa3,     // the SMAF MA-3 driver, argument = variant
    Mfm,         // the MFM driver
    AiffExport,  // the tune rendered to the output path
    WavExport,   // the tune rendered through the work folder's "temp.aiff"
    WrongType,   // no converter
    WavOnly,     // the ring voice, made from WAV inputs only
};

// How the panel's Play plays a type's last result.
enum class ListenRoad {
    Smf,       // the Standard MIDI File as it is
    Mfi,       // read as the argument's MFi voice type
    MultiMfi,  // read as the argument's multi-track voice type
    Ma1,
    Mfm,
    Smaf,                // either SMAF kind, as the file says
    Wave,                // through the wave player
    NotPlayed,           // "This type of file will not be played."
    RingVoiceNotPlayed,  // "Ringtone voice can not be played!"
    Invalid,             // "Invalid file for play!"
};

enum class FormatFamily {
    None,
    Smf,         // a Standard MIDI File
    Ringtone,    // a sequenced ringtone, played by the handset's synthesizer
    MelodyMail,  // a mail text that carries an MFi file
    Wave,        // a rendered recording
};

// The carrier whose handsets play the type.
enum class Carrier { None, Docomo, Softbank, Au };

struct OutputFormat {
    int id;
    const char* name;
    const char* extension;   // without the dot; nullptr keeps the caller's
    const char* saveFilter;  // "text|*.ext|"; nullptr when there is none
    int saveRow;             // its row in the save dialog, from 1; 0 when none
    int typeListRow;         // its row in the device dialog's type list; -1 when none
    Converter converter;
    int converterArgument;  // the MFi voice type, SMAF voices or MA-3 variant
    // The pitch pre-pass's file is removed after a failed conversion too.
    bool cleanUpAfterFailure;
    // The voices Adjust Voice keeps; 0 when the type counts none.
    int voices;
    // The voices a multi-track copy may sound at once (0 for the others),
    // and whether a copy with more is refused rather than warned about.
    int voiceCeiling;
    bool refuseOverCeiling;
    // Four voices and no drum channel: the voices go to melodic parts.
    bool drumless;
    // The most rows the channel question lets the user check.
    int channelRows;
    FormatFamily family;
    Carrier carrier;
    ListenRoad listen;
    int listenArgument;  // the voice type the listen reads the file as

    // A rendered recording, "converted" rather than played.
    bool RendersAudio() const { return family == FormatFamily::Wave; }
};

// The row of the type; an unknown id has a row that converts, counts and
// plays nothing.
const OutputFormat& FormatOf(int id);
// The type of a save dialog row (from 1), -1 when no type has it.
int TypeOfSaveRow(int row);
// The device dialog lets only the first rows of its type list, the Standard
// MIDI Files, be chosen; the others show types the composer cannot write
// directly.
constexpr int kChoosableTypeListRows = 3;
// The type of a row that can be chosen, -1 for any other row.
int TypeOfTypeListRow(int row);
