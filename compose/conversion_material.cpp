// Loading a MIDI file as conversion material and building each conversion
// tune from it; see conversion_material.h.
#include "compose/conversion_material.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "compose/chord_name_ctl.h"
#include "compose/composer_state.h"
#include "compose/melody_stages.h"
#include "core/app_utilities.h"
#include "core/output_formats.h"
#include "core/service_slot.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "midi/smf_checks.h"
#include "style/style_table.h"

std::unique_ptr<TuneStructure> CurrentTuneStructure;
ConversionMaterialState ConversionMaterial;
std::atomic<int> ConversionRunning{0};

bool RingtoneConversionRunning() {
    return ConversionRunning.load() != 0 &&
           FormatOf(TheComposerState.outputType).family == FormatFamily::Ringtone;
}

namespace {

ServiceSlot<ChannelRoleDialogService, NoChannelRoleDialog>& DialogSlot() {
    static ServiceSlot<ChannelRoleDialogService, NoChannelRoleDialog> slot;
    return slot;
}

constexpr int kSlotInts = 18;

bool SlotUsed(int slot) {
    return ConversionInputSlots[slot].Path[0] != '\0';
}

}  // namespace

std::shared_ptr<ChannelRoleDialogService> SetChannelRoleDialog(
    std::shared_ptr<ChannelRoleDialogService> dialog) {
    return DialogSlot().Set(std::move(dialog));
}

std::shared_ptr<ChannelRoleDialogService> GetChannelRoleDialog() {
    return DialogSlot().Get();
}

// ---- Dialog decisions ----

const char* const kRoleComboTexts[kRoleComboEntries] = {
    "Not used", "Undefined", "Melody", "Harmony", "Bass", "Drums", "Obbligato"};

int RoleToComboEntry(int role) {
    switch (role) {
        case tune_role::kBass: return 4;
        case tune_role::kHarmony: return 3;
        case tune_role::kMelody: return 2;
        case tune_role::kDrums: return 5;
        case tune_role::kObbligato: return 6;
        default: return 1;
    }
}

int ComboEntryToRole(int entry) {
    switch (entry) {
        case 2: return tune_role::kMelody;
        case 3: return tune_role::kHarmony;
        case 4: return tune_role::kBass;
        case 5: return tune_role::kDrums;
        case 6: return tune_role::kObbligato;
        default: return tune_role::kUndefined;
    }
}

ErrorCode CheckChannelRoleChoice(std::span<const int, 16> roles, int usedChannels) {
    const auto count = [&](int role) { return std::count(roles.begin(), roles.end(), role); };
    const auto melodies = count(tune_role::kMelody);
    if (melodies == 0) return kNoMelodySelected;
    if (melodies > 1) return kMelodyOnlyOne;
    if (count(tune_role::kBass) == 0 && count(tune_role::kHarmony) == 0 && usedChannels > 1 &&
        roles[TuneStructure::kDrumChannel] == tune_role::kUndefined)
        return kNoHarmonySelected;
    return 0;
}

std::array<int, 2> InitialBarWindow(bool ringtone, long long ticksBeforeFirstNote, int division,
                                    int barCount) {
    const int bars = std::max(barCount, 1);
    if (!ringtone || division <= 0) return {1, bars};
    const long long firstBar = std::max(0LL, ticksBeforeFirstNote) / division / 4;
    const int start = static_cast<int>(std::min<long long>(firstBar + 1, bars));
    const int end = static_cast<int>(std::min<long long>(firstBar + 17, bars));
    return {start, std::max(start, end)};
}

MaterialRange RangeFromFields(int start, int end, int barCount) {
    const int bars = std::max(barCount, 1);
    start = std::clamp(start, 1, bars);
    end = std::clamp(end, start, bars);
    return {start - 1, end - start + 1};
}

// ---- Loading ----

int SelectMidiMaterialFile(int slot, std::string& path) {
    if (slot < 0 || slot >= kConversionInputSlotCount) return 0;
    return ChooseMidiFile(path);
}

int CheckMaterialChannels(const TuneStructure& structure) {
    for (int c = 0; c < TuneStructure::kChannels; ++c) {
        if (structure.used[static_cast<std::size_t>(c)] != 0 &&
            structure.role[static_cast<std::size_t>(c)] != tune_role::kDrums)
            return 1;
    }
    ShowErrorMessage(kNoNotesToConvert);
    return 0;
}

