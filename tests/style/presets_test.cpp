// The built-in styles, checked against their fixed values as listed in the
// data files of this folder (kept apart from the style rows themselves).
#include "style/presets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/utilities.h"
#include "style/grid_presets.h"
#include "style/music_style.h"
#include "style/preset_data.h"
#include "style/style_table.h"

namespace {

// ---- Data files ----

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The lines of a data file split at '|', comment and empty lines left out.
std::vector<std::vector<std::string>> ReadCells(const std::string& name) {
    std::ifstream in(std::string(ZAW_TEST_DATA_DIR) + "/" + name);
    EXPECT_TRUE(in.good()) << name;
    std::vector<std::vector<std::string>> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cells;
        std::stringstream stream(line);
        std::string cell;
        while (std::getline(stream, cell, '|'))
            cells.push_back(Trim(cell));
        if (!line.empty() && line.back() == '|') cells.push_back("");
        lines.push_back(cells);
    }
    return lines;
}

// A voice cell: "-" not used, "a/b" by the "Use Group Inst." switch, "*" by
// the settings table.
struct VoiceCell {
    bool bySettings = false;
    int off = kVoiceNotUsed;
    int on = kVoiceNotUsed;
};

VoiceCell ParseVoice(const std::string& cell) {
    VoiceCell voice;
    if (cell == "*") {
        voice.bySettings = true;
    } else if (cell != "-") {
        std::size_t slash = cell.find('/');
        voice.off = std::stoi(cell.substr(0, slash));
        voice.on = slash == std::string::npos ? voice.off : std::stoi(cell.substr(slash + 1));
    }
    return voice;
}

struct ExpectedStyle {
    int category = 0;
    int slot = 0;
    std::string title;
    int tempo = 0;
    int metre = 0;
    int key = 0;
    int basicBeat = 0;
    std::string knowledgeBase;
    int bars = 0;
    int scale = 1;
    VoiceCell voices[5];  // Melody, Bass, Harmony, Sub Harmony, Obbligato
    int drum = kVoiceNotUsed;
    int harmonyPattern = 0, subHarmonyPattern = 0, rhythmPattern = 0, bassPattern = 0;
    int chordProgression = 0;
    std::vector<int> grids;
    bool fixedRiff = false;
};

constexpr int kVoiceParts[5] = {kPartMelody, kPartBass, kPartHarmony, kPartSubHarmony,
                                kPartObbligato};

const std::vector<ExpectedStyle>& ExpectedStyles() {
    static const std::vector<ExpectedStyle> styles = [] {
        std::vector<ExpectedStyle> out;
        for (const auto& c : ReadCells("preset_table.txt")) {
            EXPECT_EQ(c.size(), 22u) << c[0] << " " << c[1];
            if (c.size() != 22) continue;
            ExpectedStyle s;
            s.category = std::stoi(c[0]);
            s.slot = std::stoi(c[1]);
            s.title = c[2];
            s.tempo = std::stoi(c[3]);
            s.metre = c[4] == "4/4" ? kMetre44 : c[4] == "3/4" ? kMetre34 : kMetre78;
            s.key = std::stoi(c[5]);
            s.basicBeat = std::stoi(c[6]);
            s.knowledgeBase = c[7];
            s.bars = std::stoi(c[8]);
            s.scale = c[9].empty() ? 1 : std::stoi(c[9]);
            for (int i = 0; i < 5; ++i)
                s.voices[i] = ParseVoice(c[10 + i]);
            s.drum = c[15] == "-" ? kVoiceNotUsed : std::stoi(c[15]);
            s.harmonyPattern = std::stoi(c[16]);
            s.subHarmonyPattern = std::stoi(c[17]);
            s.rhythmPattern = std::stoi(c[18]);
            s.bassPattern = std::stoi(c[19]);
            s.chordProgression = std::stoi(c[20]);
            std::stringstream extra(c[21]);
            std::string item;
            while (extra >> item) {
                if (item == "R") s.fixedRiff = true;
                if (item[0] == 'G') s.grids.push_back(std::stoi(item.substr(1)));
            }
            out.push_back(s);
        }
        return out;
    }();
    return styles;
}

std::vector<const ExpectedStyle*> StylesTitled(const std::string& title) {
    std::vector<const ExpectedStyle*> found;
    for (const ExpectedStyle& s : ExpectedStyles()) {
        if (s.title == title) found.push_back(&s);
    }
    EXPECT_FALSE(found.empty()) << title;
    return found;
}

int PartByName(const std::string& name) {
    static const std::map<std::string, int> parts = {
        {"Melody", kPartMelody},           {"Bass", kPartBass},
        {"Harmony", kPartHarmony},         {"Obbligato", kPartObbligato},
        {"Sub Drum", kPartSubDrum},        {"Sub Harmony", kPartSubHarmony},
        {"Environment", kPartEnvironment}, {"Drum", kPartDrum},
    };
    auto it = parts.find(name);
    EXPECT_NE(it, parts.end()) << name;
    return it == parts.end() ? kPartMelody : it->second;
}

