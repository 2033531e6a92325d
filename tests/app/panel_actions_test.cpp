// The panel's Convert, Edit and Play actions driven headless as a user
// would, over a composed tune: the save dialog's rows, the carrier's
// handset asked for until it fits, a ringtone written, read back into MIDI
// (read by mido) and played, a file converted onto its own name, WAV inputs,
// the style conversion's working file, and the Edit action's exits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/chord_input_dialog.h"
#include "app/convert_actions.h"
#include "app/edit_action.h"
#include "app/edit_melody_dialog.h"
#include "app/edit_panel_seams.h"
#include "app/edit_richness_dialog.h"
#include "app/ring_voice_selection_dialog.h"
#include "app/ringtone_listen.h"
#include "app/shell_seams.h"
#include "app/terminal_selection_dialog.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "convert/conversion_dialogs.h"
#include "convert/mobile_data.h"
#include "convert/output_dispatcher.h"
#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfm_data.h"
#include "convert/terminal_table.h"
#include "core/app_utilities.h"
#include "core/output_formats.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/convert/accepting_dialogs.h"
#include "tests/convert/composed_tunes.h"
#include "tests/convert/mfi_test_util.h"
#include "tests/convert/mfm_test_util.h"
#include "tests/convert/smaf_test_util.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/test_support.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/instrument_apply.h"
#include "tuneedit/panel_edits.h"
#include "tuneedit/tune_edits.h"

using namespace platform::ui;
namespace fs = std::filesystem;

