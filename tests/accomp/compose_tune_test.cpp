// Composing whole tunes: every built-in style at a fixed seed, read back by
// the project's loader; the branches of the accept loop; the three ways a
// tune leaves the composer; stops and failures that must leave no file
// passed off as new.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/compose_control.h"
#include "compose/compose_info.h"
#include "compose/compose_track.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f1_data.h"
#include "platform/paths.h"
#include "style/presets.h"
#include "style/random_style.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
    return std::ifstream(path).good();
}

class ComposeTune : public ::testing::Test {
protected:
    void SetUp() override {
        savedStyle_ = std::make_unique<MusicStyle>(WorkingStyle);
        savedSettings_ = AppSettings;
        savedOutputType_ = TheComposerState.outputType;
        savedPanel_ = PanelMode.load();
        InstallBackingGenerators();
        folder_ = testing_support::ScratchDir() + "/";
        std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder_.c_str());
        std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s",
                      folder_.c_str());
        AppSettings.ComposeOutputType = 2;
        TheComposerState.outputType = 2;
        PanelMode = kPanelModeCompose;
        ComposeStopRequest = 0;
        ComposingActive = 1;
        SetOutputFileNumber(7);
        buffer_.assign(WorkBufferSize, 0);
    }
    void TearDown() override {
        SetConversionServices(nullptr);
        WorkingStyle = *savedStyle_;
        AppSettings = savedSettings_;
        TheComposerState.outputType = savedOutputType_;
        PanelMode = savedPanel_;
        ComposeStopRequest = 0;
        ComposingActive = 0;
        ComposeInfo.Reset();
        ComposeInfo.ClearChords();
    }

    int Compose(const MusicStyle& style, int seed) {
        SetWorkingStyle(style);
        return ComposeSeeded(seed);
    }
    int ComposeSeeded(int seed) {
        SeedRandomWith(seed);
        ResetComposerState();
        length_ = 0;
        return ComposeOneTune(buffer_.data(), &length_);
    }
    std::string Temp() const { return folder_ + "temp.mid"; }
    std::string Numbered() const { return folder_ + "MYMIDI07.MID"; }

    std::string folder_;
    std::vector<std::uint8_t> buffer_;
    std::size_t length_ = 0;

private:
    std::unique_ptr<MusicStyle> savedStyle_;
    AppSettingsRecord savedSettings_{};
    int savedOutputType_ = 0;
    int savedPanel_ = 0;
};

// Notes per channel as the project's loader reads the file.
std::array<int, 16> NotesPerChannel(const std::string& file) {
    std::array<int, 16> notes{};
    MidiF1Data tune(file, static_cast<int>(WorkBufferSize));
    for (int t = 0; t < tune.TrackCount(); ++t)
        for (int i = 0; i < tune.Track(t)->EventCount(); ++i) {
            const MidiEvent* e = tune.Track(t)->Event(i);
            if (e->IsNoteStart() && e->velocity > 0 && e->channel < 16) ++notes[e->channel];
        }
    return notes;
}

// What every composed tune keeps whatever its style; the mido check reads
// the same files apart from the project's code.
void CheckTune(const std::string& file, const MusicStyle& style, const std::string& at) {
    const std::vector<std::uint8_t> bytes = FileBytes(file);
    ASSERT_GE(bytes.size(), 14u) << at;
    EXPECT_EQ(bytes[9], 1) << at << ": format";
    EXPECT_EQ((bytes[12] << 8) | bytes[13], 96) << at << ": division";
    const std::array<int, 16> notes = NotesPerChannel(file);
    for (int channel : {0, 12, 13, 14, 15})
        EXPECT_EQ(notes[channel], 0) << at << " channel " << channel;
    // Channels 1..8 carry the parts of the same number; an unused part is
    // silent.
    for (int channel = 1; channel <= 8; ++channel) {
        if (style.voice[channel] == 256) {
            EXPECT_EQ(notes[channel], 0) << at << " unused part " << channel;
        }
    }
}

