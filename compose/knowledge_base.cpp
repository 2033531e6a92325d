#include "compose/knowledge_base.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "style/key_setup.h"
#include "style/style_check.h"
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
// Digits an entry count may have.
constexpr std::size_t kCountDigits = 5;
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

// Reads at most the first 16384 bytes of the file; whole tells whether that
// was all of it. False when it cannot be opened or read (a folder, for one).
// False when the file cannot be read; error then holds the system's reason.
bool ReadKnowledgeFile(const std::string& path, std::string& out, bool& whole, int& error) {
    out.clear();
    error = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = errno;
        return false;
    }
    // One byte more than is kept shows whether the file goes on.
    out.resize(kKnowledgeTextSize + 1);
    errno = 0;
    std::size_t got = std::fread(out.data(), 1, out.size(), file);
    bool failed = std::ferror(file) != 0;
    if (failed) error = errno != 0 ? errno : EIO;
    std::fclose(file);
    whole = got <= kKnowledgeTextSize;
    out.resize(failed ? 0 : std::min(got, kKnowledgeTextSize));
    return !failed;
}

// Bytes a knowledge text is written in: printable ASCII, CR and LF.
bool IsTextByte(char c) {
    return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n';
}

bool AllDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A run of chord codes the chord records know, four characters each.
bool IsCodeRun(std::string_view s) {
    if (s.empty() || s.size() % 4 != 0) return false;
    for (std::size_t at = 0; at < s.size(); at += 4)
        if (!IsChordCodeText(s.data() + at)) return false;
    return true;
}

// An entry the generator reads without a report of its own: a transition
// (two codes and a three-digit count), a cadence (a run of codes) or a time
// chart (three-digit lengths, none of them zero).
bool IsSoundEntry(KnowledgeFileKind kind, std::string_view entry) {
    switch (kind) {
        case KnowledgeFileKind::kTransitions:
            return entry.size() == static_cast<std::size_t>(kPatternEntrySize) &&
                   IsCodeRun(entry.substr(0, kPatternCountOffset)) &&
                   AllDigits(entry.substr(kPatternCountOffset));
        case KnowledgeFileKind::kCadences:
            return IsCodeRun(entry);
        default:
            if (entry.empty() || entry.size() % kLengthDigits != 0 || !AllDigits(entry))
                return false;
            for (std::size_t at = 0; at < entry.size(); at += kLengthDigits)
                if (entry.substr(at, kLengthDigits) == "000") return false;
            return true;
    }
}

void StoreText(char (&buffer)[kKnowledgeTextSize + 1], std::string_view bytes) {
    std::size_t n = std::min(bytes.size(), kKnowledgeTextSize);
    if (n > 0) std::memcpy(buffer, bytes.data(), n);
    buffer[n] = '\0';
}

// What ReadSoundFile returns for a file that is not there.
const char* const kNotFound = "";
// What it returns for a file that is there but cannot be read: "can not be
// read (" + the system's reason + ")", kept per thread.
thread_local std::string g_unreadable;
// A counted file whose entries fall short of its count.
const char* const kFewerEntries = "holds fewer entries than it says";

// The whole file of each kind last found sound: the load before every tune
// meets the same files again and again, and they need not be judged again.
std::mutex g_soundMutex;
std::string g_lastSound[static_cast<int>(KnowledgeFileKind::kCadenceTimeChart) + 1];

// Reads a file into bytes; null when it is sound, else what is wrong with it
// (kNotFound when it is not there).
const char* ReadSoundFile(KnowledgeFileKind kind, const std::string& path, std::string& bytes) {
    bool whole = true;
    int error = 0;
    if (!ReadKnowledgeFile(path, bytes, whole, error)) {
        if (error == ENOENT || error == ENOTDIR) return kNotFound;
        g_unreadable = std::string("can not be read (") + std::strerror(error) + ")";
        return g_unreadable.c_str();
    }
    std::string& last = g_lastSound[static_cast<int>(kind)];
    std::lock_guard lock(g_soundMutex);
    if (whole && !bytes.empty() && bytes == last) return nullptr;
    const char* fault = KnowledgeTextFault(kind, bytes, whole);
    if (fault == nullptr && whole) last = bytes;
    return fault;
}

