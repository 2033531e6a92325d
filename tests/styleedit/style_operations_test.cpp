// The whole-style operations on the real catalogue: copy and paste, the
// wizard's name, the proposed file name, and saving and loading through a
// scripted chooser into a scratch folder: every catalogue entry round trip
// as ".dat" and ".txt", the ".mid" rule, the refused-name retry, and cancels
// and bad files that must leave WorkingStyle byte for byte.
#include "styleedit/style_operations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/paths.h"
#include "style/key_setup.h"
#include "style/style_file.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Chooser;

class StyleOperations : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        working_ = WorkingStyle;
        clipboard_ = StyleClipboard;
        folder_ = testing_support::ScratchDir();
        SetShellServices(shell_);
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        SetShellServices(nullptr);
        WorkingStyle = working_;
        StyleClipboard = clipboard_;
    }
    std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }
    static MusicStyle Entry(int category, int slot) {
        MusicStyle entry;
        GetStyleEntry(category, slot, entry);
        return entry;
    }
    // WorkingStyle as SetWorkingStyle makes it from the entry.
    static MusicStyle WorkingStyleBefore(const MusicStyle& entry) {
        const MusicStyle kept = WorkingStyle;
        SetWorkingStyle(entry);
        MusicStyle made = WorkingStyle;
        WorkingStyle = kept;
        return made;
    }
    int Pauses() const { return shell_->Count(RecordingShellServices::Kind::Pause); }

    MusicStyle working_{};
    MusicStyle clipboard_{};
    std::string folder_;
    std::shared_ptr<RecordingShellServices> shell_ = std::make_shared<RecordingShellServices>();
};

// The first byte where two records differ, or the record size.
std::size_t FirstDifference(const MusicStyle& a, const MusicStyle& b) {
    const auto* x = reinterpret_cast<const unsigned char*>(&a);
    const auto* y = reinterpret_cast<const unsigned char*>(&b);
    std::size_t at = 0;
    while (at < sizeof a && x[at] == y[at]) ++at;
    return at;
}

bool SameRecord(const MusicStyle& a, const MusicStyle& b) {
    return FirstDifference(a, b) == sizeof a;
}

// The first line where two texts differ, both versions; empty when equal.
std::string FirstDifferentLine(const std::string& a, const std::string& b) {
    std::size_t start = 0;
    while (start < a.size() || start < b.size()) {
        const std::size_t endA = std::min(a.find('\n', start), a.size());
        const std::size_t endB = std::min(b.find('\n', start), b.size());
        const std::string lineA = a.substr(start, endA - start);
        const std::string lineB = start < b.size() ? b.substr(start, endB - start) : "";
        if (lineA != lineB || endA != endB) return lineA + " | " + lineB;
        start = endA + 1;
    }
    return "";
}

TEST_F(StyleOperations, CopyPasteAndTheWizardsName) {
    // After start-up the clipboard holds "Acoustic".
    EXPECT_EQ(DisplayTitle(StyleClipboard), "Acoustic");
    SetWorkingStyle(Entry(3, 4));
    CopyWorkingStyle();
    EXPECT_TRUE(SameRecord(StyleClipboard, WorkingStyle));
    SetWorkingStyle(Entry(6, 2));
    PasteStyleClipboard();
    EXPECT_TRUE(SameRecord(WorkingStyle, Entry(3, 4)));

    NameWizardStyle();
    EXPECT_EQ(DisplayTitle(WorkingStyle), "Original Style");
    EXPECT_EQ(FieldText(WorkingStyle.title), "Original Style");
    EXPECT_EQ(FieldText(WorkingStyle.description), "Orizinal style by wizard is defined.");
}