TEST_F(ComposeTune, EveryPresetComposesAValidTuneSavedUnderItsNumber) {
    int presets = 0;
    int lengthChecked = 0;
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 0; slot < kStyleSlots; ++slot) {
            auto style = std::make_unique<MusicStyle>();
            if (!BuildPresetStyle(category, slot, *style)) continue;
            ++presets;
            const std::string at = std::to_string(category) + "/" + std::to_string(slot);
            const int seed = 1000 + presets;
            ASSERT_EQ(Compose(*style, seed), 1) << at;
            ASSERT_EQ(FileBytes(Numbered()), FileBytes(Temp())) << at;
            ASSERT_GT(length_, 14u) << at;
            EXPECT_EQ(MidiData::GetSmfFormat(buffer_.data(), static_cast<int>(length_)), 0) << at;
            ASSERT_NO_FATAL_FAILURE(CheckTune(Temp(), *style, at));
            const MusicStyle& s = WorkingStyle;
            if (s.timeSignature == kMetre44 && s.chordGenerationMethod != 8 &&
                s.chordsInBlock != 1 && s.blockLength != 4) {
                const int bars = ComposeInfo.TotalChordLength() / 384;
                const int upper = s.tuneLength + 2 + 2;  // the closing tonic counts twice
                EXPECT_LE(bars, upper + 2) << at;
                EXPECT_GE(bars + 2, std::max(s.tuneLength - 2, 5)) << at;
                ++lengthChecked;
            }
            // Every tenth style also repeats itself and differs at another seed.
            if (presets % 10 == 0) {
                const std::vector<std::uint8_t> first = FileBytes(Temp());
                ASSERT_EQ(Compose(*style, seed), 1) << at;
                EXPECT_EQ(FileBytes(Temp()), first) << at;
                ASSERT_EQ(Compose(*style, seed + 1), 1) << at;
                EXPECT_NE(FileBytes(Temp()), first) << at;
            }
        }
    }
    EXPECT_EQ(presets, 158);
    EXPECT_GT(lengthChecked, 50);
}

TEST_F(ComposeTune, RandomEntriesComposeFromTheStyleTheirGeneratorLeaves) {
    for (int category = 0; category < kStyleCategories; ++category) {
        auto base = std::make_unique<MusicStyle>();
        ASSERT_TRUE(BuildPresetStyle(category, 1, *base) || BuildPresetStyle(0, 1, *base));
        SetWorkingStyle(*base);
        GenerateRandomStyle(category, 0);
        const auto style = std::make_unique<MusicStyle>(WorkingStyle);
        const int seed = 500 + category;
        ASSERT_EQ(ComposeSeeded(seed), 1) << category;
        ASSERT_NO_FATAL_FAILURE(CheckTune(Temp(), *style, "random " + std::to_string(category)));
    }
}

MusicStyle Acoustic() {
    MusicStyle s{};
    EXPECT_TRUE(BuildPresetStyle(0, 1, s));
    return s;
}

TEST_F(ComposeTune, CustomChordsAreTakenAsTheyStandWhateverTheTuneLength) {
    MusicStyle style = Acoustic();
    style.chordGenerationMethod = 8;
    style.tuneLength = 40;
    std::memset(style.harmonyStructure, 0, sizeof style.harmonyStructure);
    const char* codes[] = {"CMPS", "AmPs", "FMPS", "GMPs", "CMPS", "FMPS"};
    for (int i = 0; i < 6; ++i) {
        style.harmonyStructure[i * 6] = 384 >> 8;
        style.harmonyStructure[i * 6 + 1] = 384 & 0xFF;
        std::memcpy(style.harmonyStructure + i * 6 + 2, codes[i], 4);
    }
    ASSERT_EQ(Compose(style, 77), 1);
    EXPECT_EQ(ComposeInfo.chordCount, 6);
    EXPECT_EQ(ComposeInfo.TotalChordLength(), 6 * 384);
    EXPECT_EQ(ComposeInfo.blockSequenceLength, 2);
    ASSERT_NO_FATAL_FAILURE(CheckTune(Temp(), WorkingStyle, "custom"));
}

TEST_F(ComposeTune, SevenEightIsNeverFittedAndAcceptedOnceLongEnough) {
    MusicStyle style = Acoustic();
    style.timeSignature = kMetre78;
    style.tuneLength = 8;
    ASSERT_EQ(Compose(style, 78), 1);
    EXPECT_GE(ComposeInfo.barCount + 2, 5);
    ASSERT_NO_FATAL_FAILURE(CheckTune(Temp(), WorkingStyle, "7/8"));
}