// ---- Building under chosen settings ----

// Sets the two settings the presets read and puts them back afterwards.
class PresetSettings {
public:
    PresetSettings(int moduleType, bool useGroup)
        : module_(AppSettings.ComposeOutputType), group_(AppSettings.UseGroupInstruments) {
        AppSettings.ComposeOutputType = moduleType;
        AppSettings.UseGroupInstruments = useGroup ? 1 : 0;
    }
    ~PresetSettings() {
        AppSettings.ComposeOutputType = module_;
        AppSettings.UseGroupInstruments = group_;
    }

private:
    std::int32_t module_;
    std::int32_t group_;
};

std::unique_ptr<MusicStyle> Build(int category, int slot, int moduleType = 2, bool useGroup = true,
                                  std::int32_t seed = 7) {
    PresetSettings settings(moduleType, useGroup);
    auto style = std::make_unique<MusicStyle>();
    SeedRandomWith(seed);
    EXPECT_TRUE(BuildPresetStyle(category, slot, *style)) << category << " " << slot;
    return style;
}

std::unique_ptr<MusicStyle> Build(const ExpectedStyle& s, int moduleType = 2, bool useGroup = true,
                                  std::int32_t seed = 7) {
    return Build(s.category, s.slot, moduleType, useGroup, seed);
}

bool SameBytes(const MusicStyle& a, const MusicStyle& b) {
    return std::memcmp(&a, &b, sizeof(MusicStyle)) == 0;
}

// The value a settings-table field names.
int FieldValue(const MusicStyle& style, const std::string& field) {
    const MelodySettings& line = style.melody[kPartMelody];
    if (field == "effect") return line.effect;
    if (field == "upper") return line.upperLimit;
    if (field == "lower") return line.lowerLimit;
    std::size_t blank = field.find(' ');
    std::string what = field.substr(0, blank);
    int part = PartByName(field.substr(blank + 1));
    if (what == "voice") return style.voice[part];
    if (what == "volume") return style.mix[part].volume;
    if (what == "brightness") return style.mix[part].brightness;
    if (what == "octave") return style.octave[part];
    ADD_FAILURE() << "unknown field " << field;
    return 0;
}

void CopyField(MusicStyle& to, const MusicStyle& from, const std::string& field) {
    MelodySettings& line = to.melody[kPartMelody];
    const MelodySettings& source = from.melody[kPartMelody];
    if (field == "effect") line.effect = source.effect;
    if (field == "upper") line.upperLimit = source.upperLimit;
    if (field == "lower") line.lowerLimit = source.lowerLimit;
    std::size_t blank = field.find(' ');
    if (blank == std::string::npos) return;
    std::string what = field.substr(0, blank);
    int part = PartByName(field.substr(blank + 1));
    if (what == "voice") to.voice[part] = from.voice[part];
    if (what == "volume") to.mix[part].volume = from.mix[part].volume;
    if (what == "brightness") to.mix[part].brightness = from.mix[part].brightness;
    if (what == "octave") to.octave[part] = from.octave[part];
}

struct SettingsRule {
    std::string title;
    std::string field;
    std::set<int> moduleTypes;
    std::string groupSwitch;  // "on", "off" or "any"
    int value;
};

std::vector<SettingsRule> SettingsRules() {
    std::vector<SettingsRule> rules;
    for (const auto& c : ReadCells("preset_details.txt")) {
        if (c[0] != "settings") continue;
        SettingsRule rule{c[1], c[2], {}, c[4], std::stoi(c[5])};
        std::stringstream types(c[3]);
        int type;
        while (types >> type)
            rule.moduleTypes.insert(type);
        rules.push_back(rule);
    }
    return rules;
}

int CountHarmonyEntries(const MusicStyle& style, int ticksPerBar) {
    int count = 0;
    for (std::size_t at = 0; at + 6 <= kHarmonyStructureBytes; at += 6) {
        int ticks = style.harmonyStructure[at] * 256 + style.harmonyStructure[at + 1];
        if (ticks == 0) break;
        EXPECT_EQ(ticks, ticksPerBar);
        ++count;
    }
    return count;
}

// ---- Tests ----

