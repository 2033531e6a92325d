// The output dispatcher end to end: composed tunes through every output
// type, the pre-passes and their working files, melody mail read back by
// python's base64, the wave exports read by sox, the results of refused
// types and the ring-voice road.
#include "convert/output_dispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "compose/compose_tune.h"
#include "convert/conversion_dialogs.h"
#include "convert/melody_mail.h"
#include "convert/mobile_data.h"
#include "core/app_utilities.h"
#include "core/output_formats.h"
#include "core/settings.h"
#include "platform/software_synth.h"
#include "style/presets.h"
#include "tests/accomp/composer_scope.h"
#include "tests/audio/outside_tools.h"
#include "tests/convert/composed_tunes.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Sink;

// Answers every question automatically and keeps the mail texts shown.
class MailDialogs : public RefusingConversionDialogs {
public:
    // The channels as the model holds them, over the whole song.
    ChannelRange ChooseChannels(const ChannelChoice& choice) override {
        asked += "\tchannels " + std::to_string(choice.drumRowsLocked) + std::to_string(choice.drumAsOneRow) +
                 " " + std::to_string(choice.voiceLimit) + (choice.multiTrack ? " multi" : "");
        return {true, 0,
                static_cast<long long>(choice.model->GetLengthInMeasures()) * choice.model->GetMeasureTicks()};
    }
    void ShowMelodyMailText(const std::string& path) override { shown.push_back(path); }
    std::vector<std::string> shown;
    std::string asked;  // the channel questions, as they came
};

bool Exists(const std::string& path) {
    return fs::exists(path);
}

// FNV-1a of a file's bytes, "-" when there is no file.
std::string FileHash(const std::string& path) {
    if (!Exists(path)) return "-";
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : composed_tunes::ReadBytes(path)) h = (h ^ b) * 1099511628211ull;
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string DataFile(const char* name) {
    return std::string(ZAW_TEST_DATA_DIR) + "/" + name;
}

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        InitDefaultSettings();
        folder_ = testing_support::ScratchDir() + "/";
        std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%swork/", folder_.c_str());
        std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%sout/", folder_.c_str());
        fs::create_directories(AppSettings.WorkFolder);
        fs::create_directories(AppSettings.OutputFolder);
        AppSettings.RingtoneSizeLimit = 1 << 30;
        AppSettings.ConvertPitchbend = 0;
        AppSettings.Fit16Channels = 0;
        dialogs_ = std::make_shared<MailDialogs>();
        SetConversionDialogs(dialogs_);
        Sink().Clear();
    }
    void TearDown() override {
        AppSettings = saved_;
        SetConversionDialogs(nullptr);
    }
    // The output path of the type, as the panel prepares it.
    std::string Prepare(int type, const std::string& stem = "result") {
        const char* extension = FormatOf(type).extension;
        const std::string out =
            std::string(AppSettings.OutputFolder) + stem + "." + (extension ? extension : "bin");
        std::remove(out.c_str());
        LastOutputPath.Set(out);
        type_ = type;
        return out;
    }
    std::string Input(const std::vector<std::uint8_t>& bytes, const std::string& name = "in.mid") {
        const std::string path = folder_ + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string WorkFile(const char* name) const { return std::string(AppSettings.WorkFolder) + name; }

    AppSettingsRecord saved_{};
    int type_ = 0;  // the type Prepare chose, handed to the dispatcher
    std::string folder_;
    std::shared_ptr<MailDialogs> dialogs_;
    OutputDispatcher dispatcher_;
};

}  // namespace

