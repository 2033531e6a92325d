// Checks the shipped knowledge-base files with a reader of their own, so the
// chord generator never stalls on them. One checker per rule, each returning
// what it refuses; each is also shown a small bad folder of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;
using ::testing::Not;
using Violations = std::vector<std::string>;

struct KbFile {
    std::string name;
    std::string bytes;
    std::vector<std::string> tokens;  // without CR, LF, blanks and the ending '|'
    bool unended = false;             // characters after the last '|'
};
using Folder = std::vector<KbFile>;

KbFile Tokenize(const std::string& name, const std::string& bytes) {
    KbFile file{name, bytes, {}, false};
    std::string token;
    for (char c : bytes) {
        if (c == '\r' || c == '\n' || c == ' ') continue;
        if (c == '|') {
            file.tokens.push_back(token);
            token.clear();
        } else {
            token += c;
        }
    }
    file.unended = !token.empty();
    return file;
}

Folder ReadFolder(const fs::path& dir) {
    Folder folder;
    for (const auto& entry : fs::directory_iterator(dir)) {
        // The knowledge-base files; sub-folders (the skin art) are not.
        if (!entry.is_regular_file()) continue;
        std::string name = entry.path().filename().string();
        folder.push_back(Tokenize(name, testing_support::ReadFileText(entry.path().string())));
    }
    std::sort(folder.begin(), folder.end(),
              [](const KbFile& a, const KbFile& b) { return a.name < b.name; });
    return folder;
}

bool Named(const KbFile& f, const char* prefix) {
    return f.name.rfind(prefix, 0) == 0;
}
bool IsPattern(const KbFile& f) {
    return Named(f, "PATTERN");
}
bool IsCadence(const KbFile& f) {
    return Named(f, "RESOLUT");
}
bool IsCadenceTimeChart(const KbFile& f) {
    return Named(f, "RESTIME");
}
bool IsTimeChart(const KbFile& f) {
    return Named(f, "TIMECHT") || IsCadenceTimeChart(f);
}