TEST(BuiltInStyles, SitExactlyAtTheirCataloguePositions) {
    std::set<std::pair<int, int>> listed;
    for (const ExpectedStyle& s : ExpectedStyles())
        listed.insert({s.category, s.slot});
    ASSERT_EQ(listed.size(), 158u);

    auto entry = std::make_unique<MusicStyle>();
    auto untouched = std::make_unique<MusicStyle>();
    int built = 0;
    for (int category = -1; category <= 9; ++category) {
        for (int slot = -1; slot <= 24; ++slot) {
            std::memset(entry.get(), 0xA5, sizeof(MusicStyle));
            std::memset(untouched.get(), 0xA5, sizeof(MusicStyle));
            bool expected = listed.count({category, slot}) != 0;
            EXPECT_EQ(BuildPresetStyle(category, slot, *entry), expected)
                << category << " " << slot;
            if (expected) {
                ++built;
            } else {
                EXPECT_TRUE(SameBytes(*entry, *untouched)) << category << " " << slot;
            }
        }
    }
    EXPECT_EQ(built, 158);
    // Random entries and the empty slots have no built-in style.
    for (int category = 0; category < 9; ++category)
        EXPECT_EQ(listed.count({category, 0}), 0u);
    EXPECT_EQ(listed.count({2, 10}), 0u);
    EXPECT_EQ(listed.count({2, 23}), 0u);
    EXPECT_EQ(listed.count({8, 11}), 0u);
}

TEST(BuiltInStyles, CarryTheirFixedValues) {
    for (const ExpectedStyle& s : ExpectedStyles()) {
        SCOPED_TRACE(std::to_string(s.category) + "/" + std::to_string(s.slot) + " " + s.title);
        for (bool useGroup : {false, true}) {
            auto style = Build(s, 2, useGroup);
            EXPECT_EQ(FieldText(style->title), s.title);
            EXPECT_EQ(style->tempo, s.tempo);
            EXPECT_EQ(style->timeSignature, s.metre);
            EXPECT_EQ(style->key, s.key);
            EXPECT_EQ(style->basicBeat, s.basicBeat);
            std::string suffix = s.knowledgeBase == "DB2"   ? "2"
                                 : s.knowledgeBase == "DBB" ? "B"
                                                            : "";
            EXPECT_EQ(FieldText(style->knowledgeBase), "PATTERN.DB" + suffix);
            EXPECT_EQ(FieldText(style->resolutionKnowledgeBase), "RESOLUT.DB" + suffix);
            EXPECT_EQ(style->tuneLength, s.bars);
            EXPECT_EQ(style->scale, s.scale);
            for (int i = 0; i < 5; ++i) {
                if (s.voices[i].bySettings) continue;
                EXPECT_EQ(style->voice[kVoiceParts[i]], useGroup ? s.voices[i].on : s.voices[i].off)
                    << "part " << kVoiceParts[i];
            }
            EXPECT_EQ(style->voice[kPartDrum], s.drum);
            EXPECT_EQ(style->harmonyPattern, s.harmonyPattern);
            EXPECT_EQ(style->subHarmonyPattern, s.subHarmonyPattern);
            EXPECT_EQ(style->rhythmPattern, s.rhythmPattern);
            EXPECT_EQ(style->bassPattern, s.bassPattern);
            EXPECT_EQ(style->chordProgression, s.chordProgression);
            EXPECT_EQ(style->randomGeneratorCode, 0);

            // Finished: one harmony-structure entry per bar of the metre.
            EXPECT_EQ(CountHarmonyEntries(*style, TicksPerBar(s.metre)), s.bars);
        }
    }
}

TEST(BuiltInStyles, TitlesAndDescriptions) {
    std::map<std::string, std::string> quoted;
    for (const auto& c : ReadCells("preset_details.txt")) {
        if (c[0] == "description") quoted[c[1]] = c[2];
    }
    for (const ExpectedStyle& s : ExpectedStyles()) {
        SCOPED_TRACE(s.title);
        auto style = Build(s);
        std::string description = FieldText(style->description);
        EXPECT_LT(description.size(), kDescriptionSize);
        if (s.category == 3 && s.slot == 18) {
            // Stored title only, the default description.
            EXPECT_EQ(FieldText(style->title), "Symphonie");
            EXPECT_EQ(DisplayTitle(*style), "");
            EXPECT_EQ(description, "No music style is defined.");
        } else if (s.category == 8 && s.slot == 10) {
            EXPECT_EQ(FieldText(style->title), "");
            EXPECT_EQ(DisplayTitle(*style), "");
            EXPECT_EQ(description, "");
        } else {
            EXPECT_LE(s.title.size(), 19u);
            EXPECT_EQ(DisplayTitle(*style), s.title);
            EXPECT_FALSE(description.empty());
            EXPECT_NE(description, "No music style is defined.");
            if (quoted.count(s.title)) {
                EXPECT_EQ(description, quoted[s.title]);
            }
        }
    }
    EXPECT_EQ(quoted.size(), 8u);
    // Two entries share a title and differ in their settings.
    auto matsuri = StylesTitled("Matsuri Bayashi");
    ASSERT_EQ(matsuri.size(), 2u);
    EXPECT_FALSE(SameBytes(*Build(*matsuri[0]), *Build(*matsuri[1])));
}

