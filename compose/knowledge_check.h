// The rules a knowledge-base file keeps so that the chord generator never
// stalls on it: sound bytes and counts, known chord codes, transitions that
// start at every tonic and never end, time charts of whole bars of the metre,
// cadences for every chord count a cadence time chart asks for, and
// transitions that stay in the key's scale. Each file is read token by token
// as the generator reads it: CR, LF and blanks are skipped, '|' ends a token.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class KnowledgeFileKind {
    kTransitions,       // the "Knowledge Base" file: from-code, to-code, count
    kCadences,          // the "Knowledge Base for Verse" file: counted chord runs
    kTimeChart,         // counted runs of chord lengths of ordinary blocks
    kCadenceTimeChart,  // counted runs of chord lengths of the last block
};

enum class KnowledgeMetre { k44, k34, k78 };

// What rules beyond the file itself read.
struct KnowledgeCheckContext {
    bool minorKey = false;                      // the style's "Key" is 2 (scale rule)
    KnowledgeMetre metre = KnowledgeMetre::k44;  // time-chart lengths
    // The cadence time charts whose chord counts every cadence file must
    // offer (besides the 4 chords of "Block Length" 4), as file bytes.
    std::vector<std::string> cadenceTimeCharts;
};

constexpr int kKnowledgeRuleCount = 6;
constexpr std::size_t kKnowledgeFileLimit = 16384;  // bytes the generator reads

struct KnowledgeFault {
    int rule;           // 1..kKnowledgeRuleCount
    std::string entry;  // the token at fault; empty for the whole file
    std::string text;   // what is wrong
};

// Every rule the file breaks, in rule order; empty when it passes.
std::vector<KnowledgeFault> CheckKnowledgeFile(KnowledgeFileKind kind, std::string_view bytes,
                                               const KnowledgeCheckContext& context);
// The faults of one rule alone.
std::vector<KnowledgeFault> CheckKnowledgeRule(int rule, KnowledgeFileKind kind,
                                               std::string_view bytes,
                                               const KnowledgeCheckContext& context);
// A short name of the rule ("format", "chord codes", ...).
const char* KnowledgeRuleName(int rule);
// "rule N (name), entry E: text", or without the entry part for a whole file.
std::string DescribeKnowledgeFault(const KnowledgeFault& fault);
