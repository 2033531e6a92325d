#include "style/style_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/utilities.h"
#include "style/random_style.h"
#include "style/style_check.h"
#include "style/style_table.h"
#include "tests/style/style_bytes.h"
#include "tests/style/style_samples.h"
#include "tests/support/test_support.h"

using namespace style_bytes;
using testing_support::Chooser;
using testing_support::ScratchDir;
using testing_support::Sink;

namespace {

constexpr char kCantLoadOld[] = "ZAWCFF0101A6 Can not load old music style!";
constexpr char kLoadingFailed[] = "ZAWCFF0101A3 Loading parameter is failed!";
constexpr char kCantSave[] = "ZAWCFF010044 can not save parameters!";
constexpr char kChangeFolder[] = "ZAWCFF010153 Change folder setting, and restart.";

using Image = std::vector<std::uint8_t>;

void WriteImage(const std::string& path, const Image& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Image ImageOf(const MusicStyle& style, std::size_t size) {
    Image image(size, 0);
    if (size > 0) std::memcpy(image.data(), Bytes(style), std::min(size, sizeof(MusicStyle)));
    return image;
}

void PutInt(Image& image, std::size_t offset, std::int32_t value) {
    std::memcpy(image.data() + offset, &value, 4);
}

void PutText(Image& image, std::size_t offset, const char* text) {
    std::memcpy(image.data() + offset, text, std::strlen(text));
}

std::unique_ptr<MusicStyle> Poisoned() {
    auto style = std::make_unique<MusicStyle>();
    std::memset(style.get(), 0x5A, sizeof(MusicStyle));
    return style;
}

// What a record looks like after it has been saved and loaded again: the
// stored title takes the display title, the version is stamped, and the
// repairs of every load apply.
std::unique_ptr<MusicStyle> AfterSaveAndLoad(const MusicStyle& style) {
    auto expected = std::make_unique<MusicStyle>(style);
    MusicStyle& e = *expected;
    std::memcpy(e.title, e.displayTitle, 20);
    e.version = 774;
    if (e.subMelodyMethod < 6) e.subMelodyMethod = 6;
    if (e.harmonyPattern == 28) e.harmonyPattern = 1;
    if (e.subHarmonyPattern == 28) e.subHarmonyPattern = 1;
    if (e.melody[kPartMelody].ornament == 7) {
        e.melody[kPartMelody].algorithm = 7;
        e.melody[kPartMelody].effect = 17;
    }
    e.harmonyStructure[4092] = e.harmonyStructure[4093] = 0;
    return expected;
}

std::int32_t& SlotGridTone(MusicStyle& style) {
    return style.customHarmony.grid[1][kGridBass].pnInterval[4];
}

std::unique_ptr<MusicStyle> LoadImage(const Image& image, int expectedResult = kStyleLoaded) {
    std::string path = ScratchDir() + "/image.dat";
    WriteImage(path, image);
    auto style = Poisoned();
    EXPECT_EQ(LoadStyleFile(*style, path), expectedResult);
    return style;
}

bool Shown(const std::string& text) {
    for (const std::string& box : Sink().Texts()) {
        if (box == text) return true;
    }
    return false;
}

}  // namespace

TEST(StyleFile, BinarySaveThenLoadGivesTheRecord) {
    for (const auto& sample : style_samples::SampleStyles()) {
        SCOPED_TRACE(sample.name);
        std::string path = ScratchDir() + "/round.dat";
        auto before = std::make_unique<MusicStyle>(*sample.style);
        ASSERT_EQ(SaveStyleFile(*sample.style, path), 0);
        EXPECT_EQ(std::memcmp(before.get(), sample.style.get(), sizeof(MusicStyle)), 0);
        EXPECT_EQ(GetFileLength(path), 22732u);

        auto loaded = Poisoned();
        ASSERT_EQ(LoadStyleFile(*loaded, path), kStyleLoaded);
        auto expected = AfterSaveAndLoad(*sample.style);
        for (std::size_t offset = 0; offset < sizeof(MusicStyle); ++offset) {
            ASSERT_EQ(Byte(*loaded, offset), Byte(*expected, offset)) << "offset " << offset;
        }
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(StyleFile, TextSaveThenLoadOverTheRecord) {
    for (const auto& sample : style_samples::SampleStyles()) {
        SCOPED_TRACE(sample.name);
        std::string path = ScratchDir() + "/round.TXT";
        ASSERT_EQ(SaveStyleFile(*sample.style, path), 0);
        EXPECT_EQ(testing_support::ReadFileText(path).rfind("[ZAW Version]0774\r\n[Title]", 0), 0u);
        // Read over a copy of the record: the fields the text does not carry
        // keep their values, so the whole record comes back.
        auto loaded = std::make_unique<MusicStyle>(*sample.style);
        ASSERT_EQ(LoadStyleFile(*loaded, path), kStyleLoaded);
        auto expected = AfterSaveAndLoad(*sample.style);
        style_samples::ApplyTextFormLimits(*expected);
        for (std::size_t offset = 0; offset < sizeof(MusicStyle); ++offset) {
            ASSERT_EQ(Byte(*loaded, offset), Byte(*expected, offset)) << "offset " << offset;
        }
    }
}

TEST(StyleFile, CurrentLayout) {
    auto style = style_samples::VariedStyle();
    SetFieldText(style->title, "Stored Title");
    SetFieldText(style->displayTitle, "Shown Title");
    style->version = 774;
    auto loaded = LoadImage(ImageOf(*style, 22732));
    EXPECT_EQ(Text(*loaded, 376, 20), "Stored Title");
    std::memcpy(style->displayTitle, style->title, 20);
    EXPECT_EQ(std::memcmp(loaded.get(), style.get(), sizeof(MusicStyle)), 0);

    // A longer file is read as the record it starts with.
    Image longer = ImageOf(*style, 23000);
    std::memset(longer.data() + 22732, 0xEE, 23000 - 22732);
    auto fromLonger = LoadImage(longer);
    EXPECT_EQ(std::memcmp(fromLonger.get(), style.get(), sizeof(MusicStyle)), 0);

    // The in-memory entry point gives the same.
    auto inMemory = Poisoned();
    EXPECT_EQ(LoadStyleImage(*inMemory, longer.data(), longer.size()), kStyleLoaded);
    EXPECT_EQ(std::memcmp(inMemory.get(), style.get(), sizeof(MusicStyle)), 0);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(StyleFile, RefusedSizesAndMissingFilesLeaveTheTarget) {
    auto style = style_samples::VariedStyle();
    // 8963 bytes is the longest file refused as too short, 8964 the shortest
    // refused as too old.
    for (std::size_t size : {0u, 100u, 8962u, 8963u, 8964u, 21725u, 22000u, 22731u}) {
        SCOPED_TRACE(size);
        Sink().Clear();
        auto loaded = LoadImage(ImageOf(*style, size), kStyleRefused);
        auto untouched = Poisoned();
        EXPECT_EQ(std::memcmp(loaded.get(), untouched.get(), sizeof(MusicStyle)), 0);
        // Shorter than the oldest record: no style at all, named.
        const std::string tooShort =
            "\"image.dat\" can not be loaded: a style file holds at "
            "least 8964 bytes, this one " +
            std::to_string(size) + ".";
        EXPECT_EQ(Sink().Texts(), std::vector<std::string>{size < 8964 ? tooShort : kCantLoadOld});
    }
    Sink().Clear();
    auto target = Poisoned();
    EXPECT_EQ(LoadStyleFile(*target, ScratchDir() + "/none.dat"), kStyleCantOpen);
    EXPECT_EQ(LoadStyleFile(*target, ScratchDir() + "/none.txt"), kStyleCantOpen);
    EXPECT_EQ(LoadStyleFile(*target, ScratchDir()), kStyleCantOpen);  // a folder
    EXPECT_EQ(Sink().Count(), 0u);
    auto untouched = Poisoned();
    EXPECT_EQ(std::memcmp(target.get(), untouched.get(), sizeof(MusicStyle)), 0);
}

TEST(StyleFile, FourthLayoutMovesTheMelodySettings) {
    auto base = style_samples::VariedStyle();
    Image image = ImageOf(*base, 21724);
    PutInt(image, 4, 138);    // Melody voice
    PutInt(image, 368, 500);  // version
    const std::pair<std::size_t, int> kHeader[] = {{712, 4}, {716, 6}, {720, 1},  {728, 3},
                                                   {736, 2}, {740, 2}, {744, 88}, {748, 44},
                                                   {752, 0}, {768, 1}};
    for (auto [offset, value] : kHeader)
        PutInt(image, offset, value);

    auto style = LoadImage(image);
    const MusicStyle& s = *style;
    const MelodySettings& m = s.melody[kPartMelody];
    EXPECT_EQ(m.dissonance, 4);
    EXPECT_EQ(m.noteLength, 6);
    EXPECT_EQ(m.syncopation, 1);
    EXPECT_EQ(m.ornament, 3);
    EXPECT_EQ(m.voicing, 2);
    EXPECT_EQ(m.upperLimit, 88);
    EXPECT_EQ(m.lowerLimit, 44);
    EXPECT_EQ(m.algorithm, 1);  // 0 is corrected
    EXPECT_TRUE(Shown("ZAWCFF010164 Algo rhithm error has been detected and corrected."));
    EXPECT_EQ(m.tension, 1);
    EXPECT_EQ(m.effect, 0);
    EXPECT_EQ(s.density[kPartMelody], 140);
    EXPECT_EQ(s.voice[kPartMelody], 256);
    // The version is stamped, so the voice upgrade of old versions is not run.
    EXPECT_EQ(s.version, 774);
    EXPECT_EQ(s.voice[kPartEnvironment], 151);

    // The header fields that now hold other settings get their defaults, not
    // the melody bytes that sat there.
    EXPECT_EQ(s.keyOffset, 0);
    EXPECT_EQ(s.setting716, 1);
    EXPECT_EQ(s.setting718, 51205);
    EXPECT_EQ(s.setting720, 1);
    EXPECT_EQ(s.settings728[0], 0);
    EXPECT_EQ(s.settings728[2], 0);
    EXPECT_EQ(s.settings740[0], 100);
    EXPECT_EQ(s.settings740[2], 100);
    EXPECT_EQ(s.reserved752, 0);
    EXPECT_EQ(s.melodyTableStrictness, 0);
    // Everything else up to the old size stays where it was.
    EXPECT_EQ(s.basicBeat, 3);
    EXPECT_EQ(s.adjustToChordTone, 1);
    EXPECT_EQ(s.chordGenerationMethod, 8);
    EXPECT_EQ(s.transpose, 1);
    EXPECT_EQ(s.tempo, 600000);
    EXPECT_EQ(Text(s, 376, 20), "Varied Waltz Style 1");
    EXPECT_EQ(std::memcmp(Bytes(s) + 772, Bytes(*base) + 772, 17628 - 772), 0);
    EXPECT_EQ(std::memcmp(s.harmonyStructure, base->harmonyStructure, 4092), 0);
    // Beyond it the record is a fresh one's.
    auto fresh = style_samples::DefaultStyle();
    EXPECT_EQ(std::memcmp(&s.melody[kPartObbligato], &fresh->melody[kPartObbligato], 60), 0);
    EXPECT_EQ(s.density[kPartObbligato], 100);

    // Any size from 13105 up to 21724 other than 21488 is this layout.
    for (std::size_t size : {13105u, 21487u, 21489u}) {
        auto shorter = LoadImage(Image(image.begin(), image.begin() + size));
        EXPECT_EQ(shorter->melody[kPartMelody].dissonance, 4) << size;
        EXPECT_EQ(shorter->density[kPartMelody], 140) << size;
    }
}

namespace {

// The first 972 bytes shared by the second and third layouts.
void FillOldHeader(Image& image) {
    const int kVoices[8] = {10, 11, 12, 13, 14, kEthnicSet, 16, 17};
    for (int i = 0; i < 8; ++i)
        PutInt(image, 4 * i, kVoices[i]);
    for (int i = 32; i <= 94; ++i)
        image[i] = static_cast<std::uint8_t>(i);
    PutInt(image, 96, 300);  // version
    PutInt(image, 100, 1);   // flag
    PutText(image, 104, "Old Display");
    PutInt(image, 124, 32);  // tune length
    PutText(image, 128, "Old Stored Title");
    PutText(image, 168, "An old style");
    const std::pair<std::size_t, int> kInts[] = {
        {424, 1},  {428, 500000}, {432, 2}, {436, 13}, {440, 9},  {444, 4},  {448, 1},
        {452, 1},  {456, 2},      {460, 1}, {464, 8},  {468, 70}, {472, 40}, {476, 3},
        {480, 1},  {484, 1},      {488, 1}, {492, 2},  {496, 1},  {500, -1}, {504, 2},
        {508, -2}, {512, 40},     {612, 1}, {636, 0},  {640, 1},  {644, 0},  {648, 1}};
    for (auto [offset, value] : kInts)
        PutInt(image, offset, value);
    for (int i = 0; i < 96; ++i)
        image[516 + i] = static_cast<std::uint8_t>(i % 7);
    PutText(image, 616, "xxxx900000000000");
    for (int i = 0; i < 8; ++i) {
        PutInt(image, 652 + 4 * i, i + 1);
        PutInt(image, 684 + 4 * i, -(i + 1));
    }
    PutText(image, 716, "OLD.DB");
    PutText(image, 844, "OLDRES.DB");
}

// The block settings, pattern ints, Sub Harmony mix bytes and chords that
// follow the grids.
void FillOldTail(Image& image, std::size_t start) {
    PutInt(image, start, 1);
    PutInt(image, start + 4, 4);
    for (int i = 0; i < 11; ++i)
        PutInt(image, start + 8 + 4 * i, i + 1);
    const int kPatterns[10] = {1, 7, 30, 3, 9, 28, 6, 1, 0, 0};
    for (int i = 0; i < 10; ++i)
        PutInt(image, start + 52 + 4 * i, kPatterns[i]);
    for (int i = 0; i < 6; ++i)
        image[start + 92 + i] = static_cast<std::uint8_t>(101 + i);
    FillHarmonyStructure(32, std::span<std::uint8_t>(image.data() + start + 98, 4096), 1);
}

void ExpectOldFields(const MusicStyle& s) {
    const int kVoices[10] = {0, 10, 14, 12, 11, 16, 0, 13, 17, kEthnicSet};
    for (int part : {1, 2, 3, 4, 5, 7, 8, 9})
        EXPECT_EQ(s.voice[part], kVoices[part]) << part;
    // Mix bytes: the old byte's offset is its value; the tail's six Sub
    // Harmony bytes; what no rule names keeps its default.
    const std::uint8_t* mix = reinterpret_cast<const std::uint8_t*>(s.mix);
    const std::pair<int, int> kMix[] = {
        {16 * 1 + 0, 32},  {16 * 6 + 0, 33}, {16 * 9 + 0, 39},  {16 * 3 + 1, 40}, {16 * 7 + 2, 50},
        {16 * 5 + 3, 61},  {16 * 3 + 4, 62}, {16 * 9 + 5, 73},  {16 * 1 + 6, 76}, {16 * 2 + 7, 81},
        {16 * 1 + 9, 86},  {16 * 9 + 9, 91}, {16 * 8 + 9, 93},  {16 * 1 + 8, 94}, {16 * 7 + 3, 101},
        {16 * 7 + 9, 106}, {16 * 7 + 8, 64}, {16 * 8 + 0, 100}, {16 * 2 + 8, 64}};
    for (auto [at, value] : kMix)
        EXPECT_EQ(mix[at], value) << "mix byte " << at;

    EXPECT_EQ(s.version, 774);
    EXPECT_EQ(s.flag372, 1);
    EXPECT_EQ(Text(s, 376, 20), "Old Stored Title");
    EXPECT_EQ(s.tuneLength, 32);
    EXPECT_EQ(Text(s, 440, 256), "An old style");
    EXPECT_EQ(s.tempo, 500000);
    EXPECT_EQ(s.scale, 13);
    const MelodySettings& m = s.melody[kPartMelody];
    EXPECT_EQ(m.dissonance, 9);
    EXPECT_EQ(m.syncopation, 1);
    EXPECT_EQ(s.basicBeat, 1);
    EXPECT_EQ(m.voicing, 1);
    EXPECT_EQ(s.density[kPartMelody], 20);
    EXPECT_EQ(m.upperLimit, 82);  // stored 12 lower
    EXPECT_EQ(m.lowerLimit, 52);
    EXPECT_EQ(m.tension, 2);
    EXPECT_EQ(s.transpose, 1);
    EXPECT_EQ(s.octave[kPartHarmony], -1);
    EXPECT_EQ(s.octave[kPartBass], -2);
    EXPECT_EQ(s.fixedBass, 40);
    EXPECT_EQ(s.riff[13], 6);
    EXPECT_EQ(s.onChord, 1);
    EXPECT_EQ(Text(s, 876, 17), "xxxx900000000000");
    EXPECT_EQ(s.mtNoCnt, 1);
    EXPECT_EQ(s.melodyTableDirection[0], -1);
    EXPECT_EQ(Text(s, 1104, 128), "OLDRES.DB");

    EXPECT_EQ(s.blockLength, 4);
    EXPECT_EQ(s.table17544[10], 11);
    EXPECT_EQ(s.subMelodyMethod, 7);  // the stamped version keeps it
    EXPECT_EQ(s.rhythmPattern, 9);
    EXPECT_EQ(s.subHarmonyPattern, 1);  // 28 is repaired
    EXPECT_EQ(s.subDrumPattern, 1);
    EXPECT_EQ(s.harmonyStructure[6 * 31 + 1], 0x20);
    EXPECT_EQ(s.harmonyStructure[6 * 32], 0);

    // Fields the old records did not have start as a fresh record's.
    EXPECT_EQ(s.keyOffset, 0);
    EXPECT_EQ(s.setting718, 51205);
    EXPECT_EQ(s.density[kPartBass], 100);
    EXPECT_EQ(s.melody[kPartObbligato].noteLength, 2);
    EXPECT_EQ(s.octave[kPartObbligato], 0);
}

}  // namespace

TEST(StyleFile, ThirdLayout) {
    Image image(21488, 0);
    FillOldHeader(image);
    auto grids = style_samples::VariedStyle();
    std::memcpy(image.data() + 972, &grids->customHarmony, 16304);
    FillOldTail(image, 17276);
    auto style = LoadImage(image);
    ExpectOldFields(*style);
    EXPECT_EQ(std::memcmp(&style->customHarmony, &grids->customHarmony, 16304), 0);
}

TEST(StyleFile, SecondLayout) {
    Image image(13104, 0);
    FillOldHeader(image);
    std::memset(image.data() + 972, 0x77, 7936);  // grids in the older arrangement
    FillOldTail(image, 8908);
    auto style = LoadImage(image);
    ExpectOldFields(*style);
    // Those grids are not converted: the style has the grids of a fresh record.
    auto fresh = style_samples::DefaultStyle();
    EXPECT_EQ(std::memcmp(&style->customHarmony, &fresh->customHarmony, 16304), 0);

    // A shorter file of this layout reads as zeros past its end.
    image.resize(9000);
    auto shorter = LoadImage(image);
    EXPECT_EQ(shorter->mix[kPartSubHarmony].brightness, 0);
    EXPECT_EQ(shorter->harmonyStructure[0], 0);
    EXPECT_EQ(shorter->chordsInBlock, 1);
}

TEST(StyleFile, VersionUpgrades) {
    auto load = [](int version, auto change) {
        auto style = style_samples::DefaultStyle();
        style->version = version;
        change(*style);
        return LoadImage(ImageOf(*style, 22732));
    };
    auto v600 = load(600, [](MusicStyle& s) {
        s.voice[kPartMelody] = 140;
        s.voice[kPartDrum] = 138;
        s.voice[kPartSubDrum] = 140;  // not among the upgraded parts
        s.voice[kPartBass] = 133;
        s.melody[kPartMelody].noteLength = 4;
        s.subMelodyMethod = 7;
        s.density[kPartHarmony] = 50;
    });
    EXPECT_EQ(v600->voice[kPartMelody], 2);
    EXPECT_EQ(v600->voice[kPartDrum], 256);
    EXPECT_EQ(v600->voice[kPartSubDrum], 140);
    EXPECT_EQ(v600->voice[kPartBass], 133);
    EXPECT_EQ(v600->melody[kPartMelody].syncopation, 1);
    EXPECT_EQ(v600->subMelodyMethod, 6);
    EXPECT_EQ(v600->density[kPartHarmony], 100);
    EXPECT_EQ(v600->version, 600);  // loading keeps the stored version

    auto v700 = load(700, [](MusicStyle& s) {
        s.voice[kPartMelody] = 140;
        s.subMelodyMethod = 7;
        s.melody[kPartMelody].noteLength = 4;
    });
    EXPECT_EQ(v700->voice[kPartDrum], 256);
    EXPECT_EQ(v700->voice[kPartMelody], 140);
    EXPECT_EQ(v700->subMelodyMethod, 7);
    EXPECT_EQ(v700->melody[kPartMelody].syncopation, 0);

    auto v639 = load(639, [](MusicStyle& s) {
        s.melody[kPartMelody].noteLength = 8;
        s.melody[kPartMelody].syncopation = 1;
    });
    EXPECT_EQ(v639->melody[kPartMelody].syncopation, 0);
    auto v639Other = load(639, [](MusicStyle& s) {
        s.melody[kPartMelody].noteLength = 10;
        s.melody[kPartMelody].syncopation = 1;
    });
    EXPECT_EQ(v639Other->melody[kPartMelody].syncopation, 1);

    auto v757 = load(757, [](MusicStyle& s) { s.density[kPartSubDrum] = 30; });
    EXPECT_EQ(v757->density[kPartSubDrum], 100);
    auto v758 = load(758, [](MusicStyle& s) {
        s.density[kPartSubDrum] = 30;
        s.subMelodyMethod = 2;
        s.harmonyPattern = 28;
        s.subHarmonyPattern = 28;
        s.melody[kPartMelody].ornament = 7;
        s.melody[kPartObbligato].ornament = 7;
    });
    EXPECT_EQ(v758->density[kPartSubDrum], 30);
    EXPECT_EQ(v758->subMelodyMethod, 6);
    EXPECT_EQ(v758->harmonyPattern, 1);
    EXPECT_EQ(v758->subHarmonyPattern, 1);
    EXPECT_EQ(v758->melody[kPartMelody].algorithm, 7);
    EXPECT_EQ(v758->melody[kPartMelody].effect, 17);
    EXPECT_EQ(v758->melody[kPartObbligato].algorithm, 1);
}

TEST(StyleFile, TextLoadReadsOverTheTargetAndIsFinished) {
    std::string path = ScratchDir() + "/style.txt";
    testing_support::WriteFileText(
        path, std::string("[ZAW Version]0600\r\n[Title]From Text\r\n[Instrument:Harmony]") +
                  InstrumentNameTable[140] + "\r\n[Key]Minor\r\n");
    auto target = style_samples::VariedStyle();
    ASSERT_EQ(LoadStyleFile(*target, path), kStyleLoaded);
    EXPECT_TRUE(Shown("ZAWCFF010187 Key is invalid!"));
    EXPECT_EQ(target->key, 2);  // kept
    EXPECT_EQ(target->tempo, 600000);
    EXPECT_EQ(Text(*target, 376, 20), "From Text");
    EXPECT_EQ(target->voice[kPartHarmony], 2);     // upgraded for version 600
    EXPECT_EQ(target->density[kPartMelody], 100);  // likewise
    EXPECT_EQ(target->subMelodyMethod, 6);

    // A text too large to be a style is refused as a whole.
    std::string huge = "[Key]C Major\r\n" + std::string(kStyleTextFileCapacity, ' ');
    testing_support::WriteFileText(path, huge);
    Sink().Clear();
    EXPECT_EQ(LoadStyleFile(*target, path), kStyleRefused);
    EXPECT_EQ(target->key, 2);
    EXPECT_EQ(Sink().Count(), 1u);
}

TEST(StyleFile, SaveFailuresAreReported) {
    auto style = style_samples::DefaultStyle();
    std::string bad = ScratchDir() + "/no such folder/style.dat";
    EXPECT_EQ(SaveStyleFile(*style, bad), 1);
    EXPECT_EQ(SaveStyleFile(*style, bad), 1);
    EXPECT_EQ(Sink().Texts(),
              (std::vector<std::string>{kCantSave, kChangeFolder, kCantSave, kChangeFolder}));

    // The automatic save of generated styles reports only its first failure.
    InitDefaultSettings();
    SetFieldText(AppSettings.StyleFolder, ScratchDir() + "/no such folder/");
    ResetStyleFolderSaveReport();
    Sink().Clear();
    EXPECT_EQ(SaveStyleToFolder(*style, "style00.dat"), 1);
    EXPECT_EQ(SaveStyleToFolder(*style, "style01.dat"), 1);
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{kCantSave, kChangeFolder}));

    SetFieldText(AppSettings.StyleFolder, ScratchDir() + "/");
    SetStyleTitle(*style, "Generated");
    std::memset(style->title, 0, sizeof style->title);
    EXPECT_EQ(SaveStyleToFolder(*style, "style07.dat"), 0);
    auto loaded = Poisoned();
    ASSERT_EQ(LoadStyleFile(*loaded, ScratchDir() + "/style07.dat"), kStyleLoaded);
    EXPECT_EQ(Text(*loaded, 400, 21), "Generated");
    EXPECT_EQ(loaded->version, 774);
    EXPECT_EQ(Sink().Count(), 2u);
    InitDefaultSettings();
}

TEST(StyleFile, OpenDialog) {
    auto style = style_samples::VariedStyle();
    std::string path = ScratchDir() + "/chosen.dat";
    ASSERT_EQ(SaveStyleFile(*style, path), 0);

    auto target = Poisoned();
    Chooser().QueueFile(path);
    EXPECT_TRUE(OpenStyleFileDialog(*target));
    EXPECT_EQ(target->tempo, 600000);
    auto requests = Chooser().FileRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].defaultExtension, "dat");
    EXPECT_EQ(requests[0].filter, "Style files|*.dat|Text files|*.txt|");