TEST(BuiltInStyles, ListedVoicesAndSubDrumPatterns) {
    std::map<std::pair<int, int>, std::map<int, int>> voices;  // position -> part -> code
    std::set<std::pair<int, int>> bonOdori;
    for (const auto& c : ReadCells("preset_details.txt")) {
        if (c[0] == "voice") {
            for (const ExpectedStyle* s : StylesTitled(c[2])) {
                voices[{s->category, s->slot}][PartByName(c[1])] = std::stoi(c[3]);
            }
        } else if (c[0] == "subdrumpattern") {
            for (const ExpectedStyle* s : StylesTitled(c[1]))
                bonOdori.insert({s->category, s->slot});
        }
    }
    EXPECT_EQ(bonOdori.size(), 5u);
    int subDrumVoices = 0, environmentVoices = 0;
    for (const ExpectedStyle& s : ExpectedStyles()) {
        SCOPED_TRACE(s.title);
        auto style = Build(s);
        auto& listed = voices[{s.category, s.slot}];
        for (int part : {kPartSubDrum, kPartEnvironment}) {
            int expected = listed.count(part) ? listed[part] : kVoiceNotUsed;
            EXPECT_EQ(style->voice[part], expected) << "part " << part;
        }
        subDrumVoices += listed.count(kPartSubDrum);
        environmentVoices += listed.count(kPartEnvironment);
        EXPECT_EQ(style->subDrumPattern, bonOdori.count({s.category, s.slot}) ? 1 : 0);
    }
    EXPECT_EQ(subDrumVoices, 18);  // "Matsuri Bayashi" twice
    EXPECT_EQ(environmentVoices, 9);
    // The drum generator treats this code like the electric set.
    EXPECT_EQ(Build(*StylesTitled("Erhu Music")[0])->voice[kPartDrum], 22);
}

TEST(BuiltInStyles, ValuesThatDependOnTheSettings) {
    const std::vector<SettingsRule> rules = SettingsRules();
    ASSERT_FALSE(rules.empty());
    for (int moduleType = 0; moduleType <= 2; ++moduleType) {
        for (bool useGroup : {false, true}) {
            for (const SettingsRule& rule : rules) {
                if (!rule.moduleTypes.count(moduleType)) continue;
                if (rule.groupSwitch == "on" && !useGroup) continue;
                if (rule.groupSwitch == "off" && useGroup) continue;
                for (const ExpectedStyle* s : StylesTitled(rule.title)) {
                    auto style = Build(*s, moduleType, useGroup);
                    EXPECT_EQ(FieldValue(*style, rule.field), rule.value)
                        << rule.title << " " << rule.field << " type " << moduleType
                        << (useGroup ? " on" : " off");
                }
            }
        }
    }
    // The edge cases by name.
    const ExpectedStyle& easy = *StylesTitled("Easy Listening")[0];
    EXPECT_EQ(Build(easy, 2, true)->voice[kPartMelody], 140);
    EXPECT_EQ(Build(easy, 2, false)->voice[kPartMelody], 65);
    const ExpectedStyle& dog = *StylesTitled("Dog Rap")[0];
    EXPECT_EQ(Build(dog, 0, true)->voice[kPartMelody], 128);
    EXPECT_EQ(Build(dog, 1, true)->voice[kPartMelody], 128);
    // A sound-module type outside 0..2 counts as the General MIDI default.
    EXPECT_EQ(Build(dog, 7, true)->voice[kPartMelody], 143);
}

TEST(BuiltInStyles, EverythingElseIsTheSameOnEverySetting) {
    const std::vector<SettingsRule> rules = SettingsRules();
    for (const ExpectedStyle& s : ExpectedStyles()) {
        SCOPED_TRACE(s.title);
        auto reference = Build(s, 2, true);
        for (int moduleType = 0; moduleType <= 2; ++moduleType) {
            for (bool useGroup : {false, true}) {
                auto style = Build(s, moduleType, useGroup);
                // Take over what may differ: the voices with two codes and
                // the fields of the settings table.
                for (int i = 0; i < 5; ++i) {
                    if (s.voices[i].bySettings || s.voices[i].off != s.voices[i].on) {
                        style->voice[kVoiceParts[i]] = reference->voice[kVoiceParts[i]];
                    }
                }
                for (const SettingsRule& rule : rules) {
                    if (rule.title == s.title) CopyField(*style, *reference, rule.field);
                }
                // The Obbligato part follows the Melody part's line.
                if (style->subMelodyMethod == 6) {
                    style->melody[kPartObbligato] = reference->melody[kPartObbligato];
                }
                EXPECT_TRUE(SameBytes(*style, *reference))
                    << "type " << moduleType << (useGroup ? " on" : " off");
            }
        }
    }
}