namespace {

// The first handset row of a carrier.
int RowOf(Carrier carrier) {
    TerminalTable table;
    for (int row = 0; row < table.Count(); ++row)
        if (FormatOf(table.GetOutputType(row)).carrier == carrier) return row;
    return -1;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A second of a 440 Hz tone, 16-bit mono PCM at 8000 Hz.
void WriteWav(const std::string& path) {
    const int rate = 8000;
    const int samples = rate;
    std::vector<std::uint8_t> b;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](std::uint16_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(36 + samples * 2);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(samples * 2);
    for (int i = 0; i < samples; ++i)
        put16(static_cast<std::uint16_t>(
            static_cast<std::int16_t>((i * 440 * 2 / rate) % 2 ? 8000 : -8000)));
    WriteBytes(path, b);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool MidoReads(const std::string& path) {
    const std::string command =
        "/usr/bin/python3 -c \"import mido, sys; t = mido.MidiFile(sys.argv[1]); "
        "sys.exit(0 if sum(m.type == 'note_on' for tr in t.tracks for m in tr) else 1)\" '" +
        path + "'";
    return std::system(command.c_str()) == 0;
}

class PanelActionsTest : public ::testing::Test {
protected:
    // One composed tune (format 1) for every test, made by the first.
    static std::vector<std::uint8_t>& Tune() {
        static std::vector<std::uint8_t> tune;
        return tune;
    }
    void SetUp() override {
        folder_ = testing_support::ScratchDir();
        if (Tune().empty()) {
            const auto tunes = composed_tunes::Compose(folder_, 1, 25);
            if (!tunes.empty()) Tune() = tunes[0].bytes;
            for (const auto& name : testing_support::FolderNames(folder_))
                fs::remove_all(folder_ + "/" + name);
        }
        ASSERT_FALSE(Tune().empty());
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        InitDefaultSettings();
        std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s/",
                      folder_.c_str());
        std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s/",
                      folder_.c_str());
        platform::SetProgramDirectory(folder_);
        ClearConvertStyleSelection();
        ConvertStyleSelection[0] = 1;
        PanelMode = kPanelModeConvert;
        OutputType = 2;
        PlayingActive = 0;
        LastOutputPath.Clear();
        InstallOutputDispatcher();
        InstallTerminalTable();
        SetConversionDialogs(std::make_shared<AcceptingDialogs>());
        song_ = folder_ + "/song.mid";
        WriteBytes(song_, Tune());
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        StopRingtoneListen();
        SetConversionDialogs(nullptr);
        SetConversionServices(nullptr);
        SetCurrentEditObject(nullptr);
        ComposeInfo.ClearChords();
        InstallBackend(nullptr);
        platform::SetProgramDirectory("");
        PanelMode = kPanelModeCompose;
    }
    bool Shown(const std::string& text) {
        for (const std::string& t : testing_support::Sink().Texts())
            if (t.find(text) != std::string::npos) return true;
        return false;
    }
    // Stops the listen that plays; true when one had started. The tests
    // that play run on the real clock throughout (RealClockScope).
    bool PlayedAndStopped() {
        const bool playing = PlayingActive.load() == 1;
        if (playing) PlayOrStopResult();
        return playing && PlayingActive.load() == 0 && RingtoneListenHeld() == 0;
    }
    void Convert(const std::string& input) { ConvertInput(input); }
    struct RealClockScope {
        RealClockScope() : fake(platform::SetClock(std::make_shared<platform::RealClock>())) {}
        ~RealClockScope() {
            StopRingtoneListen();
            platform::SetClock(fake);
        }
        std::shared_ptr<platform::Clock> fake;
    };
    std::string folder_;
    std::string song_;
    std::shared_ptr<HeadlessBackend> backend_;
};

TEST_F(PanelActionsTest, PlayNeedsAResult) {
    PlayOrStopResult();
    EXPECT_TRUE(Shown("You can not play before compose, convert or edit!"));
}

TEST_F(PanelActionsTest, SaveRowsNameTheOutputType) {
    EXPECT_EQ(SaveDialogFilter().substr(0, 52),
              "midi files|*.mid|wave files|*.wav|aiff files|*.aiff|");
    EXPECT_TRUE(
        SaveDialogFilter().ends_with("DOCOMO ringtone voice files|*.mld|midi files|*.mid|"));
    OutputType = 7;
    EXPECT_EQ(OutputTypeForFilter(13), 1);
    EXPECT_EQ(OutputType.load(), 7);
    EXPECT_EQ(OutputTypeForFilter(14), 0);
    EXPECT_EQ(OutputTypeForFilter(0), 0);
    EXPECT_EQ(OutputType.load(), 7);
    AppSettings.ComposeOutputType = 1;
    EXPECT_EQ(OutputTypeForFilter(1), 1);
    EXPECT_EQ(OutputType.load(), 1);
    AppSettings.ComposeOutputType = 9;
    OutputTypeForFilter(1);
    EXPECT_EQ(OutputType.load(), 2);
    EXPECT_EQ(OutputTypeForFilter(11), 1);
    EXPECT_EQ(OutputType.load(), 8);
    EXPECT_EQ(testing_support::Sink().Count(), 2u);
    EXPECT_TRUE(Shown("File type is wrong!"));
}

TEST_F(PanelActionsTest, TwoSelectedStylesAreRefused) {
    ConvertStyleSelection[30] = 1;
    ConvertInput(song_);
    EXPECT_TRUE(Shown("Only one music style can be selected for convert."));
    EXPECT_TRUE(testing_support::Chooser().FileRequests().empty());
}

// Empty, damaged and cut ringtones read back end the action with one
// message that names the file: with what its reader found, or, when the
// reader found nothing, the path alone. No save dialog opens and no working
// file is written.
TEST_F(PanelActionsTest, EmptyOrBrokenRingtonesEndWithOneMessageNamingTheFile) {
    using Bytes = std::vector<std::uint8_t>;
    const auto model = mfi_test::MakeModel({{false, 1, 100, {{0, 60, 96, 100}, {96, 64, 96, 100}}}});
    MFiData mfiImage(*model, mfi_voice::kMelo4);
    mfiImage.Serialise(0);
    const Bytes mfi = smaf_test::Image(mfiImage);
    MFMData mfmImage(*mfm_test::MakeModel({{0, false, 1, 100, 64, {{0, 60, 48, 100}}}}));
    mfmImage.Serialise();
    const Bytes mfm = smaf_test::Image(mfmImage);
    const Bytes smaf = smaf_test::WriteCompact(*model, 4);
    // A compact SMAF of several score tracks: cut in its last track, with
    // its last track's length one past the bytes, and with a total length of
    // all ones; the whole tracks before the damage are not a tune either.
    std::vector<mfi_test::Part> six;
    for (int part = 0; part < 6; ++part)
        six.push_back({false, part, 100, {{0, 60 + part, 96, 100}, {96, 64, 96, 100}}});
    const Bytes tracks = smaf_test::WriteCompact(*mfi_test::MakeModel(six), 16);
    const std::string_view text(reinterpret_cast<const char*>(tracks.data()), tracks.size());
    const std::size_t lastTrack = text.rfind("MTR");
    Bytes longTrack = tracks;
    WriteBigEndian32(longTrack.data() + lastTrack + 4,
                     ReadBigEndian32(tracks.data() + lastTrack + 4) + 1);
    Bytes onesSize = tracks;
    WriteBigEndian32(onesSize.data() + 4, 0xFFFFFFFF);
    // The last track's length one past the end; the first's all ones.
    Bytes cutTrack = mfi;
    const mfi_test::Chunk last = mfi_test::Chunks(mfi).back();
    WriteBigEndian32(cutTrack.data() + last.offset - 4, last.size + 1);
    Bytes allOnes = mfi;
    WriteBigEndian32(allOnes.data() + mfi_test::Chunks(mfi).front().offset - 4, 0xFFFFFFFF);
    const Bytes head13 = {'m', 'e', 'l', 'o', 0, 0, 0, 5, 0, 3, 1, 1, 1};
    struct Row {
        const char* name;
        Bytes bytes;
        const char* found;  // a text the reader's part holds; null: the path alone
    };
    const std::vector<Row> rows = {
        {"empty.mld", {}, nullptr},
        {"empty.pmd", {}, nullptr},
        {"empty.mfm", {}, nullptr},
        {"empty.mmf", {}, ""},
        {"magic.mld", {'m', 'e', 'l', 'o'}, "Wrong MFi header size!"},
        {"magic.mfm", {'m', 'f', 'm', 'p'}, "Track data is invalid!"},
        {"magic.mmf", {'M', 'M', 'M', 'D'}, ""},
        {"head.mld", head13, nullptr},
        {"head.pmd",
         {'c', 'm', 'i', 'd', 0, 0, 0, 5, 0, 3, 1, 1, 1},
         "PMD 16 voice is not supported!"},
        {"ff.pmd", Bytes(64, 0xFF), "MFi Voice type is wrong!"},
        {"ff.mfm", Bytes(64, 0xFF), "There are no MFMHeader!"},
        {"ff.mmf", Bytes(64, 0xFF), ""},
        {"cut.mld", cutTrack, "MFTK1F000014 Data is invalid!"},
        {"ones.mld", allOnes, "MFTK1F000014 Data is invalid!"},
        {"cut.mfm", Bytes(mfm.begin(), mfm.end() - 1), "FMTK2A000003 Track data is invalid!"},
        {"half.mmf", Bytes(smaf.begin(), smaf.begin() + static_cast<long>(smaf.size() / 2)), ""},
        {"cut tracks.mmf", Bytes(tracks.begin(), tracks.end() - 12), "Chank data size is invalid!"},
        {"long track.mmf", longTrack, "Chank data size is invalid!"},
        {"ones.mmf", onesSize, "Chank data size is invalid!"},
    };
    for (const Row& r : rows) {
        const std::string path = folder_ + "/" + r.name;
        WriteBytes(path, r.bytes);
        testing_support::Sink().Clear();
        const std::size_t requests = testing_support::Chooser().FileRequests().size();
        Convert(path);
        const auto texts = testing_support::Sink().Texts();
        ASSERT_EQ(texts.size(), 1u) << r.name << ": " << testing::PrintToString(texts);
        if (r.found) {
            EXPECT_TRUE(texts[0].starts_with("\"" + std::string(r.name) + "\" " + kRingtoneRefusedText)) << texts[0];
            EXPECT_NE(texts[0].find(r.found), std::string::npos) << texts[0];
        } else {
            EXPECT_EQ(texts[0], kRingtoneWithoutNotesText + path);
        }
        EXPECT_EQ(testing_support::Chooser().FileRequests().size(), requests) << r.name;
        EXPECT_FALSE(fs::exists(folder_ + "/temp.mid")) << r.name;
    }
}

// A ringtone that gives its notes but holds a flaw: what its reader found is
// told once, and the conversion goes on to the save dialog.
TEST_F(PanelActionsTest, AFlawedRingtoneThatGivesNotesIsToldOnceAndConverted) {
    const auto model =
        mfi_test::MakeModel({{false, 1, 100, {{0, 60, 96, 100}, {96, 64, 96, 100}}}});
    MFiData image(*model, mfi_voice::kMelo4);
    image.Serialise(0);
    std::vector<std::uint8_t> mfi = smaf_test::Image(image);
    // The tempo's time-base code made one no file may hold.
    const std::uint8_t tempoCode[] = {0xFF, 0xC4};
    const auto tempo =
        std::search(mfi.begin(), mfi.end(), std::begin(tempoCode), std::end(tempoCode));
    ASSERT_NE(tempo, mfi.end());
    tempo[1] = 0xC7;
    const std::string path = folder_ + "/flawed.mld";
    WriteBytes(path, mfi);
    testing_support::Sink().Clear();
    const std::size_t requests = testing_support::Chooser().FileRequests().size();
    Convert(path);
    EXPECT_EQ(testing_support::Sink().Texts(),
              std::vector<std::string>{"MFTK1F00000B Tempo is out of range!"});
    EXPECT_EQ(testing_support::Chooser().FileRequests().size(), requests + 1);
}

TEST_F(PanelActionsTest, DocomoFilterAsksForADocomoHandsetThenWritesAndPlays) {
    const RealClockScope real;
    AppSettings.TerminalIndex = RowOf(Carrier::Softbank);
    const int docomo = RowOf(Carrier::Docomo);
    ASSERT_GE(docomo, 0);
    const std::string mld = folder_ + "/song.mld";
    testing_support::Chooser().QueueFile(mld, 4);
    int dialogs = 0;
    backend_->Then([&](HeadlessBackend& d) {  // the Softbank row is kept: refused
        ++dialogs;
        d.Click(322, 117);
    });
    backend_->Then([&](HeadlessBackend& d) {
        ++dialogs;
        d.Select(kTerminalCombo, docomo);
        d.Click(322, 117);
    });
    Convert(song_);
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(Shown("Select DoCoMo!"));
    EXPECT_EQ(AppSettings.TerminalIndex, docomo);
    EXPECT_EQ(FormatOf(OutputType.load()).carrier, Carrier::Docomo);
    ASSERT_TRUE(fs::exists(mld));
    std::printf("the .mld holds %ju bytes\n", static_cast<std::uintmax_t>(fs::file_size(mld)));
    EXPECT_EQ(LastOutputPath.Get(), mld);
    EXPECT_TRUE(PlayedAndStopped());

    // Back into MIDI with the first row: "temp.mid" in the work folder.
    testing_support::Sink().Clear();
    const std::string back = folder_ + "/back.mid";
    testing_support::Chooser().QueueFile(back, 1);
    Convert(mld);
    const std::string temp = folder_ + "/temp.mid";
    ASSERT_TRUE(fs::exists(temp));
    std::printf("temp.mid holds %ju bytes\n", static_cast<std::uintmax_t>(fs::file_size(temp)));
    EXPECT_TRUE(MidoReads(temp));
    EXPECT_TRUE(fs::exists(back));
    EXPECT_EQ(OutputType.load(), AppSettings.ComposeOutputType);
    EXPECT_TRUE(PlayedAndStopped());
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

TEST_F(PanelActionsTest, AFileConvertedOntoItsOwnNameGetsConvAfterTheWarning) {
    const RealClockScope real;
    testing_support::Chooser().QueueFile(song_, 1);
    Convert(song_);
    EXPECT_TRUE(Shown("Input file name and output file name are the same!"));
    EXPECT_EQ(LastOutputPath.Get(), folder_ + "/song_conv.mid");
    EXPECT_TRUE(fs::exists(folder_ + "/song_conv.mid"));
    EXPECT_TRUE(PlayedAndStopped());
}

TEST_F(PanelActionsTest, WavInputsBecomeRingVoicesOnly) {
    const std::string wav = folder_ + "/voice.wav";
    WriteWav(wav);
    AppSettings.TerminalIndex = RowOf(Carrier::Softbank);
    // A recording under a tune's name: the box says which file it is.
    const std::string named = folder_ + "/voice.mid";
    WriteWav(named);
    testing_support::Chooser().QueueFile(folder_ + "/voice.mmf", 5);
    ConvertInput(named);
    EXPECT_TRUE(Shown("WAVから着うたへの変換は、MLD(着うた)しか選べません。\n" + named +
                      " is a WAV file."));
    testing_support::Sink().Clear();
    testing_support::Chooser().QueueFile(folder_ + "/voice.mld", 12);
    bool asked = false;
    backend_->Then([&](HeadlessBackend& d) {
        asked = dynamic_cast<CRingVoiceSelectionDlg*>(d.TopWindow()->Handler()) != nullptr;
        d.Select(kRingVoiceCombo, 1);
        d.Click(210, 68);
    });
    ConvertInput(wav);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(Shown("変換を行いました。再生はできません。"));
    EXPECT_EQ(PlayingActive.load(), 0);
    bool written = false;
    for (const auto& name : testing_support::FolderNames(folder_))
        written = written || (name != "voice.wav" && name.ends_with(".mld"));
    EXPECT_TRUE(written);
    // A ring voice from a MIDI file is refused.
    testing_support::Sink().Clear();
    testing_support::Chooser().QueueFile(folder_ + "/song2.mld", 12);
    ConvertInput(song_);
    EXPECT_TRUE(Shown("Load WAV for ringtone voice!"));
}

// Refused inputs: each names the reason, writes nothing and is not
// announced as converted.
TEST_F(PanelActionsTest, RefusedInputsWriteNothing) {
    const std::string wav = folder_ + "/voice.wav";
    WriteWav(wav);
    std::vector<std::uint8_t> eightBit = ReadBytes(wav);
    eightBit[34] = 8;  // bits per sample
    const std::vector<std::uint8_t> aiff = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'};
    const struct {
        const char* input;
        std::vector<std::uint8_t> bytes;
        const char* typed;
        int row;
        const char* message;
    } cases[] = {
        {"rec.aiff", aiff, "rec.mld", 1, "This is not a Midi file!"},
        {"rec.aiff", aiff, "rec.mld", 12, "Load WAV for ringtone voice!"},
        {"low.wav", eightBit, "low.mld", 12, "対応していないビット数です。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed + std::to_string(c.row));
        WriteBytes(folder_ + "/" + c.input, c.bytes);
        const std::vector<std::string> before = testing_support::FolderNames(folder_);
        testing_support::Sink().Clear();
        testing_support::Chooser().QueueFile(folder_ + "/" + c.typed, c.row);
        if (std::string(c.input).ends_with(".wav")) {  // the ring voice's format
            backend_->Then([](HeadlessBackend& d) {
                d.Select(kRingVoiceCombo, 1);
                d.Click(210, 68);
            });
        }
        Convert(folder_ + "/" + c.input);
        EXPECT_EQ(backend_->PendingSteps(), 0u);
        int told = 0;
        for (const std::string& t : testing_support::Sink().Texts())
            told += t.find(c.message) != std::string::npos;
        EXPECT_EQ(told, 1);
        EXPECT_FALSE(Shown("変換を行いました。"));
        EXPECT_EQ(testing_support::FolderNames(folder_), before);
    }
}

// The file's extension is the chosen row's, and the name it gets is asked
// about when it is taken; the dialog opens in the input's folder.
TEST_F(PanelActionsTest, TheChosenRowNamesTheFile) {
    const RealClockScope real;
    AppSettings.TerminalIndex = RowOf(Carrier::Docomo);
    fs::create_directories(folder_ + "/in");
    const std::string input = folder_ + "/in/small.mid";
    WriteBytes(input, Tune());
    const struct {
        const char* typed;
        int row;
        const char* written;
        const char* head;
    } cases[] = {
        {"out.wav", 1, "out.mid", "MThd"},
        {"take.2", 1, "take.2.mid", "MThd"},
        {"take.", 1, "take.mid", "MThd"},
        {"tone", 4, "tone.mld", "melo"},
        {"tone2.mid", 4, "tone2.mld", "melo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        testing_support::Chooser().QueueFile(folder_ + "/" + c.typed, c.row);
        Convert(input);
        EXPECT_TRUE(PlayedAndStopped());
        EXPECT_EQ(testing_support::ReadFileText(folder_ + "/" + c.written).substr(0, 4), c.head);
    }
    EXPECT_FALSE(fs::exists(folder_ + "/out.wav"));
    EXPECT_FALSE(fs::exists(folder_ + "/tone2.mid"));
    EXPECT_EQ(testing_support::Chooser().FileRequests().back().initialFolder, folder_ + "/in");
    // "small" names the user's small.mld: declined, the dialog comes back
    // and is cancelled; accepted, the file is replaced.
    testing_support::WriteFileText(folder_ + "/small.mld", "mine");
    testing_support::Sink().Clear();
    for (const int answer : {platform::kIdCancel, platform::kIdOk}) {
        testing_support::Sink().QueueAnswer(answer);
        testing_support::Chooser().QueueFile(folder_ + "/small", 4);
        if (answer == platform::kIdCancel) testing_support::Chooser().QueueCancel();
        Convert(input);
        PlayedAndStopped();
        EXPECT_EQ(testing_support::ReadFileText(folder_ + "/small.mld").substr(0, 4),
                  answer == platform::kIdOk ? "melo" : "mine");
    }
    const std::vector<std::string> texts = testing_support::Sink().Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(),
                         "small.mld already exists.\nDo you want to replace it?"),
              2);
}

TEST_F(PanelActionsTest, StyleConversionLeavesNoWorkingFile) {
    ClearConvertStyleSelection();
    ConvertStyleSelection[8] = 1;
    const std::string composed = folder_ + "/" + kStyleConversionFile;
    // A failing conversion: the input is no MIDI file.
    const std::string bad = folder_ + "/bad.mid";
    WriteBytes(bad, {1, 2, 3});
    WriteBytes(composed, {0});
    testing_support::Chooser().QueueFile(folder_ + "/out.mid", 2 /* style rows start at 2 */);
    testing_support::Chooser().QueueFile(folder_ + "/out.mid", 1);
    QuickTimeAvailable = 0;
    ConvertInput(bad);  // the wave row needs the media layer: refused
    EXPECT_TRUE(Shown("QuickTime"));
    ConvertInput(bad);
    EXPECT_FALSE(fs::exists(composed));
    EXPECT_FALSE(fs::exists(folder_ + "/out.mid"));
}

// A cut, damaged or oversized MIDI file is refused whole on each road that
// reads one: one box names the file and what is wrong, nothing is written and
// nothing plays.
TEST_F(PanelActionsTest, DamagedOrOversizedMidiFilesAreRefusedByName) {
    using smf_builder::Bytes;
    smf_builder::TrackSpec piano;
    piano.instrument = "Piano";
    const Bytes good = smf_builder::Song({piano, piano});
    Bytes meta = smf_builder::Song({piano}, 0);
    meta[25] = 0x7F;  // the instrument name's length runs past the track
    Bytes chunk = good;
    chunk[19] = 0x10;  // the first track's length runs past the file
    Bytes large = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    Bytes body = {0, 0xFF, 0x7F};  // a valid file of a megabyte
    smf_builder::PutVarLen(body, 1 << 20);
    body.resize(body.size() + (1 << 20), 0);
    body.insert(body.end(), {0, 0xFF, 0x2F, 0});
    smf_builder::Put32(large, static_cast<std::uint32_t>(body.size()));
    large.insert(large.end(), body.begin(), body.end());
    const struct {
        const char* name;
        Bytes bytes;
        const char* problem;
    } kCases[] = {
        {"half.mid", Bytes(good.begin(), good.begin() + good.size() / 2), "runs past the end of the file"},
        {"meta.mid", meta, "a meta event of track 1 runs past the end of the track"},
        {"chunk.mid", chunk, "track 1 runs past the end of the file"},
        {"large.mid", large, "the file is too large"},
    };
    enum class Road { Format, Style, Edit };
    for (const Road road : {Road::Format, Road::Style, Road::Edit}) {
        for (const auto& c : kCases) {
            SCOPED_TRACE(std::string(c.name) + " on road " + std::to_string(static_cast<int>(road)));
            const std::string input = folder_ + "/" + c.name;
            const std::string output = folder_ + "/out.pmd";
            WriteBytes(input, c.bytes);
            testing_support::Sink().Clear();
            ClearConvertStyleSelection();
            ConvertStyleSelection[road == Road::Style ? 8 : 0] = 1;
            testing_support::Chooser().QueueFile(road == Road::Edit ? input : output, 6);
            if (road == Road::Edit) {
                PanelMode = kPanelModeEdit;
                EditTune();
            } else {
                PanelMode = kPanelModeConvert;
                ConvertInput(input);
            }
            const std::vector<std::string> boxes = testing_support::Sink().Texts();
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.size(), 1u);
            const std::string& box = boxes[0];
            EXPECT_NE(box.find(std::string("\"") + c.name + "\""), std::string::npos) << box;
            EXPECT_NE(box.find(c.problem), std::string::npos) << box;
            EXPECT_FALSE(fs::exists(output));
            EXPECT_FALSE(fs::exists(folder_ + "/edit_temp.mid"));
            EXPECT_EQ(PlayingActive.load(), 0);
        }
    }
}

// ---- Edit ----

TEST_F(PanelActionsTest, EditAfterAnMfiConversionSavesAndPlaysMidi) {
    const RealClockScope real;
    OutputType = 3;  // as a DoCoMo conversion leaves it
    const std::string saved = folder_ + "/edited.mid";
    testing_support::Chooser().QueueFile(song_, 1);
    testing_support::Chooser().QueueFile(saved, 1);
    std::string richnessCaption;
    backend_->Then([&](HeadlessBackend& d) {
        // Over the chord input dialog: Melody, Octave, "Set Octave", OK, OK.
        auto* chords = dynamic_cast<EdCdCust*>(d.TopWindow()->Handler());
        ASSERT_NE(chords, nullptr);
        RunEditMelodyPanel(&chords->GetWindow(), 0, 15);
        const SkinButton& ok = chords->Button(kChordInputOkButton);
        d.Click((ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2 + 8);
    });
    backend_->Then([](HeadlessBackend& d) {
        const SkinButton& b =
            dynamic_cast<EditMelody*>(d.TopWindow()->Handler())->Button(kEditMelodyOctaveButton);
        d.Click((b.x1 + b.x2) / 2 - 20, (b.y1 + b.y2) / 2);
    });
    backend_->Then([&](HeadlessBackend& d) {
        auto* richness = dynamic_cast<EditRichness*>(d.TopWindow()->Handler());
        ASSERT_NE(richness, nullptr);
        const SkinButton& b = richness->Button(kRichnessOctaveButton);
        d.Click((b.x1 + b.x2) / 2 - 20, (b.y1 + b.y2) / 2);
        richnessCaption = richness->Caption(kRichnessOctaveButton);
        d.Click(322, 127);
    });
    backend_->Then([](HeadlessBackend& d) { d.Click(322, 127); });
    PanelMode = kPanelModeEdit;
    EditTune();
    EXPECT_EQ(richnessCaption, "Remove Octave");
    EXPECT_EQ(OutputType.load(), 2);
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(composed_tunes::ReadBytes(saved),
              composed_tunes::ReadBytes(folder_ + "/edit_temp.mid"));
    std::printf("the edited tune holds %ju bytes\n",
                static_cast<std::uintmax_t>(fs::file_size(saved)));
    EXPECT_TRUE(MidoReads(saved));
    EXPECT_EQ(LastOutputPath.Get(), saved);
    EXPECT_EQ(CurrentEditObject(), nullptr);
    EXPECT_NE(ListenMidiData, nullptr);
    EXPECT_TRUE(PlayedAndStopped());
}

TEST_F(PanelActionsTest, EditExitsLeaveNoEditObject) {
    PanelMode = kPanelModeEdit;
    // A cancelled save: no file.
    testing_support::Chooser().QueueFile(song_, 1);
    testing_support::Chooser().QueueCancel();
    backend_->Then([](HeadlessBackend& d) {
        const SkinButton& ok =
            dynamic_cast<EdCdCust*>(d.TopWindow()->Handler())->Button(kChordInputOkButton);
        d.Click((ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2 + 8);
    });
    EditTune();
    EXPECT_EQ(CurrentEditObject(), nullptr);
    EXPECT_EQ(testing_support::FolderNames(folder_),
              (std::vector<std::string>{"edit_temp.mid", "song.mid"}));
    // A song without tracks.
    const std::string empty = folder_ + "/empty.mid";
    WriteBytes(empty, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0, 96});
    testing_support::Chooser().QueueFile(empty, 1);
    EditTune();
    EXPECT_TRUE(Shown("This file is not a file generated bu ZAW!"));
    EXPECT_EQ(CurrentEditObject(), nullptr);
    // A copy that fails stops after its box: the old work copy is not opened.
    testing_support::Sink().Clear();
    testing_support::Chooser().QueueFile(folder_ + "/missing.mid", 1);
    EditTune();
    EXPECT_TRUE(Shown("Can not open file for play."));
    EXPECT_EQ(testing_support::Sink().Count(), 2u);
    EXPECT_EQ(CurrentEditObject(), nullptr);
    EXPECT_EQ(backend_->PendingSteps(), 0u);
}

// A tune of fifteen channels, its own parts on the two the editor keeps for
// its delays as well: none of the edit roads takes them for delay tracks,
// and Set Delay refuses the harmony delay's channel.
TEST_F(PanelActionsTest, PartsOnTheDelayChannelsAreNeverTakenForDelays) {
    PanelMode = kPanelModeEdit;
    std::vector<tuneedit_test::Note> notes;
    for (int c = 0; c < 16; ++c)
        for (int bar = 0; c != 9 && bar < 4; ++bar)
            notes.push_back({c, bar * 384, 60 + c, 96});
    const std::string path = tuneedit_test::SaveTune(
        "parts.mid", {{0, "C"}, {384, "F"}, {768, "G"}, {1152, "C"}}, notes);
    // The two parts' notes and programs, unchanged after every road.
    auto parts = [] {
        const EditedTune& tune = CurrentEditObject()->Tune();
        std::vector<int> kept;
        for (int c : {kEditMelodyDelayChannel, kEditHarmonyDelayChannel}) {
            const int track = tune.FindTrackByChannel(c);
            kept.push_back(track < 0 ? -1 : tune.Track(track)->CountNotesInRange(0, 1536));
            kept.push_back(tune.GetChannelProgram(c));
        }
        return kept;
    };
    const std::vector<int> expected = {4, 5, 4, 5};
    testing_support::Chooser().QueueFile(path, 1);
    testing_support::Chooser().QueueCancel();
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_EQ(parts(), expected) << "the work copy";
        EXPECT_EQ(DelayCaption(kEditMelodyDelayChannel), "Set Delay");
        EXPECT_EQ(DelayCaption(kEditHarmonyDelayChannel), "Set Delay");
        // Harmony and melody are made from the style's files in the
        // program's folder.
        platform::SetProgramDirectory("");
        const MusicStyle style = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        ResetComposerState();
        ToggleHarmonyDelay();
        EXPECT_EQ(parts(), expected) << "Set Delay";
        EXPECT_EQ(ChangeHarmony({0, 4}), 1);
        EXPECT_EQ(DeleteHarmonyRange({1, 2}), 1);
        EXPECT_EQ(parts(), expected) << "the chord panel";
        EXPECT_EQ(DeleteDissonantNotes({0, 4}), 1);
        EXPECT_EQ(ConnectSections({1, 2}), 1);
        EXPECT_EQ(parts(), expected) << "the adjust panel";
        EXPECT_EQ(DeleteMelodyBeats(0, 1), 1);
        EXPECT_EQ(RemoveMelodyDelay(), 0);
        EXPECT_EQ(parts(), expected) << "the melody panels";
        EXPECT_EQ(RefuseUnderHarmonyDelay(CurrentEditObject()->Tune()), 0);
        WorkingStyle.voice[kPartMelody] = 40;
        WorkingStyle.voice[kPartHarmony] = 10;
        ApplyToneInstruments(CurrentEditObject()->Tune(), WorkingStyle);
        EXPECT_EQ(parts(), expected) << "Tone";
        EXPECT_EQ(RecomposeAllSections(), 1);
        EXPECT_EQ(parts(), expected) << "Compose";
        WorkingStyle = style;
        platform::SetProgramDirectory(folder_);
        const SkinButton& ok =
            dynamic_cast<EdCdCust*>(d.TopWindow()->Handler())->Button(kChordInputOkButton);
        d.Click((ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2 + 8);
    });
    EditTune();
    std::vector<std::string> delayBoxes;
    for (const std::string& t : testing_support::Sink().Texts())
        if (t.find("elay") != std::string::npos) delayBoxes.push_back(t.substr(13));
    EXPECT_EQ(delayBoxes,
              (std::vector<std::string>{
                  "Error occured in editing! Channel 12 holds a part of the tune, so no delay "
                  "can be set on it.",
                  "No Delay Track!"}));
}

TEST_F(PanelActionsTest, TunesWithoutMarkersAreAnalysedAndOldOnesMoved) {
    PanelMode = kPanelModeEdit;
    // The composed tune without its markers.
    {
        EditObject plain(song_);
        plain.Tune().DeleteMetaEvents(meta_type::kMarker, 1);
        plain.Tune().SaveAndReload(folder_ + "/plain.mid");
    }
    testing_support::Chooser().QueueFile(folder_ + "/plain.mid", 1);
    int sections = 0;
    backend_->Then([&](HeadlessBackend& d) {
        sections = CurrentEditObject()->Tune().SectionCount();
        const SkinButton& ok =
            dynamic_cast<EdCdCust*>(d.TopWindow()->Handler())->Button(kChordInputOkButton);
        d.Click((ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2 + 8);
    });
    testing_support::Chooser().QueueCancel();
    EditTune();
    EXPECT_GT(sections, 0);
    // The analysed tune with its melody moved off channel 1: "old version",
    // moved back.
    {
        EditObject old(folder_ + "/edit_temp.mid");
        ASSERT_GT(old.Tune().SectionCount(), 0);
        EditedTune& tune = old.Tune();
        const int melody = tune.FindTrackByChannel(1);
        ASSERT_GE(melody, 0);
        tune.Track(melody)->RemapChannel(1, 13);
        tune.SaveAndReload(folder_ + "/old.mid");
    }
    testing_support::Chooser().QueueFile(folder_ + "/old.mid", 1);
    bool moved = false;
    backend_->Then([&](HeadlessBackend& d) {
        moved = CurrentEditObject()->Tune().FindTrackByChannel(1) >= 0;
        const SkinButton& ok =
            dynamic_cast<EdCdCust*>(d.TopWindow()->Handler())->Button(kChordInputOkButton);
        d.Click((ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2 + 8);
    });
    testing_support::Chooser().QueueCancel();
    EditTune();
    EXPECT_TRUE(Shown("This file had been edited by old version of ZAW. Track will be moved."));
    EXPECT_TRUE(moved);
}

}  // namespace
