#include "styleedit/pattern_tables.h"

#include <cstring>
#include <vector>

#include "style/style_text.h"
#include "style/style_wizard.h"

namespace {

// Joins a text-form list with the profile rows of the same choice, matched
// by position and name (a row whose name differs adds nothing).
std::vector<PatternEntry> Build(StyleChoiceList list, const ProfileTable* profile) {
    const auto names = StyleChoiceNames(list);
    const auto rows = profile ? ProfileRows(*profile) : std::span<const ProfileRow>{};
    std::vector<PatternEntry> table;
    table.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        PatternEntry entry{names[i].name, names[i].value, {}};
        if (i < rows.size() && std::strcmp(rows[i].name, entry.name) == 0) {
            for (int k = 0; k < 8; ++k) entry.profile[k] = rows[i].change[k];
        }
        if (list == StyleChoiceList::kHarmonyPattern &&
            std::strcmp(entry.name, "Quarter Cutting") == 0)
            entry.code = kQuarterCuttingCode;
        table.push_back(entry);
    }
    return table;
}

const std::vector<PatternEntry>& Tables(StyleChoiceList list) {
    static constexpr ProfileTable kHarmony = ProfileTable::kHarmonyPattern;
    static constexpr ProfileTable kBass = ProfileTable::kBassPattern;
    static constexpr ProfileTable kRhythm = ProfileTable::kRhythmPattern;
    // One table per list, built once (static initialisation is thread-safe).
    static const std::vector<PatternEntry> tables[] = {
        Build(StyleChoiceList::kHarmonyPattern, &kHarmony),
        Build(StyleChoiceList::kBassPattern, &kBass),
        Build(StyleChoiceList::kRhythmPattern, &kRhythm),
        Build(StyleChoiceList::kSubMelodyMethod, nullptr),
        Build(StyleChoiceList::kSubDrumPattern, nullptr),
    };
    return tables[static_cast<int>(list)];
}

}  // namespace

PatternTable HarmonyPatternTable() { return Tables(StyleChoiceList::kHarmonyPattern); }
PatternTable BassPatternTable() { return Tables(StyleChoiceList::kBassPattern); }
PatternTable RhythmPatternTable() { return Tables(StyleChoiceList::kRhythmPattern); }
PatternTable SubMelodyMethodTable() { return Tables(StyleChoiceList::kSubMelodyMethod); }
PatternTable SubDrumPatternTable() { return Tables(StyleChoiceList::kSubDrumPattern); }

int PatternPosition(PatternTable table, int code) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].code == code) return static_cast<int>(i);
    }
    return -1;
}
