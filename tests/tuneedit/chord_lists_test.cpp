// The chord lists: the chord file, the lists from the style and from the
// edited tune, beats turned into sections, markers rewritten, a chord change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <utility>

#include "compose/chord_buffer.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "style/style_table.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/harmony_section.h"

namespace {

using tuneedit_test::SaveTune;

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The code of the chord sounding at every beat.
std::vector<std::string> BeatCodes() {
    std::vector<std::string> codes;
    for (const NoteEvent& c : ChordProgression())
        for (int b = 0; b < c.length / kStepTicks; ++b)
            codes.emplace_back(c.chordCode, 4);
    return codes;
}

// A structure of n entries of a few codes and lengths, random-looking but fixed.
std::vector<std::uint8_t> Structure(int n, bool ended) {
    std::vector<std::uint8_t> bytes(kHarmonyStructureBytes, 0x5A);
    const char* codes[] = {"CMPd", "AmPs", "FMPS", "GMPs", "dmPd"};
    for (int i = 0; i < n; ++i) {
        const int length = kStepTicks * (1 + (i * 7) % 4);
        bytes[6 * i] = static_cast<std::uint8_t>(length >> 8);
        bytes[6 * i + 1] = static_cast<std::uint8_t>(length & 0xFF);
        std::memcpy(&bytes[6 * i + 2], codes[i % 5], 4);
    }
    if (ended) bytes[6 * n] = bytes[6 * n + 1] = 0;
    return bytes;
}

TEST(ChordFile, EmptyFileSaveAndLoadRoundTrips) {
    const std::string dir = testing_support::ScratchDir();
    std::vector<std::uint8_t> empty(kHarmonyStructureBytes, 0x33);
    empty[0] = empty[1] = 0;
    WriteBytes(dir + "/chord.dat", empty);
    ASSERT_EQ(LoadChordFile(dir), 1);
    EXPECT_EQ(ChordStepCount, 0);

    // Load, Save writes the very bytes read; Save, Load keeps every beat. A
    // file may end right after its end entry's length.
    const std::pair<int, std::size_t> files[] = {
        {1, kHarmonyStructureBytes}, {37, kHarmonyStructureBytes},
        {kMaxChordEntries, kHarmonyStructureBytes}, {5, 6 * 5 + 2}};
    for (auto [n, size] : files) {
        std::vector<std::uint8_t> bytes = Structure(n, true);
        bytes.resize(size);
        WriteBytes(dir + "/chord.dat", bytes);
        ASSERT_EQ(LoadChordFile(dir), 1) << n;
        const std::vector<std::string> beats = BeatCodes();
        ASSERT_EQ(SaveChordFile(dir), 1);
        std::vector<std::uint8_t> saved = ReadBytes(dir + "/chord.dat");
        saved.resize(std::min(saved.size(), size));
        EXPECT_EQ(saved, bytes) << n;
        ASSERT_EQ(LoadChordFile(dir), 1);
        EXPECT_EQ(BeatCodes(), beats);
        EXPECT_EQ(static_cast<int>(beats.size()), ChordStepCount);
    }
}

TEST(ChordFile, FileWithoutEndKeepsTheStyle) {
    const std::string dir = testing_support::ScratchDir();
    std::memcpy(WorkingStyle.harmonyStructure, Structure(3, true).data(), kHarmonyStructureBytes);
    std::vector<std::uint8_t> before(WorkingStyle.harmonyStructure,
                                     WorkingStyle.harmonyStructure + kHarmonyStructureBytes);
    WriteBytes(dir + "/chord.dat", Structure(kMaxChordEntries, false));
    testing_support::Sink().Clear();
    EXPECT_EQ(LoadChordFile(dir), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(WorkingStyle.harmonyStructure,
                                        WorkingStyle.harmonyStructure + kHarmonyStructureBytes),
              before);
    ASSERT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_EQ(testing_support::Sink().Texts()[0],
              "\"chord.dat\" can not be loaded: it holds more than 682 chords.");
    EXPECT_EQ(LoadChordFile(dir + "/missing"), 0);
    EXPECT_NE(testing_support::Sink().Texts()[1].find("file error!"), std::string::npos);
}

TEST(ChordLists, StyleWalkStopsAtTheLastEntry) {
    std::memcpy(WorkingStyle.harmonyStructure, Structure(kMaxChordEntries, false).data(),
                kHarmonyStructureBytes);
    testing_support::Sink().Clear();
    EXPECT_EQ(BuildChordListsFromStyle(), 0);
    EXPECT_EQ(static_cast<int>(ChordProgression().size()), kMaxChordEntries);
    EXPECT_NE(testing_support::Sink().Texts().at(0).find("error in chord editing"),
              std::string::npos);
    // One chord more than the structure holds is refused and changes nothing.
    std::vector<NoteEvent> chords = ChordProgression();
    chords.push_back(chords.front());
    EXPECT_EQ(SetChordProgression(chords), 0);
    EXPECT_EQ(static_cast<int>(ChordProgression().size()), kMaxChordEntries);
}

class EditedChords : public ::testing::Test {
protected:
    void Open(const std::vector<tuneedit_test::Marker>& markers, int endTick) {
        const std::string path = SaveTune("edit_temp.mid", markers,
                                          {{1, 0, 60, 96}, {1, endTick - 96, 64, 96}});
        OpenCurrentEditObject(path);
        BuildChordListsFromEditTune(CurrentEditObject()->Tune());
    }
    void SetUp() override {
        saved_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        ResetComposerState();
    }
    void TearDown() override {
        SetCurrentEditObject(nullptr);
        ComposeInfo.ClearChords();
        WorkingStyle = saved_;
    }
    MusicStyle saved_{};
};

TEST_F(EditedChords, LocateStepSplitsAndAppends) {
    Open({{0, "C"}, {384, "Am 7"}, {768, "F"}}, 1152);
    const std::vector<std::string> beats = BeatCodes();
    EXPECT_EQ(LocateStep(4, 0), 1);  // a chord's first beat: nothing split
    EXPECT_EQ(ChordProgression().size(), 3u);
    EXPECT_EQ(LocateStep(6, 0), 2);  // third beat of four: 2 + 2
    const auto chords = ChordProgression();
    ASSERT_EQ(chords.size(), 4u);
    EXPECT_EQ(chords[1].length, 192);
    EXPECT_EQ(chords[2].length, 192);
    EXPECT_EQ(BeatCodes(), beats);

    // Markers rewritten and read again keep every beat's chord.
    EditedTune& tune = CurrentEditObject()->Tune();
    WriteMarkersFromChordLists(tune);
    ASSERT_EQ(tune.BuildSectionTable(), 1);
    EXPECT_EQ(BuildChordListsFromEditTune(tune), 4);
    EXPECT_EQ(BeatCodes(), beats);

    // Past the end: a "CMPS" chord of the missing beats, a section more.
    EXPECT_EQ(LocateStep(14, 1), 4);
    EXPECT_EQ(ChordProgression().back().length, 3 * 96);
    EXPECT_EQ(tune.SectionCount(), 5);
    EXPECT_EQ(tune.SectionCode(4), "CMPS");
}

TEST_F(EditedChords, FullTablesRefuse) {
    std::vector<tuneedit_test::Marker> markers;
    static std::vector<std::string> texts(EditedTune::kMaxSections, "G");
    for (int i = 0; i < EditedTune::kMaxSections; ++i)
        markers.push_back({i * 192, texts[static_cast<std::size_t>(i)].c_str()});
    testing_support::Sink().Clear();
    Open(markers, EditedTune::kMaxSections * 192);
    EXPECT_EQ(CurrentEditObject()->Tune().SectionCount(), EditedTune::kMaxSections);
    const std::size_t shown = testing_support::Sink().Count();
    EXPECT_EQ(LocateStep(1, 0), -1);
    EXPECT_EQ(LocateStep(5000, 0), -1);
    EXPECT_EQ(ChordProgression().size(), static_cast<std::size_t>(EditedTune::kMaxSections));
    EXPECT_EQ(testing_support::Sink().Count(), shown + 2);
    SetCurrentEditObject(nullptr);
    EXPECT_EQ(LocateStep(0, 0), -1);
}

TEST_F(EditedChords, ChordChangeMovesTheSectionAndSaves) {
    Open({{0, "C M7"}, {384, "C M7"}}, 768);
    ChordEditExchange change;
    change.section = 0;
    std::memcpy(change.oldCode.data(), "CMPS", 4);
    std::memcpy(change.newCode.data(), "DmPs", 4);
    std::memcpy(change.markerText.data(), "Dm 7", 4);
    ASSERT_EQ(ApplyChordChange(change), 1);
    EditObject reread(CurrentEditObject()->Path());
    EXPECT_EQ(reread.Tune().SectionCode(0), "DmPs");
    EXPECT_EQ(reread.Tune().SectionCode(1), "CMPS");
    std::vector<int> keys;
    for (const MidiEvent* e : reread.Tune().Track(1)->Events())
        if (e->IsNoteWithLength()) keys.push_back(e->note);
    EXPECT_EQ(keys, (std::vector<int>{62, 64}));
}

}  // namespace

