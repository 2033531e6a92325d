#include "compose/knowledge_check.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace {

using Faults = std::vector<KnowledgeFault>;

struct Tokens {
    std::vector<std::string> all;  // without CR, LF, blanks and the ending '|'
    bool unended = false;          // characters after the last '|'
};

Tokens Tokenize(std::string_view bytes) {
    Tokens tokens;
    std::string token;
    for (char c : bytes) {
        if (c == '\r' || c == '\n' || c == ' ') continue;
        if (c == '|') {
            tokens.all.push_back(token);
            token.clear();
        } else {
            token += c;
        }
    }
    tokens.unended = !token.empty();
    return tokens;
}

bool Counted(KnowledgeFileKind kind) {
    return kind != KnowledgeFileKind::kTransitions;
}

// Every token of a transition file; the tokens after the count in the others.
std::vector<std::string> Entries(KnowledgeFileKind kind, const Tokens& tokens) {
    if (!Counted(kind) || tokens.all.empty()) return tokens.all;
    return {tokens.all.begin() + 1, tokens.all.end()};
}

std::optional<int> Number(const std::string& digits) {
    if (digits.empty() || digits.size() > 6) return std::nullopt;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

constexpr std::string_view kRoots = "CdDeEFgGaAbB";

// One of the chord weight table's 648 codes: root, third (M m 4), fifth
// (P A d), seventh (S s d o 6 9).
bool IsWeightTableCode(std::string_view code) {
    return code.size() == 4 && kRoots.find(code[0]) != std::string_view::npos &&
           std::string_view("Mm4").find(code[1]) != std::string_view::npos &&
           std::string_view("PAd").find(code[2]) != std::string_view::npos &&
           std::string_view("Ssdo69").find(code[3]) != std::string_view::npos;
}

// Rule 1: size, bytes, ended tokens and the entry count of counted files.
Faults CheckFormat(KnowledgeFileKind kind, std::string_view bytes, const Tokens& tokens) {
    Faults f;
    if (bytes.size() > kKnowledgeFileLimit) f.push_back({1, "", "more than 16384 bytes"});
    if (std::any_of(bytes.begin(), bytes.end(),
                    [](char c) { return c == '\0' || static_cast<unsigned char>(c) > 127; }))
        f.push_back({1, "", "NUL or a byte outside ASCII"});
    if (tokens.unended) f.push_back({1, "", "the last token has no '|'"});
    if (!Counted(kind)) return f;
    std::optional<int> n = tokens.all.empty() ? std::nullopt : Number(tokens.all[0]);
    if (!n || *n < 1 || *n != static_cast<int>(tokens.all.size()) - 1)
        f.push_back({1, tokens.all.empty() ? "" : tokens.all[0],
                     "the count is not the number of entries"});
    return f;
}

// Rule 2: every chord code is one of the weight table's 648.
Faults CheckCodes(KnowledgeFileKind kind, const Tokens& tokens) {
    Faults f;
    if (kind != KnowledgeFileKind::kTransitions && kind != KnowledgeFileKind::kCadences) return f;
    for (const std::string& entry : Entries(kind, tokens)) {
        std::string codes = kind == KnowledgeFileKind::kTransitions ? entry.substr(0, 8) : entry;
        if (codes.empty() || codes.size() % 4 != 0)
            f.push_back({2, entry, "no run of chord codes"});
        for (size_t i = 0; i + 4 <= codes.size(); i += 4)
            if (!IsWeightTableCode(std::string_view(codes).substr(i, 4)))
                f.push_back({2, entry, "unknown code " + codes.substr(i, 4)});
    }
    return f;
}

// Rule 3: transition walks start at every tonic, never end, and find a heavy
// enough chord from every code.
Faults CheckTransitions(KnowledgeFileKind kind, const Tokens& tokens) {
    Faults f;
    if (kind != KnowledgeFileKind::kTransitions) return f;
    std::map<std::string, std::pair<int, int>> from;  // entries, largest count
    std::set<std::string> to;
    int largest = 0;
    for (const std::string& entry : tokens.all) {
        std::optional<int> count = entry.size() == 11 ? Number(entry.substr(8)) : std::nullopt;
        if (!count || *count < 1) {
            f.push_back({3, entry, "no from, to and count"});
            continue;
        }
        auto& [entries, top] = from[entry.substr(0, 4)];
        ++entries;
        top = std::max(top, *count);
        largest = std::max(largest, *count);
        to.insert(entry.substr(4, 4));
    }
    for (const char* tonic : {"CMPS", "CMPs", "AmPs"})
        if (from.count(tonic) == 0) f.push_back({3, "", std::string("nothing from ") + tonic});
    for (const std::string& code : to)
        if (from.count(code) == 0) f.push_back({3, code, "dead end at " + code});
    for (const auto& [code, stat] : from) {
        if (stat.first > 30) f.push_back({3, code, "more than 30 entries from " + code});
        if (stat.second * 2 < largest) f.push_back({3, code, "only light ways from " + code});
    }
    if (largest < 64) f.push_back({3, "", "largest count below 64"});
    return f;
}

// Rule 4: lengths of the metre, whole bars, 1 to 16 lengths, 1 to 4 bars.
Faults CheckTimeCharts(KnowledgeFileKind kind, const Tokens& tokens,
                       const KnowledgeCheckContext& context) {
    Faults f;
    if (kind != KnowledgeFileKind::kTimeChart && kind != KnowledgeFileKind::kCadenceTimeChart)
        return f;
    int bar = 384;
    std::set<int> lengths = {96, 192, 384, 768};
    if (context.metre == KnowledgeMetre::k34) {
        bar = 288;
        lengths = {288, 576};
    } else if (context.metre == KnowledgeMetre::k78) {
        bar = 336;
        lengths = {336};
    }
    for (const std::string& entry : Entries(kind, tokens)) {
        size_t count = entry.size() / 3;
        if (entry.size() % 3 != 0 || count < 1 || count > 16) {
            f.push_back({4, entry, "not 1 to 16 lengths"});
            continue;
        }
        int sum = 0;
        for (size_t i = 0; i < count; ++i) {
            std::optional<int> length = Number(entry.substr(i * 3, 3));
            if (!length || lengths.count(*length) == 0)
                f.push_back({4, entry, "a length outside the metre"});
            else
                sum += *length;
        }
        if (sum % bar != 0 || sum < bar || sum > 4 * bar)
            f.push_back({4, entry, "not 1 to 4 whole bars"});
    }
    return f;
}

// Rule 5: for every chord count a cadence time chart (or "Block Length" 4)
// asks for, the cadence file has two entries starting on different chords.
Faults CheckCadences(KnowledgeFileKind kind, const Tokens& tokens,
                     const KnowledgeCheckContext& context) {
    Faults f;
    if (kind != KnowledgeFileKind::kCadences) return f;
    std::set<size_t> counts = {4};
    for (const std::string& chart : context.cadenceTimeCharts)
        for (const std::string& entry :
             Entries(KnowledgeFileKind::kCadenceTimeChart, Tokenize(chart)))
            counts.insert(entry.size() / 3);
    for (size_t count : counts) {
        std::set<std::string> firsts;
        for (const std::string& entry : Entries(kind, tokens))
            if (entry.size() == 4 * count) firsts.insert(entry.substr(0, 4));
        if (firsts.size() < 2)
            f.push_back(
                {5, "", "fewer than two first chords for " + std::to_string(count) + " chords"});
    }
    return f;
}

// Rule 6: nine in ten to-codes have a root inside the key's scale 1.
Faults CheckScale(KnowledgeFileKind kind, const Tokens& tokens,
                  const KnowledgeCheckContext& context) {
    Faults f;
    if (kind != KnowledgeFileKind::kTransitions) return f;
    const std::string_view scale = context.minorKey ? "xxxx919295555929" : "xxxx919299192929";
    int total = 0;
    int inside = 0;
    std::string firstOutside;
    for (const std::string& entry : tokens.all) {
        if (entry.size() < 5) continue;
        ++total;
        size_t root = kRoots.find(entry[4]);
        if (root != std::string_view::npos && scale[4 + root] > '1') ++inside;
        else if (firstOutside.empty()) firstOutside = entry;
    }
    if (inside * 10 < total * 9)
        f.push_back({6, firstOutside,
                     std::to_string(total - inside) + " of " + std::to_string(total) +
                         " to-codes outside the scale"});
    return f;
}

constexpr const char* kRuleNames[kKnowledgeRuleCount] = {
    "format",       // bytes, ended tokens, counts
    "chord codes",  // codes of the weight table
    "transitions",  // walks that start at the tonics and never end
    "time charts",  // whole bars of the metre
    "cadences",     // two first chords for every chord count
    "scale",        // to-codes inside the key's scale
};

}  // namespace

