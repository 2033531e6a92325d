#include "styleedit/style_operations.h"

#include <algorithm>

#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "platform/file_chooser.h"
#include "style/style_file.h"
#include "style/style_mix.h"
#include "style/style_table.h"
#include "styleedit/style_extract.h"
#include "styleedit/style_selection.h"

namespace {

constexpr int kPauseAfterFileMs = 1000;

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The MIDI chooser of the run starts where the last one ended.
struct MidiChoice {
    std::string folder;
    std::string file;
};
MidiChoice& LastMidiChoice() {
    static MidiChoice choice;
    return choice;
}

platform::FileChooserAnswer AskSaveName(const std::string& proposal, const char* filter) {
    platform::FileChooserRequest request;
    request.defaultExtension = "dat";
    request.filter = filter;
    request.proposedName = proposal;
    request.initialFolder = FolderSetting(FolderKind::Style);
    request.save = true;
    return platform::GetFileChooser()->ChooseFile(request);
}

}  // namespace

void CopyWorkingStyle() {
    MusicStyle copy;
    GetWorkingStyle(copy);
    std::lock_guard lock(StyleRecordMutex());
    StyleClipboard = copy;
}

void PasteStyleClipboard() {
    MusicStyle copy;
    {
        std::lock_guard lock(StyleRecordMutex());
        copy = StyleClipboard;
    }
    SetWorkingStyle(copy);
}

void MixWithStyleClipboard() {
    MusicStyle copy;
    {
        std::lock_guard lock(StyleRecordMutex());
        copy = StyleClipboard;
    }
    MixStyles(copy);
}

bool ExtractWorkingStyle(platform::ui::Window* owner) {
    platform::FileChooserRequest request;
    request.defaultExtension = "mid";
    request.filter = kMidiFileFilter;
    request.initialFolder = LastMidiChoice().folder;
    request.proposedName = LastMidiChoice().file;
    const platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    if (!answer.chosen) {
        if (answer.errorCode != 0) ReportCommonDialogError(static_cast<std::uint32_t>(answer.errorCode));
        return false;
    }
    GetDirectoryPart(LastMidiChoice().folder, answer.path);
    LastMidiChoice().file = answer.path;
    // The names go on only after a style came out of the file: a cancelled
    // or failed extraction leaves the style as it was, names and all.
    if (ExtractStyleFromMidi(answer.path, owner) != 1) return false;
    std::lock_guard lock(StyleRecordMutex());
    SetStyleTitle(WorkingStyle, "Extracted Style");
    SetFieldText(WorkingStyle.description, "Extracted style from external midi file is defined.");
    return true;
}

void ResetMidiChoice() {
    LastMidiChoice() = MidiChoice{};
}

void NameWizardStyle() {
    std::lock_guard lock(StyleRecordMutex());
    SetStyleTitle(WorkingStyle, "Original Style");
    SetFieldText(WorkingStyle.description, "Orizinal style by wizard is defined.");
}

std::string ProposedStyleFileName(const MusicStyle& style) {
    std::string name = DisplayTitle(style);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c) && i + 1 < name.size()) {
            ++i;  // the trail byte stays with its lead
        } else if (c == ' ' || c == '/') {
            name[i] = '_';
        }
    }
    // A name of dots alone or of nothing would name a folder, not a file.
    if (name.empty() || name == "." || name == "..") return kNoNameProposal;
    return StyleTextToUtf8(name);
}

std::string StyleSavePath(const std::string& chosen) {
    std::string extension;
    GetLowerExtension(chosen, extension);
    return extension == "mid" ? chosen + ".dat" : chosen;
}

bool SaveWorkingStyle() {
    MusicStyle copy;
    GetWorkingStyle(copy);
    platform::FileChooserAnswer answer = AskSaveName(ProposedStyleFileName(copy), kStyleSaveFilter);
    if (!answer.chosen && answer.errorCode == kInvalidFileNameError) {
        answer = AskSaveName(kNoNameProposal, kStyleSaveRetryFilter);
    }
    if (!answer.chosen) {
        if (answer.errorCode != 0) ShowCommonDialogError(static_cast<std::uint32_t>(answer.errorCode));
        return false;
    }
    const int failed = SaveStyleFile(copy, StyleSavePath(answer.path));
    GetShellServices()->Pause(kPauseAfterFileMs);
    return failed == 0;
}

bool LoadWorkingStyle() {
    MusicStyle loaded;
    GetWorkingStyle(loaded);
    if (!OpenStyleFileDialog(loaded)) return false;
    SetWorkingStyle(loaded);
    GetShellServices()->Pause(kPauseAfterFileMs);
    return true;
}
