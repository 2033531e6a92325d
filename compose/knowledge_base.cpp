#include "compose/knowledge_base.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "style/key_setup.h"
#include "style/style_table.h"

const char* const kMissingKnowledgeFileText =
    " is not found in program folder! You might install ZAW agein.";

char PatternText[kKnowledgeTextSize + 1];
char CadenceText[kKnowledgeTextSize + 1];
char TimeChartText[kKnowledgeTextSize + 1];
char CadenceTimeChartText[kKnowledgeTextSize + 1];
int TransitionCountScale = 1;

namespace {

constexpr int kLengthDigits = 3;
constexpr int kLargestNumber = 999999999;

bool IsSkipped(char c) {
    return c == '\r' || c == '\n' || c == ' ';
}

// The number the first n characters begin with: an optional sign, then
// digits, kept to +-999999999; 0 when no digit comes first.
int LeadingNumber(const char* s, int n) {
    int i = 0;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int value = 0;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i)
        value = value > kLargestNumber / 10 ? kLargestNumber
                                            : std::min(kLargestNumber, value * 10 + (s[i] - '0'));
    return negative ? -value : value;
}

// The digits of a group only: a sign or any other character ends the number.
int GroupValue(const char* s, int n) {
    int value = 0;
    for (int i = 0; i < n && s[i] >= '0' && s[i] <= '9'; ++i)
        value = value * 10 + (s[i] - '0');
    return value;
}

// Entries after the count token: every '|'-ended token, and the rest of the
// text when it holds anything but blanks and line ends.
int EntriesHeld(const char* text) {
    const char* p = std::strchr(text, '|');  // ends the count token
    if (p == nullptr) return 0;
    int held = 0;
    bool pending = false;
    for (++p; *p != '\0'; ++p) {
        if (*p == '|') {
            ++held;
            pending = false;
        } else if (!IsSkipped(*p)) {
            pending = true;
        }
    }
    return held + (pending ? 1 : 0);
}

// Reads at most the first 16384 bytes of the file. False when it cannot be
// opened or read (a folder, for one).
bool ReadKnowledgeFile(const std::string& path, std::string& out) {
    out.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    out.resize(kKnowledgeTextSize);
    std::size_t got = std::fread(out.data(), 1, kKnowledgeTextSize, file);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    out.resize(failed ? 0 : got);
    return !failed;
}

void StoreText(char (&buffer)[kKnowledgeTextSize + 1], std::string_view bytes) {
    std::size_t n = std::min(bytes.size(), kKnowledgeTextSize);
    if (n > 0) std::memcpy(buffer, bytes.data(), n);
    buffer[n] = '\0';
}

void ReportOvercount(const char* text) {
    if (DeclaredEntryCount(text) > EntriesHeld(text)) ShowErrorMessage(kCantReadDatabase);
}

}  // namespace

std::string KnowledgeFilePath(const std::string& name) {
    if (platform::IsFullPath(name)) return name;
    std::string folder;
    GetProgramDirectory(folder);
    return platform::JoinPath(folder, name);
}

void LoadKnowledgeTexts(std::string_view pattern, std::string_view cadence,
                        std::string_view timeChart, std::string_view cadenceTimeChart) {
    StoreText(PatternText, pattern);
    TransitionCountScale = ComputeTransitionCountScale(PatternText);
    StoreText(CadenceText, cadence);
    StoreText(TimeChartText, timeChart);
    StoreText(CadenceTimeChartText, cadenceTimeChart);
    BuildChordCodeTable();
    for (const char* text : {CadenceText, TimeChartText, CadenceTimeChartText})
        ReportOvercount(text);
}