TEST(BuiltInStyles, NoValueLeaksFromOneBuildIntoTheNext) {
    const auto& styles = ExpectedStyles();
    auto reused = std::make_unique<MusicStyle>();
    std::memset(reused.get(), 0x5A, sizeof(MusicStyle));
    for (std::size_t i = 0; i < styles.size(); ++i) {
        const ExpectedStyle& before = styles[(i + 37) % styles.size()];
        const ExpectedStyle& s = styles[i];
        SCOPED_TRACE(before.title + " then " + s.title);
        SeedRandomWith(11);
        ASSERT_TRUE(BuildPresetStyle(before.category, before.slot, *reused));
        SeedRandomWith(3);
        ASSERT_TRUE(BuildPresetStyle(s.category, s.slot, *reused));
        auto fresh =
            Build(s, AppSettings.ComposeOutputType, AppSettings.UseGroupInstruments != 0, 3);
        EXPECT_TRUE(SameBytes(*reused, *fresh));
    }
    // The same style at another position and in a record full of garbage.
    auto garbage = std::make_unique<MusicStyle>();
    std::memset(garbage.get(), 0xFF, sizeof(MusicStyle));
    SeedRandomWith(3);
    ASSERT_TRUE(BuildPresetStyle(0, 1, *garbage));
    EXPECT_TRUE(SameBytes(*garbage, *Build(0, 1, AppSettings.ComposeOutputType,
                                           AppSettings.UseGroupInstruments != 0, 3)));
}

TEST(BuiltInStyles, RiffsAndGridPresets) {
    int fixed = 0;
    MusicStyle riffStyle{};
    SetFixedRiff(riffStyle.riff);
    for (const ExpectedStyle& s : ExpectedStyles()) {
        SCOPED_TRACE(s.title);
        auto first = Build(s, 2, true, 1);
        auto second = Build(s, 2, true, 987654);
        if (s.fixedRiff) {
            ++fixed;
            EXPECT_EQ(std::memcmp(first->riff, riffStyle.riff, kRiffBytes), 0);
        }
        // Two runs differ at most in the riff.
        std::memcpy(second->riff, first->riff, kRiffBytes);
        EXPECT_TRUE(SameBytes(*first, *second));

        // The Harmony, Sub Harmony and Bass grids hold what the listed grid
        // presets write over a fresh block, nothing else.
        CustomHarmonyBlock expected;
        ResetCustomHarmony(expected);
        for (int number : s.grids) {
            GridPresetFunction grid = GridPresetByNumber(number);
            ASSERT_NE(grid, nullptr) << number;
            grid(expected);
        }
        for (int set = 0; set < kGridSets; ++set) {
            for (int part : {kGridHarmony, kGridSubHarmony, kGridBass}) {
                EXPECT_EQ(std::memcmp(&first->customHarmony.grid[set][part],
                                      &expected.grid[set][part], sizeof(GridPart)),
                          0)
                    << "set " << set << " part " << part;
            }
        }
    }
    EXPECT_EQ(fixed, 6);
    EXPECT_EQ(GridPresetByNumber(1), &GridPreset01);
    EXPECT_EQ(GridPresetByNumber(21), &GridPreset21);
    EXPECT_EQ(GridPresetByNumber(38), &GridPreset38);
    EXPECT_EQ(GridPresetByNumber(39), nullptr);
    int withGrids = 0;
    for (const ExpectedStyle& s : ExpectedStyles())
        withGrids += !s.grids.empty();
    EXPECT_EQ(withGrids, 37);
}

