// The random style generator against its own reading of the kinds: which
// presets each generator starts from, which programs and tempi each kind
// allows, and what each generator must leave alone.
#include "style/random_style.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/style_file.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

using testing_support::ScratchDir;
using testing_support::Sink;

namespace {

// ---- What each generator is expected to do ----

struct Generator {
    int category;
    const char* title;
    int firstDraw;
    const char* presets;  // '|' between titles, by draw from firstDraw on
    std::set<int> tempi;
    const char* chosenParts;  // digits of the parts drawn (1 Melody, 2 Bass, 3 Harmony,
                              // 4 Obbligato, 7 Sub Harmony)
    // Part digits and the programs allowed to them, as "a-b c ..." lists.
    std::vector<std::pair<const char*, const char*>> allowed;
};

// clang-format off
const std::set<int> kPopsTempi = {850000, 750000, 650000, 500000};
const std::set<int> kCalmTempi = {1000000, 750000, 850000};
const std::vector<std::pair<const char*, const char*>> kPopsAllowed = {
    {"1", "22 29-30 53 61-66 80-81"},
    {"3", "0-2 4-5 16-20 24-27 29-30 48-54 88-95"},
    {"2", "32-35 38-39"},
    {"4", "0-13 15-30 38-41 45-46 48-54 56-75 77-86 88-91 93-112 114"},
    {"7", "0-2 4-7 10-11 15-30 41-42 46 48-55 61-63 68 71-75 78-85 88-91 93-100 103 105-108"}};

const std::vector<Generator> kGenerators = {
    {0, "Random World Pops", 1,
     "Acoustic|70s Pops|Rock Guitar|Easy Listening|AOR|Mersey Beat|Ballade|Piano Rock Star|Rock|"
     "Dog Rap|American Rock|Rock Orchestra|Rockabilly|SKA|90s Pops|Oldies|Hard Rock|"
     "Island Surf Guitar|Bossanova Vocal|Pop Vocal|Glam Rock|Pops Symphonie|Symphonic Rock|"
     "Nostalgic Game",
     kPopsTempi, "14372", kPopsAllowed},
    {1, "Random Japanese Pops", 1,
     "Enka|Japanese Pops|JPOP DUO|Evening Girls|Electronic chime|Okinawan Pops|Folk Song",
     kPopsTempi, "14372", kPopsAllowed},
    {2, "Random Jazz", 1,
     "Fusion|Jazz Quartet|Blues Quartet|Blues Guitar2|Harmonica Blues|Vibraphone Jazz|"
     "Jazz Piano Trio|Rag Time|Bossanova Piano|Latin Rock|Guitar Lounge|Blues Piano|"
     "Blues Piano Trio|Blues Guitar|Jazz Guitar|Jazz Guitar Trio|Quarter Cutting Gt.|Blues Vocal",
     {850000, 750000, 650000}, "1437",
     {{"14", "11 16-18 20-23 29-30 40-41 53 56-57 59 61-68 71-75 78-79"},
      {"37", "0-5 11 16-18 20-21 23-27 29-30 46 48-51 53 61 71-75 78-79"}}},
    {3, "Random Classic", 2,
     "Wind Music|Chamber Music|Classic Piano|Gentle Piano Suite|Flute Music|Classical Guitar|"
     "Bolero|Piano Solo|Cembalo Solo|Church Organ|3/4 Piano|Strings Quartet",
     kCalmTempi, "14372",
     {{"14", "40-42 48-51 53 56-57 61 65-68 71-75"},
      {"37", "0-1 6-7 19 24 27 41-42 46 48-53 61 68 71-74 79"},
      {"2", "19 32 41-43 48-49 53 57-58 60-61 69-70"}}},
    {4, "Random Ethnic Eastern", 1,
     "African Forest|African|Aboriginal Music|Arabian|Xoomij|Bon Odori|Japan Traditional|"
     "China Town|Matsuri Bayashi|Indian Traditional|Gamelan && Flute|Okinawa|Okinawa Ocean|"
     "Gamelan|Gagaku|Chinese Spring|China|Country|Kecak|Erhu Music|Deep Africa|Deep Africa",
     kCalmTempi, "14372",
     {{"1437", "12-13 15 27 53 74-75 77-79 104-108 111 115"},
      {"2", "15 32 42-43 45-46 53 104 106-108"}}},
    {5, "Random Ethnic Western", 1,
     "Scotland|Andes|Bossanova|Paris Musette|Hawaian|Ethnic Guitar|Samba|German Polka|Reggae|"
     "Mambo|European Tango",
     kCalmTempi, "14372",
     {{"1437", "9 15 21 23-24 27 42-43 46 53 68 71-75 78-79 105 109-110 114"},
      {"2", "15 23-24 32 42-43 45 53 58 60 69-70"}}},
    {6, "Random Game", 1,
     "Against War Song|Mystery Cave|Piano Vocal|Horror|Hero's Theme|Fighting Theme|"
     "Theme of Mouse|Japanese Tale|Theme of Stars",
     kPopsTempi, "14372", kPopsAllowed},
    {7, "Random Healing", 1,
     "Music Box|Silk Road|Nostalgic|Forest Music|Morning Music|Deep sea drifting|Dream World|"
     "Local Town|Fantasy|EZ Piano|Street Singers|Healin Harp|Healing Piano|EZ Trio|Space Sound|"
     "Country Side|Light Pops|Healing Piano +|Piano Balad",
     kCalmTempi, "132",
     {{"13", "0-8 10-11 46 53 78 88 98 100"}, {"2", "0-7 10-11 32 43 45-46 53 60 78 88"}}},
    {8, "Random Techno", 1,
     "Random Techno|Techno Dance|Techno Rock|Club Techno|Trance|Techno Pop|J-Techno Pop|Euro Beat",
     {500000, 400000, 300000}, "14372",
     {{"14", "29-30 53 61-63 65 80-82 90-91 100"},
      {"37", "0-2 4-5 11 16-18 20 26 28-30 46 48-51 53 61-63 72 80-82 90-91 100"},
      {"2", "32-39 80-81 90 100"}}},
};
// clang-format on

std::vector<std::string> Titles(const std::string& list) {
    std::vector<std::string> titles;
    std::stringstream stream(list);
    std::string title;
    while (std::getline(stream, title, '|'))
        titles.push_back(title);
    return titles;
}

bool HasPart(const char* digits, int part) {
    return std::string_view(digits).find(static_cast<char>('0' + part)) != std::string_view::npos;
}

std::set<int> Programs(const std::string& list) {
    std::set<int> programs;
    std::istringstream words(list);
    std::string word;
    while (words >> word) {
        std::size_t dash = word.find('-');
        int first = std::stoi(word.substr(0, dash));
        int last = dash == std::string::npos ? first : std::stoi(word.substr(dash + 1));
        for (int program = first; program <= last; ++program)
            programs.insert(program);
    }
    return programs;
}

// The first catalogue entry with the title, category by category.
std::unique_ptr<MusicStyle> CatalogueStyle(const std::string& title) {
    auto style = std::make_unique<MusicStyle>();
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 0; slot < kStyleSlots; ++slot) {
            GetStyleEntry(category, slot, *style);
            if (FieldText(style->title) == title) return style;
        }
    }
    ADD_FAILURE() << "no catalogue entry titled " << title;
    return style;
}

class RandomStyleTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDefaultSettings();
        AppSettings.SaveGeneratedStyles = 0;
        BuildStyleTable();
        SavedStyleTuneNumber = -1;
    }
};

TEST_F(RandomStyleTest, EveryGeneratorDrawsWithinItsKindFromItsPresets) {
    std::set<int> healingDrums;
    for (const Generator& generator : kGenerators) {
        int code = generator.category + 1;
        for (int seed = 1; seed <= 20; ++seed) {
            SCOPED_TRACE(std::string(generator.title) + " seed " + std::to_string(seed));
            // The first draw picks the preset.
            SeedRandomWith(seed);
            std::vector<std::string> presets = Titles(generator.presets);
            int draw =
                RandomInRange(generator.firstDraw, generator.firstDraw + int(presets.size()) - 1);
            auto preset = CatalogueStyle(presets[draw - generator.firstDraw]);
            SeedRandomWith(seed);
            GenerateRandomStyle(generator.category, 0);
            auto style = std::make_unique<MusicStyle>();
            GetWorkingStyle(*style);

            // Titles longer than the stored title's 20 characters are cut.
            EXPECT_EQ(FieldText(style->title), std::string(generator.title).substr(0, 20));
            EXPECT_EQ(FieldText(style->description), kGeneratedStyleDescription);
            EXPECT_EQ(style->randomGeneratorCode, 1);
            auto entry = std::make_unique<MusicStyle>();
            GetStyleEntry(generator.category, 0, *entry);
            EXPECT_EQ(entry->randomGeneratorCode, code);

            // What no generator touches comes from the preset.
            EXPECT_EQ(style->tuneLength, preset->tuneLength);
            EXPECT_EQ(style->harmonyPattern, preset->harmonyPattern);
            EXPECT_EQ(style->subHarmonyPattern, preset->subHarmonyPattern);
            EXPECT_EQ(FieldText(style->knowledgeBase), FieldText(preset->knowledgeBase));
            EXPECT_EQ(style->voice[kPartSubDrum], preset->voice[kPartSubDrum]);
            EXPECT_EQ(style->voice[kPartEnvironment], preset->voice[kPartEnvironment]);
            if (code != 4) {
                EXPECT_EQ(style->timeSignature, preset->timeSignature);
            }

            EXPECT_TRUE(generator.tempi.count(style->tempo)) << style->tempo;
            for (const MixBlock& mix : style->mix) {
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(&mix);
                for (std::size_t i = 0; i < sizeof(MixBlock); ++i)
                    EXPECT_LT(bytes[i], 128);
            }

            for (int part : {1, 4, 3, 7, 2}) {
                int voice = style->voice[part];
                if (!HasPart(generator.chosenParts, part)) {
                    EXPECT_EQ(voice, preset->voice[part]) << "part " << part;
                } else if (voice == kVoiceNotUsed) {
                    EXPECT_EQ(preset->voice[part], kVoiceNotUsed) << "part " << part;
                } else {
                    int lists = 0;
                    for (const auto& [parts, programs] : generator.allowed) {
                        if (!HasPart(parts, part)) continue;
                        ++lists;
                        EXPECT_TRUE(Programs(programs).count(voice)) << part << ": " << voice;
                    }
                    EXPECT_EQ(lists, 1);
                }
            }
            if (code == 3) {
                EXPECT_TRUE(style->rhythmPattern == 9 || style->rhythmPattern == 11 ||
                            style->rhythmPattern == preset->rhythmPattern);
            }
            if (code == 8) {
                int drum = style->voice[kPartDrum];
                healingDrums.insert(drum);
                if (drum == 1) {
                    EXPECT_EQ(style->rhythmPattern, 22);
                } else {
                    EXPECT_EQ(drum, kVoiceNotUsed);
                    EXPECT_EQ(style->rhythmPattern, preset->rhythmPattern);
                }
            } else {
                EXPECT_EQ(style->voice[kPartDrum], preset->voice[kPartDrum]);
            }
        }
    }
    EXPECT_EQ(healingDrums, (std::set<int>{1, kVoiceNotUsed}));
    // The generators ask only for kinds and parts they have.
    EXPECT_TRUE(Sink().Texts().empty());
}

