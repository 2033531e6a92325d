// The Convert action of the main panel.
#include "app/convert_actions.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "app/main_dlg.h"
#include "app/ring_voice_selection_dialog.h"
#include "app/shell_seams.h"
#include "app/terminal_selection_dialog.h"
#include "compose/compose_control.h"
#include "compose/conversion_material.h"
#include "convert/input_types.h"
#include "convert/mobile_data.h"
#include "convert/output_dispatcher.h"
#include "convert/terminal_table.h"
#include "core/app_utilities.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/read_log.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f1_data.h"
#include "midi/file_loader.h"
#include "platform/file_chooser.h"

namespace {

// The first and the last row of the save dialog, both "midi files", stand
// for a choice: the compose flavour, and no change of the output type. Every
// other row is the type whose record names the row.
int SaveRowType(int row) {
    if (row == 1) return kComposeFlavourRow;
    if (row == kSaveFilterCount) return kKeepTypeRow;
    return TypeOfSaveRow(row);
}

constexpr int kTerminalLimitLow = 1000;
constexpr int kTerminalLimitHigh = 30000;

platform::ui::Window* PanelWindow() {
    return MainWindow() ? &MainWindow()->GetWindow() : nullptr;
}

int ChooseCarrierTerminal(Carrier carrier, ErrorCode wrong) {
    const auto inGroup = [carrier](int type) { return FormatOf(type).carrier == carrier; };
    TerminalTable table;
    int type = table.GetOutputType(AppSettings.TerminalIndex);
    while (!inGroup(type)) {
        CTerminalSelectionDlg dialog(PanelWindow());
        dialog.title = "Terminal";
        dialog.numberMinimum = kTerminalLimitLow;
        dialog.numberMaximum = kTerminalLimitHigh;
        dialog.numberValue = AppSettings.RingtoneSizeLimit;
        dialog.terminalIndex = AppSettings.TerminalIndex;
        dialog.DoModal();
        AppSettings.RingtoneSizeLimit = dialog.numberValue;
        AppSettings.TerminalIndex = dialog.terminalIndex;
        type = table.GetOutputType(AppSettings.TerminalIndex);
        if (!inGroup(type)) ShowErrorMessage(wrong);
    }
    return type;
}

// True when a slot of the model holds a note.
bool HoldsNotes(const MobileData& model) {
    for (int i = 0; i < model.Count(); ++i)
        if (model.Slot(i)->FindFirstNote() >= 0) return true;
    return false;
}

int SelectedConvertStyles() {
    int count = 0;
    for (std::int32_t s : ConvertStyleSelection)
        count += s != 0;
    return count;
}

// The music-style road: the tune composed from the input at "sty_conv.mid",
// then delivered to the chosen output type. The working file goes whatever
// happens.
int ConvertInStyle(const std::string& input, int type) {
    const std::string chosen = LastOutputPath.Get();
    const std::string composed = FolderSetting(FolderKind::Output) + kStyleConversionFile;
    ConversionOutputPath.Set(composed);
    int done = ComposeInMidiStyle(input, type);
    LastOutputPath.Set(chosen);
    if (done) {
        const FormatFamily family = FormatOf(type).family;
        if (family == FormatFamily::Smf || family == FormatFamily::None)
            done = CopyFileBytes(composed, chosen);
        else
            done = ConvertTuneFile(composed, type);
    }
    std::error_code ignored;
    std::filesystem::remove(composed, ignored);
    return done;
}

void ConvertWave(const std::string& input) {
    if (ConvertStyleSelection[0] != 1) {
        ShowErrorMessage(kWavStyleConvertError);
        return;
    }
    CRingVoiceSelectionDlg dialog(PanelWindow());
    dialog.DoModal();
    // A refused recording has said why; only a written file is announced.
    if (ConvertWaveFile(input, dialog.formatIndex)) ShowInfoBox(kWavConvertedText);
}

// A tune conversion's input must be a Standard MIDI File (its header may
// follow a 128-byte prefix): anything else is refused here, once, before a
// pass or a converter reads it or copies it into the output. A file that
// cannot be read goes on, to be reported by the road that opens it.
bool IsMidiInput(const std::string& path) {
    constexpr std::size_t kPrefixBytes = 128;
    constexpr std::size_t kHeaderBytes = 14;  // "MThd", its length, format, tracks, division
    std::array<std::uint8_t, kPrefixBytes + kHeaderBytes> head{};
    std::ifstream file(path, std::ios::binary);
    if (!file) return true;
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    int held = static_cast<int>(file.gcount());
    const int format = MidiData::DetectSmfFormat(head.data(), &held);
    if (format == 0 || format == 1) return true;
    MidiFileLoader::ShowError(mdld::kNotMidiFile);
    return false;
}

}  // namespace