TEST(BuiltInStyles, StatedCountsAndRanges) {
    std::map<std::string, int> knowledgeBases;
    std::map<std::pair<int, std::string>, int> scaleStrings;  // (scale, notes) -> styles
    std::map<int, int> subMelodyMethods, dissonances;
    int keptSetting60 = 0, melodyHold = 0, harmonyHold = 0, melodyDelays = 0, harmonyDelays = 0;
    const std::set<int> melodyDelayValues = {1, 2, 3, 4, 6, 8, 16, 32};
    for (const ExpectedStyle& s : ExpectedStyles()) {
        SCOPED_TRACE(s.title);
        // Ranges hold on every setting.
        for (int moduleType = 0; moduleType <= 2; ++moduleType) {
            for (bool useGroup : {false, true}) {
                auto style = Build(s, moduleType, useGroup);
                const MelodySettings& line = style->melody[kPartMelody];
                EXPECT_GE(line.noteLength, 1);
                EXPECT_LE(line.noteLength, 10);
                EXPECT_TRUE(line.syncopation == 0 || line.syncopation == 1);
                EXPECT_GE(line.upperLimit, 48);
                EXPECT_LE(line.upperLimit, 115);
                EXPECT_GE(line.lowerLimit, 24);
                EXPECT_LE(line.lowerLimit, 84);
                EXPECT_LT(line.lowerLimit, line.upperLimit);
                EXPECT_GE(line.algorithm, 1);
                EXPECT_LE(line.algorithm, 7);
                int density = style->density[kPartMelody];
                EXPECT_TRUE(density >= 20 && density <= 160 && density % 20 == 0) << density;
                for (int part = 0; part < kStylePartSlots; ++part) {
                    const MixBlock& mix = style->mix[part];
                    for (std::uint8_t value : {mix.volume, mix.chorus, mix.reverb, mix.brightness,
                                               mix.attack, mix.decay, mix.release, mix.resonance})
                        EXPECT_LE(value, 127);
                }
                EXPECT_GE(style->octave[kPartHarmony], -2);
                EXPECT_LE(style->octave[kPartHarmony], 1);
                EXPECT_GE(style->octave[kPartObbligato], -1);
                EXPECT_LE(style->octave[kPartObbligato], 1);
                EXPECT_GE(style->octave[kPartSubHarmony], -1);
                EXPECT_LE(style->octave[kPartSubHarmony], 2);
                EXPECT_TRUE(style->octave[kPartMelody] == 0 || style->octave[kPartMelody] == 1);
                EXPECT_LE(std::abs(style->octave[kPartBass]), 1);
                EXPECT_LE(std::abs(style->octave[kPartSubDrum]), 1);
            }
        }
        auto style = Build(s);
        std::string kb = FieldText(style->knowledgeBase);
        ++knowledgeBases[kb];
        EXPECT_EQ(kb.substr(7), FieldText(style->resolutionKnowledgeBase).substr(7));
        std::string notes = FieldText(style->scaleNotes);
        if (notes != kMajorScaleNotes) ++scaleStrings[{style->scale, notes}];
        ++subMelodyMethods[style->subMelodyMethod];
        ++dissonances[style->melody[kPartMelody].dissonance];
        if (style->setting60 == 90) {
            ++keptSetting60;
        } else {
            EXPECT_GE(style->setting60, 2);
            EXPECT_LE(style->setting60, 114);
        }
        for (int part = 0; part < kStylePartSlots; ++part) {
            int hold = style->mix[part].holdPedal;
            EXPECT_TRUE(hold == 0 || hold == 127);
            if (hold && part == kPartMelody) ++melodyHold;
            if (hold && part == kPartHarmony) ++harmonyHold;
            if (hold) {
                EXPECT_TRUE(part == kPartMelody || part == kPartHarmony) << part;
            }
        }
        if (int delay = style->mix[kPartMelody].delay) {
            ++melodyDelays;
            EXPECT_TRUE(melodyDelayValues.count(delay)) << delay;
        }
        if (int delay = style->mix[kPartHarmony].delay) {
            ++harmonyDelays;
            EXPECT_TRUE(delay == 1 || delay == 2 || delay == 4) << delay;
        }
        if (style->subMelodyMethod == 7) {
            EXPECT_NE(std::memcmp(&style->melody[kPartObbligato], &style->melody[kPartMelody],
                                  sizeof(MelodySettings)),
                      0);
        }
    }
    EXPECT_EQ(knowledgeBases["PATTERN.DB"], 111);
    EXPECT_EQ(knowledgeBases["PATTERN.DB2"], 39);
    EXPECT_EQ(knowledgeBases["PATTERN.DBB"], 8);

    EXPECT_EQ((scaleStrings[{1, "xxxx909090090900"}]), 4);
    EXPECT_EQ((scaleStrings[{2, "xxxx909090090900"}]), 10);
    EXPECT_EQ((scaleStrings[{3, "xxxx909090090900"}]), 1);
    EXPECT_EQ((scaleStrings[{7, "xxxx909090090900"}]), 1);
    EXPECT_EQ((scaleStrings[{3, "xxxx900099090009"}]), 3);
    EXPECT_EQ((scaleStrings[{6, "xxxx909909090990"}]), 7);
    EXPECT_EQ((scaleStrings[{11, "xxxx900099090909"}]), 1);
    EXPECT_EQ((scaleStrings[{11, "xxxx990099099009"}]), 1);
    int nonMajor = 0;
    for (const auto& [key, count] : scaleStrings)
        nonMajor += count;
    EXPECT_EQ(nonMajor, 28);

    EXPECT_EQ(subMelodyMethods[7], 15);
    EXPECT_EQ(subMelodyMethods[8], 1);
    EXPECT_EQ(subMelodyMethods[4], 2);
    EXPECT_EQ(subMelodyMethods[6], 158 - 18);
    EXPECT_EQ(dissonances[6], 1);
    EXPECT_EQ(dissonances[7], 1);
    EXPECT_EQ(dissonances[0] + dissonances[4] + dissonances[9] + dissonances[10], 156);
    EXPECT_EQ(keptSetting60, 1);
    EXPECT_EQ(melodyHold, 3);
    EXPECT_EQ(harmonyHold, 6);
    EXPECT_EQ(melodyDelays, 59);
    EXPECT_EQ(harmonyDelays, 39);
}

