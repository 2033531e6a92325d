// The two knowledge-base files as the knowledge-base editor reads and writes
// them. The transition file is a run of 14-byte entries (from-code, to-code,
// three rate digits, '|', CR, LF); the pattern file starts with its pattern
// count, '|', CR, LF, then one line per pattern: its chord codes back to
// back, '|', CR, LF. Readers take the bytes, check every entry's framing and
// load nothing from a file that breaks it; writers give the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/reporters.h"

constexpr ErrorCode kKnowledgeSameChord = 0xFF010054;        // "Can't set the same chord!"
constexpr ErrorCode kKnowledgeOpenFailed = 0xFF010055;       // "Can't open knowledge base!"
constexpr ErrorCode kKnowledgePatternCheck = 0xFF010056;     // "Pattern error!"
constexpr ErrorCode kKnowledgePatternUnset = 0xFF010057;     // "Can't set pattern!"
constexpr ErrorCode kKnowledgeTransitionUnset = 0xFF010058;  // "Can't set pattern!"
constexpr ErrorCode kKnowledgeTransitionLoad = 0xFF010059;   // "Can't load knowledge base!"
constexpr ErrorCode kKnowledgePatternLoad = 0xFF01005A;      // "Can't load knowledge base!"
constexpr ErrorCode kKnowledgePatternSave = 0xFF01005B;      // "Can't save knowledge base!"
constexpr ErrorCode kKnowledgeTransitionSave = 0xFF01005C;   // "Can't save knowledge base!"

constexpr std::size_t kKnowledgeFileMaxBytes = 65535;  // larger files are refused
constexpr std::size_t kChordCodeLength = 4;
constexpr std::size_t kRateLength = 3;
constexpr std::size_t kTransitionBodyLength = 2 * kChordCodeLength + kRateLength;  // 11
constexpr std::size_t kTransitionEntryLength = kTransitionBodyLength + 3;          // '|' CR LF
constexpr std::size_t kMaxPatternChords = 32;
constexpr std::size_t kPendingPairLength = kTransitionBodyLength;

struct Transition {
    std::string from;  // 4-character chord codes
    std::string to;
    std::string rate;  // three digits
    friend bool operator==(const Transition&, const Transition&) = default;
};
using ChordPattern = std::vector<std::string>;  // 1..32 chord codes

// The outcome of a read: 0 and the entries, or the code to show and none.
struct TransitionRead {
    ErrorCode code = 0;
    std::vector<Transition> entries;
};
struct PatternRead {
    ErrorCode code = 0;
    std::vector<ChordPattern> patterns;
};

// Each entry needs '|' at its byte 11 and CR LF behind it (they may be
// missing after the last one), and no '|', CR, LF or NUL among its 11
// characters; otherwise "Can't set pattern!" and no entries. An empty file
// holds none. A file over 65535 bytes is refused with loadFailure.
TransitionRead ReadTransitionFile(std::string_view bytes,
                                  ErrorCode loadFailure = kKnowledgeTransitionLoad);
// The check of a chosen pattern file: it starts with a count of decimal
// digits up to its first '|' (a transition file starts with a chord code).
// Digits after the count are left alone: sus4, 6th and 9th codes hold them.
bool PatternFileLooksSound(std::string_view bytes);
// Skips the count line, then reads 4-byte chord codes up to each row's '|'
// and CR LF (optional at the end). A row of no or more than 32 chords, a cut
// code or a row without its '|' refuses the file with "Can't set pattern!".
// The count written in the first line is not used. Empty: no patterns.
PatternRead ReadPatternFile(std::string_view bytes, ErrorCode loadFailure = kKnowledgePatternLoad);

std::string WriteTransitionFile(const std::vector<Transition>& entries);
std::string WritePatternFile(const std::vector<ChordPattern>& patterns);

// "007 : C M7      -> G 7       ": the rate, and both names padded or cut
// to 10 characters.
std::string TransitionListLine(const Transition& entry);
// The chord names joined by "->".
std::string PatternListLine(const ChordPattern& pattern);

// The transition of a pending chord pair of 11 characters (root A, quality A,
// root B, quality B, three rate digits); false for a pair of another length.
bool TransitionFromPair(const std::string& pair, Transition& entry);
