#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "compose/compose_info.h"
#include "compose/note_list.h"
#include "tests/compose/compose_test_util.h"
#include "tests/support/test_support.h"

using compose_test::Chord;
using compose_test::Entry;
using testing_support::Sink;

namespace {

class NoteLists : public compose_test::StyleFixture {};

std::vector<int> Pitches(const NoteList& list) {
    std::vector<int> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Event(i)->value);
    return out;
}

int NoteMessages() {
    int n = 0;
    for (const std::string& text : Sink().Texts())
        if (text.find("No more memory for notes!") != std::string::npos) ++n;
    return n;
}

}  // namespace

TEST_F(NoteLists, LastSlotReportsAndStoresThenEveryAppendIsRefused) {
    auto list = std::make_unique<NoteList>();
    for (int i = 0; i < kNoteListCapacity - 1; ++i)
        ASSERT_NE(list->AppendNote(48, 60 + i % 12), nullptr);
    EXPECT_EQ(NoteMessages(), 0);

    NoteEvent* last = list->AppendValue(10, 7);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(NoteMessages(), 1);
    EXPECT_EQ(list->Count(), kNoteListCapacity);
    EXPECT_EQ(list->Event(kNoteListCapacity - 1)->value, 7);

    // Every kind of append is refused now, without another message, and a
    // refused label says so.
    EXPECT_EQ(list->AppendNote(48, 60), nullptr);
    EXPECT_EQ(list->AppendLabel(0, "BAR1"), 0);
    EXPECT_EQ(list->AppendValue(1, 1), nullptr);
    ChordRecord chord = Chord("CMPS");
    EXPECT_EQ(list->AppendChord(&chord), nullptr);
    EXPECT_EQ(list->AppendCopy(*list->Event(0)), nullptr);
    list->AppendList(*list);
    EXPECT_EQ(list->Count(), kNoteListCapacity);
    EXPECT_EQ(NoteMessages(), 1);

    // Cleared, the list takes events again and reports again at its end.
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->AppendLabel(96, "BAR1"), 1);
    EXPECT_EQ(std::string(list->Event(0)->label, 4), "BAR1");
}

TEST_F(NoteLists, EventsStartAtZeroAndCopiesKeepEveryField) {
    NoteList list;
    NoteEvent* note = list.AppendNote(96, 64);
    EXPECT_EQ(std::string(note->chordCode, 4), std::string(4, '\0'));
    EXPECT_EQ(std::string(note->label, 4), std::string(4, '\0'));
    EXPECT_EQ(note->numberText[0], '\0');

    ChordRecord chord = Chord("GMPs", "07");
    NoteEvent* c = list.AppendChord(&chord);
    EXPECT_EQ(c->kind, note_kind::kChord);
    EXPECT_EQ(c->length, 384);
    EXPECT_EQ(c->value, 0);
    EXPECT_EQ(std::string(c->chordCode, 4), "GMPs");
    EXPECT_EQ(std::string(c->numberText, 2), "07");
    NoteEvent* empty = list.AppendChord(nullptr);
    EXPECT_EQ(empty->length, 0);
    EXPECT_EQ(std::string(empty->numberText, 2), std::string(2, '\0'));

    list.AppendLabel(0, "B001");
    list.AppendValue(5, -3);
    NoteList copy;
    copy.AppendNote(1, 1);
    copy.CopyFrom(list);
    ASSERT_EQ(copy.Count(), list.Count());
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(std::memcmp(copy.Event(i), list.Event(i), sizeof(NoteEvent)), 0) << i;
    EXPECT_NE(copy.Event(0), list.Event(0));  // copies, not shared events

    // A list appended to itself doubles once; copied from itself it stays.
    copy.AppendList(copy);
    EXPECT_EQ(copy.Count(), 2 * list.Count());
    copy.CopyFrom(copy);
    EXPECT_EQ(copy.Count(), 2 * list.Count());
}

TEST_F(NoteLists, WindowCountsSoundingNotesAndTimesEverything) {
    NoteList list;
    list.AppendNote(96, 60);       // 0
    list.AppendNote(96, 0);        // 96: a rest
    list.AppendLabel(48, "B002");  // 192
    list.AppendValue(48, 5);       // 240
    list.AppendNote(96, 62);       // 288
    list.AppendNote(96, 64);       // 384
    EXPECT_EQ(list.CountNotesInWindow(0, 384), 2);
    EXPECT_EQ(list.CountNotesInWindow(1, 288), 0);
    EXPECT_EQ(list.CountNotesInWindow(288, 289), 1);
    EXPECT_EQ(list.CountNotesInWindow(0, 1000), 3);
    EXPECT_EQ(list.CountNotesInWindow(384, 384), 0);
}