namespace {

// The harmony of one section generated again: only that section's harmony
// changes, the melody stays, and the tune still passes its checks.
TEST_F(EditedChords, RegeneratedHarmonyStaysInItsSection) {
    const std::string path = SaveTune("h.mid", {{0, "C"}, {384, "G 7"}, {768, "F"}},
                                      {{1, 0, 60, 96}, {3, 0, 48, 384}, {3, 384, 50, 384},
                                       {3, 768, 53, 384}, {1, 1056, 64, 96}});
    OpenCurrentEditObject(path);
    EditedTune& tune = CurrentEditObject()->Tune();
    WorkingStyle.harmonyPattern = 1;
    WorkingStyle.density[kPartHarmony] = 100;
    WorkingStyle.octave[kPartHarmony] = 0;
    const int harmony = tune.FindTrackByChannel(kHarmonyChannel);
    ASSERT_GT(harmony, 0);
    ASSERT_EQ(RegenerateHarmonySection(tune, 1), 1);
    long long tick = 0;
    int inSection = 0;
    std::vector<std::pair<long long, int>> outside;
    for (const MidiEvent* e : tune.Track(harmony)->Events()) {
        tick += e->delta;
        if (!e->IsNoteWithLength()) continue;
        // The old chord's note is gone.
        EXPECT_FALSE(tick == 384 && e->note == 50 && e->length == 384);
        if (tick >= 384 && tick < 768) ++inSection;
        else outside.emplace_back(tick, e->note);
    }
    EXPECT_GT(inSection, 0);
    EXPECT_EQ(outside, (std::vector<std::pair<long long, int>>{{0, 48}, {768, 53}}));
    EXPECT_EQ(tune.CheckNoteKeys() + tune.CheckTracks(), 0);
    EXPECT_EQ(tune.SaveAndReload(path), 1);

    // A section without a chord code is refused.
    testing_support::Sink().Clear();
    EXPECT_EQ(RegenerateHarmonySection(tune, 7), 0);
}

}  // namespace