TEST_F(Dispatcher, ComposedTunesThroughEveryOutputType) {
    const auto tunes = composed_tunes::Compose(folder_, 10, 12);
    ASSERT_GE(tunes.size(), 20u);
    std::ofstream mails(folder_ + "mails.txt");
    // What each conversion wrote and said, line by line, against the record
    // kept in data/: the files' bytes and the boxes, in order.
    std::string record;
    for (std::size_t t = 0; t < tunes.size(); ++t) {
        const std::string in = Input(tunes[t].bytes);
        // The first tunes go through the channel question too.
        for (int step = 0; step < (t < 2 ? 2 * kOutputTypeCount : kOutputTypeCount); ++step) {
            const int type = step % kOutputTypeCount;
            const int adjustVoice = step < kOutputTypeCount ? 1 : 0;
            // The renders have a test of their own.
            if (type == 21 || type == 22) continue;
            const std::string out = Prepare(type);
            Sink().Clear();
            dialogs_->asked.clear();
            std::string path = in;
            const int result = dispatcher_.ConvertToOutputFormat(path, adjustVoice, type_);
            const auto messages = Sink().Texts();
            if (t == 0 && adjustVoice == 1) {
                std::printf("type %2d: result %d, %s, %ju bytes", type, result,
                            fs::path(LastOutputPath.Get()).filename().c_str(),
                            Exists(LastOutputPath.Get()) ? std::uintmax_t(fs::file_size(LastOutputPath.Get())) : 0u);
                std::map<std::string, int> counted;
                for (const auto& m : messages) ++counted[m];
                for (const auto& [m, n] : counted) std::printf(" [%s] x%d", m.c_str(), n);
                std::printf("\n");
            }
            const std::string what = tunes[t].name + " type " + std::to_string(type);
            record += what + (adjustVoice ? "" : " asked") + "\t" + std::to_string(result) + "\t" +
                      FileHash(out) + "\t" +
                      (LastOutputPath.Get() == out ? "=" : FileHash(LastOutputPath.Get())) + dialogs_->asked;
            for (const auto& m : messages) record += "\t" + m;
            record += "\n";
            EXPECT_EQ(path, in) << what;  // no pre-pass ran
            if (type == 23 || type == 25) {
                EXPECT_EQ(result, 0) << what;
                ASSERT_EQ(messages.size(), 1u) << what;
                EXPECT_NE(messages[0].find(type == 23 ? "File type is wrong!" : "Load WAV file to convert!"),
                          std::string::npos) << what;
                EXPECT_FALSE(Exists(out)) << what;
                continue;
            }
            ASSERT_EQ(result, 1) << what;
            if (type <= 2) {
                EXPECT_EQ(composed_tunes::ReadBytes(out), tunes[t].bytes) << what;
            } else if (type == 10 || type == 12) {
                EXPECT_EQ(LastOutputPath.Get(), std::string(AppSettings.OutputFolder) + kMelodyMailFile);
                ASSERT_FALSE(dialogs_->shown.empty());
                EXPECT_EQ(dialogs_->shown.back(), out);
                // python reads the pair: the text after its header is the file.
                const std::string copy = folder_ + "mail" + std::to_string(t) + "_" + std::to_string(step);
                fs::copy_file(LastOutputPath.Get(), copy + ".mld");
                fs::copy_file(out, copy + ".txt");
                mails << copy << "\n";
            } else {
                EXPECT_GT(fs::file_size(out), 16u) << what;
            }
        }
    }
    mails.close();
    if (std::getenv("ZAW_WRITE_GOLDEN")) std::ofstream(DataFile("composed_outputs.txt")) << record;
    const std::vector<std::uint8_t> kept = composed_tunes::ReadBytes(DataFile("composed_outputs.txt"));
    EXPECT_TRUE(std::string(kept.begin(), kept.end()) == record)
        << "the conversions differ from data/composed_outputs.txt";
    const std::string script = std::string(ZAW_RES_DIR) + "/../tests/convert/melody_mail_check.py";
    EXPECT_EQ(std::system(("/usr/bin/python3 " + script + " " + folder_ + "mails.txt").c_str()), 0);
}

namespace {

// The channels a written ringtone's head declares: four or sixteen.
int DeclaredChannels(const std::vector<std::uint8_t>& f) {
    if (f.size() < 13) return 0;
    const std::string id(f.begin(), f.begin() + 4);
    if (id == "melo") return f[12] == 1 ? 4 : 16;
    if (id == "cmid") return 16;
    const std::string track = "MTR";
    const auto at = std::search(f.begin(), f.end(), track.begin(), track.end());
    if (id != "MMMD" || f.end() - at < 4) return 0;
    return at[3] == 0 ? 4 : 16;
}

}  // namespace

TEST_F(Dispatcher, EveryRingtoneRowWritesTheVoicesItNames) {
    const std::string in = Input(smf_builder::Song({{0, 60, 8, {100}, "", false}, {1, 40, 8, {100}, "", false}, {9, 36, 8, {100}, "", false}}));
    for (int type = 0; type < kOutputTypeCount; ++type) {
        const int voices = FormatOf(type).voices;
        if (voices == 0) continue;
        const std::string out = Prepare(type);
        std::string path = in;
        ASSERT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 1) << type;
        EXPECT_EQ(DeclaredChannels(composed_tunes::ReadBytes(out)), std::min(voices, 16)) << type;
    }
}

