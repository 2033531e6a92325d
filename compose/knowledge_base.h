// The four knowledge-base texts the chord generator reads: the transition
// patterns (which chord may follow which, with a count), the cadences (whole
// chord runs for the last block), and the time charts of ordinary blocks and
// of the last block (chord lengths in ticks). LoadKnowledgeBase reads them
// raw into their buffers before every tune; they are parsed token by token
// when used.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "compose/knowledge_check.h"
#include "compose/knowledge_text.h"
#include "core/reporters.h"

constexpr std::size_t kKnowledgeTextSize = 16384;  // bytes read of a file
constexpr int kPatternEntrySize = 11;              // from-code, to-code, three digits
constexpr int kPatternCountOffset = 8;
// Lengths a time chart keeps: its end mark and two more zero slots follow
// within the 256 slots of a block's time chart.
constexpr int kMaxTimeChartLengths = 253;

constexpr ErrorCode kPatternFileError = 0xFF010035;
constexpr ErrorCode kCadenceFileError = 0xFF010036;
constexpr ErrorCode kCadenceTimeChartFileError = 0xFF010037;
constexpr ErrorCode kTimeChartFileError = 0xFF010038;
constexpr ErrorCode kCantCreateTimeChart = 0xFF01003A;
constexpr ErrorCode kCantCreate34 = 0xFF01003B;
constexpr ErrorCode kCantCreate78 = 0xFF01003C;
constexpr ErrorCode kTimeChartLengthError = 0xFF01003D;

// Follows the path of a pattern file that is not there.
extern const char* const kMissingKnowledgeFileText;

// The raw texts, each ended by a NUL after the bytes read. They keep their
// contents until the next load that finds the pattern file.
extern char PatternText[kKnowledgeTextSize + 1];
extern char CadenceText[kKnowledgeTextSize + 1];
extern char TimeChartText[kKnowledgeTextSize + 1];
extern char CadenceTimeChartText[kKnowledgeTextSize + 1];

// The largest count of the pattern text divided by 8, at least 1.
extern int TransitionCountScale;

// Reads the pattern file (the working style's "Knowledge Base"), the cadence
// file ("Knowledge Base for Verse"), then the time chart and the cadence time
// chart the key set-up named, at most 16384 bytes of each; sets the count
// scale and rebuilds the chord weight table. Returns 1. Without the pattern
// file it reports "error in pattern file!", shows its path in the
// missing-file box and returns 0, leaving the texts and the table as they
// were; a pattern file that is there but faulty gets one box naming it and
// what is wrong, and the load likewise returns 0. Any other file that cannot
// be read or is faulty is told once in one box (its code, then the file and
// what is wrong) and its text is left empty.
int LoadKnowledgeBase();

// What keeps the generator from reading a knowledge file without reports of
// its own, said of the file ("ends in the middle of an entry"); null when its
// bytes are sound. whole: the bytes are all of the file, not its first 16384.
const char* KnowledgeTextFault(KnowledgeFileKind kind, std::string_view bytes, bool whole);
// The load tells each faulty cadence or time-chart file once; from here on
// it tells them again (a compose run starts).
void ForgetKnowledgeFileReports();

// Where a knowledge file name is opened: a name starting with '/' as it
// stands, any other in the program folder.
std::string KnowledgeFilePath(const std::string& name);

// What the load does with the bytes of the four files: each text cut to
// 16384 bytes and ended by a NUL, the count scale set, the weight table
// rebuilt. Then every counted text that claims more entries than it holds
// reports "can't read database file!".
void LoadKnowledgeTexts(std::string_view pattern, std::string_view cadence,
                        std::string_view timeChart, std::string_view cadenceTimeChart);

// ---- Pattern entries ----

// The count of a pattern entry: its three digits from the ninth character
// (what digits they begin with). An entry shorter than 11 characters has
// none and counts 0.
int PatternEntryCount(const char* token, int length);
// The largest count of the text divided by 8, at least 1, so that the
// weights can always be computed.
int ComputeTransitionCountScale(const char* patternText);
// 1 + count / TransitionCountScale, kept to 1..9: the largest count weighs 9,
// a count below an eighth of it 1.
int PatternEntryWeight(const char* token, int length);

// ---- Counted texts (cadences and time charts) ----

// The entries a counted text offers: its first token as a decimal number,
// but no more than the entries the text holds; 0 for a count below 1, a
// count that is no number, or a text without entries.
int CountedEntryCount(const char* text);
// The number the first token claims (0 for none), as written.
int DeclaredEntryCount(const char* text);
// Picks one of the entries with RandomInRange(1, N), each equally likely, and
// copies it into token as ReadKnowledgeToken does. Returns the entry's number
// (1..N), or 0 with an empty token for a text without entries.
int PickCountedEntry(const char* text, char* token, std::size_t capacity, int& length);

// ---- Time charts ----

// Picks an entry of a time-chart text and writes its lengths (groups of three
// digits) into the 256 slots, then zeros to the end; returns the lengths
// written. Per length, still used: 0 reports "can not create time chart!" and
// ends the chart; in 3/4 anything but 288 or 576 reports "can not create
// 3/4!", in 7/8 anything but 336 "can not create 7/8!". Lengths past 253 are
// dropped with "failed to create time chart length!". A chart left without
// lengths gets one bar of the metre. metre is a "Time Signature" code; the
// short form takes the working style's.
int ReadTimeChart(int* lengths, const char* text, int metre);
int ReadTimeChart(int* lengths, const char* text);
