#include "styleedit/accomp_structure.h"

#include "core/utilities.h"
#include "style/voice_names.h"
#include "styleedit/pattern_choice.h"
#include "styleedit/style_extract.h"

namespace {

constexpr StructureRows kHarmonyRows = {{
    {"Obbligato", "Algorithm and Range", kPartObbligato, kKindObbligato, kChooseMelodic},
    {"Harmony(Main)", "Harmony pattern", kPartHarmony, kKindHarmony, kChooseMelodic},
    {"Harmony(Sub)", "Haromony pattern", kPartSubHarmony, kKindSubHarmony, kChooseMelodic},
}};
constexpr StructureRows kRhythmRows = {{
    {"Bass", "Bass pattern", kPartBass, kKindBass, kChooseMelodic},
    {"Drum(Main)", "Rhythm pattern", kPartDrum, kKindDrum, kChooseDrumSet},
    {"Drum(Sub)", "Rhythm pattern", kPartSubDrum, kKindSubDrum, kChooseSubDrum},
}};

// Position of the value in the table; a value it lacks counts as the
// position after the last.
template <class Table, class Value>
int PositionOrEnd(const Table& table, Value value) {
    int position = 0;
    for (const auto& entry : table) {
        if (value(entry)) return position;
        ++position;
    }
    return position;
}

// The position moved by step and wrapped into a table of size entries.
int Wrapped(int position, int step, int size) {
    position += step;
    ClampOrWrap(&position, 0, size - 1, true);
    return position;
}

}  // namespace

const StructureRows& RowsOf(StructureEditor editor) {
    return editor == StructureEditor::kHarmony ? kHarmonyRows : kRhythmRows;
}

std::string StepRowVoice(MusicStyle& style, const StructureRow& row, int step) {
    std::int32_t& voice = style.voice[row.part];
    const auto table = VoiceTableOfMode(row.chooserMode);
    if (table.empty()) {
        int value = voice + step;
        ClampOrWrap(&value, 0, kMelodicVoiceLast, true);
        voice = value;
        std::string name;
        GetPartInstrumentName(style, row.kind, name);
        return name;
    }
    const int size = static_cast<int>(table.size());
    const int from = PositionOrEnd(table, [&](const VoiceEntry& e) { return e.value == voice; });
    const VoiceEntry& entry = table[static_cast<std::size_t>(Wrapped(from, step, size))];
    voice = entry.value;
    return entry.name;
}

std::string StepRowPattern(MusicStyle& style, const StructureRow& row, int step) {
    std::int32_t* code = PatternFieldOf(style, row.part);
    const PatternTable table = PatternTableOf(row.part);
    if (style.voice[row.part] == kVoiceNotUsed || !code || table.empty())
        return kVoiceNotUsedName;
    const int size = static_cast<int>(table.size());
    const int from = PositionOrEnd(table, [&](const PatternEntry& e) { return e.code == *code; });
    const PatternEntry& entry = table[static_cast<std::size_t>(Wrapped(from, step, size))];
    *code = entry.code;
    return entry.name;
}

void PressRowStepper(MusicStyle& style, const StructureRow& row, bool pattern, int step,
                     RowNames& names) {
    if (!pattern) {
        names.instrument = StepRowVoice(style, row, step);
        names.pattern = StepRowPattern(style, row, 0);
        return;
    }
    names.pattern = StepRowPattern(style, row, step);
    // A row not in use is left as it is, its voice too.
    if (row.part == kPartObbligato && style.voice[row.part] != kVoiceNotUsed)
        names.instrument = StepRowVoice(style, row, 0);
}

RowNames OpenRow(MusicStyle& style, const StructureRow& row) {
    if (style.voice[row.part] == kVoiceNotUsed) return {kVoiceNotUsedName, kVoiceNotUsedName};
    RowNames names;
    names.instrument = StepRowVoice(style, row, 0);
    names.pattern = StepRowPattern(style, row, 0);
    return names;
}

RowNames ShownRow(const MusicStyle& style, const StructureRow& row) {
    RowNames names;
    GetPartInstrumentName(style, row.kind, names.instrument);
    const std::int32_t* code = PatternFieldOf(style, row.part);
    const PatternTable table = PatternTableOf(row.part);
    if (style.voice[row.part] == kVoiceNotUsed || !code || table.empty()) {
        names.pattern = kVoiceNotUsedName;
        return names;
    }
    const int position = PatternPosition(table, *code);
    names.pattern = table[static_cast<std::size_t>(position < 0 ? 0 : position)].name;
    return names;
}

PatternFollowUp FollowUpOf(const MusicStyle& style, int part) {
    switch (part) {
        case kPartObbligato:
            return style.subMelodyMethod == kCustomSubMelodyMethod
                       ? PatternFollowUp::kObbligatoMelody
                       : PatternFollowUp::kNone;
        case kPartHarmony:
            return style.harmonyPattern == kCustomHarmonyPattern ? PatternFollowUp::kHarmonyGrid
                                                                 : PatternFollowUp::kNone;
        case kPartSubHarmony:
            return style.subHarmonyPattern == kCustomHarmonyPattern
                       ? PatternFollowUp::kSubHarmonyGrid
                       : PatternFollowUp::kNone;
        case kPartBass:
            return style.bassPattern == kCustomBassPattern ? PatternFollowUp::kBassGrid
                                                           : PatternFollowUp::kNone;
        case kPartDrum:
            if (style.rhythmPattern == kCustomRhythmPattern) return PatternFollowUp::kRhythmGrid;
            return style.rhythmPattern == kCreatedRhythmPattern ? PatternFollowUp::kDrumCreator
                                                                : PatternFollowUp::kNone;
        default:
            return PatternFollowUp::kNone;
    }
}