TEST_F(StyleOperations, ProposedNamesAndSavePaths) {
    MusicStyle style = Entry(0, 1);
    auto proposal = [&style](const char* title) {
        SetStyleTitle(style, title);
        return ProposedStyleFileName(style);
    };
    EXPECT_EQ(proposal("My Style/2"), "My_Style_2");
    EXPECT_EQ(proposal(" /"), "__");
    EXPECT_EQ(proposal(""), "no_name");
    EXPECT_EQ(proposal("."), "no_name");
    EXPECT_EQ(proposal(".."), "no_name");
    EXPECT_EQ(proposal("..."), "...");
    // Code page 932 titles are proposed in UTF-8; what does not convert
    // keeps its bytes.
    EXPECT_EQ(proposal("\x8f\x74 \x82\xcc/\x8b\xc8"), "春_の_曲");
    EXPECT_EQ(proposal("\xff x"), "\xff_x");

    EXPECT_EQ(StyleSavePath("/a/tune.MID"), "/a/tune.MID.dat");
    EXPECT_EQ(StyleSavePath("tune.mid"), "tune.mid.dat");
    EXPECT_EQ(StyleSavePath("tune.Mid.txt"), "tune.Mid.txt");
    EXPECT_EQ(StyleSavePath("tune.midi"), "tune.midi");
    EXPECT_EQ(StyleSavePath("mid"), "mid");
}

// Every catalogue entry saved and loaded back: the ".dat" holds the record
// SaveStyleFile stamps and loads back to exactly those bytes; the ".txt"
// loaded over a default style carries every field its text form writes
// (saving it again gives the same text).
TEST_F(StyleOperations, EveryEntrySavesAndLoadsBackAsDatAndTxt) {
    for (int e = 0; e < kStyleEntries; ++e) {
        const MusicStyle entry = Entry(e / 24, e % 24);
        SetWorkingStyle(entry);
        const std::string stem = Path("entry") + std::to_string(e);
        const std::string dat = stem + ".dat";
        const std::string txt = stem + ".txt";
        Chooser().QueueFile(dat);
        ASSERT_TRUE(SaveWorkingStyle());
        Chooser().QueueFile(txt, 2);
        ASSERT_TRUE(SaveWorkingStyle());
        const std::string bytes = testing_support::ReadFileText(dat);
        ASSERT_EQ(bytes.size(), kMusicStyleSize);

        InitMusicStyle(WorkingStyle);
        Chooser().QueueFile(dat);
        ASSERT_TRUE(LoadWorkingStyle());
        // The file is the working record stamped with the format version and
        // its display title; the load gives what the library's reader makes
        // of those bytes (which brings older settings up to date).
        const MusicStyle saved = WorkingStyleBefore(entry);
        MusicStyle stamped;
        std::memcpy(&stamped, bytes.data(), kMusicStyleSize);
        EXPECT_EQ(stamped.version, kStyleFormatVersion);
        EXPECT_EQ(FieldText(stamped.title), DisplayTitle(saved));
        stamped.version = saved.version;
        std::memcpy(stamped.title, saved.title, sizeof saved.title);
        ASSERT_EQ(FirstDifference(stamped, saved), kMusicStyleSize) << "entry " << e;
        MusicStyle read;
        InitMusicStyle(read);
        ASSERT_EQ(LoadStyleImage(read, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                 bytes.size()),
                  kStyleLoaded);
        ASSERT_EQ(FirstDifference(WorkingStyle, read), kMusicStyleSize) << "entry " << e;

        // The text form: what it carries survives a load and a save again.
        InitMusicStyle(WorkingStyle);
        Chooser().QueueFile(txt, 2);
        ASSERT_TRUE(LoadWorkingStyle());
        EXPECT_EQ(WorkingStyle.key, saved.key);
        EXPECT_EQ(DisplayTitle(WorkingStyle), DisplayTitle(entry));
        const std::string again = Path("again.txt");
        ASSERT_EQ(SaveStyleFile(WorkingStyle, again), 0);
        MusicStyle second;
        InitMusicStyle(second);
        ASSERT_EQ(LoadStyleFile(second, again), kStyleLoaded);
        ASSERT_EQ(SaveStyleFile(second, Path("again2.txt")), 0);
        ASSERT_EQ(FirstDifferentLine(testing_support::ReadFileText(again),
                                     testing_support::ReadFileText(Path("again2.txt"))),
                  "")
            << "entry " << e;
    }
    EXPECT_EQ(Pauses(), kStyleEntries * 4);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

TEST_F(StyleOperations, SaveProposesAsksAgainForARefusedNameAndCancelsQuietly) {
    MusicStyle style = Entry(1, 3);
    SetStyleTitle(style, "My Style/2");
    SetWorkingStyle(style);
    const std::size_t asked = Chooser().FileRequests().size();

    Chooser().QueueFile(Path("tune.MID"));
    EXPECT_TRUE(SaveWorkingStyle());
    auto requests = Chooser().FileRequests();
    ASSERT_EQ(requests.size(), asked + 1);
    EXPECT_EQ(requests.back().proposedName, "My_Style_2");
    EXPECT_EQ(requests.back().filter, "Style files|*.dat|Text files|*.txt|");
    EXPECT_EQ(requests.back().defaultExtension, "dat");
    EXPECT_TRUE(requests.back().save);
    EXPECT_EQ(testing_support::FolderNames(folder_), std::vector<std::string>{"tune.MID.dat"});
    EXPECT_EQ(Pauses(), 1);

    // A refused proposal asks once more with "no_name" and ".dat" alone.
    Chooser().QueueError(kInvalidFileNameError);
    Chooser().QueueFile(Path("x.txt"));
    EXPECT_TRUE(SaveWorkingStyle());
    requests = Chooser().FileRequests();
    EXPECT_EQ(requests.back().proposedName, "no_name");
    EXPECT_EQ(requests.back().filter, "Style files|*.dat|");
    EXPECT_NE(testing_support::ReadFileText(Path("x.txt")).find("My Style/2"), std::string::npos);

    // Cancel writes nothing and says nothing; a failing dialog is reported.
    Chooser().QueueCancel();
    EXPECT_FALSE(SaveWorkingStyle());
    Chooser().QueueError(kInvalidFileNameError);
    Chooser().QueueCancel();
    EXPECT_FALSE(SaveWorkingStyle());
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
    Chooser().QueueError(0x3003);
    EXPECT_FALSE(SaveWorkingStyle());
    ASSERT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("GNWN00003003"), std::string::npos);
    EXPECT_EQ(testing_support::FolderNames(folder_),
              (std::vector<std::string>{"tune.MID.dat", "x.txt"}));
    EXPECT_EQ(Pauses(), 2);
}