// The three styles whose every value is fixed: the built record equals the
// defaults with exactly those values laid over them.
TEST(BuiltInStyles, FullyFixedStylesMatchValueForValue) {
    auto expect = [](int category, int slot, auto&& values) {
        SCOPED_TRACE(std::to_string(category) + "/" + std::to_string(slot));
        auto expected = std::make_unique<MusicStyle>();
        SeedRandomWith(5);
        InitMusicStyle(*expected);
        values(*expected);
        FinishMusicStyle(*expected);
        auto built = Build(category, slot, 2, true, 5);
        EXPECT_TRUE(SameBytes(*built, *expected));
    };
    // Title, description and knowledge-base variant.
    auto named = [](MusicStyle& s, const char* title, const char* description,
                    const std::string& variant) {
        SetStyleTitle(s, title);
        SetFieldText(s.description, description);
        SetFieldText(s.knowledgeBase, "PATTERN." + variant);
        SetFieldText(s.resolutionKnowledgeBase, "RESOLUT." + variant);
    };
    // Volume, chorus and reverb of Melody, Bass, Harmony, Obbligato and Drum.
    auto mixes = [](MusicStyle& s, std::initializer_list<std::array<int, 3>> values) {
        const int parts[] = {kPartMelody, kPartBass, kPartHarmony, kPartObbligato, kPartDrum};
        const int* part = parts;
        for (const auto& [volume, chorus, reverb] : values) {
            s.mix[*part].volume = static_cast<std::uint8_t>(volume);
            s.mix[*part].chorus = static_cast<std::uint8_t>(chorus);
            s.mix[*part].reverb = static_cast<std::uint8_t>(reverb);
            ++part;
        }
    };
    auto table = [](MusicStyle& s, std::initializer_list<int> interval) {
        std::copy(interval.begin(), interval.end(), s.melodyTableInterval);
        const int direction[8] = {-25, -25, 0, 10, 20, 30, 40, 50};
        std::copy(direction, direction + 8, s.melodyTableDirection);
    };
    expect(1, 1, [&](MusicStyle& s) {
        named(s, "Enka", "Enka is a popular music style among elder people in Japan.", "DB2");
        s.voice[kPartMelody] = 65;
        s.voice[kPartBass] = 32;
        s.voice[kPartHarmony] = 26;
        s.voice[kPartSubHarmony] = 48;
        s.voice[kPartDrum] = 1;
        s.setting60 = 48;
        mixes(s, {{115, 60, 120}, {110, 60, 60}, {100, 60, 120}, {115, 60, 60}, {100, 60, 120}});
        s.mix[kPartSubHarmony].volume = 100;
        s.octave[kPartHarmony] = 0;
        s.timeSignature = 0;
        s.tempo = 850000;
        s.key = 2;
        s.basicBeat = 3;
        s.tuneLength = 30;
        table(s, {10, 10, 70, 90, 90, 92, 94, 96});
        s.harmonyPattern = 22;
        s.chordProgression = 3;
        s.rhythmPattern = 17;
        s.subHarmonyPattern = 24;
        s.bassPattern = 11;
        MelodySettings& m = s.melody[kPartMelody];
        m.dissonance = 9;
        m.noteLength = 8;
        m.syncopation = 0;
        m.effect = 5;
        m.upperLimit = 80;
        m.lowerLimit = 50;
        m.algorithm = 6;
        s.density[kPartMelody] = 120;
        s.density[kPartHarmony] = 120;
        s.density[kPartSubHarmony] = 80;
    });
    expect(0, 1, [&](MusicStyle& s) {
        named(s, "Acoustic", "Played with guitar and other acoustic instruments.", "DB2");
        s.voice[kPartMelody] = 144;  // "Use Group Inst." on
        s.voice[kPartBass] = 32;
        s.voice[kPartHarmony] = 24;
        s.voice[kPartDrum] = 1;
        s.setting60 = 48;
        mixes(s, {{100, 64, 70}, {93, 50, 60}, {100, 90, 100}, {98, 50, 50}, {70, 50, 90}});
        s.mix[kPartMelody].delay = 4;
        s.octave[kPartHarmony] = -1;
        s.tempo = 500000;
        s.key = 2;
        s.basicBeat = 0;
        s.tuneLength = 25;
        s.setting718 = 120 * 256 + 20;
        s.melodyTableStrictness = 2;
        table(s, {60, 5, 85, 92, 93, 94, 95, 96});
        s.harmonyPattern = 47;
        s.chordProgression = 3;
        s.rhythmPattern = 1;
        s.bassPattern = 13;
        MelodySettings& m = s.melody[kPartMelody];
        m.dissonance = 9;
        m.noteLength = 2;
        m.syncopation = 0;
        m.effect = 5;
        m.voicing = 1;
        m.upperLimit = 84;
        m.lowerLimit = 60;
        m.algorithm = 6;
        m.repeatRhythm = 2;
        m.repeatMelody = 2;
        s.density[kPartMelody] = 120;
        GridPreset21(s.customHarmony);
    });
    expect(2, 3, [&](MusicStyle& s) {
        named(s, "Blues Quartet", "Blues band organized by 4 people.", "DBB");
        s.voice[kPartMelody] = 65;
        s.voice[kPartBass] = 32;
        s.voice[kPartHarmony] = 1;
        s.voice[kPartObbligato] = 1;
        s.voice[kPartDrum] = 1;
        s.setting60 = 20;
        mixes(s, {{115, 60, 60}, {90, 60, 60}, {100, 60, 60}, {115, 60, 60}, {100, 60, 60}});
        s.octave[kPartObbligato] = -1;
        s.tempo = 500000;
        s.key = 1;
        s.scale = 6;
        SetFieldText(s.scaleNotes, "xxxx909909090990");
        s.basicBeat = 3;
        s.tuneLength = 40;
        s.subMelodyMethod = 6;
        s.harmonyPattern = 10;
        s.chordProgression = 6;
        s.rhythmPattern = 11;
        s.bassPattern = 6;
        MelodySettings& m = s.melody[kPartMelody];
        m.dissonance = 9;
        m.noteLength = 1;
        m.syncopation = 1;
        m.ornament = 3;
        m.voicing = 1;
        m.upperLimit = 78;
        m.lowerLimit = 54;
        m.algorithm = 1;
        s.density[kPartMelody] = 140;
    });
}

