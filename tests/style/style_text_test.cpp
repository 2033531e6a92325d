#include "style/style_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/utilities.h"
#include "tests/style/style_bytes.h"
#include "tests/style/style_samples.h"
#include "tests/support/test_support.h"

using namespace style_bytes;
using testing_support::Sink;

namespace {

void Read(MusicStyle& style, std::string_view text) {
    ReadStyleText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), style);
}

std::string Write(const MusicStyle& style) {
    std::string text;
    std::size_t length = WriteStyleText(style, text);
    EXPECT_EQ(length, text.size());
    return text;
}

std::unique_ptr<MusicStyle> Poisoned() {
    auto style = std::make_unique<MusicStyle>();
    std::memset(style.get(), 0x5A, sizeof(MusicStyle));
    return style;
}

bool Shown(const std::string& text) {
    for (const std::string& box : Sink().Texts()) {
        if (box == text) return true;
    }
    return false;
}

// The value the writer put after "[key]", up to its CR LF.
std::string WrittenValue(const std::string& text, const std::string& key) {
    std::size_t at = text.find("[" + key + "]");
    if (at == std::string::npos) return "<missing>";
    at += key.size() + 2;
    return text.substr(at, text.find("\r\n", at) - at);
}

// Every byte range the text form carries, compared after a write and a
// read; want already has the text form's limits applied.
void ExpectTextFieldsCarried(const MusicStyle& want, const MusicStyle& got,
                             const std::string& name) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges = {
        {368, 4},   {376, 24},  {400, 21},     {696, 16},  {724, 4},    {756, 12},
        {772, 121}, {896, 336}, {1232, 16304}, {17536, 8}, {17588, 32}, {17628, 4096}};
    for (int part : {1, 4, 3, 7, 2, 9, 5, 8}) {
        ranges.push_back({4 * part, 4});        // voice
        ranges.push_back({64 + 16 * part, 9});  // mix bytes 0..8
    }
    for (int part : {1, 4, 5, 3, 7})
        ranges.push_back({22684 + 4 * part, 4});  // density
    for (int part : {1, 4, 3, 7, 2, 5})
        ranges.push_back({320 + 4 * part, 4});  // octave
    for (int part : {1, 4, 5}) {
        ranges.push_back({21724 + 60 * part, 12});       // melody settings 0..2
        ranges.push_back({21724 + 60 * part + 16, 40});  // and 4..13
    }
    for (auto [offset, size] : ranges) {
        EXPECT_EQ(std::memcmp(Bytes(want) + offset, Bytes(got) + offset, size), 0)
            << name << ": bytes " << offset << ".." << offset + size - 1;
    }
}

}  // namespace

TEST(StyleText, WriteThenReadCarriesEveryTextField) {
    auto samples = style_samples::SampleStyles();
    // Read over a record of junk, every field the text carries comes back,
    // for the hand-made records and every preset alike, without a message.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto& sample = samples[i];
        Sink().Clear();
        std::string text = Write(*sample.style);
        auto read = Poisoned();
        Read(*read, text);
        EXPECT_EQ(Sink().Count(), 0u)
            << sample.name << ": " << testing::PrintToString(Sink().Texts());
        auto expected = std::make_unique<MusicStyle>(*sample.style);
        style_samples::ApplyTextFormLimits(*expected);
        ExpectTextFieldsCarried(*expected, *read, sample.name);
        // Reading the text again changes nothing more.
        EXPECT_EQ(Write(*read), text) << sample.name;
    }
    // Every style read back over itself, as loading a text file does, is
    // the record again within the limits of the text form.
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.name);
        std::string text = Write(*sample.style);
        auto read = std::make_unique<MusicStyle>(*sample.style);
        Read(*read, text);
        auto expected = std::make_unique<MusicStyle>(*sample.style);
        style_samples::ApplyTextFormLimits(*expected);
        for (std::size_t offset = 0; offset < sizeof(MusicStyle); ++offset) {
            ASSERT_EQ(Byte(*read, offset), Byte(*expected, offset)) << "offset " << offset;
        }
    }
}

// Every single-int field the text carries, by record offset: main-section
// fields, voices, octaves, densities and the melody settings of the three
// part blocks.
std::vector<std::size_t> TextIntFields() {
    std::vector<std::size_t> fields = {368, 396, 704, 708, 724, 756, 760,   764,
                                       772, 872, 896, 900, 904, 908, 17536, 17540};
    for (std::size_t offset = 17488; offset < 17536; offset += 4)
        fields.push_back(offset);  // use_x, continue_major, stroke
    for (std::size_t offset = 17588; offset <= 17616; offset += 4)
        fields.push_back(offset);  // imitation .. sub-drum pattern
    for (int part : {1, 2, 3, 4, 5, 7, 8, 9})
        fields.push_back(4 * part);
    for (int part : {1, 2, 3, 4, 5, 7})
        fields.push_back(320 + 4 * part);
    for (int part : {1, 3, 4, 5, 7})
        fields.push_back(22684 + 4 * part);
    for (int part : {1, 4, 5}) {
        for (int field : {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13})
            fields.push_back(21724 + 60 * part + 4 * field);
    }
    return fields;
}

TEST(StyleText, EveryValueOfEveryFieldReadsBack) {
    // A range holding every legal value of every field (voices 0..151 and
    // 256 included), and the ends of the int range.
    std::vector<int> values = {INT_MIN, -1000, 255, 256, 999, INT_MAX};
    for (int value = -3; value <= 160; ++value)
        values.push_back(value);
    const std::vector<std::size_t> fields = TextIntFields();
    for (std::size_t round = 0; round < values.size(); ++round) {
        auto style = style_samples::DefaultStyle();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            int value = values[(round + 7 * i) % values.size()];
            std::memcpy(reinterpret_cast<std::uint8_t*>(style.get()) + fields[i], &value, 4);
        }
        style->timeSignature = static_cast<int>(round % 3);
        std::string text = Write(*style);
        Sink().Clear();
        auto read = Poisoned();
        Read(*read, text);
        EXPECT_EQ(Sink().Count(), 0u) << testing::PrintToString(Sink().Texts());
        for (std::size_t offset : fields) {
            ASSERT_EQ(Int(*read, offset), Int(*style, offset)) << "offset " << offset;
        }
        style_samples::ApplyTextFormLimits(*style);
        ExpectTextFieldsCarried(*style, *read, "round " + std::to_string(round));
    }
}

