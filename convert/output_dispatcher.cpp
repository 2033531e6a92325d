#include "convert/output_dispatcher.h"

#include <cstdio>
#include <memory>

#include "convert/audio/wav_to_mld.h"
#include "convert/conversion_dialogs.h"
#include "convert/melody_mail.h"
#include "convert/ringtone_drivers.h"
#include "convert/watermark.h"
#include "core/app_utilities.h"
#include "core/output_formats.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "midi/file_loader.h"
#include "midi/smf_checks.h"

namespace {

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
int ConvertToMelodyMail(const OutputFormat& format, const std::string& path, int adjustVoice) {
    const std::string textPath = LastOutputPath.Get();
    LastOutputPath.Set(InFolder(FolderSetting(FolderKind::Output), kMelodyMailFile));
    if (ConvertToMfi(format, path, adjustVoice) == 0) return 0;
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

// Runs the converter of the type's row; the drivers take the row, whose
// voice count fits the channels.
int RunConverter(const OutputFormat& format, const std::string& path, int adjustVoice,
                 const ExportProgress& progress) {
    switch (format.converter) {
        case Converter::SmfCopy: return CopyAndWatermark(path);
        case Converter::Mfi:
            return ConvertToMfi(format, path, adjustVoice);
        case Converter::Smaf:
            return ConvertToSmaf(format, path, adjustVoice);
        case Converter::Ma1:
            return ConvertToMa1(format, path);
        case Converter::MelodyMail:
            return ConvertToMelodyMail(format, path, adjustVoice);
        case Converter::MultiMfi:
            return ConvertToMultiMfi(format, path, adjustVoice, GetSelectedTerminalId());
        case Converter::SmafMa3:
            return ConvertToSmafMa3(format, path, adjustVoice);
        case Converter::Mfm:
            return ConvertToMfm(format, path, adjustVoice);
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
    const OutputFormat& format = FormatOf(outputType);
    const int result = RunConverter(format, path, adjustVoice, progress_);
    // The copied types keep the pre-passes' files, as do failed conversions
    // but for the few that tidy up after themselves.
    if (format.converter == Converter::SmfCopy) return result;
    if (result == 0 && !format.cleanUpAfterFailure) return 0;
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
