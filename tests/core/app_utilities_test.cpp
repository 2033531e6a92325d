// Output types against the tables in data/, the MIDI file reader, file names
// and the selected handset.
#include "core/app_utilities.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "tests/support/test_support.h"

using testing_support::Chooser;
using testing_support::ScratchDir;
using testing_support::Sink;
using testing_support::WriteFileText;

namespace {

std::vector<std::string> DataLines(const std::string& name) {
    std::ifstream in(std::string(ZAW_TEST_DATA_DIR) + "/" + name);
    EXPECT_TRUE(in) << name;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

struct TypeRow {
    int type = -1;
    std::string extension;
    int voices = 0;
    int flags[7] = {};  // wave, mail, smf, ringtone, docomo, softbank, au
};

std::vector<TypeRow> TypeRows() {
    std::vector<TypeRow> rows;
    for (const std::string& line : DataLines("output_types.txt")) {
        std::istringstream in(line);
        TypeRow r;
        in >> r.type >> r.extension >> r.voices;
        for (int& f : r.flags)
            in >> f;
        EXPECT_TRUE(in) << line;
        rows.push_back(r);
    }
    return rows;
}

}  // namespace

TEST(OutputTypeTables, EveryTypeMatchesTheTable) {
    const std::vector<TypeRow> rows = TypeRows();
    ASSERT_EQ(rows.size(), 29u);
    int (*const predicates[7])(int) = {
        IsWaveOutputType,     IsMelodyMailType,       IsSmfOutputType, IsRingtoneSynthType,
        IsDocomoTerminalType, IsSoftbankTerminalType, IsAuTerminalType};
    for (const TypeRow& r : rows) {
        SCOPED_TRACE("type " + std::to_string(r.type));
        std::string ext = "old";
        OutputTypeExtension(ext, r.type);
        EXPECT_EQ(ext, r.extension == "-" ? "old" : r.extension);
        EXPECT_EQ(OutputTypeVoiceCount(r.type), r.voices);
        for (int p = 0; p < 7; ++p)
            EXPECT_EQ(predicates[p](r.type), r.flags[p]) << "predicate " << p;
        // A type is at most one of wave, mail and Standard MIDI File.
        EXPECT_LE(r.flags[0] + r.flags[1] + r.flags[2], 1);
    }
    for (int type : {-1, 29, 1000}) {
        EXPECT_EQ(OutputTypeVoiceCount(type), 0);
        for (auto* predicate : predicates)
            EXPECT_EQ(predicate(type), 0) << type;
    }
}

TEST(OutputTypeTables, SaveFiltersFollowTheRows) {
    std::map<int, std::string> filters;
    for (const std::string& line : DataLines("save_filters.txt")) {
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        filters.emplace(std::stoi(line.substr(0, tab)), line.substr(tab + 1));
    }
    ASSERT_EQ(filters.size(), 14u);
    for (int type = -2; type <= 40; ++type) {
        std::string text = "unchanged";
        OutputTypeFileFilter(type, text);
        auto it = filters.find(type);
        EXPECT_EQ(text, it == filters.end() ? "unchanged" : it->second) << "type " << type;
    }
}

TEST(FileNames, MidiNamesAndTheLastPathPart) {
    EXPECT_EQ(IsMidiFileName("a.MiD"), 1);
    EXPECT_EQ(IsMidiFileName("/songs/Tune.mid"), 1);
    for (const char* name : {"a.midi", "id", "", "mid", ".mid", "a.mi", "amid", "a.mdi", "a_mid"})
        EXPECT_EQ(IsMidiFileName(name), 0) << '"' << name << '"';

    EXPECT_EQ(FileNameOfPath("/home/user/tune.mid"), "tune.mid");
    EXPECT_EQ(FileNameOfPath("tune.mid"), "tune.mid");
    EXPECT_EQ(FileNameOfPath("/songs/"), "");
    // ':' and '\' are ordinary characters of a Linux name.
    EXPECT_EQ(FileNameOfPath("/in/c:a\\b.mid"), "c:a\\b.mid");
}

TEST(MidiFileReader, ReadsFilesBelowTheLimitAndRefusesTheRest) {
    const std::string dir = ScratchDir();
    std::vector<std::uint8_t> buffer(WorkBufferSize, 0xAA);
    std::size_t size = 99;

    WriteFileText(dir + "/small.mid", "MThd-bytes");
    std::string path = dir + "/small.mid";
    ASSERT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 1);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 10), "MThd-bytes");
    EXPECT_EQ(buffer[10], 0);  // the rest was cleared
    EXPECT_EQ(buffer.back(), 0);

    // One byte below the limit is the largest file taken.
    WriteFileText(dir + "/largest.mid", std::string(WorkBufferSize - 1, 'x'));
    path = dir + "/largest.mid";
    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 1);
    EXPECT_EQ(size, WorkBufferSize - 1);
    EXPECT_EQ(Sink().Count(), 0u);

    WriteFileText(dir + "/full.mid", std::string(WorkBufferSize, 'x'));
    WriteFileText(dir + "/empty.mid", "");
    for (const char* name : {"/full.mid", "/empty.mid"}) {
        path = dir + name;
        EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 0) << name;
        EXPECT_EQ(size, 0u);
    }
    path = dir + "/none.mid";
    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 0);
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{"ZAWCFF010102 File Size Error!",
                                                        "ZAWCFF010102 File Size Error!",
                                                        "ZAWCFF010101 File Open Error!"}));

    // A small buffer is never written past its capacity.
    Sink().Clear();
    std::vector<std::uint8_t> small(64);
    path = dir + "/small.mid";
    EXPECT_EQ(ReadMidiFile(path, small.data(), small.size(), &size), 1);
    WriteFileText(dir + "/long.mid", std::string(500, 'y'));
    path = dir + "/long.mid";
    EXPECT_EQ(ReadMidiFile(path, small.data(), small.size(), &size), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ZAWCFF010102 File Size Error!"});
}

