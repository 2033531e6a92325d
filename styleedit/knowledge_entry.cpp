#include "styleedit/knowledge_entry.h"

#include <algorithm>

#include "compose/chord_record.h"

namespace {

constexpr const char* kRootTexts[kKnowledgeRootCount] = {
    "   C",  "   Db", "   D",  "   Eb", "   E",  "   F",
    "   Gb", "   G",  "   Ab", "   A",  "   Bb", "   B",
};

struct ChordType {
    const char* text;     // as the list shows it
    const char* quality;  // the three letters after the root
};
constexpr ChordType kChordTypes[kKnowledgeTypeCount] = {
    {"   7    ", "MPs"},    // dominant seventh
    {"   M7    ", "MPS"},   // major seventh
    {"   m7    ", "mPs"},   // minor seventh
    {"   m M7   ", "mPS"},  // minor major seventh
    {"   dim 7  ", "mds"},  // diminished seventh
    {"   dim M7 ", "mdS"},  // diminished major seventh
    {"   m      ", "mPo"},  // minor triad
    {"   ---    ", "MPo"},  // major triad
};

bool Inside(int position, int count) {
    return position >= 0 && position < count;
}

}  // namespace

const char* KnowledgeRootText(int position) {
    return Inside(position, kKnowledgeRootCount) ? kRootTexts[position] : "";
}

const char* KnowledgeTypeText(int position) {
    return Inside(position, kKnowledgeTypeCount) ? kChordTypes[position].text : "";
}

std::string KnowledgeChordCode(int rootPosition, int typePosition) {
    if (!Inside(rootPosition, kKnowledgeRootCount)) rootPosition = 0;
    if (!Inside(typePosition, kKnowledgeTypeCount)) typePosition = kKnowledgeTypeNone;
    std::string code(1, PitchClassToRootLetter(rootPosition));
    code += kChordTypes[typePosition].quality;
    return code;
}

std::string ChordPairText(const std::string& first, const std::string& second, int rate) {
    rate = std::clamp(rate, kRateLowest, kRateHighest);
    std::string pair = first + second;
    pair += static_cast<char>('0' + rate / 100);
    pair += static_cast<char>('0' + rate / 10 % 10);
    pair += static_cast<char>('0' + rate % 10);
    return pair;
}

bool PatternDraft::Add(const std::string& code) {
    if (static_cast<int>(chords_.size()) >= kPatternChordsMax) return false;
    chords_.push_back(code);
    return true;
}