std::string SaveDialogFilter() {
    std::string filter;
    for (int row = 1; row <= kSaveFilterCount; ++row) {
        const int type = SaveRowType(row);
        const char* text = FormatOf(type < 0 ? 0 : type).saveFilter;
        if (text) filter += text;
    }
    return filter;
}

int OutputTypeForFilter(int filterIndex) {
    if (filterIndex < 1 || filterIndex > kSaveFilterCount) {
        ShowErrorMessage(kWrongFileTypeError);
        return 0;
    }
    const int type = SaveRowType(filterIndex);
    if (FormatOf(type).RendersAudio() && QuickTimeAvailable.load() == 0) {
        ShowErrorMessage(kNeedsQuickTimeError);
        return 0;
    }
    switch (type) {
        case kComposeFlavourRow: {
            const int flavour = AppSettings.ComposeOutputType;
            OutputType = FormatOf(flavour).family == FormatFamily::Smf ? flavour : kGmSmfType;
            break;
        }
        case kKeepTypeRow:
            break;
        case kDocomoMenuType:
            OutputType = ChooseDocomoTerminal();
            break;
        case kSoftbankMenuType:
            OutputType = ChooseSoftbankTerminal();
            break;
        case kAuMenuType:
            OutputType = ChooseAuTerminal();
            break;
        default:
            OutputType = type;
            break;
    }
    return 1;
}

int ChooseDocomoTerminal() {
    return ChooseCarrierTerminal(Carrier::Docomo, kSelectDocomoError);
}

int ChooseSoftbankTerminal() {
    return ChooseCarrierTerminal(Carrier::Softbank, kSelectSoftbankError);
}

int ChooseAuTerminal() {
    return ChooseCarrierTerminal(Carrier::Au, kSelectAuError);
}

bool ChooseInputFile(std::string& path) {
    platform::FileChooserRequest request;
    request.defaultExtension = "mid";
    request.filter = kInputFilter;
    const platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    GetShellServices()->RedrawPanel();
    if (!answer.chosen) return false;
    path = answer.path;
    return true;
}

bool ChooseOutputFile(const std::string& input, std::string& path) {
    std::string name = input;
    StripExtension(name);
    platform::FileChooserRequest request;
    request.defaultExtension = "mid";
    request.filter = SaveDialogFilter();
    request.save = true;
    request.extensionFromFilter = true;
    request.proposedName = name;
    if (AppSettings.SaveToOutputFolder == 1) {
        std::string file;
        ExtractFileName(file, name);
        request.proposedName = FolderSetting(FolderKind::Output) + file;
    }
    // The dialog opens in the folder of the name it proposes.
    request.initialFolder = std::filesystem::path(request.proposedName).parent_path().string();
    const bool byFormat = ConvertStyleSelection[0] == 1;
    std::int32_t& index = byFormat ? AppSettings.FormatFilterIndex : AppSettings.StyleFilterIndex;
    request.filterIndex = index;
    const platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    if (!answer.chosen) {
        if (answer.errorCode != 0)
            ReportCommonDialogError(static_cast<std::uint32_t>(answer.errorCode));
        return false;
    }
    index = answer.filterIndex;
    if (!OutputTypeForFilter(answer.filterIndex)) return false;
    path = answer.path;
    return true;
}