int ParseMidiMaterial(std::unique_ptr<MidiF0Data>& song, std::span<const std::uint8_t> image) {
    song.reset();
    const auto refuse = [] {
        ShowErrorMessage(kMidiFormatError);
        return 0;
    };
    if (image.size() < static_cast<std::size_t>(kSmfHeaderSize) ||
        std::memcmp(image.data(), "MThd", 4) != 0 || image.size() > WorkBufferSize)
        return refuse();
    const int format = ReadBigEndian16(image.data() + 8);
    const int division = ReadBigEndian16(image.data() + 12);
    if ((format != 0 && format != 1) || !IsPlayableDivision(division)) return refuse();
    const int length = static_cast<int>(image.size());
    if (format == 0) {
        song = std::make_unique<MidiF0Data>(image.data(), length, kMusicDataCapacity);
        const MidiF1Data split(*song);
        ConversionMaterial.key = ReadTuneKeyInfo(split);
    } else {
        const MidiF1Data tracks(image.data(), length, kMusicDataCapacity);
        song = std::make_unique<MidiF0Data>(note_mode::kLength, tracks.division, kMusicDataCapacity);
        tracks.MergeTracksInto(*song);
        ConversionMaterial.key = ReadTuneKeyInfo(tracks);
    }
    if (!song->Track() || !IsPlayableDivision(song->division)) {
        song.reset();
        return refuse();
    }
    return 1;
}

int RunChannelRoleDialog(MidiF0Data& song, MaterialRange& range, platform::ui::Window* owner) {
    if (!CurrentTuneStructure) CurrentTuneStructure = std::make_unique<TuneStructure>();
    std::shared_ptr<ShellServices> shell = GetShellServices();
    shell->SetWaitCursor(true);
    CurrentTuneStructure->AnalyzeMidiData(song, song.division);
    shell->SetWaitCursor(false);
    if (!CheckMaterialChannels(*CurrentTuneStructure)) return 0;
    return GetChannelRoleDialog()->RunOver(owner, song, *CurrentTuneStructure, range) == 1 ? 1 : 0;
}

int LoadMidiMaterial(const std::string& path, int slot, platform::ui::Window* owner) {
    if (path.empty() || slot < 0 || slot >= kConversionInputSlotCount) return 0;
    // The slot stores the path with its terminator.
    if (path.size() >= sizeof ConversionInputSlots[0].Path) {
        ShowErrorMessage(kMaterialOpenError);
        return 0;
    }
    // The buffer must keep room behind the file (see ReadMidiFile).
    if (!CheckMidiInputFile(path, WorkBufferSize - 1)) return 0;
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::string file = path;
    std::size_t size = 0;
    if (!ReadMidiFile(file, buffer.data(), buffer.size(), &size)) return 0;
    std::unique_ptr<MidiF0Data> song;
    if (!ParseMidiMaterial(song, std::span<const std::uint8_t>(buffer.data(), size))) return 0;
    MaterialRange range;
    if (!RunChannelRoleDialog(*song, range, owner)) return 0;
    // Only a material that was accepted replaces what the slot held.
    ConversionInputSlot& s = ConversionInputSlots[slot];
    std::memset(s.Path, 0, sizeof s.Path);
    std::memcpy(s.Path, path.data(), path.size());
    for (int c = 0; c < kSlotInts; ++c) {
        s.ChannelRoles[c] = CurrentTuneStructure->role[static_cast<std::size_t>(c)];
        s.ChannelUsed[c] = CurrentTuneStructure->used[static_cast<std::size_t>(c)];
    }
    s.Extra[0] = range.startBar;
    s.Extra[1] = range.barCount;
    ConversionMaterial.range = range;
    return 1;
}

int LoadConversionMaterial(const std::string& path) {
    std::string chosen = path;
    if (chosen.empty() && !SelectMidiMaterialFile(0, chosen)) return 0;
    return LoadMidiMaterial(chosen, 0);
}

int SelectConversionMaterial(const std::string& path) {
    if (!LoadConversionMaterial(path)) return 0;
    ConversionMaterial.anySlot = 0;
    for (int i = 0; i < kConversionInputSlotCount; ++i) {
        if (SlotUsed(i)) ConversionMaterial.anySlot = 1;
    }
    return ConversionMaterial.anySlot;
}
