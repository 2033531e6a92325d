#include "core/output_formats.h"

#include <array>

namespace {

// One row a type, in the order of the ids. Columns: id, name, extension,
// save filter, save row, type-list row; converter, its argument, clean up
// after failure, voices, voice ceiling, refused over it, drumless, channel
// rows; family, carrier, listen road, its argument.
// clang-format off
constexpr std::array<OutputFormat, 29> kFormats = {{
    {0, "XG Standard MIDI File", "mid", "midi files|*.mid|", 0, 2,
     Converter::SmfCopy, 0, false, 0, 0, false, false, 0,
     FormatFamily::Smf, Carrier::None, ListenRoad::Smf, 0},
    {1, "GS Standard MIDI File", "mid", "midi files|*.mid|", 0, 1,
     Converter::SmfCopy, 0, false, 0, 0, false, false, 0,
     FormatFamily::Smf, Carrier::None, ListenRoad::Smf, 0},
    {2, "GM Standard MIDI File", "mid", "midi files|*.mid|", 0, 0,
     Converter::SmfCopy, 0, false, 0, 0, false, false, 0,
     FormatFamily::Smf, Carrier::None, ListenRoad::Smf, 0},
    {3, "MFi, 16 voices", "mld", nullptr, 0, 5,
     Converter::Mfi, mfi_voice::kMelo4, false, 16, 0, false, false, 16,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::Mfi, mfi_voice::kMelo4},
    {4, "SMAF, 16 voices", "mmf", nullptr, 0, 13,
     Converter::Smaf, smaf_voice::kVoices16, false, 16, 0, false, false, 16,
     FormatFamily::Ringtone, Carrier::Softbank, ListenRoad::Smaf, 0},
    {5, "PMD, 16 voices", "pmd", "au 16 Voice files (pmd)|*.pmd|", 6, 15,
     Converter::Mfi, mfi_voice::kPmd, false, 16, 0, false, false, 16,
     FormatFamily::Ringtone, Carrier::None, ListenRoad::Mfi, mfi_voice::kPmd},
    {6, "SMAF, 16 voices", "mmf", nullptr, 0, 16,
     Converter::Smaf, smaf_voice::kVoices16, false, 16, 0, false, false, 16,
     FormatFamily::Ringtone, Carrier::Au, ListenRoad::Smaf, 0},
    {7, "SMAF, 4 voices", "mmf", nullptr, 0, 12,
     Converter::Smaf, smaf_voice::kVoices4, false, 4, 0, false, true, 4,
     FormatFamily::Ringtone, Carrier::Softbank, ListenRoad::Smaf, 0},
    {8, "MA-1", "ma1", "MA1 files|*.ma1|", 11, -1,
     Converter::Ma1, 0, true, 0, 0, false, false, 4,
     FormatFamily::Ringtone, Carrier::None, ListenRoad::Ma1, 0},
    {9, "MFi, 4 voices", "mld", nullptr, 0, 3,
     Converter::Mfi, mfi_voice::kMelo1, false, 4, 0, false, true, 4,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::Mfi, mfi_voice::kMelo1},
    {10, "melody mail, 16 voices", "txt", "DOCOMO 16 Voice Melody Mail files|*.txt|", 9, -1,
     Converter::MelodyMail, mfi_voice::kMelo4, false, 0, 0, false, false, 16,
     FormatFamily::MelodyMail, Carrier::None, ListenRoad::Mfi, mfi_voice::kMelo4},
    {11, "MFi, 4 voices", "mld", nullptr, 0, 4,
     Converter::Mfi, mfi_voice::kMelo252, false, 4, 0, false, true, 4,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::Mfi, mfi_voice::kMelo252},
    {12, "melody mail, 4 voices", "txt", "DOCOMO 4 Voice Melody Mail files|*.txt|", 10, -1,
     Converter::MelodyMail, mfi_voice::kMelo1, false, 0, 0, false, true, 4,
     FormatFamily::MelodyMail, Carrier::None, ListenRoad::Mfi, mfi_voice::kMelo1},
    {13, "MFi, 16 voices", "mld", nullptr, 0, 6,
     Converter::Mfi, mfi_voice::kMelo5, false, 16, 0, false, false, 16,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::Mfi, mfi_voice::kMelo4},
    {14, "multi-track MFi, 32 voices", "mld", nullptr, 0, 7,
     Converter::MultiMfi, mfi_voice::kMulti6, false, 32, 32, true, false, 32,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::MultiMfi, mfi_voice::kMulti6},
    {15, "multi-track MFi, 32 voices", "mld", nullptr, 0, 8,
     Converter::MultiMfi, mfi_voice::kMulti7, false, 32, 32, true, false, 32,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::MultiMfi, mfi_voice::kMulti7},
    {16, "multi-track MFi, 32 voices", "mld", nullptr, 0, 9,
     Converter::MultiMfi, mfi_voice::kMulti8, false, 32, 32, true, false, 32,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::MultiMfi, mfi_voice::kMulti8},
    {17, "SMAF MA-3, 40 voices", "mmf", nullptr, 0, 14,
     Converter::SmafMa3, smaf_voice::kMa3Variant32, false, 40, 40, false, false, 16,
     FormatFamily::Ringtone, Carrier::Softbank, ListenRoad::Smaf, 0},
    {18, "multi-track MFi, 64 voices", "mld", nullptr, 0, 11,
     Converter::MultiMfi, mfi_voice::kMulti32, false, 64, 64, true, false, 32,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::MultiMfi, mfi_voice::kMulti32},
    {19, "SMAF MA-3, 40 voices", "mmf", nullptr, 0, 19,
     Converter::SmafMa3, smaf_voice::kMa3Variant33, false, 40, 40, false, false, 16,
     FormatFamily::Ringtone, Carrier::Au, ListenRoad::Smaf, 0},
    {20, "MFM", "mfm", "MFM files|*.mfm|", 8, -1,
     Converter::Mfm, 0, false, 0, 24, false, false, 16,
     FormatFamily::Ringtone, Carrier::None, ListenRoad::Mfm, 0},
    {21, "rendered tune, AIFF", "aiff", "aiff files|*.aiff|", 3, 17,
     Converter::AiffExport, 0, true, 0, 0, false, false, 0,
     FormatFamily::Wave, Carrier::None, ListenRoad::NotPlayed, 0},
    {22, "rendered tune, WAV", "wav", "wave files|*.wav|", 2, 18,
     Converter::WavExport, 0, true, 0, 0, false, false, 0,
     FormatFamily::Wave, Carrier::None, ListenRoad::Wave, 0},
    {23, "PMD without a converter", "pmd", nullptr, 0, -1,
     Converter::WrongType, 0, true, 0, 0, false, false, 0,
     FormatFamily::None, Carrier::None, ListenRoad::Invalid, 0},
    {24, "multi-track MFi, 16 voices", "mld", nullptr, 0, 10,
     Converter::MultiMfi, mfi_voice::kMulti9, false, 16, 16, true, false, 16,
     FormatFamily::Ringtone, Carrier::Docomo, ListenRoad::MultiMfi, mfi_voice::kMulti9},
    {25, "ring voice", nullptr, "DOCOMO ringtone voice files|*.mld|", 12, -1,
     Converter::WavOnly, 0, false, 0, 0, false, false, 0,
     FormatFamily::None, Carrier::None, ListenRoad::RingVoiceNotPlayed, 0},
    {26, "DOCOMO handset menu", nullptr, "DOCOMO Ringtone|*.mld|", 4, -1,
     Converter::WrongType, 0, true, 0, 0, false, false, 0,
     FormatFamily::None, Carrier::None, ListenRoad::Invalid, 0},
    {27, "Softbank handset menu", nullptr, "Softbank Ringtone|*.mmf|", 5, -1,
     Converter::WrongType, 0, true, 0, 0, false, false, 0,
     FormatFamily::None, Carrier::None, ListenRoad::Invalid, 0},
    {28, "au handset menu", nullptr, "au Ringtone|*.mmf|", 7, -1,
     Converter::WrongType, 0, true, 0, 0, false, false, 0,
     FormatFamily::None, Carrier::None, ListenRoad::Invalid, 0},
}};
// clang-format on

constexpr bool IdsInOrder() {
    for (std::size_t i = 0; i < kFormats.size(); ++i)
        if (kFormats[i].id != static_cast<int>(i)) return false;
    return true;
}
static_assert(IdsInOrder(), "a type's row stands at its id");

constexpr OutputFormat kUnknownFormat = {-1,
                                         "unknown",
                                         nullptr,
                                         nullptr,
                                         0,
                                         -1,
                                         Converter::WrongType,
                                         0,
                                         true,
                                         0,
                                         0,
                                         false,
                                         false,
                                         0,
                                         FormatFamily::None,
                                         Carrier::None,
                                         ListenRoad::Invalid,
                                         0};

}  // namespace

const OutputFormat& FormatOf(int id) {
    return id >= 0 && id < static_cast<int>(kFormats.size())
               ? kFormats[static_cast<std::size_t>(id)]
               : kUnknownFormat;
}

int TypeOfSaveRow(int row) {
    for (const OutputFormat& format : kFormats)
        if (row > 0 && format.saveRow == row) return format.id;
    return -1;
}

int TypeOfTypeListRow(int row) {
    for (const OutputFormat& format : kFormats)
        if (row >= 0 && row < kChoosableTypeListRows && format.typeListRow == row) return format.id;
    return -1;
}