    Chooser().QueueCancel();
    EXPECT_FALSE(OpenStyleFileDialog(*target));
    EXPECT_EQ(Sink().Count(), 0u);

    Chooser().QueueFile(ScratchDir() + "/missing.dat");
    EXPECT_FALSE(OpenStyleFileDialog(*target));
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{kLoadingFailed});

    Sink().Clear();
    WriteImage(path, ImageOf(*style, 22000));
    Chooser().QueueFile(path);
    EXPECT_FALSE(OpenStyleFileDialog(*target));
    // The loader's own message is the only one.
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{kCantLoadOld});
    EXPECT_EQ(target->tempo, 600000);
}

// The built-in styles are covered by BinarySaveThenLoadGivesTheRecord; the
// generated ones load back unchanged too, without a message.
TEST(StyleFile, GeneratedStylesLoadBackUnchanged) {
    BuildStyleTable();
    const std::string path = ScratchDir() + "/random.dat";
    auto style = std::make_unique<MusicStyle>();
    for (int category = 0; category < kStyleCategories; ++category) {
        for (unsigned seed = 1; seed <= 4; ++seed) {
            SeedRandomWith(seed);
            GenerateRandomStyle(category, 0);
            GetWorkingStyle(*style);
            ASSERT_EQ(SaveStyleFile(*style, path), 0);
            auto loaded = Poisoned();
            ASSERT_EQ(LoadStyleFile(*loaded, path), kStyleLoaded);
            EXPECT_EQ(std::memcmp(loaded.get(), AfterSaveAndLoad(*style).get(), sizeof(MusicStyle)),
                      0)
                << category << " " << seed;
        }
    }
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{});
}