TEST_F(ComposeTune, AnyOctaveShiftOfAStyleFileComposesLikeTenOctaves) {
    // A style file may hold any int as a part's octave: past ten octaves
    // every part folds to the same pitches, and nothing overflows.
    auto tuneWith = [&](int octave) {
        MusicStyle style = Acoustic();
        for (int& o : style.octave)
            o = octave;
        EXPECT_EQ(Compose(style, 5), 1) << octave;
        return FileBytes(Temp());
    };
    for (int sign : {1, -1}) {
        const std::vector<std::uint8_t> ten = tuneWith(10 * sign);
        EXPECT_EQ(tuneWith(sign > 0 ? INT_MAX : INT_MIN), ten) << sign;
    }
}

TEST_F(ComposeTune, AProgressionThatNeverFitsEndsWithTheLastCompositionTaken) {
    MusicStyle style = Acoustic();
    style.tuneLength = 900;
    style.chordsInBlock = 0;
    style.blockLength = 0;
    ASSERT_EQ(Compose(style, 79), 1);
    EXPECT_LT(ComposeInfo.barCount + 2, 900 - 2);
    ASSERT_NO_FATAL_FAILURE(CheckTune(Temp(), WorkingStyle, "too long"));
}

TEST_F(ComposeTune, OtherOutputTypesGoThroughTheConverterAndItsFailureIsAFailure) {
    auto converter = std::make_shared<RecordingConversionServices>();
    SetConversionServices(converter);
    TheComposerState.outputType = 3;
    converter->SetResult(1);
    ASSERT_EQ(Compose(Acoustic(), 5), 1);
    ASSERT_EQ(converter->Calls().size(), 1u);
    EXPECT_EQ(converter->Calls()[0].path, Temp());
    EXPECT_EQ(LastOutputPath.Get(), folder_ + "MYMIDI07." + FormatOf(3).extension);
    EXPECT_FALSE(Exists(Numbered()));

    converter->SetResult(0);
    StatusText.Clear();
    EXPECT_EQ(Compose(Acoustic(), 5), 0);
    EXPECT_EQ(length_, 0u);
    EXPECT_EQ(StatusText.Get().rfind("Now playing", 0), std::string::npos);
}

TEST_F(ComposeTune, ConvertModeCopiesToThePreparedPath) {
    PanelMode = kPanelModeConvert;
    AppSettings.UseOriginalMelody = 0;
    ConversionOutputPath.Set(folder_ + "converted.mid");
    ASSERT_EQ(Compose(Acoustic(), 6), 1);
    EXPECT_EQ(FileBytes(folder_ + "converted.mid"), FileBytes(Temp()));
    EXPECT_FALSE(Exists(Numbered()));
    EXPECT_EQ(StatusText.Get().rfind("Converted to ", 0), 0u);
}

TEST_F(ComposeTune, AnUnwritableWorkFolderOrOutputIsReportedAsAFailure) {
    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s",
                  (folder_ + "missing/").c_str());
    EXPECT_EQ(Compose(Acoustic(), 8), 0);
    EXPECT_FALSE(Exists(Numbered()));

    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder_.c_str());
    std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s",
                  (folder_ + "missing/").c_str());
    EXPECT_EQ(Compose(Acoustic(), 8), 0);
}

void StopAfterSomeParts() {
    static int parts = 0;
    if (++parts == 5) ComposeStopRequest = 1;
}

TEST_F(ComposeTune, AStopBeforeTheFileIsWrittenLeavesNothingBehind) {
    ComposeStopRequest = 1;
    EXPECT_EQ(Compose(Acoustic(), 9), 0);
    EXPECT_EQ(ComposingActive.load(), 0);
    EXPECT_FALSE(Exists(Temp()));
    EXPECT_FALSE(Exists(Numbered()));

    // A stop that comes while the parts are being rendered.
    ComposeStopRequest = 0;
    ASSERT_EQ(Compose(Acoustic(), 9), 1);
    std::remove(Temp().c_str());
    ComposeStopRequest = 0;
    std::size_t length = 0;
    EXPECT_EQ(RenderComposedTune(buffer_.data(), &length, Temp(), nullptr, nullptr, nullptr,
                                 StopAfterSomeParts),
              0);
    EXPECT_FALSE(Exists(Temp()));
    EXPECT_EQ(length, 0u);
}