// The box of a faulty file: the code of the file's kind with its text, then
// the file and what is wrong with it. A count the entries fall short of is
// the database read error.
std::string KnowledgeFaultText(ErrorCode code, const std::string& path, const char* fault) {
    if (fault == kFewerEntries) code = kCantReadDatabase;
    const char* codeText = ErrorCodeText(code);
    std::string text = FormatClassMessage("ZAWC", code, codeText ? codeText : "");
    text += '\n';
    text += path;
    if (fault == kNotFound) {
        text += kMissingKnowledgeFileText;
    } else {
        text += ' ';
        text += fault;
        text += '.';
    }
    return text;
}

struct KnowledgeSource {
    KnowledgeFileKind kind;
    std::string path;
    ErrorCode code;
    std::string& bytes;
};

// Files reported since the last ForgetKnowledgeFileReports, by path, fault
// and contents: the load runs before every tune, and a file the tunes go on
// without is told once.
std::mutex g_reportedMutex;
std::set<std::string> g_reported;

void ReportOnce(const KnowledgeSource& source, const char* fault) {
    std::string key = source.path;
    key += '\n';
    key += fault;
    key += '\n';
    key += std::to_string(std::hash<std::string>{}(source.bytes));
    {
        std::lock_guard lock(g_reportedMutex);
        if (!g_reported.insert(key).second) return;
    }
    ShowErrorBox(KnowledgeFaultText(source.code, source.path, fault));
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

const char* KnowledgeTextFault(KnowledgeFileKind kind, std::string_view bytes, bool whole) {
    const bool counted = kind != KnowledgeFileKind::kTransitions;
    // One pass, token by token as the generator reads them. The first token
    // of a counted file is its count; the entries past the count are never
    // read, so they are not judged.
    std::string token;
    int declared = counted ? -1 : kLargestNumber;
    int entries = 0;
    bool sound = true;
    for (char c : bytes) {
        if (!IsTextByte(c)) return "is not a knowledge-base text";
        if (IsSkipped(c)) continue;
        if (c != '|') {
            token += c;
            continue;
        }
        if (declared < 0) {
            declared = token.size() <= kCountDigits && AllDigits(token)
                           ? LeadingNumber(token.data(), static_cast<int>(token.size()))
                           : 0;
            if (declared < 1) return "does not begin with its number of entries";
        } else if (++entries <= declared) {
            sound = sound && IsSoundEntry(kind, token);
        }
        token.clear();
    }
    // What follows the last '|': a file cut off inside an entry, or the
    // start of one past the 16384 bytes read, which is left out.
    if (whole && !token.empty()) return "ends in the middle of an entry";
    if (entries == 0) return "holds no entries";
    if (counted && entries < declared) return kFewerEntries;
    return sound ? nullptr : "holds an entry the composer cannot read";
}

void ForgetKnowledgeFileReports() {
    std::lock_guard lock(g_reportedMutex);
    g_reported.clear();
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
    const char* fault = ReadSoundFile(KnowledgeFileKind::kTransitions, patternPath, pattern);
    if (fault == kNotFound) {
        ShowErrorMessage(kPatternFileError);
        ShowErrorBox(patternPath + kMissingKnowledgeFileText);
        return 0;
    }
    if (fault != nullptr) {
        // Without transitions no tune can be composed: the load ends here,
        // as for a missing file, and the texts stay as they were.
        ShowErrorBox(KnowledgeFaultText(kPatternFileError, patternPath, fault));
        return 0;
    }
    // The time charts are data files of the program, never a user's path.
    const KnowledgeSource others[] = {
        {KnowledgeFileKind::kCadences, KnowledgeFilePath(cadenceName), kCadenceFileError, cadence},
        {KnowledgeFileKind::kTimeChart, platform::JoinPath(folder, timeChartName),
         kTimeChartFileError, timeChart},
        {KnowledgeFileKind::kCadenceTimeChart, platform::JoinPath(folder, cadenceTimeChartName),
         kCadenceTimeChartFileError, cadenceTimeChart},
    };
    for (const KnowledgeSource& source : others) {
        fault = ReadSoundFile(source.kind, source.path, source.bytes);
        if (fault == nullptr) continue;
        ReportOnce(source, fault);
        source.bytes.clear();  // the tunes go on without it
    }
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