// The renders are slow: two tunes, each through both wave types.
TEST_F(Dispatcher, ComposedTunesRenderedAsWavesThatSoxReads) {
    if (!outside::Have("sox") || !fs::exists(platform::kDefaultSoundFont)) GTEST_SKIP() << "no sox or soundfont";
    const auto tunes = composed_tunes::Compose(folder_, 2);
    ASSERT_GE(tunes.size(), 2u);
    for (std::size_t t = 0; t < 2; ++t) {
        const std::string in = Input(tunes[t].bytes);
        for (int type : {21, 22}) {
            const std::string out = Prepare(type);
            std::string path = in;
            ASSERT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 1) << type;
            EXPECT_EQ(Sink().Count(), 0u);
            EXPECT_TRUE(outside::Run("sox --i " + out)) << type;
            EXPECT_EQ(outside::Capture("sox --i -r " + out), "44100");
            EXPECT_GT(std::stod(outside::Capture("sox --i -D " + out)), 0.5) << type;
        }
    }
    // A render that fails says so once, naming the file and why.
    Prepare(21);
    LastOutputPath.Set(folder_ + "no/such/folder/x.aiff");
    std::string path = Input(tunes[0].bytes);
    Sink().Clear();
    EXPECT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 0);
    EXPECT_EQ(Sink().Texts(),
              std::vector<std::string>{"RARAFFFFFFFF " + folder_ +
                                       "no/such/folder/x.aiff: No such file or directory"});
}

TEST_F(Dispatcher, PrePassesAndTheirWorkingFiles) {
    const std::string in = Input(smf_builder::TwoTrackSong());
    // Both passes: the converter reads the channel pass's file; the pitch
    // pass's file is no longer the path and stays.
    AppSettings.ConvertPitchbend = 1;
    AppSettings.Fit16Channels = 1;
    std::string out = Prepare(0);
    std::string path = in;
    ASSERT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 1);
    EXPECT_EQ(path, WorkFile(kChannelPassFile));
    EXPECT_EQ(composed_tunes::ReadBytes(out), composed_tunes::ReadBytes(path));
    EXPECT_TRUE(Exists(WorkFile(kPitchPassFile)));
    for (int type : {3, 4, 14}) {
        fs::remove(WorkFile(kPitchPassFile));
        Prepare(type);
        path = in;
        ASSERT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 1) << type;
        EXPECT_EQ(path, WorkFile(kChannelPassFile));
        EXPECT_TRUE(Exists(WorkFile(kPitchPassFile))) << type;
    }
    // The pitch pass alone: its file is removed after the conversion, but
    // kept when the conversion failed.
    AppSettings.Fit16Channels = 0;
    for (int type : {3, 8, 20}) {
        out = Prepare(type);
        path = in;
        ASSERT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 1) << type;
        EXPECT_EQ(path, WorkFile(kPitchPassFile));
        EXPECT_FALSE(Exists(path)) << type;
        EXPECT_TRUE(Exists(out)) << type;
    }
    Prepare(3);
    LastOutputPath.Set(folder_ + "no/such/folder/x.mld");
    path = in;
    EXPECT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 0);
    EXPECT_TRUE(Exists(WorkFile(kPitchPassFile)));
    // An input that does not load leaves the path as it was.
    const std::string junk = Input({'n', 'o', 't', ' ', 'M', 'I', 'D', 'I'}, "junk.mid");
    path = junk;
    Prepare(3);
    EXPECT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 0);
    EXPECT_EQ(path, junk);
}

TEST_F(Dispatcher, ASongOnTheSecondPortIsFittedToSixteenChannels) {
    for (const bool secondPort : {false, true}) {
        const std::string in = Input(smf_builder::TwentyChannelSong(secondPort));
        std::string path = in;
        FitTo16ChannelsPrePass(path);
        ASSERT_EQ(path, WorkFile(kChannelPassFile));
        MidiF1Data fitted(path, 0xF0000);
        // Every note is kept, on at most 16 channels; 20 tracks on two
        // ports were merged, 16 on one port stay as they were.
        std::set<int> channels;
        int notes = 0;
        for (int i = 0; i < fitted.TrackCount(); ++i) {
            for (int k = 0; k < fitted.Track(i)->EventCount(); ++k) {
                const MidiEvent* e = fitted.Track(i)->Event(k);
                if (!e->IsNoteWithLength()) continue;
                ++notes;
                channels.insert(e->channel);
            }
        }
        EXPECT_EQ(notes, secondPort ? 80 : 64);
        EXPECT_LE(channels.size(), 16u);
        EXPECT_LE(*channels.rbegin(), 15);
        if (secondPort) {
            EXPECT_LT(fitted.TrackCount(), 21);
        } else {
            EXPECT_EQ(fitted.TrackCount(), 17);
            EXPECT_EQ(channels.size(), 16u);
        }
    }
}