// Every token of a pattern file; the tokens after the count in the others.
std::vector<std::string> Entries(const KbFile& f) {
    if (IsPattern(f) || f.tokens.empty()) return f.tokens;
    return {f.tokens.begin() + 1, f.tokens.end()};
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

const std::string kRoots = "CdDeEFgGaAbB";

bool IsWeightTableCode(const std::string& code) {
    static const std::set<std::string> codes = [] {
        std::set<std::string> all;
        for (char root : kRoots)
            for (char third : std::string("Mm4"))
                for (char fifth : std::string("PAd"))
                    for (char seventh : std::string("Ssdo69"))
                        all.insert(std::string{root, third, fifth, seventh});
        return all;
    }();
    return codes.size() == 648 && codes.count(code) == 1;
}

// Rule 1: size, bytes, ended tokens and the entry count of counted files.
Violations CheckFormat(const Folder& folder) {
    Violations v;
    for (const KbFile& f : folder) {
        if (f.bytes.size() > 16384) v.push_back(f.name + ": more than 16384 bytes");
        if (std::any_of(f.bytes.begin(), f.bytes.end(),
                        [](char c) { return c == '\0' || static_cast<unsigned char>(c) > 127; }))
            v.push_back(f.name + ": NUL or a byte outside ASCII");
        if (f.unended) v.push_back(f.name + ": the last token has no '|'");
        if (IsPattern(f)) continue;
        std::optional<int> n = f.tokens.empty() ? std::nullopt : Number(f.tokens[0]);
        if (!n || *n < 1 || *n != static_cast<int>(f.tokens.size()) - 1)
            v.push_back(f.name + ": the count is not the number of entries");
    }
    return v;
}

// Rule 2: every chord code is one of the weight table's 648.
Violations CheckCodes(const Folder& folder) {
    Violations v;
    for (const KbFile& f : folder) {
        if (!IsPattern(f) && !IsCadence(f)) continue;
        for (const std::string& entry : Entries(f)) {
            std::string codes = IsPattern(f) ? entry.substr(0, 8) : entry;
            if (codes.empty() || codes.size() % 4 != 0)
                v.push_back(f.name + ": " + entry + " is no run of chord codes");
            for (size_t i = 0; i + 4 <= codes.size(); i += 4)
                if (!IsWeightTableCode(codes.substr(i, 4)))
                    v.push_back(f.name + ": unknown code " + codes.substr(i, 4));
        }
    }
    return v;
}

// Rule 3: pattern walks start at every tonic, never end, and find a heavy
// enough chord from every code.
Violations CheckPatterns(const Folder& folder) {
    Violations v;
    for (const KbFile& f : folder) {
        if (!IsPattern(f)) continue;
        std::map<std::string, std::pair<int, int>> from;  // entries, largest count
        std::set<std::string> to;
        int largest = 0;
        for (const std::string& entry : f.tokens) {
            std::optional<int> count =
                entry.size() == 11 ? Number(entry.substr(8)) : std::optional<int>();
            if (!count || *count < 1) {
                v.push_back(f.name + ": " + entry + " is no from, to and count");
                continue;
            }
            auto& [entries, top] = from[entry.substr(0, 4)];
            ++entries;
            top = std::max(top, *count);
            largest = std::max(largest, *count);
            to.insert(entry.substr(4, 4));
        }
        for (const char* tonic : {"CMPS", "CMPs", "AmPs"})
            if (from.count(tonic) == 0) v.push_back(f.name + ": nothing from " + tonic);
        for (const std::string& code : to)
            if (from.count(code) == 0) v.push_back(f.name + ": dead end at " + code);
        for (const auto& [code, stat] : from) {
            if (stat.first > 30) v.push_back(f.name + ": more than 30 entries from " + code);
            if (stat.second * 2 < largest) v.push_back(f.name + ": only light ways from " + code);
        }
        if (largest < 64) v.push_back(f.name + ": largest count below 64");
    }
    return v;
}

// Rule 4: lengths of the metre, whole bars, 1 to 16 lengths, 1 to 4 bars.
Violations CheckTimeCharts(const Folder& folder) {
    Violations v;
    for (const KbFile& f : folder) {
        if (!IsTimeChart(f)) continue;
        int bar = 384;
        std::set<int> lengths = {96, 192, 384, 768};
        if (f.name.find('3') != std::string::npos) {
            bar = 288;
            lengths = {288, 576};
        } else if (f.name.find('7') != std::string::npos) {
            bar = 336;
            lengths = {336};
        }
        for (const std::string& entry : Entries(f)) {
            size_t count = entry.size() / 3;
            if (entry.size() % 3 != 0 || count < 1 || count > 16) {
                v.push_back(f.name + ": " + entry + " is not 1 to 16 lengths");
                continue;
            }
            int sum = 0;
            for (size_t i = 0; i < count; ++i) {
                std::optional<int> length = Number(entry.substr(i * 3, 3));
                if (!length || lengths.count(*length) == 0)
                    v.push_back(f.name + ": " + entry + " holds a length outside the metre");
                else
                    sum += *length;
            }
            if (sum % bar != 0 || sum < bar || sum > 4 * bar)
                v.push_back(f.name + ": " + entry + " is not 1 to 4 whole bars");
        }
    }
    return v;
}

// Rule 5: for every chord count a cadence time chart (or "Block Length" 4)
// asks for, every cadence file has two entries starting on different chords.
Violations CheckCadences(const Folder& folder) {
    Violations v;
    std::set<size_t> counts = {4};
    for (const KbFile& f : folder)
        if (IsCadenceTimeChart(f))
            for (const std::string& entry : Entries(f))
                counts.insert(entry.size() / 3);
    for (const KbFile& f : folder) {
        if (!IsCadence(f)) continue;
        for (size_t count : counts) {
            std::set<std::string> firsts;
            for (const std::string& entry : Entries(f))
                if (entry.size() == 4 * count) firsts.insert(entry.substr(0, 4));
            if (firsts.size() < 2)
                v.push_back(f.name + ": fewer than two first chords for " + std::to_string(count) +
                            " chords");
        }
    }
    return v;
}

// Rule 6: nine in ten to-codes have a root inside the key's scale 1.
Violations CheckScales(const Folder& folder) {
    Violations v;
    for (const KbFile& f : folder) {
        if (!IsPattern(f)) continue;
        bool minor = f.name.size() >= 4 && f.name.compare(f.name.size() - 4, 4, ".DB2") == 0;
        const std::string scale = minor ? "xxxx919295555929" : "xxxx919299192929";
        int total = 0;
        int inside = 0;
        for (const std::string& entry : f.tokens) {
            if (entry.size() < 5) continue;
            ++total;
            size_t root = kRoots.find(entry[4]);
            if (root != std::string::npos && scale[4 + root] > '1') ++inside;
        }
        if (inside * 10 < total * 9)
            v.push_back(f.name + ": " + std::to_string(total - inside) + " of " +
                        std::to_string(total) + " to-codes outside the scale");
    }
    return v;
}

struct Rule {
    const char* badFolder;
    Violations (*check)(const Folder&);
};
const Rule kRules[] = {
    {"rule1_format", CheckFormat},     {"rule2_codes", CheckCodes},
    {"rule3_patterns", CheckPatterns}, {"rule4_time_charts", CheckTimeCharts},
    {"rule5_cadences", CheckCadences}, {"rule6_scales", CheckScales},
};

TEST(KnowledgeBaseFiles, ShippedFilesKeepEveryRule) {
    Folder res = ReadFolder(ZAW_RES_DIR);
    std::vector<std::string> names;
    for (const KbFile& f : res)
        names.push_back(f.name);
    EXPECT_THAT(names, ::testing::ElementsAre(
                           "PATTERN.DB", "PATTERN.DB2", "PATTERN.DBB", "RESOLUT.DB", "RESOLUT.DB2",
                           "RESOLUT.DBB", "RESTIME.DB", "RESTIME.DB2", "RESTIME3.DB", "RESTIME7.DB",
                           "TIMECHT.DB", "TIMECHT.DB2", "TIMECHT3.DB", "TIMECHT7.DB"));
    for (const Rule& rule : kRules)
        EXPECT_THAT(rule.check(res), IsEmpty()) << rule.badFolder;
}

// Each bad folder breaks its own rule and keeps the others, so every checker
// is shown to refuse and none to refuse too much.
TEST(KnowledgeBaseFiles, EachCheckerRefusesOnlyItsBadFolder) {
    for (const Rule& bad : kRules) {
        Folder folder = ReadFolder(fs::path(ZAW_TEST_DATA_DIR) / "kb_bad" / bad.badFolder);
        ASSERT_THAT(folder, Not(IsEmpty())) << bad.badFolder;
        for (const Rule& rule : kRules) {
            Violations found = rule.check(folder);
            if (&rule == &bad)
                EXPECT_THAT(found, Not(IsEmpty())) << bad.badFolder;
            else
                EXPECT_THAT(found, IsEmpty()) << bad.badFolder << " under " << rule.badFolder;
        }
    }
    // Both faults of the format folder are found: the wrong count and the
    // token without '|'.
    Folder format = ReadFolder(fs::path(ZAW_TEST_DATA_DIR) / "kb_bad" / "rule1_format");
    EXPECT_EQ(CheckFormat(format).size(), 2u);
}

TEST(KnowledgeBaseFiles, ProgramFolderHoldsTheShippedFiles) {
    for (const KbFile& f : ReadFolder(ZAW_RES_DIR))
        EXPECT_EQ(
            testing_support::ReadFileText(platform::JoinPath(platform::ProgramDirectory(), f.name)),
            f.bytes)
            << f.name;
}

}  // namespace
