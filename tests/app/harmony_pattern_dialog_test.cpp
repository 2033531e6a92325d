// The step-pattern editor driven as a user would, headless: cells, repeat
// headers, the layout combo with grid B, the row-name picker, ".pat" Load
// and Save with cancelled, missing and refused files.
#include "app/styleedit/harmony_pattern_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

#include "app/device_selection_dialog.h"
#include "compose/chord_buffer.h"
#include "core/settings.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_file.h"
#include "style/style_table.h"
#include "styleedit/style_editor_services.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

// Client point inside cell (step, row) of a grid, and of a header box.
Point CellPoint(int grid, int steps, int step, int row) {
    return Point{kGridLeft + grid * 16 * steps + 16 * step + 7, kGridTop + 208 - 16 * row + 7};
}
Point HeaderPoint(int grid, int steps, int step) {
    return Point{kGridLeft + grid * 16 * steps + 16 * step + 8, 92};
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class HarmonyPatternDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), true);
        (void)built;
        working_ = WorkingStyle;
        slot_ = PatternSlot.load();
        InitMusicStyle(WorkingStyle);
        WorkingStyle.timeSignature = kMetre44;
        WorkingStyle.basicBeat = 0;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        folder_ = testing_support::ScratchDir();
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        WorkingStyle = working_;
        PatternSlot = slot_;
    }
    // Runs the editor of the slot with one scripted session, ended by OK.
    void Session(int slot, const std::function<void(HeadlessBackend&, Window&)>& steps) {
        backend_->Then([&](HeadlessBackend& d) {
            Window& w = *d.TopWindow();
            steps(d, w);
            d.Click(540, 410);  // OK
        });
        const auto openers = {OpenHarmonyPatternSetting, OpenSubHarmonyPatternSetting,
                              OpenRhythmPatternSetting, OpenBassPatternSetting};
        std::data(openers)[slot](nullptr);
        EXPECT_EQ(PatternSlot.load(), slot);
        EXPECT_EQ(backend_->PendingSteps(), 0u);
    }
    static void Click(HeadlessBackend& d, Point p) { d.Click(p.x, p.y); }
    std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }

    MusicStyle working_{};
    int slot_ = 0;
    std::shared_ptr<HeadlessBackend> backend_;
    std::string folder_;
};