std::vector<KnowledgeFault> CheckKnowledgeRule(int rule, KnowledgeFileKind kind,
                                               std::string_view bytes,
                                               const KnowledgeCheckContext& context) {
    const Tokens tokens = Tokenize(bytes);
    switch (rule) {
        case 1: return CheckFormat(kind, bytes, tokens);
        case 2: return CheckCodes(kind, tokens);
        case 3: return CheckTransitions(kind, tokens);
        case 4: return CheckTimeCharts(kind, tokens, context);
        case 5: return CheckCadences(kind, tokens, context);
        case 6: return CheckScale(kind, tokens, context);
        default: return {};
    }
}

std::vector<KnowledgeFault> CheckKnowledgeFile(KnowledgeFileKind kind, std::string_view bytes,
                                               const KnowledgeCheckContext& context) {
    std::vector<KnowledgeFault> all;
    for (int rule = 1; rule <= kKnowledgeRuleCount; ++rule) {
        std::vector<KnowledgeFault> found = CheckKnowledgeRule(rule, kind, bytes, context);
        all.insert(all.end(), found.begin(), found.end());
    }
    return all;
}

const char* KnowledgeRuleName(int rule) {
    return rule >= 1 && rule <= kKnowledgeRuleCount ? kRuleNames[rule - 1] : "";
}

std::string DescribeKnowledgeFault(const KnowledgeFault& fault) {
    std::string text = "rule " + std::to_string(fault.rule) + " (" + KnowledgeRuleName(fault.rule) + ")";
    if (!fault.entry.empty()) text += ", entry " + fault.entry;
    return text + ": " + fault.text;
}
