// Builds a built-in style from its row: the defaults of a fresh record, then
// the row's values, then the grid presets and the fixed riff, then the
// derived data.
#include "style/presets.h"

#include <cstring>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "core/utilities.h"
#include "style/grid_presets.h"
#include "style/preset_data.h"

using namespace preset_data;

namespace {

const PresetRow* FindPresetRow(int category, int slot) {
    for (const PresetRow& row : PresetRows()) {
        if (row.category == category && row.slot == slot) return &row;
    }
    return nullptr;
}

// The settings bit the presets read now: the sound-module type (any value
// other than 0 and 1 counts as 2, the General MIDI default) and the
// "Use Group Inst." switch.
SettingsMask CurrentSettings() {
    int moduleType = AppSettings.ComposeOutputType;
    if (moduleType != 0 && moduleType != 1) moduleType = 2;
    return SettingsBit(moduleType, AppSettings.UseGroupInstruments != 0);
}

// Writes into the record's bytes; a write that would leave the record is
// dropped.
void PutBytes(MusicStyle& style, std::size_t offset, const void* bytes, std::size_t count) {
    if (offset > sizeof(MusicStyle) || count > sizeof(MusicStyle) - offset) return;
    std::memcpy(reinterpret_cast<unsigned char*>(&style) + offset, bytes, count);
}

void ApplyFieldWrite(MusicStyle& style, const FieldWrite& write) {
    switch (write.op) {
        case WriteOp::kInt32: {
            std::int32_t value = write.value;
            PutBytes(style, write.offset, &value, sizeof(value));
            break;
        }
        case WriteOp::kInt16: {
            auto value = static_cast<std::uint16_t>(write.value);
            PutBytes(style, write.offset, &value, sizeof(value));
            break;
        }
        case WriteOp::kByte: {
            auto value = static_cast<std::uint8_t>(write.value);
            PutBytes(style, write.offset, &value, sizeof(value));
            break;
        }
        case WriteOp::kMixTriple: {
            const std::uint8_t values[3] = {static_cast<std::uint8_t>(write.value & 0xFF),
                                            static_cast<std::uint8_t>(write.value >> 8 & 0xFF),
                                            static_cast<std::uint8_t>(write.value >> 16 & 0xFF)};
            PutBytes(style, write.offset, values, sizeof(values));
            break;
        }
        case WriteOp::kZero: {
            std::size_t count = static_cast<std::size_t>(write.value);
            if (write.offset <= sizeof(MusicStyle) && count <= sizeof(MusicStyle) - write.offset) {
                std::memset(reinterpret_cast<unsigned char*>(&style) + write.offset, 0, count);
            }
            break;
        }
        case WriteOp::kTempoBpm:
            style.tempo = BpmToTempo(write.value);
            break;
        case WriteOp::kMelodyTable:
            if (const MelodyTableRows* table = MelodyTableByNumber(write.value)) {
                std::memcpy(style.melodyTableInterval, table->interval, sizeof(table->interval));
                std::memcpy(style.melodyTableDirection, table->direction, sizeof(table->direction));
            }
            break;
        case WriteOp::kObbligatoLine:
            if (const MelodySettings* line = ObbligatoLineByNumber(write.value)) {
                style.melody[kPartObbligato] = *line;
            }
            break;
        case WriteOp::kScaleNotes:
            if (const char* text = ScaleNotesText(write.value)) {
                SetFieldText(style.scaleNotes, text);
            }
            break;
        case WriteOp::kGrid:
            if (GridPresetFunction grid = GridPresetByNumber(write.value)) {
                grid(style.customHarmony);
            }
            break;
        case WriteOp::kFixedRiff:
            SetFixedRiff(style.riff);
            break;
    }
}

bool IsFinishingWrite(const FieldWrite& write) {
    return write.op == WriteOp::kGrid || write.op == WriteOp::kFixedRiff;
}

void SetVoice(MusicStyle& style, int part, PresetVoice voice, bool useGroup) {
    int code = useGroup ? voice.on : voice.off;
    if (code >= 0) style.voice[part] = code;
}

void SetMix(MixBlock& mix, const PresetMix& values) {
    mix.volume = values.volume;
    mix.chorus = values.chorus;
    mix.reverb = values.reverb;
}

const char* KnowledgeBaseSuffix(KnowledgeBase base) {
    switch (base) {
        case KnowledgeBase::kDb2:
            return "2";
        case KnowledgeBase::kDbb:
            return "B";
        case KnowledgeBase::kDb:
            break;
    }
    return "";
}

void BuildFromRow(const PresetRow& row, MusicStyle& style) {
    // Nothing of what the record held before may survive into the style.
    std::memset(&style, 0, sizeof(style));
    InitMusicStyle(style);

    SetStyleTitle(style, row.title);
    if (row.description) {
        std::string_view text = row.description;
        SetFieldText(style.description, text.substr(0, kDescriptionSize - 1));
    }
    std::string suffix = KnowledgeBaseSuffix(row.knowledgeBase);
    SetFieldText(style.knowledgeBase, "PATTERN.DB" + suffix);
    SetFieldText(style.resolutionKnowledgeBase, "RESOLUT.DB" + suffix);

    const SettingsMask settings = CurrentSettings();
    const bool useGroup = (settings & kGroupOn) != 0;

    style.tempo = row.tempo;
    style.timeSignature = row.metre;
    style.key = row.key;
    style.basicBeat = row.basicBeat;
    style.tuneLength = row.bars;
    style.scale = row.scale;

    SetVoice(style, kPartMelody, row.melody, useGroup);
    SetVoice(style, kPartBass, row.bass, useGroup);
    SetVoice(style, kPartHarmony, row.harmony, useGroup);
    SetVoice(style, kPartSubHarmony, row.subHarmony, useGroup);
    SetVoice(style, kPartObbligato, row.obbligato, useGroup);
    style.voice[kPartDrum] = row.drum;

    style.harmonyPattern = row.harmonyPattern;
    style.subHarmonyPattern = row.subHarmonyPattern;
    style.rhythmPattern = row.rhythmPattern;
    style.bassPattern = row.bassPattern;
    style.chordProgression = row.chordProgression;
    if (row.setting60 != 0) style.setting60 = row.setting60;

    const int mixParts[] = {kPartMelody, kPartBass, kPartHarmony, kPartObbligato, kPartDrum};
    for (std::size_t i = 0; i < std::size(mixParts); ++i) {
        SetMix(style.mix[mixParts[i]], row.mix[i]);
    }

    MelodySettings& melody = style.melody[kPartMelody];
    melody.dissonance = row.line.dissonance;
    melody.noteLength = row.line.noteLength;
    melody.syncopation = row.line.syncopation;
    melody.upperLimit = row.line.upperLimit;
    melody.lowerLimit = row.line.lowerLimit;
    melody.algorithm = row.line.algorithm;
    style.density[kPartMelody] = row.melodyDensity;

    for (const FieldWrite& write : row.extras) {
        if ((write.when & settings) != 0 && !IsFinishingWrite(write)) {
            ApplyFieldWrite(style, write);
        }
    }
    // Grid presets and the fixed riff go last, in the row's order.
    for (const FieldWrite& write : row.extras) {
        if ((write.when & settings) != 0 && IsFinishingWrite(write)) {
            ApplyFieldWrite(style, write);
        }
    }

    FinishMusicStyle(style);
}

}  // namespace

bool BuildPresetStyle(int category, int slot, MusicStyle& entry) {
    const PresetRow* row = FindPresetRow(category, slot);
    if (!row) return false;
    BuildFromRow(*row, entry);
    return true;
}
