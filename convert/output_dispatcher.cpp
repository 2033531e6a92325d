#include "convert/output_dispatcher.h"

#include <cstdio>
#include <memory>

#include "convert/audio/wav_to_mld.h"
#include "convert/conversion_dialogs.h"
#include "convert/melody_mail.h"
#include "convert/ringtone_drivers.h"
#include "convert/watermark.h"
#include "core/app_utilities.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "midi/file_loader.h"
#include "midi/smf_checks.h"

namespace {

enum class Converter {
    SmfCopy,     // the file copied, then watermarked
    Mfi,         // ConvertToMfi, argument = MFi type
    Smaf,        // ConvertToSmaf, argument = voices
    Ma1,         // ConvertToMa1
    MelodyMail,  // ConvertToMfi into "mmail.mld", argument = MFi type, then the mail text
    MultiMfi,    // ConvertToMultiMfi, argument = multi-track type
    SmafMa3,     // ConvertToSmafMa3, argument = kind
    Mfm,         // ConvertToMfm
    AiffExport,  // the tune rendered to LastOutputPath
    WavExport,   // the tune rendered through WorkFolder's "temp.aiff"
    WrongType,   // no converter
    WavOnly,     // the ring voice, made from WAV inputs only
};

struct OutputTypeRow {
    Converter converter;
    int argument;
    // The pitch pre-pass's file is removed after a failure too.
    bool cleanUpAfterFailure;
};

// One row per output type, indexed by the type.
constexpr OutputTypeRow kOutputTypes[kOutputTypeCount] = {
    {Converter::SmfCopy, 0, false},      // 0 XG Standard MIDI File
    {Converter::SmfCopy, 0, false},      // 1 GS Standard MIDI File
    {Converter::SmfCopy, 0, false},      // 2 GM Standard MIDI File
    {Converter::Mfi, 4, false},          // 3 MFi, 16 voices
    {Converter::Smaf, 16, false},        // 4 SMAF, 16 voices
    {Converter::Mfi, 254, false},        // 5 PMD
    {Converter::Smaf, 16, false},        // 6 SMAF, 16 voices
    {Converter::Smaf, 4, false},         // 7 SMAF, 4 voices
    {Converter::Ma1, 0, true},           // 8 MA-1
    {Converter::Mfi, 1, false},          // 9 MFi, 4 voices
    {Converter::MelodyMail, 4, false},   // 10 melody mail, 16 voices
    {Converter::Mfi, 252, false},        // 11 MFi, 4 voices
    {Converter::MelodyMail, 1, false},   // 12 melody mail, 4 voices
    {Converter::Mfi, 5, false},          // 13 MFi, 16 voices
    {Converter::MultiMfi, 6, false},     // 14 multi-track MFi, 32 voices
    {Converter::MultiMfi, 7, false},     // 15 multi-track MFi, 32 voices
    {Converter::MultiMfi, 8, false},     // 16 multi-track MFi, 32 voices
    {Converter::SmafMa3, 32, false},     // 17 SMAF, 40 voices
    {Converter::MultiMfi, 32, false},    // 18 multi-track MFi, 64 voices
    {Converter::SmafMa3, 33, false},     // 19 SMAF, 40 voices
    {Converter::Mfm, 0, false},          // 20 MFM
    {Converter::AiffExport, 0, true},    // 21 rendered tune
    {Converter::WavExport, 0, true},     // 22 rendered tune as WAV
    {Converter::WrongType, 0, true},     // 23 no converter
    {Converter::MultiMfi, 9, false},     // 24 multi-track MFi, 16 voices
    {Converter::WavOnly, 0, false},      // 25 ring voice
};
constexpr OutputTypeRow kUnknownType{Converter::WrongType, 0, true};

const OutputTypeRow& RowOf(int type) {
    return type >= 0 && type < kOutputTypeCount ? kOutputTypes[type] : kUnknownType;
}

// A file name in a folder, with the separator the folder may lack.
std::string InFolder(const std::string& folder, const char* name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + name;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Loads path, lets the pass change the song and writes it to WorkFolder's
// file; path names the new file once it is written.
template <typename Pass>
void RunPrePass(std::string& path, const char* fileName, Pass pass) {
    MidiFileLoader loader;
    loader.Load(path);
    MidiF1Data* song = loader.Tune1();
    if (!song || loader.FileLength() <= 0) return;
    pass(*song);
    const std::string written = InFolder(FolderSetting(FolderKind::Work), fileName);
    if (song->SaveFile(written)) path = written;
}

// The melody-mail types: the MFi file "mmail.mld" in the output folder,
// which LastOutputPath names afterwards, and its text at the path the
// caller chose, shown to the user.
int ConvertToMelodyMail(int mfiType, const std::string& path, int adjustVoice, int outputType) {
    const std::string textPath = LastOutputPath.Get();
    LastOutputPath.Set(InFolder(FolderSetting(FolderKind::Output), kMelodyMailFile));
    if (ConvertToMfi(mfiType, path, adjustVoice, outputType) == 0) return 0;
    if (EncodeMelodyMailText(textPath) == 0) return 0;
    GetConversionDialogs()->ShowMelodyMailText(textPath);
    return 1;
}

int CopyAndWatermark(const std::string& path) {
    const std::string target = LastOutputPath.Get();
    if (CopyFileBytes(path, target) != 1) return 0;
    WatermarkSmfFile(target);
    return 1;
}

int Export(bool toWav, const std::string& path, const ExportProgress& progress) {
    const int written =
        toWav ? ExportToWavViaAiff(path, FolderSetting(FolderKind::Work), LastOutputPath.Get(), progress)
              : ExportToOutputFile(path, LastOutputPath.Get(), progress);
    // A failed export has told the user already, in one box that names the
    // file and why (a quit that ended it, in none).
    return written == 1 ? 1 : 0;
}

// Runs the converter of the type's row; type is handed on to the drivers,
// which fit the channels to its voice count.
int RunConverter(int type, const std::string& path, int adjustVoice,
                 const ExportProgress& progress) {
    const OutputTypeRow& row = RowOf(type);
    switch (row.converter) {
        case Converter::SmfCopy: return CopyAndWatermark(path);
        case Converter::Mfi: return ConvertToMfi(row.argument, path, adjustVoice, type);
        case Converter::Smaf: return ConvertToSmaf(row.argument, path, adjustVoice, type);
        case Converter::Ma1: return ConvertToMa1(path);
        case Converter::MelodyMail:
            return ConvertToMelodyMail(row.argument, path, adjustVoice, type);
        case Converter::MultiMfi:
            return ConvertToMultiMfi(row.argument, path, adjustVoice, GetSelectedTerminalId(),
                                     type);
        case Converter::SmafMa3: return ConvertToSmafMa3(row.argument, path, adjustVoice, type);
        case Converter::Mfm: return ConvertToMfm(path, adjustVoice, type);
        case Converter::AiffExport: return Export(false, path, progress);
        case Converter::WavExport: return Export(true, path, progress);
        case Converter::WavOnly: ShowErrorMessage(dispatch_code::kLoadWav); return 0;
        case Converter::WrongType: break;
    }
    ShowErrorMessage(dispatch_code::kWrongType);
    return 0;
}

// Removes the pitch pre-pass's file when path still names it.
void RemovePitchPassFile(const std::string& path) {
    if (AppSettings.ConvertPitchbend != 1 || !EndsWith(path, kPitchPassFile)) return;
    if (std::remove(path.c_str()) != 0) ShowErrorMessage(dispatch_code::kCannotDelete);
}

}  // namespace

OutputDispatcher::OutputDispatcher(ExportProgress progress) : progress_(std::move(progress)) {}

int OutputDispatcher::ConvertToOutputFormat(std::string& path, int adjustVoice, int outputType) {
    // A damaged or oversized file is refused whole, before any reader has
    // read part of it.
    if (!CheckMidiInputFile(path, MidiFileLoader::kMaxFileLength)) return 0;
    if (AppSettings.ConvertPitchbend == 1) ApplyPitchBendPrePass(path);
    if (AppSettings.Fit16Channels == 1) FitTo16ChannelsPrePass(path);
    const OutputTypeRow& row = RowOf(outputType);
    const int result = RunConverter(outputType, path, adjustVoice, progress_);
    // The copied types keep the pre-passes' files, as do failed conversions
    // but for the few that tidy up after themselves.
    if (row.converter == Converter::SmfCopy) return result;
    if (result == 0 && !row.cleanUpAfterFailure) return 0;
    RemovePitchPassFile(path);
    return result;
}

void ApplyPitchBendPrePass(std::string& path) {
    RunPrePass(path, kPitchPassFile, [](MidiF1Data& song) { song.ApplyPitchBendToNotes(); });
}

void FitTo16ChannelsPrePass(std::string& path) {
    RunPrePass(path, kChannelPassFile, [](MidiF1Data& song) {
        int secondPort = 0;
        song.CountUsedChannels(&secondPort);
        if (secondPort != 0) song.FitTo16Channels();
    });
}

int ConvertWavToRingVoice(const std::string& path, int formatIndex) {
    const WavToMldConverter source(path);
    WavToMldConverter converter(kFromSource, source);
    return converter.Convert(formatIndex, kRingVoiceRate, kRingVoiceLevel, nullptr);
}

void InstallOutputDispatcher(ExportProgress progress) {
    SetConversionServices(std::make_shared<OutputDispatcher>(std::move(progress)));
}