TEST(MidiFileReader, AnEmptyPathAsksForTheFile) {
    const std::string dir = ScratchDir();
    WriteFileText(dir + "/chosen.mid", "MThd");
    std::vector<std::uint8_t> buffer(256);
    std::size_t size = 0;

    Chooser().QueueCancel();
    Chooser().QueueFile(dir + "/chosen.mid");
    Chooser().QueueError(0x3002);
    std::string path;
    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 0);
    EXPECT_EQ(path, "");
    EXPECT_EQ(Sink().Count(), 0u);  // a cancel shows nothing

    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 1);
    EXPECT_EQ(path, dir + "/chosen.mid");
    EXPECT_EQ(size, 4u);

    path.clear();
    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ZAGN00003002 File name is invalid!"});

    const auto requests = Chooser().FileRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].defaultExtension, "mid");
    EXPECT_EQ(requests[0].filter, "midi files|*.mid|");
    EXPECT_FALSE(requests[0].save);
}

TEST(SelectedTerminal, ComesFromTheInstalledLookup) {
    const std::int32_t saved = AppSettings.TerminalIndex;
    AppSettings.TerminalIndex = 7;
    EXPECT_EQ(GetSelectedTerminalId(), 0);
    SetTerminalIdLookup([](int row) { return 1000 + row; });
    EXPECT_EQ(GetSelectedTerminalId(), 1007);
    SetTerminalIdLookup(nullptr);
    EXPECT_EQ(GetSelectedTerminalId(), 0);
    AppSettings.TerminalIndex = saved;
}

TEST(ProgressDots, TheSlowDotsComeOnEveryThirdCall) {
    ComposeProgressText.Clear();
    std::string added;
    for (int call = 1; call <= 10; ++call) {
        const std::size_t before = ComposeProgressText.Length();
        AddProgressDotSlow();
        added += ComposeProgressText.Length() > before ? 'x' : '.';
    }
    EXPECT_EQ(added, "x..x..x..x");  // calls 1, 4, 7, 10
    ComposeProgressText.Clear();
}

TEST(SettingsTimerFields, OutOfRangeTimesAreClamped) {
    AppSettingsRecord record{};
    record.FormatFilterIndex = 1;
    record.StyleFilterIndex = 2;
    record.TimerStartHour = 24;
    record.TimerStartMinute = -5;
    record.TimerStopHour = -1;
    record.TimerStopMinute = 1000;
    EXPECT_EQ(SanitizeSettings(record), 4);
    EXPECT_EQ(record.TimerStartHour, 23);
    EXPECT_EQ(record.TimerStartMinute, 0);
    EXPECT_EQ(record.TimerStopHour, 0);
    EXPECT_EQ(record.TimerStopMinute, 59);
    EXPECT_EQ(SanitizeSettings(record), 0);
}