// The name tables of the text form, typed from their lists: each name reads
// as the first value the list gives it, and each value is written as the
// name of the first entry carrying it, or as its digits where it has no
// name or its name reads as another value. A list is written as
// '"name" value' pairs.
struct NameList {
    const char* key;
    std::size_t offset;  // part-block keys: in the Melody part's settings
    const char* list;
};

constexpr char kHarmonyPatterns[] =
    R"~("Sporadic Arpeggio" 9, "Pops" 4, "Slow Arpeggio" 3, "Continuous Stroke" 2, )~"
    R"~("Slow Stroke" 1, "Spanish" 5, "Gamelan" 6, "Chinese" 7, "16th Arpeggio" 8, )~"
    R"~("Rhythmic" 10, "Glam Rock" 11, "Very Slow Stroke" 16, "Techno" 14, )~"
    R"~("Rhythmical Techno" 17, "Rhythmical" 19, "Tango 1" 21, "Enka" 22, "Complex arpeggio" 25, )~"
    R"~("Middle East" 26, "Mersey Beat" 27, "Accent" 29, "Riff" 30, "March" 31, "Ragtime" 32, )~"
    R"~("Rockabilly" 33, "Pops Arpeggio" 34, "Bossa Nova" 35, "Latin" 36, "Rhythmic Latin" 37, )~"
    R"~("Trans" 38, "Long Riff" 40, "Fixed Long Riff(1)" 41, "Hawaian" 42, "Oldays Guitar" 44, )~"
    R"~("Stroke Riff" 45, "Dissonant Arpeggio" 49, "Melodious" 51, "Bend" 52, "Whole note" 12, )~"
    R"~("Arpeggio" 13, "Hip hop" 15, "Rap Techno" 18, "Rhythmic" 20, "Tango 2" 23, "Melodic" 24, )~"
    R"~("Fast Arpeggio" 39, "Simple Stroke" 43, "Fixed Long Riff(2)" 46, "Borero" 50, )~"
    R"~("Whole Note High" 53, "Cutting" 54, "Cha Cha Cha" 55, "Parade" 56, "Kecak" 57, )~"
    R"~("Flamenco" 58, "Waltz" 59, "Jazz Waltz" 61, "Quarter Cutting" 46, "Custom" 47)~";
constexpr std::size_t kMelodyPart = 21724 + 60;

