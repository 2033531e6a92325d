#include "styleedit/instrument_choice.h"

#include "core/settings.h"

int InstrumentChoice = 0;
int InstrumentChoiceMode = kChooseMelodic;

std::vector<ChooserEntry> ChooserGroups(int mode) {
    std::vector<ChooserEntry> groups;
    if (mode != kChooseMelodic) {
        groups.push_back({kVoiceNotUsedName, 0});
        return groups;
    }
    for (int g = 0; g < kInstrumentGroupCount; ++g)
        groups.push_back({kInstrumentGroupNames[g], g});
    return groups;
}

std::vector<ChooserEntry> ChooserInstruments(int mode, int group) {
    std::vector<ChooserEntry> items;
    if (mode != kChooseMelodic) {
        for (const VoiceEntry& e : VoiceTableOfMode(mode))
            items.push_back({e.name, e.value});
        return items;
    }
    if (group == kNoneGroup) {
        items.push_back({kVoiceNotUsedName, kVoiceNotUsed});
        return items;
    }
    if (group < 0 || group >= kInstrumentGroupCount) return items;
    for (int code = group * kGroupSize;
         code < (group + 1) * kGroupSize && code < kInstrumentNameCount; ++code) {
        const char* name = InstrumentNameTable[static_cast<std::size_t>(code)];
        items.push_back({name ? name : "", code});
    }
    return items;
}

ChooserSelection ChooserOpenSelection(int mode, int voice) {
    ChooserSelection s;
    if (mode != kChooseMelodic) {
        const std::vector<ChooserEntry> items = ChooserInstruments(mode, 0);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].value == voice) {
                s.instrument = static_cast<int>(i);
                break;
            }
        }
        return s;
    }
    if (voice == kVoiceNotUsed) {
        s.group = kNoneGroup;
        s.instrument = 0;
        return s;
    }
    if (voice < 0 || voice / kGroupSize >= kInstrumentGroupCount) return s;
    s.group = voice / kGroupSize;
    // The codes 152..159 fall in the none group, whose one entry "---"
    // stands for the part not used.
    s.instrument = s.group == kNoneGroup ? 0 : voice % kGroupSize;
    return s;
}

int ChooserResult(int mode, const ChooserSelection& selection, int voice) {
    if (mode != kChooseMelodic) {
        const std::vector<ChooserEntry> items = ChooserInstruments(mode, 0);
        if (selection.instrument < 0 || selection.instrument >= static_cast<int>(items.size()))
            return voice;
        return items[static_cast<std::size_t>(selection.instrument)].value;
    }
    if (selection.group == kNoneGroup) return kVoiceNotUsed;
    if (selection.group < 0 || selection.group >= kInstrumentGroupCount) return voice;
    const int count = static_cast<int>(ChooserInstruments(mode, selection.group).size());
    if (selection.instrument < 0 || selection.instrument >= count) return voice;
    return kGroupSize * selection.group + selection.instrument;
}
