// The pieces of one new knowledge-base entry: a chord picked from a root
// list and a chord-type list, a transition of two chords with a rate, and a
// resolution pattern of up to eight chords.
#pragma once

#include <string>
#include <vector>

constexpr int kKnowledgeRootCount = 12;
constexpr int kKnowledgeTypeCount = 8;
constexpr int kKnowledgeTypeNone = 7;  // "---", the chord type preset
constexpr int kRateLowest = 1;
constexpr int kRateHighest = 999;
constexpr int kRatePreset = 500;
constexpr int kChordPairLength = 11;  // two chord codes and three digits
constexpr int kPatternChordsMax = 8;  // chords a new resolution pattern takes

// The texts the lists show, by position ("" outside).
const char* KnowledgeRootText(int position);
const char* KnowledgeTypeText(int position);
// The 4-character chord code of a root and a chord-type position: the root
// letter and the quality code. A position outside its list counts as its
// preset ("C", "---").
std::string KnowledgeChordCode(int rootPosition, int typePosition);
// The transition entry: both chord codes and the rate, held to 1..999, as
// exactly three digits.
std::string ChordPairText(const std::string& first, const std::string& second, int rate);

// The chords of a resolution pattern being built, at most eight.
class PatternDraft {
public:
    // Appends the chord; false (and nothing added) when eight are there.
    bool Add(const std::string& code);
    const std::vector<std::string>& Chords() const { return chords_; }

private:
    std::vector<std::string> chords_;
};
