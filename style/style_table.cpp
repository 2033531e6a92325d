#include "style/style_table.h"

#include <string>

#include "style/key_setup.h"

MusicStyle StyleTable[kStyleEntries];
MusicStyle WorkingStyle;
MusicStyle StyleClipboard;

std::recursive_mutex& StyleRecordMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

namespace {

constexpr const char* kCategoryNames[kStyleCategories] = {
    "Pops(World)",
    "Pops(Japan)",
    "Jazz",
    "Classic",
    "Ethnic(Eastern)",
    "Ethnic(Western)",
    "Game Music/Sound Track",
    "Healing Music",
    "Techno",
};

struct RandomEntryText {
    const char* title;
    const char* description;
};

constexpr const char* kRandomPopsText =
    "Different music style is generated every time and played. To read a file and use it "
    "later, set up to record generated music styles in a file.";

constexpr RandomEntryText kRandomEntries[kStyleCategories] = {
    {"Random Pops", kRandomPopsText},
    {"Random Pops", kRandomPopsText},
    {"Random Jazz", "Jazz music style is automately generated and played"},
    {"Random Classic", "Classic music style is automately generated and played."},
    {"Random Ethnic", "East region ethnic music is automately generated and played."},
    {"Random Ethnic", "West region ethnic music is automately generated and played."},
    {"Random Game", "Game music is automately generated and played."},
    {"Random Healing", "Healing music is automately generated and played."},
    {"Random Techno", "Techno music style is automately generated and played."},
};

bool ValidPosition(int category, int slot) {
    return category >= 0 && category < kStyleCategories && slot >= 0 && slot < kStyleSlots;
}

// A slot without a preset: the defaults with their derived data, no title.
void BuildEmptyStyle(MusicStyle& entry) {
    InitMusicStyle(entry);
    FinishMusicStyle(entry);
}

}  // namespace

const char* StyleCategoryName(int category) {
    if (category < 0 || category >= kStyleCategories) return "";
    return kCategoryNames[category];
}

void RandomStyleEntry(int category, MusicStyle& entry) {
    InitMusicStyle(entry);
    if (category < 0 || category >= kStyleCategories) return;
    SetStyleTitle(entry, kRandomEntries[category].title);
    SetFieldText(entry.description, kRandomEntries[category].description);
    entry.randomGeneratorCode = category + 1;
}

void BuildStyleTable() {
    // Each entry is built in a local record and copied in whole, so a reader
    // on another thread never sees an entry half built.
    MusicStyle entry;
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 0; slot < kStyleSlots; ++slot) {
            if (slot == 0) {
                RandomStyleEntry(category, entry);
            } else if (!BuildPresetStyle(category, slot, entry)) {
                BuildEmptyStyle(entry);
            }
            SetStyleEntry(category, slot, entry);
        }
    }
    std::lock_guard lock(StyleRecordMutex());
    StyleClipboard = StyleTable[kPopsWorld * kStyleSlots + 1];
}

bool GetStyleEntry(int category, int slot, MusicStyle& out) {
    if (!ValidPosition(category, slot)) return false;
    std::lock_guard lock(StyleRecordMutex());
    out = StyleTable[category * kStyleSlots + slot];
    return true;
}

bool IsBlankStyle(const MusicStyle& style) {
    return DisplayTitle(style).empty() && FieldText(style.title).empty() &&
           FieldText(style.description) == "No music style is defined.";
}

bool StyleEntryIsBlank(int category, int slot) {
    if (!ValidPosition(category, slot)) return false;
    std::lock_guard lock(StyleRecordMutex());
    return IsBlankStyle(StyleTable[category * kStyleSlots + slot]);
}

void NameUntitledStyle(MusicStyle& style, int category, int slot) {
    if (!DisplayTitle(style).empty()) return;
    std::string name = FieldText(style.title);
    if (name.empty()) {
        // Numbered as the selection shows it: the button of slot 0 is 1.
        const std::string number = std::string(" ").append(std::to_string(slot + 1));
        name = std::string(StyleCategoryName(category)).substr(0, kTitleSize - 1 - number.size()) +
               number;
    }
    SetStyleTitle(style, name);
}

bool SetStyleEntry(int category, int slot, const MusicStyle& style) {
    if (!ValidPosition(category, slot)) return false;
    std::lock_guard lock(StyleRecordMutex());
    StyleTable[category * kStyleSlots + slot] = style;
    return true;
}

void SetWorkingStyle(MusicStyle style) {
    std::lock_guard lock(StyleRecordMutex());
    WorkingStyle = style;
    if (WorkingStyle.key == 1) {
        SetupMajorKey();
    } else {
        SetupMinorKey();
    }
}

void GetWorkingStyle(MusicStyle& out) {
    std::lock_guard lock(StyleRecordMutex());
    out = WorkingStyle;
}