// A load goes through a copy: a cancel or a bad file leaves WorkingStyle and
// the key set-up as they were; a good one becomes WorkingStyle with its key's
// set-up.
TEST_F(StyleOperations, LoadChangesNothingUnlessAStyleWasLoaded) {
    MusicStyle minor = Entry(0, 8);
    minor.key = 2;
    minor.timeSignature = kMetre44;
    minor.chordProgression = 1;
    ASSERT_EQ(SaveStyleFile(minor, Path("minor.dat")), 0);
    testing_support::WriteFileText(Path("bad.dat"), std::string(100, '\x7f'));

    MusicStyle major = Entry(0, 8);
    major.key = 1;
    SetWorkingStyle(major);
    const MusicStyle before = WorkingStyle;
    Chooser().QueueCancel();
    EXPECT_FALSE(LoadWorkingStyle());
    Chooser().QueueFile(Path("bad.dat"));
    EXPECT_FALSE(LoadWorkingStyle());
    Chooser().QueueFile(Path("missing.dat"));
    EXPECT_FALSE(LoadWorkingStyle());
    EXPECT_TRUE(SameRecord(WorkingStyle, before));
    EXPECT_EQ(FieldText(TimeChartFileName), "TIMECHT.DB");
    EXPECT_EQ(Pauses(), 0);
    EXPECT_EQ(testing_support::Sink().Texts(),
              (std::vector<std::string>{"\"bad.dat\" can not be loaded: a style file holds at least "
                                        "8964 bytes, this one 100.",
                                        "ZAWCFF0101A3 Loading parameter is failed!"}));

    Chooser().QueueFile(Path("minor.dat"));
    EXPECT_TRUE(LoadWorkingStyle());
    EXPECT_EQ(WorkingStyle.key, 2);
    EXPECT_EQ(FieldText(TimeChartFileName), "TIMECHT.DB2");
    EXPECT_EQ(Pauses(), 1);
}

}  // namespace