TEST_F(Dispatcher, RefusedTypesAndFailedConvertersReturnZero) {
    const std::string junk = Input({'M', 'T', 'h', 'd', 0, 0, 0, 6}, "cut.mid");
    // A converter that fails fails the dispatch: PMD included.
    for (int type : {3, 4, 5, 8, 9, 14, 17, 20}) {
        Prepare(type);
        std::string path = junk;
        EXPECT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 0) << type;
    }
    for (int type : {23, 26, -1, 1000}) {
        Prepare(3);
        type_ = type;
        Sink().Clear();
        std::string path = junk;
        EXPECT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 0) << type;
        ASSERT_EQ(Sink().Count(), 1u);
        EXPECT_NE(Sink().Texts()[0].find("ZAWCFF01016D File type is wrong!"), std::string::npos);
    }
    // A copy that fails is not reported as written.
    Prepare(0);
    LastOutputPath.Set(folder_ + "no/such/folder/x.mid");
    std::string path = Input(smf_builder::TwoTrackSong());
    EXPECT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type_), 0);
}

TEST_F(Dispatcher, MelodyMailWarnsFromThreeHundredCharactersAndWritesAnyway) {
    const std::string mld = folder_ + "m.mld";
    const std::string txt = folder_ + "m.txt";
    LastOutputPath.Set(mld);
    // 7 header characters and 4 per 3 bytes: 219 bytes make 299, 220 make 303.
    for (const auto& [bytes, warned] : {std::pair{219u, false}, std::pair{220u, true}}) {
        std::vector<std::uint8_t> image(bytes);
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 37);
        Input(image, "m.mld");
        Sink().Clear();
        ASSERT_EQ(EncodeMelodyMailText(txt), 1);
        const std::string text = testing_support::ReadFileText(txt);
        EXPECT_EQ(text.size(), 7 + (bytes + 2) / 3 * 4);
        EXPECT_EQ(text.substr(0, 7), "--B:M\r\n");
        EXPECT_EQ(Sink().Count(), warned ? 1u : 0u);
        if (warned) {
            EXPECT_EQ(Sink().Texts()[0], "ZAWCFF010124 Text is too big for melody mail!");
        }
    }
    LastOutputPath.Set(folder_ + "missing.mld");
    fs::remove(txt);
    EXPECT_EQ(EncodeMelodyMailText(txt), 0);
    EXPECT_FALSE(Exists(txt));
}

TEST_F(Dispatcher, RingVoiceRoadReturnsTheMakersResult) {
    // One second of a 440 Hz tone, 16-bit mono at 8000 Hz.
    const std::string wav = Input(smf_builder::ToneWav(8000, 8000), "voice.wav");
    EXPECT_EQ(ConvertWavToRingVoice(wav, 2), 1);
    EXPECT_GT(fs::file_size(folder_ + "voice_n2.mld"), 100u);
    // Record 0 plays no rate; a missing file and a bad row fail too.
    EXPECT_EQ(ConvertWavToRingVoice(wav, 0), 0);
    EXPECT_EQ(ConvertWavToRingVoice(folder_ + "none.wav", 2), 0);
    EXPECT_EQ(ConvertWavToRingVoice(wav, 19), 0);
    EXPECT_FALSE(Exists(folder_ + "voice_none.mld"));
}

TEST_F(Dispatcher, TheComposerWritesItsNumberedRingtone) {
    SetConversionServices(std::make_shared<OutputDispatcher>());
    AppSettings.AdjustVoice = 1;
    const std::string out = AppSettings.OutputFolder;
    {
        const ComposerScope scope(out);
        TheComposerState.outputType = 3;
        auto style = std::make_unique<MusicStyle>();
        int slot = 0;
        while (slot < kStyleSlots && !BuildPresetStyle(0, slot, *style)) ++slot;
        ASSERT_LT(slot, kStyleSlots);
        SetWorkingStyle(*style);
        SeedRandomWith(11);
        ResetComposerState();
        SetOutputFileNumber(7);
        std::vector<std::uint8_t> buffer(WorkBufferSize);
        std::size_t length = 0;
        ComposingActive = 1;
        EXPECT_EQ(ComposeOneTune(buffer.data(), &length), 1);
        ComposingActive = 0;
    }
    SetConversionServices(nullptr);
    EXPECT_EQ(LastOutputPath.Get(), out + "MYMIDI07.mld");
    ASSERT_TRUE(Exists(out + "MYMIDI07.mld"));
    EXPECT_EQ(composed_tunes::ReadBytes(out + "MYMIDI07.mld")[0], 'm');
}