TEST_F(RandomStyleTest, SameSeedSameStyleOtherSeedOtherStyle) {
    for (int category = 0; category < kStyleCategories; ++category) {
        auto first = std::make_unique<MusicStyle>();
        auto again = std::make_unique<MusicStyle>();
        auto other = std::make_unique<MusicStyle>();
        SeedRandomWith(4242);
        GenerateRandomStyle(category, 0);
        GetWorkingStyle(*first);
        SeedRandomWith(4242);
        GenerateRandomStyle(category, 0);
        GetWorkingStyle(*again);
        SeedRandomWith(4243);
        GenerateRandomStyle(category, 0);
        GetWorkingStyle(*other);
        EXPECT_EQ(std::memcmp(first.get(), again.get(), sizeof(MusicStyle)), 0) << category;
        EXPECT_NE(std::memcmp(first.get(), other.get(), sizeof(MusicStyle)), 0) << category;
    }
}

TEST_F(RandomStyleTest, SavedStyleLoadsBackAsPlainStyleWithFixedRiff) {
    SetFieldText(AppSettings.StyleFolder, ScratchDir() + "/");
    ResetStyleFolderSaveReport();
    AppSettings.TuneNumber = 7;
    // "Rock" plays the long riff harmony.
    auto rock = CatalogueStyle("Rock");
    ASSERT_EQ(rock->harmonyPattern, 40);
    SetWorkingStyle(*rock);
    SaveGeneratedStyle();

    auto working = std::make_unique<MusicStyle>();
    GetWorkingStyle(*working);
    EXPECT_EQ(working->harmonyPattern, 41);
    EXPECT_NE(std::memcmp(working->riff, rock->riff, kRiffBytes), 0);
    auto loaded = std::make_unique<MusicStyle>();
    ASSERT_EQ(LoadStyleFile(*loaded, ScratchDir() + "/style07.dat"), kStyleLoaded);
    EXPECT_EQ(loaded->randomGeneratorCode, 0);
    EXPECT_EQ(loaded->harmonyPattern, 41);
    EXPECT_EQ(std::memcmp(loaded->riff, working->riff, kRiffBytes), 0);
    EXPECT_EQ(SavedStyleTuneNumber.load(), 7);
    ShowSavedStyleStatus();
    EXPECT_EQ(ResultText.Get(), "The style is saved as style07.dat");
    AppSettings.TuneNumber = 8;
    ShowSavedStyleStatus();
    EXPECT_EQ(ResultText.Get(), "");

    // Through the generator, with the setting on: the file, a plain style in
    // it, and code 1 in the working style.
    AppSettings.SaveGeneratedStyles = 1;
    AppSettings.TuneNumber = 42;
    SeedRandomWith(99);
    GenerateRandomStyle(kJazz, 0);
    ASSERT_EQ(LoadStyleFile(*loaded, ScratchDir() + "/style42.dat"), kStyleLoaded);
    EXPECT_EQ(loaded->randomGeneratorCode, 0);
    EXPECT_EQ(FieldText(loaded->title), "Random Jazz");
    GetWorkingStyle(*working);
    EXPECT_EQ(working->randomGeneratorCode, 1);

    // A save that fails is not announced.
    SetFieldText(AppSettings.StyleFolder, ScratchDir() + "/no such folder/");
    SavedStyleTuneNumber = -1;
    AppSettings.TuneNumber = 43;
    GenerateRandomStyle(kJazz, 0);
    EXPECT_EQ(SavedStyleTuneNumber.load(), -1);
    ShowSavedStyleStatus();
    EXPECT_EQ(ResultText.Get(), "");
}