namespace {

// The one message of a ringtone input that gives no notes: its name and
// what reading it said (each text once), or, when reading said nothing, the
// path alone.
void ShowRingtoneRefusal(const std::string& path, const ReadLog& log) {
    log.LogOffsets();
    std::vector<std::string> texts;
    for (const ReadFinding& f : log.Findings()) {
        std::string said = FindingText(f);
        if (std::find(texts.begin(), texts.end(), said) == texts.end())
            texts.push_back(std::move(said));
    }
    if (texts.empty()) {
        ShowErrorBox(kRingtoneWithoutNotesText + path);
        return;
    }
    std::string text = "\"";
    text += std::filesystem::path(path).filename().string();
    text += "\" ";
    text += kRingtoneRefusedText;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) text += ' ';
        text += texts[i];
    }
    ShowErrorBox(text);
}

}  // namespace

std::optional<InputYield> ReadRingtoneBack(std::string& path) {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadInputBytes(path);
    const std::span<const std::uint8_t> read = bytes ? std::span<const std::uint8_t>(*bytes)
                                                     : std::span<const std::uint8_t>();
    std::string extension;
    GetLowerExtension(path, extension);
    const InputType& type = FindInputType(read, extension);
    if (type.yields != InputYield::Ringtone) return type.yields;
    if (!bytes && type.unopened) {
        type.unopened(path);
        return std::nullopt;
    }
    // What reading found waits until it is known whether the file gives
    // notes: if not, it is told in the one message that names the file.
    ReadLog log;
    const std::unique_ptr<MobileData> model = type.read(read, log);
    if (!model || !HoldsNotes(*model)) {
        ShowRingtoneRefusal(path, log);
        return std::nullopt;
    }
    log.ShowAll();
    MidiF1Data song(model->division, kMobileModelCapacity);
    model->ToMidiF1Data(song);
    song.ConvertToNoteOnOff();
    const std::string temp = FolderSetting(FolderKind::Work) + kReadBackFile;
    if (!song.SaveFile(temp)) return std::nullopt;
    path = temp;
    return InputYield::Tune;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return error ? a == b : same;
}

int ConvertTuneFile(const std::string& path, int outputType) {
    if (!IsMidiInput(path)) return 0;
    std::string input = path;
    return ConvertToOutputFormat(input, AppSettings.AdjustVoice, outputType);
}

int ConvertWaveFile(const std::string& path, int ringVoiceFormat) {
    return ConvertWavToRingVoice(path, ringVoiceFormat);
}

void ConvertInput(const std::string& given) {
    if (PlayingActive.load() == 1) {
        ShowErrorMessage(kStopPlayingError);
        return;
    }
    if (SelectedConvertStyles() != 1) {
        ShowErrorMessage(kOneStyleForConvertError);
        return;
    }
    std::string input = given;
    if (input.empty() && !ChooseInputFile(input)) return;
    if (RefuseOtherThanRegularFile(input)) return;
    const std::string first = input;
    const std::optional<InputYield> yields = ReadRingtoneBack(input);
    if (!yields) return;
    std::string output;
    if (!ChooseOutputFile(first, output)) return;
    std::string outputExtension;
    GetLowerExtension(output, outputExtension);
    const bool wav = *yields == InputYield::Wave;
    if (wav && outputExtension != "mld") {
        // The file may be named as a tune: the box says which file holds the
        // recording.
        ShowErrorBox(std::string(kWavNeedsMldText) + "\n" + first + " is a WAV file.");
        return;
    }
    if (SameFile(input, output)) {
        StripExtension(output);
        output += kSameNameSuffix;
        ShowErrorMessage(kSameFileNameError);
    }
    LastOutputPath.Set(output);
    // The type the save dialog chose, handed to the conversion.
    const int type = OutputType.load();
    if (FormatOf(type).converter == Converter::WavOnly && !wav) {
        ShowErrorBox(kLoadWavForVoiceText);
        return;
    }
    if (wav) {
        ConvertWave(input);
        return;
    }
    const int done =
        ConvertStyleSelection[0] == 1 ? ConvertTuneFile(input, type) : ConvertInStyle(input, type);
    if (!done) return;
    GetShellServices()->SetWaitCursor(true);
    PlayOrStopResult();
    GetShellServices()->SetWaitCursor(false);
}
