// Output types against the tables in data/, the MIDI file reader and names.
#include "core/app_utilities.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/output_formats.h"
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
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

}  // namespace

TEST(OutputTypeTables, EveryTypeMatchesTheTables) {
    // The columns after the voices: the families, then the carriers.
    const auto family = [](FormatFamily f) {
        return [f](int t) { return FormatOf(t).family == f; };
    };
    const auto carrier = [](Carrier c) { return [c](int t) { return FormatOf(t).carrier == c; }; };
    const std::function<bool(int)> flags[] = {
        family(FormatFamily::Wave), family(FormatFamily::MelodyMail),
        family(FormatFamily::Smf),  family(FormatFamily::Ringtone),
        carrier(Carrier::Docomo),   carrier(Carrier::Softbank),
        carrier(Carrier::Au)};
    const auto rows = DataLines("output_types.txt");
    ASSERT_EQ(rows.size(), 29u);
    for (const std::string& line : rows) {
        std::istringstream in(line);
        int type = 0, voices = 0;
        std::string extension;
        in >> type >> extension >> voices;
        const char* text = FormatOf(type).extension;
        EXPECT_EQ(text ? text : "-", extension) << line;
        EXPECT_EQ(FormatOf(type).voices, voices) << line;
        for (const auto& flag : flags) {
            int expected = -1;
            in >> expected;
            EXPECT_EQ(flag(type) ? 1 : 0, expected) << line;
        }
    }

    std::map<int, std::string> filters;
    for (const std::string& line : DataLines("save_filters.txt"))
        filters.emplace(std::stoi(line), line.substr(line.find('\t') + 1));
    ASSERT_EQ(filters.size(), 14u);
    for (int type = -2; type <= 40; ++type) {
        const char* text = FormatOf(type).saveFilter;
        EXPECT_EQ(text ? text : "unchanged", filters.count(type) ? filters[type] : "unchanged")
            << type;
    }
    // An id outside the table names no file, voices, family or carrier.
    for (int type : {-1, 29}) {
        const OutputFormat& f = FormatOf(type);
        EXPECT_TRUE(!f.extension && f.voices == 0 && f.family == FormatFamily::None &&
                    f.carrier == Carrier::None)
            << type;
    }
}

TEST(FileNames, MidiNamesAndTheLastPathPart) {
    EXPECT_EQ(IsMidiFileName("a.MiD"), 1);
    for (const char* name : {"a.midi", "id", "", ".mid", "a.mi", "amid", "a.mdi"})
        EXPECT_EQ(IsMidiFileName(name), 0) << '"' << name << '"';
    EXPECT_EQ(FileNameOfPath("/home/user/tune.mid"), "tune.mid");
    EXPECT_EQ(FileNameOfPath("tune.mid"), "tune.mid");
    EXPECT_EQ(FileNameOfPath("/in/c:a\\b.mid"), "c:a\\b.mid");  // ordinary characters
}

TEST(MidiFileReader, ReadsFilesBelowTheLimitAndAsksForAMissingPath) {
    const std::string dir = ScratchDir();
    std::vector<std::uint8_t> buffer(WorkBufferSize, 0xAA);
    std::size_t size = 0;
    WriteFileText(dir + "/largest.mid", std::string(WorkBufferSize - 1, 'x'));
    WriteFileText(dir + "/full.mid", std::string(WorkBufferSize, 'x'));
    WriteFileText(dir + "/empty.mid", "");
    WriteFileText(dir + "/small.mid", "MThd");

    std::string path = dir + "/largest.mid";
    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 1);
    EXPECT_EQ(size, WorkBufferSize - 1);
    for (const char* name : {"/full.mid", "/empty.mid", "/none.mid"}) {
        path = dir + name;
        EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 0) << name;
    }
    // A small buffer is never written past its capacity.
    std::vector<std::uint8_t> small(3);
    path = dir + "/small.mid";
    EXPECT_EQ(ReadMidiFile(path, small.data(), small.size(), &size), 0);
    EXPECT_EQ(Sink().Texts(),
              (std::vector<std::string>{
                  "ZAWCFF010102 File Size Error! [\"full.mid\" has 393216 bytes or more; a MIDI "
                  "file must be under 393216 bytes]",
                  "ZAWCFF010102 File Size Error! [\"empty.mid\" is empty; a MIDI file must be "
                  "under 393216 bytes]",
                  "ZAWCFF010101 File Open Error!",
                  "ZAWCFF010102 File Size Error! [\"small.mid\" has 3 bytes or more; a MIDI file "
                  "must be under 3 bytes]"}));

    Sink().Clear();
    Chooser().QueueCancel();
    Chooser().QueueFile(dir + "/small.mid");
    path.clear();
    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 0);
    EXPECT_EQ(Sink().Count(), 0u);  // a cancel shows nothing
    EXPECT_EQ(ReadMidiFile(path, buffer.data(), buffer.size(), &size), 1);
    EXPECT_EQ(path, dir + "/small.mid");
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 5), std::string("MThd\0", 5));
    const auto request = Chooser().FileRequests().at(0);
    EXPECT_EQ(request.defaultExtension + " " + request.filter, "mid midi files|*.mid|");
}

TEST(ProgressDots, TheSlowDotsComeOnEveryThirdCall) {
    std::string added;
    for (int call = 1; call <= 10; ++call) {
        const std::size_t before = ComposeProgressText.Length();
        AddProgressDotSlow();
        added += ComposeProgressText.Length() > before ? 'x' : '.';
    }
    EXPECT_EQ(added, "x..x..x..x");  // calls 1, 4, 7, 10
}