// A style whose values lie outside their fields loads with those reset to a
// fresh record's and one message naming them; its title keeps what displays.
TEST(StyleFile, OutOfRangeValuesAreResetWithOneMessage) {
    auto style = style_samples::VariedStyle();
    style->version = 774;
    style->key = 5;
    style->voice[kPartBass] = 200;
    style->melody[kPartMelody].algorithm = 0;
    SlotGridTone(*style) = -243585540;
    std::memcpy(style->title, "Bad\x85\x01\x81", 7);
    std::memcpy(style->harmonyStructure + 6 * 2 + 2, "Xq?!", 4);
    style->scaleNotes[6] = 'Z';
    auto loaded = LoadImage(ImageOf(*style, 22732));
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0],
              "\"image.dat\" was loaded, but these settings held values they do not allow and "
              "were reset: Instrument, Key, Melody Structure:Algorithm, Custom Harmony, Custom "
              "Chord, Title and 1 more.");
    auto fresh = style_samples::DefaultStyle();
    EXPECT_EQ(loaded->key, fresh->key);
    EXPECT_EQ(loaded->voice[kPartBass], fresh->voice[kPartBass]);
    EXPECT_EQ(loaded->melody[kPartMelody].algorithm, 1);
    EXPECT_EQ(SlotGridTone(*loaded), SlotGridTone(*fresh));
    EXPECT_EQ(Text(*loaded, 376, 20), "Bad???");
    EXPECT_EQ(loaded->harmonyStructure[12], 0);
    EXPECT_EQ(loaded->harmonyStructure[13], 0);
    EXPECT_EQ(Text(*loaded, 876, 17), "xxxx909099090909");
    // Everything else as it was.
    Sink().Clear();
    EXPECT_TRUE(CorrectStyleFields(*loaded).empty());
}