int LoadKnowledgeBase() {
    std::string patternName, cadenceName, timeChartName, cadenceTimeChartName;
    {
        std::lock_guard lock(StyleRecordMutex());
        patternName = FieldText(WorkingStyle.knowledgeBase);
        cadenceName = FieldText(WorkingStyle.resolutionKnowledgeBase);
        timeChartName = FieldText(TimeChartFileName);
        cadenceTimeChartName = FieldText(CadenceTimeChartFileName);
    }
    std::string folder;
    GetProgramDirectory(folder);

    std::string pattern, cadence, timeChart, cadenceTimeChart;
    const std::string patternPath = KnowledgeFilePath(patternName);
    if (!ReadKnowledgeFile(patternPath, pattern)) {
        ShowErrorMessage(kPatternFileError);
        ShowErrorBox(patternPath + kMissingKnowledgeFileText);
        return 0;
    }
    if (!ReadKnowledgeFile(KnowledgeFilePath(cadenceName), cadence))
        ShowErrorMessage(kCadenceFileError);
    // The time charts are data files of the program, never a user's path.
    if (!ReadKnowledgeFile(platform::JoinPath(folder, timeChartName), timeChart))
        ShowErrorMessage(kTimeChartFileError);
    if (!ReadKnowledgeFile(platform::JoinPath(folder, cadenceTimeChartName), cadenceTimeChart))
        ShowErrorMessage(kCadenceTimeChartFileError);
    LoadKnowledgeTexts(pattern, cadence, timeChart, cadenceTimeChart);
    return 1;
}

// ---- Pattern entries ----

int PatternEntryCount(const char* token, int length) {
    if (length < kPatternEntrySize) return 0;
    return LeadingNumber(token + kPatternCountOffset, kPatternEntrySize - kPatternCountOffset);
}

int ComputeTransitionCountScale(const char* patternText) {
    // Only the first 11 characters of a token matter; a longer one is cut
    // and its length still shows it has a count.
    char token[kPatternEntrySize + 1];
    int length = 0, position = 0, largest = 0;
    for (bool atEnd = false; !atEnd;) {
        atEnd = ReadKnowledgeToken(patternText, token, sizeof token, length, position);
        largest = std::max(largest, PatternEntryCount(token, length));
    }
    return std::max(1, largest / 8);
}

int PatternEntryWeight(const char* token, int length) {
    const int scale = std::max(1, TransitionCountScale);
    return std::clamp(1 + PatternEntryCount(token, length) / scale, 1, 9);
}

// ---- Counted texts ----

int DeclaredEntryCount(const char* text) {
    char token[16];
    int length = 0, position = 0;
    ReadKnowledgeToken(text, token, sizeof token, length, position);
    return std::max(0, LeadingNumber(token, length));
}

int CountedEntryCount(const char* text) {
    const int declared = DeclaredEntryCount(text);
    return declared < 1 ? 0 : std::min(declared, EntriesHeld(text));
}

int PickCountedEntry(const char* text, char* token, std::size_t capacity, int& length) {
    length = 0;
    if (capacity > 0) token[0] = '\0';
    const int entries = CountedEntryCount(text);
    if (entries < 1) return 0;
    const int k = RandomInRange(1, entries);
    int position = 0;
    SkipKnowledgeEntries(text, k, position);  // the count token and k - 1 entries
    ReadKnowledgeToken(text, token, capacity, length, position);
    return k;
}

// ---- Time charts ----

int ReadTimeChart(int* lengths, const char* text, int metre) {
    if (lengths == nullptr) return 0;
    // Room for one length more than are kept: an entry cut to it still shows
    // that it had too many.
    char entry[kLengthDigits * (kMaxTimeChartLengths + 1) + 1];
    int entryLength = 0;
    PickCountedEntry(text, entry, sizeof entry, entryLength);

    int count = 0;
    for (int at = 0; at < entryLength; at += kLengthDigits) {
        if (count == kMaxTimeChartLengths) {
            ShowErrorMessage(kTimeChartLengthError);
            break;
        }
        const int value = GroupValue(entry + at, std::min(kLengthDigits, entryLength - at));
        if (value == 0) {
            // A zero is the end mark: the lengths after it could never be
            // reached, so they are not kept behind it.
            ShowErrorMessage(kCantCreateTimeChart);
            break;
        }
        if (metre == kMetre34 && value != 288 && value != 576) ShowErrorMessage(kCantCreate34);
        if (metre == kMetre78 && value != 336) ShowErrorMessage(kCantCreate78);
        lengths[count++] = value;
    }
    std::fill(lengths + count, lengths + kTimeChartSlots, 0);
    if (count == 0) lengths[count++] = TicksPerBar(metre);
    return count;
}

int ReadTimeChart(int* lengths, const char* text) {
    return ReadTimeChart(lengths, text, WorkingStyle.timeSignature);
}