const NameList kNameLists[] = {
    {"Key", 704, R"~("A Minor" 2, "C Major" 1)~"},
    {"Time Signature", 696, R"~("4/4" 0, "3/4" 1, "7/8" 2)~"},
    {"Basic Beat", 724,
     R"~("Triplet Rhythm" 3, "8 Beats/16 Beats" 0, "8 Beats/16 Beats with Triplet" 1)~"},
    {"Scale", 708,
     R"~("Diatonic" 1, "Just Intonation" 7, "CDEGA" 2, "CEFGB" 3, "Japanese" 13, "Blues" 6, )~"
     R"~("MiddleEast" 8, "Islamic Scale" 14, "Gypsy" 15, "Hungary" 16, "Macedonia" 20, )~"
     R"~("Whole Tone" 12, "Mixsoridian" 17, "Dorian" 18, "CDFGA" 4, "GABDE" 9, "Arabian" 10, )~"
     R"~("Indian Scale" 5, "Messiane" 19, "Flamenco" 21, "Napolitan" 22, )~"
     R"~("Enigmatic Scale" 24, "Custom" 11)~"},
    {"Transpose", 764, R"~("Enable" 1, "Disable" 0)~"},
    {"Instrument:Drum", 36,
     R"~("Acoustic Set" 1, "Electric Set" 2, "Ethnic Set" 3, "Techno Set" 4, "---" 256)~"},
    {"Imitation of Phrase", 17588, R"~("On" 1, "Off" 0)~"},
    {"On Chord", 872, R"~("On" 1, "Off" 0)~"},
    {"Adjust to Chord Tone", 756, R"~("Do" 1, "Don't" 0)~"},
    {"Chord Generation Method", 760, R"~("Knowledge Base" 0, "Motion Calculation" 1, "Custom" 8)~"},
    {"Chord Progression", 17600,
     R"~("Very Simple" 4, "Simple" 3, "Normal" 2, "Complex" 1, "One Chord" 7, "Random" 5, )~"
     R"~("Sub Dominant" 9, "Three Chords" 6, "Flamenco" 10)~"},
    {"Block Length", 17540, R"~("Auto" 0, "4 Chord" 4)~"},
    {"Number of Chords in a Block", 17536, R"~("Auto" 0, "1 Measure" 1)~"},
    {"Generation Method of Sub Melody", 17592, R"~("Same as Melody" 6, "Custom" 7, "Conon" 8)~"},
    {"Harmony Pattern", 17596, kHarmonyPatterns},
    {"Melody Tabe:MTNoCnt", 908, R"~("Do" 1, "Don't" 0)~"},
    {"Custom Harmony:continue_major:Bass", 17516, R"~("Continue" 1, "Not Continue" 0)~"},
    {"Custom Harmony:stroke:Drum", 17528, R"~("Do" 1, "Don't" 0)~"},
    {"Rhythm Pattern", 17604,
     R"~("8 Beat" 1, "16 Beat" 2, "March" 3, "8 Beat Random" 4, "Folklore" 5, "Chinese" 6, )~"
     R"~("African" 7, "16 Beat House" 8, "Blues" 9, "Japanese" 10, "Swing" 11, )~"
     R"~("16 beat Random" 12, "Techno" 13, "Rap" 14, "Temple" 15, "Heavy 8beat" 16, )~"
     R"~("Enka" 17, "Indian" 18, "Mergy" 19, "Progre" 20, "Random Mix" 21, "Xmas" 22, )~"
     R"~("Rockabilly" 23, "Bossa Nova" 24, "Latin" 25, "Trans" 26, "Create" 27, "Borero" 29, )~"
     R"~("Polka" 30, "Gagaku" 31, "Glam Rock" 32, "Cha Cha Cha" 33, "Parade" 34, )~"
     R"~("Flamenco" 35, "Child Rhythm" 36, "Waltz" 37, "Jazz Waltz" 38, "Poly Rhythm" 39, )~"
     R"~("Custom" 28)~"},
    {"Sub Harmony Pattern", 17608, kHarmonyPatterns},
    {"Bass Patterm", 17612,
     R"~("Mono Tone" 2, "General" 1, "5th Combination" 3, "Classical" 4, "Short" 5, )~"
     R"~("Blues" 6, "Melodic" 7, "Walking Bass" 8, "Fusion" 9, "Hip hop" 10, "Pops" 11, )~"
     R"~("Tango" 12, "Slow" 13, "Rockavilly" 14, "Bossanova" 15, "Latin" 16, "Trans" 17, )~"
     R"~("Drumn Bass" 18, "Long Riff" 19, "Custom" 20, "2nd mono tone" 21, "Kecak" 22, )~"
     R"~("Waltz" 23)~"},
    {"Sub Drum Pattern", 17616, R"~("Same as Melody Algo." 0, "Bonodori" 1)~"},
    {"Melody Structure:Dissonant", kMelodyPart + 0,
     R"~("Many" 0, "Some" 4, "Little" 9, "Prohibit" 10)~"},
    {"Melody Structure:Note Length", kMelodyPart + 4,
     R"~("Fluctuation" 5, "Long & Even" 2, "Long" 6, "Long Down Beat" 3, "Mechanical" 4, )~"
     R"~("Short" 1, "Slow Fluctuation" 7, "Mixed" 8, "Short Long" 9, "Swing" 10)~"},
    {"Melody Structure:Syncopation", kMelodyPart + 8,
     R"~("Syncopetion Off" 0, "Syncopetion On" 1)~"},
    {"Melody Structure:Abbelimenti", kMelodyPart + 16,
     R"~("None" 0, "Classical" 1, "Crazy Trill" 2, "Blues" 3, "Unstable" 4, "Percussive" 6, )~"
     R"~("Murmur" 7, "Pops" 11, "Rap Voice" 14, "Andes" 15, "Scotland" 16, "Scale" 17, )~"
     R"~("Continuous" 18, "Jump" 19, "Southern Island" 20)~"},
    {"Melody Structure:Effect", kMelodyPart + 20,
     R"~("None" 0, "Choking(L)" 5, "Choking(M)" 17, "Scat" 18, "Shake" 13, "Vibrato" 10, )~"
     R"~("Silen Effect" 8, "Long Pipe Effect" 9, "Formant" 12, "Shake Head" 19, "Yodel" 20, )~"
     R"~("Connect Notes" 21, "Tremolo" 22)~"},
    {"Melody Structure:Voicing", kMelodyPart + 24,
     R"~("None" 0, "Symmetry" 1, "Symmetry Delay" 2)~"},
    {"Melody Structure:Algorithm", kMelodyPart + 36,
     R"~("Lagurange" 1, "Directional" 2, "Fluctuation" 3, "1/f Fluctuation" 4, )~"
     R"~("Jump Filter" 5, "Melody Table" 6, "Mono note" 7)~"},
    {"Melody Structure:Tension", kMelodyPart + 40, R"~("Even" 0, "Jazz" 2, "Blue Note" 1)~"},
    {"Melody Structure:Repeat Rhythm", kMelodyPart + 44,
     R"~("Repeat Off" 0, "Repeat Weak" 1, "Repeat Middle" 2)~"},
    {"Melody Structure:Repeat Melody", kMelodyPart + 48,
     R"~("Repeat Off" 0, "Repeat Weak" 1, "Repeat Middle" 2)~"},
};

std::vector<std::pair<std::string, int>> Entries(const char* list) {
    std::vector<std::pair<std::string, int>> entries;
    std::string_view text(list);
    for (std::size_t open = text.find('"'); open != std::string_view::npos;
         open = text.find('"', open)) {
        std::size_t close = text.find('"', open + 1);
        entries.push_back(
            {std::string(text.substr(open + 1, close - open - 1)), std::atoi(list + close + 2)});
        open = close + 1;
    }
    return entries;
}

// The value a name reads as: that of its first entry.
int ValueOf(const std::vector<std::pair<std::string, int>>& entries, const std::string& name) {
    for (const auto& [entryName, value] : entries) {
        if (entryName == name) return value;
    }
    return INT_MIN;
}

void SetField(MusicStyle& style, std::size_t offset, int value) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(&style) + offset, &value, 4);
}

TEST(StyleText, NameTablesMatchTheirLists) {
    for (const NameList& list : kNameLists) {
        SCOPED_TRACE(list.key);
        const auto entries = Entries(list.list);
        ASSERT_GE(entries.size(), 2u);
        const bool inBlock = std::string_view(list.key).starts_with("Melody Structure:");
        for (const auto& [name, value] : entries) {
            auto style = style_samples::DefaultStyle();
            SetField(*style, list.offset, 12345);
            std::string entry = "[";
            entry.append(list.key).append("]").append(name);
            Sink().Clear();
            Read(*style, inBlock ? "[[Melody]]" + entry + "[[/Melody]]" : entry);
            EXPECT_EQ(Int(*style, list.offset), ValueOf(entries, name)) << name;
            EXPECT_EQ(Sink().Count(), 0u) << name;
        }
    }
    // Writing: every value of a range around the lists, all fields at once.
    std::vector<int> values = {255, 256};
    for (int value = -2; value <= 64; ++value)
        values.push_back(value);
    for (int value : values) {
        auto style = style_samples::DefaultStyle();
        for (const NameList& list : kNameLists)
            SetField(*style, list.offset, value);
        std::string text = Write(*style);
        for (const NameList& list : kNameLists) {
            const auto entries = Entries(list.list);
            char want[16];
            std::snprintf(want, sizeof want, "%03d", value);
            std::string written = want;
            auto first = std::find_if(entries.begin(), entries.end(),
                                      [&](const auto& entry) { return entry.second == value; });
            if (first != entries.end() && ValueOf(entries, first->first) == value)
                written = first->first;
            if (std::string_view(list.key) == "Time Signature" && (value < 0 || value > 2))
                written = "\x83\x47\x83\x89\x81\x5B";  // the error word
            EXPECT_EQ(WrittenValue(text, list.key), written) << list.key << " " << value;
        }
    }

    // "Rest Note" is read only; its levels set the part's density.
    const std::pair<const char*, int> kRestLevels[] = {
        {"least", 160},      {"less", 140}, {"a few", 120}, {"medium", 100},
        {"little more", 80}, {"many", 60},  {"more", 40},   {"most", 20}};
    for (const auto& [name, density] : kRestLevels) {
        auto style = style_samples::DefaultStyle();
        Read(*style,
             std::string("[[Obbligato]][Melody Structure:Rest Note]") + name + "[[/Obbligato]]");
        EXPECT_EQ(Int(*style, 22684 + 4 * 4), density) << name;
    }
}

// The keys the writer emits, in order, typed from their list; every one of
// them is read back without a message (the round trips above).
TEST(StyleText, WrittenKeysInOrder) {
    std::vector<std::string> want = {"ZAW Version", "Title",      "Key",   "Time Signature",
                                     "Basic Beat",  "Tempo",      "Scale", "Scale Notes",
                                     "Transpose",   "Tune Length"};
    for (const char* part : {"Melody", "Obbligato", "Harmony", "Sub Harmony", "Bass", "Drum",
                             "Sub Drum", "Environmental Sound"})
        want.push_back(std::string("Instrument:") + part);
    for (auto [density, block] : {std::pair{"Melody:Density", "Melody"},
                                  {"Obbligato:Density", "Obbligato"},
                                  {"Sub Drum:Density", "Drum"}}) {
        want.push_back(density);
        want.push_back(std::string("[[") + block + "]]");
        for (const char* key : {"Dissonant", "Note Length", "Syncopation", "Effect", "Abbelimenti",
                                "Voicing", "Upper Limit", "Lower Limit", "Algorithm", "Tension",
                                "Repeat Rhythm", "Repeat Melody", "Algorithm Parameter"})
            want.push_back(std::string("Melody Structure:") + key);
        want.push_back(std::string("[[/") + block + "]]");
    }
    for (const char* key : {"Imitation of Phrase",
                            "On Chord",
                            "Adjust to Chord Tone",
                            "Chord Generation Method",
                            "Knowledge Base",
                            "Knowledge Base for Verse",
                            "Chord Progression",
                            "Block Length",
                            "Number of Chords in a Block",
                            "Custom Chord",
                            "Fixed Bass",
                            "Generation Method of Sub Melody",
                            "Harmony Pattern",
                            "Harmony:Density",
                            "Riff",
                            "Melody Tabe:Interval",
                            "Melody Tabe:Direction",
                            "Melody Tabe:MTAdjustF",
                            "Melody Tabe:MTAdjustL",
                            "Melody Tabe:MTAdjustE",
                            "Melody Tabe:MTNoCnt"})
        want.push_back(key);
    const char* gridParts[] = {"Harmony", "Sub Harmony", "Bass", "Drum"};
    for (const char* list :
         {"use_x", "NoteTable", "pn_interval", "pn_continuem", "continue_major", "stroke"}) {
        for (const char* part : gridParts) {
            // The grid lists are written once per set, under the same key.
            bool perSet = std::string_view(list).starts_with("NoteTable") ||
                          std::string_view(list).starts_with("pn_");
            for (int set = 0; set < (perSet ? 4 : 1); ++set)
                want.push_back(std::string("Custom Harmony:") + list + ":" + part);
        }
    }
    for (const char* key : {"Rhythm Pattern", "Sub Harmony Pattern", "Sub Harmony:Density",
                            "Bass Patterm", "Sub Drum Pattern"})
        want.push_back(key);
    for (const char* part : {"Melody", "Sub Melody", "Harmony", "Sub Harmony", "Bass", "Sub Drum"})
        want.push_back(std::string("Octave:") + part);
    for (const char* part : {"Melody", "Sub Melody", "Harmony", "Sub Harmony", "Bass", "Drum",
                             "Sub Drum", "Environment"})
        want.push_back(std::string("Mixer:") + part);

    // Each entry starts a line: "[key]", or a block's "[[name]]" kept whole.
    std::string text = "\n" + Write(*style_samples::VariedStyle());
    std::vector<std::string> keys;
    for (std::size_t at = text.find("\n["); at != std::string::npos; at = text.find("\n[", at)) {
        bool block = text[at + 2] == '[';
        std::size_t end = text.find(block ? "]]" : "]", at);
        keys.push_back(block ? text.substr(at + 1, end + 1 - at)
                             : text.substr(at + 2, end - at - 2));
        at = end;
    }
    EXPECT_EQ(keys, want);
}

TEST(StyleText, WriterLayout) {
    auto style = style_samples::VariedStyle();
    std::string text = Write(*style);
    EXPECT_EQ(text.rfind("[ZAW Version]", 0), 0u);
    EXPECT_EQ(WrittenValue(text, "ZAW Version"), "0000");  // the saver stamps the version
    EXPECT_EQ(WrittenValue(text, "Title"), "Varied Waltz Style 1");
    EXPECT_EQ(WrittenValue(text, "Tempo"), "100");
    EXPECT_EQ(WrittenValue(text, "Tune Length"), "0024");
    EXPECT_EQ(WrittenValue(text, "Instrument:Drum"), "Ethnic Set");
    EXPECT_EQ(WrittenValue(text, "Fixed Bass"), "036");
    EXPECT_EQ(WrittenValue(text, "Octave:Melody"), "-01");
    EXPECT_EQ(WrittenValue(text, "Custom Harmony:use_x:Drum"), "001");
    EXPECT_EQ(WrittenValue(text, "Melody Tabe:Direction"), "-50--40--30--20--10-000-010-099-");
    EXPECT_EQ(WrittenValue(text, "Custom Chord").substr(0, 27), "0288CMPS-0288CMPS-0288CMPS-");
    EXPECT_EQ(WrittenValue(text, "Custom Chord").substr(27, 18), "0288amPs-0288GMPs-");
    // The riff sits on the line after its key; 255 is written as -1.
    EXPECT_EQ(WrittenValue(text, "Riff"), "");
    std::size_t riff = text.find("[Riff]\r\n") + 8;
    EXPECT_EQ(text.substr(riff, 24), "002-004-001-002-008-005-");
    EXPECT_EQ(text.substr(riff + 7 * 4, 8), "-01--01-");
    EXPECT_EQ(text.substr(riff + 94 * 4, 4), "200-");

    // The part blocks: Melody, Obbligato, and the Sub Drum part under "Drum",
    // each behind its density; "Rest Note" is never written.
    std::size_t melody =
        text.find("[Melody:Density]160\r\n[[Melody]]\r\n[Melody Structure:Dissonant]Prohibit\r\n");
    std::size_t obbligato = text.find("[Obbligato:Density]040\r\n[[Obbligato]]\r\n");
    std::size_t drum =
        text.find("[Sub Drum:Density]020\r\n[[Drum]]\r\n[Melody Structure:Dissonant]Little\r\n");
    EXPECT_NE(melody, std::string::npos);
    EXPECT_LT(melody, obbligato);
    EXPECT_LT(obbligato, drum);
    EXPECT_NE(text.find("[Melody Structure:Algorithm Parameter]007\r\n[[/Melody]]\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("Rest Note"), std::string::npos);

    // Grids: each set on its own entry, the set digit first.
    const std::string intervalSet2 = "[Custom Harmony:pn_interval:Bass]\r\n2\r\n";
    std::size_t grid = text.find(intervalSet2);
    ASSERT_NE(grid, std::string::npos);
    EXPECT_EQ(text.substr(grid + intervalSet2.size(), 8), "036-037-");
    EXPECT_NE(text.find("[Custom Harmony:NoteTable:Harmony]\r\n0\r\n001-000-000-001-"),
              std::string::npos);
    EXPECT_LT(text.find("[Custom Harmony:NoteTable:Drum]"),
              text.find("[Custom Harmony:pn_interval:Harmony]"));
    EXPECT_TRUE(
        text.ends_with("[Mixer:Environment]<Volume>062<Chorus>075<Reverb>088"
                       "<Brightness>101<Attack>114<Decay>127<Release>012"
                       "<Resonance>025<Panpot>038\r\n"));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(StyleText, WorkedExamples) {
    auto style = style_samples::DefaultStyle();
    Read(*style, "[Tempo]080");
    EXPECT_EQ(style->tempo, 750000);
    EXPECT_EQ(WrittenValue(Write(*style), "Tempo"), "080");

    Read(*style,
         "[Mixer:Bass]<Volume>090<Chorus>010<Reverb>020<Brightness>064<Attack>064"
         "<Decay>064<Release>064<Resonance>064<Panpot>100");
    const std::uint8_t kBass[9] = {90, 10, 20, 64, 64, 64, 64, 64, 100};
    EXPECT_EQ(std::memcmp(Bytes(*style) + 64 + 16 * 2, kBass, 9), 0);

    // A metre outside 0..2 is written as the code page 932 bytes of its error word.
    style->timeSignature = 5;
    EXPECT_EQ(WrittenValue(Write(*style), "Time Signature"), "\x83\x47\x83\x89\x81\x5B");

    // Line breaks inside a value are dropped.
    Read(*style, "[Tune Length]00\r\n40\r\n");
    EXPECT_EQ(style->tuneLength, 40);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(StyleText, NamesAndTheirErrors) {
    auto style = style_samples::DefaultStyle();
    Read(*style, "[Key]A Minor\r\n");
    EXPECT_EQ(style->key, 2);
    Read(*style, "[Key]C Major\r\n");
    EXPECT_EQ(style->key, 1);
    Read(*style, "[Key]c major\r\n");
    EXPECT_EQ(style->key, 1);
    EXPECT_TRUE(Shown("ZAWCFF010187 Key is invalid!"));

    Read(*style,
         "[Scale]Gypsy[Rhythm Pattern]Poly Rhythm[Bass Patterm]Kecak[Sub Drum Pattern]Bonodori");
    EXPECT_EQ(style->scale, 15);
    EXPECT_EQ(style->rhythmPattern, 39);
    EXPECT_EQ(style->bassPattern, 22);
    EXPECT_EQ(style->subDrumPattern, 1);

    // Every harmony pattern reads back as itself: by its name, or by its
    // digits where it has none (28, 48, 60) or shares one ("Rhythmic" is 10).
    for (int pattern = 1; pattern <= 61; ++pattern) {
        Sink().Clear();
        style->harmonyPattern = pattern;
        std::string text = Write(*style);
        style->harmonyPattern = 99;
        Read(*style, "[Harmony Pattern]" + WrittenValue(text, "Harmony Pattern"));
        EXPECT_EQ(style->harmonyPattern, pattern);
        EXPECT_EQ(Sink().Count(), 0u) << pattern;
    }
    style->harmonyPattern = 20;
    EXPECT_EQ(WrittenValue(Write(*style), "Harmony Pattern"), "020");
    Read(*style, "[Sub Harmony Pattern]Quarter Cutting");
    EXPECT_EQ(style->subHarmonyPattern, 46);

    // Switches take any of the word pairs; another word is 0 and reported.
    Sink().Clear();
    Read(*style, "[Transpose]On[On Chord]Continue[Imitation of Phrase]Do");
    EXPECT_EQ(style->transpose, 1);
    EXPECT_EQ(style->onChord, 1);
    EXPECT_EQ(style->imitationOfPhrase, 1);
    EXPECT_EQ(Sink().Count(), 0u);
    Read(*style, "[Transpose]Yes");
    EXPECT_EQ(style->transpose, 0);
    EXPECT_TRUE(Shown("ZAWCFF010179 Parameter is invalid!"));

    // Unknown instruments and drum sets become "not used".
    Read(*style, "[Instrument:Obligatto]" + std::string(InstrumentNameTable[40]));
    EXPECT_EQ(style->voice[kPartObbligato], 40);
    Read(*style, "[Instrument:Bass]Kazoo[Instrument:Drum]Jazz Set");
    EXPECT_EQ(style->voice[kPartBass], 256);
    EXPECT_EQ(style->voice[kPartDrum], 256);
    EXPECT_TRUE(Shown("ZAWCFF01017A Can not get instrument from paramter!"));
    EXPECT_TRUE(Shown("ZAWCFF01017B Can not get drum from paramater!"));

    // Voice codes without a name are written as digits and read back; an
    // instrument code outside the table is reported.
    Sink().Clear();
    style->voice[kPartHarmony] = 152;
    style->voice[kPartDrum] = 22;
    std::string text = Write(*style);
    EXPECT_EQ(WrittenValue(text, "Instrument:Harmony"), "152");
    EXPECT_EQ(WrittenValue(text, "Instrument:Drum"), "022");
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ZAWCFF0101A4 Instrument is invalid!"});
    Sink().Clear();
    Read(*style, "[Instrument:Harmony]-02[Instrument:Drum]+7[Instrument:Bass]003");
    EXPECT_EQ(style->voice[kPartHarmony], -2);
    EXPECT_EQ(style->voice[kPartDrum], 7);
    EXPECT_EQ(style->voice[kPartBass], 3);
    style->voice[kPartHarmony] = 256;

    // A number no name carries is written as digits and read back; a plain
    // number reads wherever a name or a switch word is expected.
    style->chordProgression = 8;
    EXPECT_EQ(WrittenValue(Write(*style), "Chord Progression"), "008");
    Read(*style, "[Chord Progression]011[Scale]-4[Transpose]2[Sub Drum Pattern]+03");
    EXPECT_EQ(style->chordProgression, 11);
    EXPECT_EQ(style->scale, -4);
    EXPECT_EQ(style->transpose, 2);
    EXPECT_EQ(style->subDrumPattern, 3);
    EXPECT_EQ(WrittenValue(Write(*style), "Transpose"), "002");
    EXPECT_EQ(Sink().Count(), 0u);
    // Anything else that is not a name is still refused.
    for (const char* bad : {"8a", "-", "+", "", " 8", "8 "}) {
        Sink().Clear();
        Read(*style, std::string("[Chord Progression]") + bad);
        EXPECT_EQ(style->chordProgression, 11) << bad;
        EXPECT_TRUE(Shown("ZAWCFF01018D The number of Chord Progression is invalid!")) << bad;
    }

    // Texts: titles cut to 20 characters, scale notes refused when longer than 16.
    Read(*style, "[Title]An Overlong Title For Cutting[Knowledge Base]MY.DB");
    EXPECT_EQ(Text(*style, 376, 20), "An Overlong Title Fo");
    EXPECT_EQ(Text(*style, 400, 21), "An Overlong Title Fo");
    EXPECT_EQ(Text(*style, 976, 128), "MY.DB");
    Read(*style, "[Scale Notes]xxxx9090990909090");
    EXPECT_EQ(Text(*style, 876, 17), "xxxx909099090909");
    EXPECT_TRUE(Shown("ZAWCFF01018B Scale note is invalid!"));

    Sink().Clear();
    Read(*style, "[Colour]Blue");
    EXPECT_TRUE(Shown("ZAWCFF010196 Parameter is invalid!"));
}

TEST(StyleText, PartBlocks) {
    auto style = style_samples::DefaultStyle();
    Read(*style,
         "[[Obligatto]]\r\n[Melody Structure:Note Length]Swing\r\n"
         "[Melody Structure:Rest Note]more\r\n[Melody Structure:Syncopation]Maybe\r\n"
         "[[/Obligatto]]\r\n"
         "[[Drum]][Melody Structure:Algorithm]Mono note[Melody Structure:Upper Limit]077[[/Drum]]");
    EXPECT_EQ(style->melody[kPartObbligato].noteLength, 10);
    EXPECT_EQ(style->density[kPartObbligato], 40);
    EXPECT_EQ(style->melody[kPartObbligato].syncopation, 0);  // unknown word, silently kept
    EXPECT_EQ(style->melody[kPartSubDrum].algorithm, 7);
    EXPECT_EQ(style->melody[kPartSubDrum].upperLimit, 77);
    EXPECT_EQ(style->melody[kPartDrum].algorithm, 0);
    EXPECT_EQ(Sink().Count(), 0u);

    // Another part's name is skipped without a message.
    Read(*style, "[[Bass]]\r\n[Melody Structure:Tension]Jazz\r\n[[/Bass]]\r\n[Key]A Minor");
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_EQ(style->key, 2);
    EXPECT_EQ(style->melody[kPartBass].tension, 0);

    // A block closed under another name is reported and not applied.
    Read(*style, "[[Melody]]\r\n[Melody Structure:Tension]Jazz\r\n[[/Obbligato]]\r\n[Key]C Major");
    EXPECT_TRUE(Shown("ZAWCFF010179 Parameter is invalid!"));
    EXPECT_EQ(style->melody[kPartMelody].tension, 0);
    EXPECT_EQ(style->key, 1);

    Sink().Clear();
    Read(*style, "[[Melody]]Tension[[/Melody]]");
    EXPECT_TRUE(Shown("ZAWCFF010197 The structure of melody is invalid!"));
    Read(*style,
         "[[Melody]][Melody Structure:Tension]Loud[Melody Structure:Rest Note]lots"
         "[Key]A Minor[Melody Structure:Repeat Melody]Repeat Weak[[/Melody]]");
    EXPECT_TRUE(Shown("ZAWCFF01019F Tension setting is invalid!"));
    EXPECT_TRUE(Shown("ZAWCFF01019A Setting of Rest note is invalid!"));
    EXPECT_TRUE(Shown("ZAWCFF0101A2 Parameter of melody is invalid!"));
    EXPECT_EQ(style->melody[kPartMelody].repeatMelody, 1);
    EXPECT_EQ(style->density[kPartMelody], 100);
    EXPECT_EQ(style->key, 1);

    // An unterminated block stops the reading there.
    Sink().Clear();
    Read(*style, "[[Melody]][Melody Structure:Voicing]Symmetry");
    EXPECT_EQ(style->melody[kPartMelody].voicing, 0);
    EXPECT_TRUE(Shown("ZAWCFF010179 Parameter is invalid!"));
}

TEST(StyleText, ItemLists) {
    auto style = style_samples::DefaultStyle();
    auto before = std::make_unique<MusicStyle>(*style);
    std::string riff;
    for (int i = 0; i < 95; ++i)
        riff += "002-";
    Read(*style, "[Riff]" + riff);
    EXPECT_TRUE(Shown("ZAWCFF01017D Length of Riff is invalid!"));
    Read(*style, "[Riff]" + riff + "002+");
    EXPECT_TRUE(Shown("ZAWCFF01017C Chord is invalid!"));
    EXPECT_EQ(std::memcmp(style->riff, before->riff, 96), 0);
    Sink().Clear();
    Read(*style, "[Riff]\r\n" + riff + "-01-");
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_EQ(style->riff[0], 2);
    EXPECT_EQ(style->riff[95], 255);

    Read(*style, "[Melody Tabe:Interval]001-002-003-004-005-006-007-");
    EXPECT_TRUE(Shown("ZAWCFF01017F Length of Melody Table Text is invalid!"));
    Read(*style, "[Melody Tabe:Interval]001-002-003-004-005-006-007-008=");
    EXPECT_TRUE(Shown("ZAWCFF01017E Melody Table Text is invalid!"));
    EXPECT_EQ(style->melodyTableInterval[0], 40);
    Read(*style, "[Melody Tabe:Direction]-01-002-003-004-005-006-007-008-");
    EXPECT_EQ(style->melodyTableDirection[0], -1);
    EXPECT_EQ(style->melodyTableDirection[7], 8);

    // Grid lists name their set in the first character.
    std::string interval = "3\r\n";
    for (int i = 0; i < 14; ++i)
        interval.append("0").append(std::to_string(10 + i)).append("-");
    Read(*style, "[Custom Harmony:pn_interval:Sub Harmony]" + interval);
    EXPECT_EQ(style->customHarmony.grid[3][kGridSubHarmony].pnInterval[13], 23);
    Read(*style, "[Custom Harmony:pn_interval:Drum]" + interval + "001-");
    EXPECT_TRUE(Shown("ZAWCFF010183 Length of Interval Text is invalid!"));
    Read(*style, "[Custom Harmony:pn_continuem:Bass]4001-");
    EXPECT_TRUE(Shown("ZAWCFF010184 Note continue information is invalid!"));
    Read(*style, "[Custom Harmony:NoteTable:Drum]0001-");
    EXPECT_TRUE(Shown("ZAWCFF010181 Length of Note Table Text is invalid!"));
    EXPECT_EQ(std::memcmp(&style->customHarmony.grid[0][kGridDrum],
                          &before->customHarmony.grid[0][kGridDrum], sizeof(GridPart)),
              0);

    // Custom chords clear the list first and stop at a bad item.
    Sink().Clear();
    Read(*style, "[Custom Chord]0384CMPS-0192GMPs-0192Cx");
    EXPECT_TRUE(Shown("ZAWCFF01017C Chord is invalid!"));
    const std::uint8_t kChords[14] = {1, 128, 'C', 'M', 'P', 'S', 0, 192, 'G', 'M', 'P', 's', 0, 0};
    EXPECT_EQ(std::memcmp(style->harmonyStructure, kChords, 14), 0);
    EXPECT_EQ(style->harmonyStructure[12 + 6], 0);

    // More than the list holds is cut at 682 entries, leaving the end mark.
    std::string chords;
    for (int i = 0; i < 700; ++i)
        chords += "0096NoCd-";
    Read(*style, "[Custom Chord]" + chords);
    EXPECT_EQ(style->harmonyStructure[6 * 681 + 1], 96);
    EXPECT_EQ(style->harmonyStructure[6 * 682], 0);
    EXPECT_EQ(style->harmonyStructure[6 * 682 + 1], 0);
}

TEST(StyleText, OutOfRangeValuesAreRefusedOrClamped) {
    auto style = style_samples::DefaultStyle();
    // Tempo: only 1..60000 beats per minute, every whole millisecond.
    for (const char* bpm : {"000", "-05", "60001", "abc"}) {
        Sink().Clear();
        Read(*style, std::string("[Tempo]") + bpm);
        EXPECT_EQ(style->tempo, 750000) << bpm;
        EXPECT_EQ(Sink().Count(), 1u) << bpm;
    }
    Read(*style, "[Tempo]999");
    EXPECT_EQ(style->tempo, 60000);
    EXPECT_EQ(WrittenValue(Write(*style), "Tempo"), "1000");
    Read(*style, "[Tempo]60000");
    EXPECT_EQ(style->tempo, 1000);
    Read(*style, "[Tempo]001");
    EXPECT_EQ(style->tempo, 60000000);
    // The writer never divides by a zero tempo.
    Sink().Clear();
    style->tempo = 999;
    EXPECT_EQ(WrittenValue(Write(*style), "Tempo"), "120");
    EXPECT_EQ(Sink().Count(), 1u);
    style->tempo = -40;
    EXPECT_EQ(WrittenValue(Write(*style), "Tempo"), "120");

    // Mixer bytes are clamped to 0..127 and reported; a missing tag stops there.
    Sink().Clear();
    Read(*style, "[Mixer:Drum]<Panpot>200<Volume>-10<Chorus>005");
    EXPECT_EQ(style->mix[kPartDrum].volume, 0);
    EXPECT_EQ(style->mix[kPartDrum].chorus, 5);
    EXPECT_EQ(style->mix[kPartDrum].reverb, 64);
    EXPECT_EQ(style->mix[kPartDrum].panpot, 64);
    EXPECT_EQ(Sink().Count(), 2u);
    EXPECT_TRUE(Shown("ZAWCFF010186 Setting of Mixer is invalid!"));
    Sink().Clear();
    Read(*style,
         "[Mixer:Sub Drum]<Volume>999<Chorus>1<Reverb>002<Brightness>003<Attack>004<Decay>005"
         "<Release>006<Resonance>007<Panpot>008");
    EXPECT_EQ(style->mix[kPartSubDrum].volume, 127);
    EXPECT_EQ(style->mix[kPartSubDrum].chorus, 1);
    EXPECT_EQ(style->mix[kPartSubDrum].panpot, 8);
    EXPECT_EQ(Sink().Count(), 1u);

    // Riff values outside the byte range are clamped, never wrapped.
    std::string riff;
    for (int i = 0; i < 96; ++i)
        riff += i == 0 ? "300-" : i == 1 ? "-02-" : "001-";
    Sink().Clear();
    Read(*style, "[Riff]" + riff);
    EXPECT_EQ(style->riff[0], 255);
    EXPECT_EQ(style->riff[1], 0);
    EXPECT_EQ(style->riff[2], 1);
    EXPECT_EQ(Sink().Count(), 1u);

    // A chord longer than four digits can hold is cut to 9999 ticks when
    // written, so the list still reads back.
    Sink().Clear();
    style->harmonyStructure[0] = 0x30;  // 12416 ticks
    std::string text = Write(*style);
    EXPECT_EQ(WrittenValue(text, "Custom Chord").substr(0, 18), "9999CMPS-0384CMPS-");
    EXPECT_TRUE(Shown("ZAWCFF01017C Chord is invalid!"));
    auto read = Poisoned();
    Read(*read, text);
    EXPECT_EQ(read->harmonyStructure[0] * 256 + read->harmonyStructure[1], 9999);
    EXPECT_EQ(read->harmonyStructure[6 * 40], 0);

    // List items beyond three characters are written as the nearest that
    // fit, and the rest of their list still reads back.
    style->melodyTableInterval[1] = 1000;
    style->customHarmony.grid[2][kGridBass].Cell(13, 15) = -100;
    Read(*read, Write(*style));
    EXPECT_EQ(read->melodyTableInterval[1], 999);
    EXPECT_EQ(read->customHarmony.grid[2][kGridBass].Cell(13, 15), -99);
    read->melodyTableInterval[1] = 1000;
    read->customHarmony.grid[2][kGridBass].Cell(13, 15) = -100;
    EXPECT_EQ(std::memcmp(read->melodyTableInterval, style->melodyTableInterval, 32), 0);
    EXPECT_EQ(std::memcmp(&read->customHarmony, &style->customHarmony, sizeof(CustomHarmonyBlock)),
              0);
}

TEST(StyleText, ScanningAndTheValueBuffer) {
    auto style = style_samples::DefaultStyle();
    // Text before the first entry is skipped; a double-byte character keeps
    // its second byte, even when that byte is a bracket.
    Read(*style, "notes\r\n[Title]\x83[x\x83]\r\n[Key]A Minor");
    EXPECT_EQ(Text(*style, 376, 20), "\x83[x\x83]");
    EXPECT_EQ(style->key, 2);
    EXPECT_EQ(Sink().Count(), 0u);

    // A value longer than the scratch buffer is refused; the next entry is read.
    std::string longTitle(kStyleTextValueBufferSize, 'T');
    Read(*style, "[Title]" + longTitle + "[Tune Length]0012");
    EXPECT_TRUE(Shown("ZAWCFF010179 Parameter is invalid!"));
    EXPECT_EQ(Text(*style, 376, 20), "\x83[x\x83]");
    EXPECT_EQ(style->tuneLength, 12);
    // Line breaks do not count against it.
    Sink().Clear();
    std::string broken;
    for (std::size_t i = 0; i < kStyleTextValueBufferSize; ++i)
        broken += "\r\n";
    Read(*style, "[Tune Length]" + broken + "0016");
    EXPECT_EQ(style->tuneLength, 16);
    EXPECT_EQ(Sink().Count(), 0u);

    // A key without its closing bracket ends the text.
    Read(*style, "[Tune Length0020");
    EXPECT_EQ(style->tuneLength, 16);
    EXPECT_TRUE(Shown("ZAWCFF010179 Parameter is invalid!"));
    // A lead byte at the very end is not read past.
    Read(*style, "[Title]ab\x83");
    EXPECT_EQ(Text(*style, 376, 20), "ab\x83");
    ReadStyleText(nullptr, 10, *style);
}
