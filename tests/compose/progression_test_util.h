// Runs of the chord-progression generator for the tests: a style fixture
// that also keeps the key set-up, the knowledge texts and the run-long
// generator state, the length fitting run to its end as composing a tune
// runs it, and a snapshot of what one run produced.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "compose/knowledge_base.h"
#include "compose/length_fitting.h"
#include "style/key_setup.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"

namespace compose_test {

class ProgressionFixture : public StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        savedTonic_ = TonicChordCode;
        std::memcpy(savedChart_, TimeChartFileName, sizeof savedChart_);
        std::memcpy(savedCadenceChart_, CadenceTimeChartFileName, sizeof savedCadenceChart_);
        ResetComposerState();
    }
    void TearDown() override {
        ComposeInfo.Reset();
        ComposeInfo.ClearChords();
        ComposeInfo.blockCount = 0;
        TonicChordCode = savedTonic_;
        std::memcpy(TimeChartFileName, savedChart_, sizeof savedChart_);
        std::memcpy(CadenceTimeChartFileName, savedCadenceChart_, sizeof savedCadenceChart_);
        LoadKnowledgeTexts("", "", "", "");
        StyleFixture::TearDown();
    }

private:
    ChordCode savedTonic_{};
    char savedChart_[kTimeChartNameSize] = {};
    char savedCadenceChart_[kTimeChartNameSize] = {};
};

// The composer's length fitting; returns the steps made.
inline int FitAndCountSteps() {
    FitToTuneLength();
    return FitState;
}

// A chord as a generator left it: code, length and on-chord text.
struct PlacedChord {
    std::string code;
    int length = 0;
    std::string onChord;
    bool operator==(const PlacedChord&) const = default;
};

struct ProgressionSnapshot {
    std::vector<int> sequence;
    std::vector<std::vector<PlacedChord>> blocks;
    std::vector<PlacedChord> timeline;
    int keyBlocks[2] = {}, keyShift[2] = {}, keyIndex[2] = {};
    bool operator==(const ProgressionSnapshot& o) const {
        return sequence == o.sequence && blocks == o.blocks && timeline == o.timeline &&
               std::memcmp(keyBlocks, o.keyBlocks, sizeof keyBlocks) == 0 &&
               std::memcmp(keyShift, o.keyShift, sizeof keyShift) == 0 &&
               std::memcmp(keyIndex, o.keyIndex, sizeof keyIndex) == 0;
    }
};

inline std::vector<PlacedChord> BlockChords(int block) {
    std::vector<PlacedChord> out;
    const NoteList& list = *ComposeInfo.blockChords[block];
    for (int e = 0; e < list.Count(); ++e) {
        const NoteEvent& ev = *list.Event(e);
        out.push_back({std::string(ev.chordCode, 4), ev.length,
                       std::string(ev.numberText, ev.numberText[0] ? 2 : 0)});
    }
    return out;
}

inline ProgressionSnapshot Snapshot() {
    ProgressionSnapshot s;
    s.sequence.assign(ComposeInfo.blockSequence,
                      ComposeInfo.blockSequence + ComposeInfo.blockSequenceLength);
    for (int b = 0; b < ComposeInfo.blockCount; ++b)
        s.blocks.push_back(BlockChords(b));
    for (int c = 0; c < ComposeInfo.chordCount; ++c) {
        const ChordRecord& r = *ComposeInfo.chords[c];
        s.timeline.push_back({std::string(r.code.text, 4), r.length,
                              std::string(r.onChordText, r.onChordText[0] ? 2 : 0)});
    }
    for (int p = 0; p < 2; ++p) {
        s.keyBlocks[p] = KeyChangeBlocks[p];
        s.keyShift[p] = KeyChangeShift[p];
        s.keyIndex[p] = KeyChangeChordIndex[p];
    }
    return s;
}

// Block lists of known chords: block b (from 1) holds the codes given, each
// of the length given, played in the sequence given.
inline void SetBlocks(const std::vector<std::vector<std::string>>& blocks,
                      const std::vector<int>& sequence, int length = 384) {
    ComposeInfo.Reset();
    ComposeInfo.blockCount = static_cast<int>(blocks.size());
    for (std::size_t b = 0; b < blocks.size(); ++b)
        for (const std::string& code : blocks[b]) {
            ChordRecord record(Entry(code, length), "00");
            ComposeInfo.blockChords[b]->AppendChord(&record);
        }
    ComposeInfo.blockSequenceLength = static_cast<int>(sequence.size());
    for (std::size_t p = 0; p < sequence.size(); ++p)
        ComposeInfo.blockSequence[p] = sequence[p];
}

}  // namespace compose_test