// A row write the builder could not carry out would be dropped without a
// trace: every write of every row must land inside the record and name a
// table entry that exists.
TEST(BuiltInStyles, EveryRowWriteIsCarriedOut) {
    using namespace preset_data;
    std::set<std::pair<int, int>> positions;
    for (const PresetRow& row : PresetRows()) {
        SCOPED_TRACE(row.title);
        EXPECT_TRUE(positions.insert({row.category, row.slot}).second);
        for (const FieldWrite& write : row.extras) {
            EXPECT_NE(write.when & kAnySettings, 0);
            std::size_t width = 0;
            switch (write.op) {
                case WriteOp::kInt32:
                case WriteOp::kTempoBpm:
                    width = 4;
                    break;
                case WriteOp::kInt16:
                    width = 2;
                    break;
                case WriteOp::kByte:
                    width = 1;
                    break;
                case WriteOp::kMixTriple:
                    width = 3;
                    break;
                case WriteOp::kZero:
                    width = static_cast<std::size_t>(write.value);
                    break;
                case WriteOp::kMelodyTable:
                    EXPECT_NE(MelodyTableByNumber(write.value), nullptr);
                    break;
                case WriteOp::kObbligatoLine:
                    EXPECT_NE(ObbligatoLineByNumber(write.value), nullptr);
                    break;
                case WriteOp::kScaleNotes:
                    EXPECT_NE(ScaleNotesText(write.value), nullptr);
                    break;
                case WriteOp::kGrid:
                    EXPECT_GE(write.value, 1);
                    EXPECT_LE(write.value, 38);
                    break;
                case WriteOp::kFixedRiff:
                    break;
            }
            EXPECT_LE(write.offset + width, sizeof(MusicStyle));
        }
    }
    EXPECT_EQ(positions.size(), 158u);
    EXPECT_EQ(MelodyTableByNumber(0), nullptr);
    EXPECT_EQ(ScaleNotesText(6), nullptr);
}

// The catalogue keeps the values chosen from the settings of the moment it is
// built; a later change of the settings reaches it only with the next build.
TEST(BuiltInStyles, CatalogueKeepsTheSettingsOfItsBuild) {
    {
        PresetSettings settings(0, false);
        BuildStyleTable();
    }
    const MusicStyle& acoustic = StyleTable[0 * kStyleSlots + 1];
    EXPECT_EQ(FieldText(acoustic.title), "Acoustic");
    EXPECT_EQ(acoustic.voice[kPartMelody], 22);
    EXPECT_EQ(StyleClipboard.voice[kPartMelody], 22);
    EXPECT_EQ(StyleTable[0 * kStyleSlots + 10].voice[kPartMelody], 128);  // "Dog Rap"
    {
        PresetSettings settings(2, true);
        EXPECT_EQ(acoustic.voice[kPartMelody], 22);
        BuildStyleTable();
        EXPECT_EQ(acoustic.voice[kPartMelody], 144);
        EXPECT_EQ(StyleTable[0 * kStyleSlots + 10].voice[kPartMelody], 143);
    }
    for (const ExpectedStyle& s : ExpectedStyles()) {
        EXPECT_EQ(FieldText(StyleTable[s.category * kStyleSlots + s.slot].title), s.title);
    }
}

}  // namespace
