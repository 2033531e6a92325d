#include "style/voice_names.h"

#include "core/settings.h"
#include "style/style_table.h"
#include "style/style_text.h"

const PartKindInfo* FindPartKind(int kind) {
    if (kind < 1 || kind > kPartKindCount) return nullptr;
    return &kPartKinds[kind - 1];
}

void GetInstrumentName(int code, std::string& text) {
    if (code == kVoiceNotUsed) {
        text = kVoiceNotUsedName;
    } else if (code >= 0 && code < kInstrumentNameCount) {
        const char* name = InstrumentNameTable[static_cast<std::size_t>(code)];
        text = name ? name : "";
    } else {
        text = kInvalidInstrumentName;
    }
}

void GetDrumSetName(int code, std::string& text) {
    if (code == kVoiceNotUsed) {
        text = kVoiceNotUsedName;
        return;
    }
    const char* name = DrumSetTextName(code);
    text = name ? name : "";
}

int GetPartInstrumentName(const MusicStyle& style, int kind, std::string& text) {
    const PartKindInfo* info = FindPartKind(kind);
    if (!info) {
        text.clear();
        ShowErrorMessage(kInvalidTrackError);
        return 0;
    }
    const int voice = style.voice[info->stylePart];
    if (kind == kKindDrum)
        GetDrumSetName(voice, text);
    else
        GetInstrumentName(voice, text);
    return 1;
}

int GetPartInstrumentName(int kind, std::string& text) {
    return GetPartInstrumentName(WorkingStyle, kind, text);
}

std::span<const VoiceEntry> VoiceTableOfMode(int mode) {
    switch (mode) {
        case kChooseDrumSet:
            return DrumSetTable;
        case kChooseEnvironment:
            return EnvironmentSoundTable;
        case kChooseSubDrum:
            return SubDrumInstrumentTable;
        default:
            return {};
    }
}