// Asks for a stop once "temp.mid" is complete, just before it takes its name.
bool StopAsTempMidIsRenamed(const std::string& path) {
    if (path.size() >= 8 && path.compare(path.size() - 8, 8, "temp.mid") == 0)
        ComposeStopRequest = 1;
    return true;
}

TEST_F(ComposeTune, AStopWhileTheFileIsWrittenLeavesNoFileOfTheTune) {
    platform::SetBeforeReplaceHook(StopAsTempMidIsRenamed);
    EXPECT_EQ(Compose(Acoustic(), 9), 0);
    platform::SetBeforeReplaceHook(nullptr);
    EXPECT_EQ(ComposingActive.load(), 0);
    EXPECT_EQ(length_, 0u);
    EXPECT_EQ(testing_support::FolderNames(folder_), std::vector<std::string>{});
}

// The worked example: "Acoustic" at seed 12345 with the default settings.
// Its melody, second voice, bass, harmony and drums sound on their own
// channels, the melody's delayed copy on channel 10; the chord names run
// one marker per chord after the "N/C" of the lead-in bar.
TEST_F(ComposeTune, AcousticAtSeed12345) {
    const std::string work = folder_;
    InitDefaultSettings();
    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", work.c_str());
    std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s", work.c_str());
    auto shell = std::make_shared<RecordingShellServices>();
    SetShellServices(shell);
    ASSERT_EQ(Compose(Acoustic(), 12345), 1);
    SetShellServices(nullptr);
    EXPECT_EQ(shell->LastTitle(), "[07] Acoustic");
    EXPECT_EQ(StatusText.Get(), "Now playing Acoustic");
    const std::array<int, 16> notes = NotesPerChannel(Temp());
    MidiF1Data tune(Temp(), static_cast<int>(WorkBufferSize));
    std::vector<std::string> markers;
    for (int i = 0; i < tune.Track(0)->EventCount(); ++i)
        if (tune.Track(0)->Event(i)->IsMeta(6))
            markers.emplace_back(tune.Track(0)->Event(i)->DataText());
    std::printf("tracks %d, bars %d, chords %d, image %zu bytes\n", tune.TrackCount(),
                ComposeInfo.barCount, ComposeInfo.chordCount, length_);
    for (int c = 0; c < 16; ++c)
        if (notes[c]) std::printf("channel %d: %d notes\n", c, notes[c]);
    for (std::size_t i = 0; i < markers.size() && i < 8; ++i)
        std::printf("marker %zu: %s\n", i, markers[i].c_str());
    for (int channel : {1, 2, 3, 9})
        EXPECT_GT(notes[channel], 0) << channel;
    // The second voice follows the melody note for note, as does its copy.
    EXPECT_EQ(notes[10], notes[1]);
    EXPECT_LE(notes[6], notes[1]);
    EXPECT_GE(ComposeInfo.barCount, 23);
    EXPECT_LE(ComposeInfo.barCount, 27);
    ASSERT_EQ(markers.size(), static_cast<std::size_t>(ComposeInfo.chordCount) + 1);
    EXPECT_EQ(markers[0], "N/C");
}

// A generator that leaves a note the data check has to mend.
void FaultyEnvironment(int& count, BackingTracks& tracks) {
    auto* track = new ComposeTrackData(2, static_cast<int>(WorkBufferSize));
    track->AddNoteEvent(8, 0, 60, 100, 96)->note = 140;
    track->AppendEndOfTrack();
    tracks.push_back(track);
    ++count;
}

TEST_F(ComposeTune, AFailedDataCheckIsShownAndTheTuneStillWritten) {
    ASSERT_EQ(Compose(Acoustic(), 11), 1);
    std::remove(Temp().c_str());
    BackingGenerators generators = GetBackingGenerators();
    generators.environment = FaultyEnvironment;
    SetBackingGenerators(generators);
    testing_support::Sink().Clear();
    std::size_t length = 0;
    EXPECT_EQ(
        RenderComposedTune(buffer_.data(), &length, Temp(), nullptr, nullptr, nullptr, nullptr), 1);
    bool shown = false;
    for (const std::string& text : testing_support::Sink().Texts())
        shown |= text.find("Error is detected with data check!") != std::string::npos;
    EXPECT_TRUE(shown);
    EXPECT_EQ(NotesPerChannel(Temp())[8], 1);
    EXPECT_GT(length, 0u);
}

}  // namespace