TEST_F(HarmonyPatternDialogTest, HarmonySessionEditsRepeatsGridBAndSavesAFile) {
    const std::string pat = Path("harmony.pat");
    Session(kSlotHarmony, [&](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Harmony Pattern Setting");
        EXPECT_TRUE(w.FindControl(kPatternLayoutCombo)->IsVisible());
        Click(d, CellPoint(0, 16, 0, 0));
        Click(d, HeaderPoint(0, 16, 2));
        Click(d, HeaderPoint(0, 16, 3));
        Click(d, CellPoint(0, 16, 1, 5));   // spreads to steps 2 and 3
        Click(d, CellPoint(0, 16, 3, 9));   // edits step 1
        Click(d, CellPoint(1, 16, 0, 0));   // grid B hidden: nothing there
        d.Select(kPatternLayoutCombo, 1);   // "2 measure 1 pattern"
        Click(d, CellPoint(1, 16, 4, 2));
        // A press on the edge two cells share toggles the lower step only.
        d.Click(kGridLeft + 16 * 6, kGridTop + 208 - 16 * 7 + 7);
        testing_support::Chooser().QueueFile(pat);
        d.Click(260, 410);  // Save
    });
    const GridPart& a = SlotGrid(WorkingStyle, kSlotHarmony, 0);
    const GridPart& b = SlotGrid(WorkingStyle, kSlotHarmony, 1);
    EXPECT_EQ(a.Cell(0, 0), 1);
    for (int c : {1, 2, 3}) {
        EXPECT_EQ(a.Cell(5, c), 1);
        EXPECT_EQ(a.Cell(9, c), 1);
        EXPECT_EQ(a.Cell(0, c), 0);
    }
    EXPECT_EQ(a.pnContinuem[2] + a.pnContinuem[3], 2);
    EXPECT_EQ(b.Cell(0, 0), 0);
    EXPECT_EQ(b.Cell(2, 4), 1);
    EXPECT_EQ(a.Cell(7, 5), 1);
    EXPECT_EQ(a.Cell(7, 6), 0);
    EXPECT_EQ(WorkingStyle.customHarmony.useX[kSlotHarmony], 1);
    const auto expected = PatternFileBytes(WorkingStyle, kSlotHarmony);
    EXPECT_EQ(FileBytes(pat), std::vector<std::uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

TEST_F(HarmonyPatternDialogTest, RefusesToRepeatEveryStep) {
    WorkingStyle.timeSignature = kMetre34;
    WorkingStyle.basicBeat = 3;  // 9 steps
    Session(kSlotBass, [&](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Bass Pattern Setting");
        EXPECT_FALSE(w.FindControl(kPatternLayoutCombo)->IsVisible());
        EXPECT_FALSE(w.FindControl(kPatternStrokeCheck)->IsVisible());
        for (int c = 0; c < 9; ++c) Click(d, HeaderPoint(0, 9, c));
    });
    const GridPart& a = SlotGrid(WorkingStyle, kSlotBass, 0);
    for (int c = 0; c < 8; ++c) EXPECT_EQ(a.pnContinuem[c], 1);
    EXPECT_EQ(a.pnContinuem[8], 0);
    ASSERT_EQ(testing_support::Sink().Texts().size(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Can not continue all notes!"), std::string::npos);
}

TEST_F(HarmonyPatternDialogTest, RowNamePickerChangesOnlyItsSlot) {
    const int harmonyTone = RowTone(WorkingStyle, kSlotHarmony, 13);
    Session(kSlotBass, [&](HeadlessBackend& d, Window&) {
        d.Then([](HeadlessBackend& p) {
            Window& picker = *p.TopWindow();
            EXPECT_EQ(PickerTitle, "音高");
            EXPECT_EQ(picker.FindControl(kDeviceFirstCombo)->Items().size(), 21u);
            EXPECT_EQ(picker.FindControl(kDeviceFirstCombo)->Items()[0].text, "Bass(1)");
            p.Select(kDeviceFirstCombo, 11);
            p.Click(322, 117);
        });
        d.Click(50, 107);  // the top row's name
    });
    EXPECT_EQ(RowTone(WorkingStyle, kSlotBass, 13), 11);
    EXPECT_EQ(RowTone(WorkingStyle, kSlotHarmony, 13), harmonyTone);
    EXPECT_EQ(PatternRowName(kSlotBass, 11), "Fifth(2)");
    EXPECT_EQ(PatternRowName(kSlotHarmony, 0), "Root(1)");
    EXPECT_EQ(PatternRowName(kSlotRhythm, 46), "Open triangle");
    EXPECT_EQ(PatternRowName(kSlotHarmony, 46), "46");
}

TEST_F(HarmonyPatternDialogTest, LoadTakesAnyFileAndFailuresChangeNothing) {
    // A rhythm file with tones up to 46 and layout 3 into the harmony slot.
    MusicStyle source = WorkingStyle;
    for (int r = 0; r < kGridRows; ++r) SlotGrid(source, kSlotRhythm, 0).pnInterval[r] = 33 + r;
    SlotGrid(source, kSlotRhythm, 0).Cell(3, 4) = 1;
    source.customHarmony.useX[kSlotRhythm] = 3;
    const std::string pat = Path("rhythm.pat");
    ASSERT_EQ(SavePatternFile(pat, source, kSlotRhythm), 0u);
    const std::string copy = Path("copy.pat");
    std::string caption13;
    Session(kSlotHarmony, [&](HeadlessBackend& d, Window& w) {
        const MusicStyle before = WorkingStyle;
        testing_support::Chooser().QueueCancel();
        d.Click(100, 410);  // Load, cancelled
        testing_support::Chooser().QueueFile(Path("missing.pat"));
        d.Click(100, 410);
        testing_support::Chooser().QueueCancel();
        d.Click(260, 410);  // Save, cancelled
        EXPECT_EQ(std::memcmp(&before, &WorkingStyle, sizeof before), 0);
        testing_support::Chooser().QueueFile(pat);
        d.Click(100, 410);
        EXPECT_EQ(w.FindControl(kPatternLayoutCombo)->Selection(), 0);
        testing_support::Chooser().QueueFile(copy);
        d.Click(260, 410);
    });
    ASSERT_EQ(testing_support::Sink().Texts().size(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Loading harmony pattern is failed!"),
              std::string::npos);
    EXPECT_EQ(FileBytes(copy), FileBytes(pat));
    EXPECT_EQ(WorkingStyle.customHarmony.useX[kSlotHarmony], 3);
    EXPECT_EQ(RowTone(WorkingStyle, kSlotHarmony, 13), 46);
}

// Files that are no pattern, style or chord file: each load shows one box
// naming the file and changes nothing.
TEST_F(HarmonyPatternDialogTest, RefusedFilesShowOneBoxAndChangeNothing) {
    std::mt19937 random(56);
    const auto junk = [&random](std::size_t n) {
        std::vector<std::uint8_t> bytes(n);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        return bytes;
    };
    std::vector<std::uint8_t> chords = junk(kHarmonyStructureBytes);
    for (int i = 0; i < 5; ++i)
        std::memcpy(chords.data() + 6 * i, "\x01\x80GMPs", 6);
    const auto loadPattern = [&](const std::string& path) {
        Session(kSlotHarmony, [&](HeadlessBackend& d, Window&) {
            testing_support::Chooser().QueueFile(path);
            d.Click(100, 410);  // Load
        });
    };
    const auto openStyle = [](const std::string& path) {
        testing_support::Chooser().QueueFile(path);
        EXPECT_FALSE(OpenStyleFileDialog(WorkingStyle));
    };
    const auto loadChords = [this](const std::string&) { EXPECT_EQ(LoadChordFile(folder_), 0); };
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::function<void(const std::string&)> load;
        const char* shown;  // in the box besides the name
    } rows[] = {
        {"empty.pat", {}, loadPattern, "holds 2044 bytes, this one 0"},
        {"short.pat", junk(100), loadPattern, "this one 100"},
        {"random.pat", junk(kPatternFileBytes), loadPattern, "of grid A is"},
        {"junk.txt", junk(5000), openStyle, "holds no style settings"},
        {"random.dat", junk(sizeof(MusicStyle)), openStyle, "not a style file"},
        {"short.dat", junk(100), openStyle, "holds at least 8964 bytes, this one 100"},
        {"chord.dat", chords, loadChords, "chord 6 ("},
        {"chord.dat", {1, 0x80, 'G', 'M'}, loadChords, "chord 1 is cut off"},
    };
    SetFieldText(WorkingStyle.title, "Kept");
    WorkingStyle.harmonyStructure[0] = WorkingStyle.harmonyStructure[1] = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = Path(row.name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(row.bytes.data()),
                   static_cast<std::streamsize>(row.bytes.size()));
        const MusicStyle before = WorkingStyle;
        testing_support::Sink().Clear();
        row.load(path);
        EXPECT_EQ(std::memcmp(&before, &WorkingStyle, sizeof before), 0);
        EXPECT_EQ(testing_support::Sink().Count(), 1u);
        if (testing_support::Sink().Count() == 0) continue;
        const std::string box = testing_support::Sink().Texts()[0];
        EXPECT_NE(box.find(std::string("\"") + row.name + "\" can not be loaded: "),
                  std::string::npos)
            << box;
        EXPECT_NE(box.find(row.shown), std::string::npos) << box;
    }
}

bool RefuseWrite(const std::string&) {
    return false;
}

TEST_F(HarmonyPatternDialogTest, AFailedSaveKeepsTheOldFile) {
    const std::string pat = Path("keep.pat");
    ASSERT_EQ(SavePatternFile(pat, WorkingStyle, kSlotRhythm), 0u);
    const auto old = FileBytes(pat);
    Session(kSlotRhythm, [&](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Rhythm Pattern Setting");
        Click(d, CellPoint(0, 16, 0, 0));
        platform::SetBeforeReplaceHook(RefuseWrite);
        testing_support::Chooser().QueueFile(pat);
        d.Click(260, 410);
        platform::SetBeforeReplaceHook(nullptr);
    });
    EXPECT_EQ(FileBytes(pat), old);
    ASSERT_EQ(testing_support::Sink().Texts().size(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("can not save parameters!"), std::string::npos);
}

}  // namespace