TEST_F(NoteLists, KeyChangeMovesNotesAndChordRootsFromTheIndex) {
    NoteList list;
    ChordRecord g = Chord("GMPs");
    for (int p : {60, 126, 127, 0})
        list.AppendNote(96, p);
    list.AppendChord(&g);
    list.AppendLabel(0, "B001");

    WorkingStyle.transpose = 0;
    list.TransposeUpFrom(0);
    EXPECT_EQ(Pitches(list), (std::vector<int>{60, 126, 127, 0, 0, 0}));

    WorkingStyle.transpose = 1;
    WorkingStyle.melody[kPartMelody].upperLimit = 127;
    list.TransposeUpFrom(1);
    EXPECT_EQ(Pitches(list), (std::vector<int>{60, 127, 116, 0, 0, 0}));
    EXPECT_EQ(list.Event(4)->chordCode[0], 'a');
    EXPECT_EQ(std::string(list.Event(5)->label, 4), "B001");

    // A note far above the melody's range drops an octave.
    WorkingStyle.melody[kPartMelody].upperLimit = 84;
    list.TransposeUpFrom(0);
    EXPECT_EQ(Pitches(list), (std::vector<int>{61, 104, 105, 0, 0, 0}));

    WorkingStyle.melody[kPartMelody].lowerLimit = 60;
    list.TransposeDownFrom(0);
    EXPECT_EQ(Pitches(list), (std::vector<int>{60, 103, 104, 0, 0, 0}));
    EXPECT_EQ(list.Event(4)->chordCode[0], 'a');  // up twice, down once
    // Far below the range a note rises an octave; the lowest key never turns
    // into a rest.
    NoteList low;
    low.AppendNote(96, 40);
    low.AppendNote(96, 1);
    low.TransposeDownFrom(0);
    EXPECT_EQ(Pitches(low), (std::vector<int>{51, 24}));
}

TEST_F(NoteLists, ComposeInformationChordsAndReset) {
    auto info = std::make_unique<ComposeInformation>();
    EXPECT_EQ(Sink().Count(), 0u);
    ASSERT_NE(info->TimeChart(0), nullptr);
    ASSERT_NE(info->TimeChart(kMaxBlocks - 1), nullptr);
    EXPECT_EQ(info->TimeChart(kMaxBlocks), nullptr);
    EXPECT_EQ(info->TimeChart(-1), nullptr);
    for (int b : {0, kMaxBlocks - 1})
        for (int i = 0; i < kTimeChartSlots; ++i) {
            ASSERT_EQ(info->TimeChart(b)[i], 0);
            info->TimeChart(b)[i] = 384;
        }

    EXPECT_TRUE(info->AddChord(Entry("CMPS", 384), 7));
    EXPECT_TRUE(info->AddChord(Entry("GMPs", 192), 0));
    EXPECT_FALSE(info->AddChord(Entry("FMPS", 96), 100));
    EXPECT_FALSE(info->AddChord(Entry("FMPS", 96), -1));
    ASSERT_EQ(info->chordCount, 2);
    EXPECT_EQ(std::string(info->chords[0]->onChordText, 2), "07");
    EXPECT_EQ(info->chords[0]->bass, 36 + 7);
    EXPECT_EQ(std::string(info->chords[1]->onChordText, 2), "00");
    EXPECT_EQ(info->TotalChordLength(), 576);

    for (int i = 2; i < kMaxChords; ++i)
        ASSERT_TRUE(info->AddChord(Entry("aMPd", 96), 99));
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_FALSE(info->AddChord(Entry("aMPd", 96), 1));
    EXPECT_EQ(info->chordCount, kMaxChords);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{kComposeInfoErrorText});
    EXPECT_EQ(info->TotalChordLength(), 576 + 96 * (kMaxChords - 2));

    info->blockSequenceLength = 12;
    info->blockChords[3]->AppendNote(96, 60);
    info->blockMelodies[3]->AppendNote(96, 60);
    info->melody.AppendNote(96, 60);
    info->secondMelody.AppendNote(96, 60);
    info->labels.AppendLabel(0, "B001");
    info->Reset();
    EXPECT_EQ(info->blockSequenceLength, 0);
    EXPECT_EQ(info->blockChords[3]->Count(), 0);
    EXPECT_EQ(info->melody.Count() + info->secondMelody.Count() + info->labels.Count(), 0);
    // The melody arrays are emptied when they are joined, not here.
    EXPECT_EQ(info->blockMelodies[3]->Count(), 1);
    EXPECT_EQ(info->chordCount, kMaxChords);
    info->ClearChords();
    EXPECT_EQ(info->chordCount, 0);
    EXPECT_EQ(info->TotalChordLength(), 0);
}

TEST_F(NoteLists, ChordSequenceKeyChangeFromTheNthChord) {
    ComposeInfo.ClearChords();
    ComposeInfo.AddChord(Entry("CMPd"), 0);
    ComposeInfo.AddChord(Entry("GMPs"), 0);
    ComposeInfo.AddChord(Entry("NoCd"), 0);
    TransposeChordsUpFrom(2);
    EXPECT_EQ(ComposeInfo.chords[0]->root, 60);
    EXPECT_EQ(ComposeInfo.chords[1]->root, 68);
    EXPECT_EQ(ComposeInfo.chords[1]->code.text[0], 'a');
    EXPECT_EQ(ComposeInfo.chords[2]->root, 0);
    TransposeChordsDownFrom(0);
    EXPECT_EQ(ComposeInfo.chords[0]->root, 59);
    EXPECT_EQ(ComposeInfo.chords[0]->code.text[0], 'B');
    EXPECT_EQ(ComposeInfo.chords[1]->root, 67);
    ComposeInfo.ClearChords();
}