TEST_F(RandomStyleTest, MixerBytesStayDataBytesAndBadArgumentsChangeNothing) {
    auto base = std::make_unique<MusicStyle>();
    InitMusicStyle(*base);
    base->voice[kPartMelody] = 0;
    base->voice[kPartBass] = 32;
    base->voice[kPartHarmony] = 0;
    base->mix[kPartMelody].volume = 125;
    base->mix[kPartHarmony].volume = 10;
    std::set<int> bonusVolumes;
    for (int seed = 1; seed <= 60; ++seed) {
        SeedRandomWith(seed);
        base->mix[kPartBass].resonance = 0;
        SetWorkingStyle(*base);
        // Pops Melody bonus on 22 and 53, stopped at 127.
        ChooseRandomInstrument(kPartMelody, kKindPops);
        int voice = WorkingStyle.voice[kPartMelody];
        int volume = WorkingStyle.mix[kPartMelody].volume;
        EXPECT_EQ(volume, voice == 22 || voice == 53 ? 127 : 125);
        if (voice == 22 || voice == 53) bonusVolumes.insert(volume);
        // A Bass resonance that falls below 0 stays at 0.
        RandomizeMixer();
        EXPECT_LE(WorkingStyle.mix[kPartBass].resonance, 26);
        // Raised by up to 30 for programs 38 and 39, stopped at 127.
        WorkingStyle.mix[kPartBass].resonance = 120;
        ChooseRandomInstrument(kPartBass, kKindPops);
        EXPECT_LE(WorkingStyle.mix[kPartBass].resonance, 127);
        // Healing harmony volume lowered by up to 20, stopped at 0.
        ChooseHealingParts();
        EXPECT_LE(WorkingStyle.mix[kPartHarmony].volume, 10);
    }
    EXPECT_FALSE(bonusVolumes.empty());

    SetWorkingStyle(*base);
    Sink().Clear();
    ChooseRandomInstrument(kPartMelody, 6);
    ChooseRandomInstrument(kPartBass, kKindJazz);
    ChooseRandomInstrument(kPartSubDrum, kKindPops);
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{"ZAWCFF010178 Music Category is invalid!",
                                                        "ZAWCFF010177 Channel is invalid!",
                                                        "ZAWCFF010177 Channel is invalid!"}));
    EXPECT_EQ(WorkingStyle.voice[kPartMelody], 0);
    EXPECT_EQ(WorkingStyle.voice[kPartBass], 32);
}

}  // namespace
