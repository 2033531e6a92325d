#include "core/utilities.h"

#include <glob.h>
#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <random>

#include "core/read_log.h"
#include "core/reporters.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/paths.h"

namespace {

const CodeText kGeneralTable[] = {
    {gene::kNeedsMoreMemory, "Needs more memory!"},
    {gene::kQuitAndRestart, "Quit and restart!"},
    {gene::kCantFindFile, "Cant find file!"},
    {gene::kCantOpenFile, "Cant open file!"},
    {gene::kDataTooLarge, "data size is too large!"},
    {gene::kParameterWrong, "parameter is wrong"},
    {gene::kNoCurrentDirectory, "Can not get current directory"},
    {gene::kFileSizeError, "file size error!(2)"},
    {gene::kTimeSignInvalid, "Time sign is invalid!"},
};

constexpr ClassReporter kGeneralReporter("GENE", kGeneralTable, "General Error");

// PCG32 (O'Neill's permuted congruential generator): small, fast and the same
// sequence for a seed on every platform and standard library.
class RandomEngine {
public:
    void Seed(std::uint64_t seed) {
        state_ = 0;
        Next();
        state_ += seed;
        Next();
    }
    std::uint32_t Next() {
        std::uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + kIncrement;
        std::uint32_t xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
        std::uint32_t rot = static_cast<std::uint32_t>(old >> 59u);
        return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
    }

private:
    static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
    std::uint64_t state_ = 0x853c49e6748fea9bULL;
};

std::mutex g_randomMutex;
RandomEngine g_random;

}  // namespace

void ClampOrWrap(int* value, int lo, int hi, bool wrap) {
    if (*value < lo) {
        *value = wrap ? hi : lo;
    } else if (*value > hi) {
        *value = wrap ? lo : hi;
    }
}

void ShowGeneralError(std::uint32_t code) {
    kGeneralReporter.Show(code);
}

const ReporterWords kGeneralFindings{
    FindingKind::Error,
    [](std::uint32_t code, std::uint32_t) { return kGeneralReporter.Format(code); }, nullptr};

// ---- Random numbers ----

std::atomic<std::int32_t> RandomSeedValue{0};

int RandomInRange(int a, int b) {
    std::int64_t lo = a < b ? a : b;
    std::int64_t hi = a < b ? b : a;
    std::uint64_t span = static_cast<std::uint64_t>(hi - lo) + 1;
    std::uint32_t r;
    {
        std::lock_guard<std::mutex> lock(g_randomMutex);
        r = g_random.Next();
    }
    return static_cast<int>(lo + static_cast<std::int64_t>(r % span));
}

void SeedRandomWith(std::int32_t seed) {
    std::lock_guard<std::mutex> lock(g_randomMutex);
    RandomSeedValue = seed;
    g_random.Seed(static_cast<std::uint32_t>(seed));
}

namespace {

// splitmix64's finaliser: every input bit moves about half the output bits.
std::uint64_t MixBits(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t SystemEntropy() {
    try {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) | device();
    } catch (...) {
        return 0;  // the clock and the counter still tell reseeds apart
    }
}

std::atomic<std::uint64_t> g_reseeds{0};

}  // namespace

void SeedRandom() {
    // Seconds alone repeat for every reseed within one second, so the
    // monotonic nanoseconds, the system's entropy and a count of this
    // process's reseeds are mixed in. The seed stays non-negative, as the
    // tune header prints it.
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    std::uint64_t x = MixBits(static_cast<std::uint64_t>(clock->WallSeconds()));
    x = MixBits(x ^ static_cast<std::uint64_t>(clock->Now().count()));
    x = MixBits(x ^ SystemEntropy());
    x = MixBits(x ^ g_reseeds.fetch_add(1));
    SeedRandomWith(static_cast<std::int32_t>(x & 0x7FFFFFFFu));
}

// ---- Byte order and variable-length numbers ----

std::uint8_t* WriteBigEndian32(std::uint8_t* buffer, std::uint32_t value) {
    buffer[0] = static_cast<std::uint8_t>(value >> 24);
    buffer[1] = static_cast<std::uint8_t>(value >> 16);
    buffer[2] = static_cast<std::uint8_t>(value >> 8);
    buffer[3] = static_cast<std::uint8_t>(value);
    return buffer;
}

std::uint8_t* WriteLittleEndian32(std::uint8_t* buffer, std::uint32_t value) {
    buffer[0] = static_cast<std::uint8_t>(value);
    buffer[1] = static_cast<std::uint8_t>(value >> 8);
    buffer[2] = static_cast<std::uint8_t>(value >> 16);
    buffer[3] = static_cast<std::uint8_t>(value >> 24);
    return buffer;
}

std::uint8_t* WriteBigEndian16(std::uint8_t* buffer, std::uint16_t value) {
    buffer[0] = static_cast<std::uint8_t>(value >> 8);
    buffer[1] = static_cast<std::uint8_t>(value);
    return buffer;
}

std::uint32_t ReadBigEndian32(const std::uint8_t* b) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

std::uint16_t ReadBigEndian16(const std::uint8_t* b) {
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint8_t* WriteLittleEndian16(std::uint8_t* buffer, std::uint16_t value) {
    buffer[0] = static_cast<std::uint8_t>(value);
    buffer[1] = static_cast<std::uint8_t>(value >> 8);
    return buffer;
}

std::uint32_t ReadLittleEndian32(const std::uint8_t* b) {
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint16_t ReadLittleEndian16(const std::uint8_t* b) {
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

int WriteVarLen(std::uint32_t value, std::uint8_t* buffer) {
    if (value > kMaxVarLen) {
        ShowGeneralError(gene::kParameterWrong);
        return 0;
    }
    int count = 1;
    while (count < 4 && (value >> (7 * count)) != 0)
        ++count;
    for (int i = 0; i < count; ++i) {
        std::uint8_t group = static_cast<std::uint8_t>((value >> (7 * (count - 1 - i))) & 0x7F);
        buffer[i] = static_cast<std::uint8_t>(i < count - 1 ? group | 0x80 : group);
    }
    return count;
}

int ReadVarLen(const std::uint8_t* data, std::size_t available, std::uint32_t* value) {
    std::uint32_t result = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i >= available) return 0;
        result = (result << 7) | (data[i] & 0x7Fu);
        if ((data[i] & 0x80) == 0) {
            *value = result;
            return static_cast<int>(i + 1);
        }
    }
    return 0;  // a fifth byte: not a MIDI variable-length number
}

// ---- Tempo and time ----

// The Standard MIDI File default, used where a tempo or bpm cannot be computed.
constexpr int kDefaultTempo = 500000;
constexpr int kDefaultBpm = 120;

int TempoToBpm(int microseconds) {
    int milliseconds = microseconds / 1000;
    if (milliseconds == 0) {
        ShowGeneralError(gene::kTempoTooSmall);
        return kDefaultBpm;
    }
    return 60000 / milliseconds;
}

int BpmToTempo(int bpm) {
    if (bpm == 0) {
        ShowGeneralError(gene::kBpmZero);
        return kDefaultTempo;
    }
    return (60000 / bpm) * 1000;
}

double BarLengthInQuarters(int code) {
    int numerator = (code >> 8) & 0xFF;
    int denominator = code & 0xFF;
    if (denominator < 2) {
        ShowGeneralError(gene::kTimeSignInvalid);
        if (denominator == 0) return 4.0;
    }
    return 4.0 / denominator * numerator;
}

void TimeSignatureBytes(int code, std::uint8_t out[4], int* length) {
    int numerator = (code >> 8) & 0xFF;
    int denominator = code & 0xFF;
    int power = 0;
    while ((1 << (power + 1)) <= denominator && power < 7)
        ++power;
    out[0] = static_cast<std::uint8_t>(numerator);
    out[1] = static_cast<std::uint8_t>(power);
    out[2] = 18;
    out[3] = 8;
    *length = 4;
}

double BendToCents(int bend, int range) {
    if (range <= 0) return 0.0;
    return bend / (8191.5 / range / 100.0);
}

int CentsToBend(double cents, int range) {
    if (range <= 0) return 0;
    double bend = 8191.5 / range / 100.0 * cents;
    if (!(bend > INT_MIN && bend < INT_MAX)) return bend > 0 ? INT_MAX : INT_MIN;
    return static_cast<int>(bend);
}

double TuningWordToCents(int word) {
    int high = (word >> 8) & 0xFF;
    int low = word & 0xFF;
    return (high - 64) * 1.5625 + low * 0.01220703125;
}

int SameChannelGroup(int a, int b) {
    if (a == -1 && b == -1) return 1;
    if (a == -1 || b == -1) return 0;
    return a / 8 == b / 8 ? 1 : 0;
}

int IsSecondPortName(const std::string& text) {
    for (const char* name : {"SC88B", "88B", "SC-88 B", "SC-88B"}) {
        if (text.find(name) != std::string::npos) return 1;
    }
    return 0;
}

// ---- Memory ----

void MemoryBlock::Free::operator()(std::uint8_t* p) const {
    std::free(p);
}

MemoryBlock AllocZeroed(std::size_t bytes) {
    MemoryBlock::Bytes data(static_cast<std::uint8_t*>(std::calloc(bytes ? bytes : 1, 1)));
    if (!data) {
        ShowGeneralError(gene::kNeedsMoreMemory);
        return MemoryBlock();
    }
    return MemoryBlock(std::move(data), bytes);
}

MemoryBlock AllocCopy(const std::uint8_t* bytes, std::size_t n) {
    MemoryBlock::Bytes data(static_cast<std::uint8_t*>(std::malloc(n ? n : 1)));
    if (!data) {
        ShowGeneralError(gene::kNeedsMoreMemory);
        return MemoryBlock();
    }
    if (n > 0) std::memcpy(data.get(), bytes, n);
    return MemoryBlock(std::move(data), n);
}

void FreeBlock(MemoryBlock& block) {
    block = MemoryBlock();
}

// ---- Files and paths ----

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The file name part of a path starts after its last separator.
std::size_t FileNameStart(const std::string& path) {
    std::size_t slash = path.find_last_of(platform::kPathSeparator);
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

int WriteFileBytes(const std::string& path, const void* data, std::size_t length) {
    int error = 0;
    if (platform::ReplaceFileContents(path, data, length, &error)) return 1;
    ShowErrorBox(platform::FileErrorText(path, error));
    ShowGeneralError(gene::kCantOpenFile);
    return 0;
}

int ReadWholeFile(const std::string& path, std::uint8_t* buffer, std::size_t* count,
                  std::size_t capacity) {
    *count = 0;
    FilePtr f(IsOtherThanRegularFile(path) ? nullptr : std::fopen(path.c_str(), "rb"));
    if (!f) {
        ShowErrorBox(path);
        ShowGeneralError(gene::kCantOpenFile);
        return 0;
    }
    std::size_t n = std::fread(buffer, 1, capacity, f.get());
    // One byte more than the capacity means the file does not fit: refuse it
    // rather than hand on a silently cut image.
    if (n == capacity && std::fgetc(f.get()) != EOF) {
        ShowGeneralError(gene::kDataTooLarge);
        return 0;
    }
    *count = n;
    return 1;
}

int ReadExactly(const std::string& path, std::uint8_t* buffer, std::size_t count) {
    FilePtr f(IsOtherThanRegularFile(path) ? nullptr : std::fopen(path.c_str(), "rb"));
    if (!f) {
        ShowGeneralError(gene::kCantOpenFile);
        return 0;
    }
    if (std::fread(buffer, 1, count, f.get()) != count) {
        ShowGeneralError(gene::kDataTooLarge);
        return 0;
    }
    return 1;
}

int CanOpenFile(const std::string& path) {
    if (IsOtherThanRegularFile(path)) return 0;
    FilePtr f(std::fopen(path.c_str(), "rb"));
    return f ? 1 : 0;
}

bool IsOtherThanRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

bool RefuseOtherThanRegularFile(const std::string& path) {
    if (!IsOtherThanRegularFile(path)) return false;
    std::string text = path;
    text += "\nis not a regular file: it is not opened.";
    ShowErrorBox(text);
    return true;
}

int FileExists(const std::string& pathOrPattern) {
    glob_t g{};
    int rc = glob(pathOrPattern.c_str(), GLOB_NOSORT, nullptr, &g);
    bool found = rc == 0 && g.gl_pathc > 0;
    globfree(&g);
    return found ? 1 : 0;
}

std::uint64_t GetFileLength(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (size > 0xFFFFFFFFull) {
        ShowGeneralError(gene::kFileSizeError);
        return 0;
    }
    return size;
}

bool GetDirectoryPart(std::string& out, const std::string& path) {
    std::size_t slash = path.find_last_of(platform::kPathSeparator);
    if (slash != std::string::npos) {
        out = slash == 0 ? std::string("/") : path.substr(0, slash);
        return true;
    }
    out = platform::CurrentDirectory();
    if (out.empty()) {
        ShowGeneralError(gene::kNoCurrentDirectory);
        return false;
    }
    return true;
}

void ExtractFileName(std::string& out, const std::string& path) {
    out = path.substr(FileNameStart(path));
}

int StripExtension(std::string& path) {
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < FileNameStart(path)) return -1;
    path.resize(dot);
    return static_cast<int>(dot);
}

void GetLowerExtension(const std::string& path, std::string& out) {
    out.clear();
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < FileNameStart(path)) return;
    out = path.substr(dot + 1);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

void GetProgramDirectory(std::string& out) {
    out = platform::ProgramDirectory();
}

int ContainsText(const std::string& text, const std::string& pattern) {
    std::string cut = pattern.substr(0, pattern.find('*'));
    return text.find(cut) != std::string::npos ? 1 : 0;
}

int CountOnes(const int* values, int count) {
    int ones = 0;
    for (int i = 0; i < count; ++i)
        ones += values[i] == 1 ? 1 : 0;
    return ones;
}

int DropPrefixBlock(std::uint8_t* buffer, const char* id, std::size_t* size) {
    constexpr std::size_t kPrefix = 128;
    if (*size < kPrefix + 4) return 0;
    if (id && std::memcmp(buffer + kPrefix, id, 4) != 0) return 0;
    std::memmove(buffer, buffer + kPrefix, *size - kPrefix);
    std::memset(buffer + *size - kPrefix, 0, kPrefix);
    *size -= kPrefix;
    return 1;
}

// ---- Choosers ----

int BrowseForFolder(const std::string& initialFolder, std::string& outPath, std::size_t capacity,
                    const std::string& title) {
    platform::FileChooserAnswer answer =
        platform::GetFileChooser()->ChooseFolder({initialFolder, title});
    if (!answer.chosen) return 2;
    if (answer.path.size() < capacity) outPath = answer.path;
    return 1;
}

int ChooseFile(const std::string& defaultExtension, const std::string& filter, std::string& outPath,
               const std::string& proposedName, int* outFilterIndex,
               const std::string& initialFolder) {
    platform::FileChooserRequest request;
    request.defaultExtension = defaultExtension;
    request.filter = filter;
    request.filterIndex = outFilterIndex && *outFilterIndex > 0 ? *outFilterIndex : 1;
    if (proposedName.empty() || !CanOpenFile(proposedName)) {
        request.initialFolder = initialFolder;
    } else {
        request.proposedName = proposedName;
        GetDirectoryPart(request.initialFolder, proposedName);
    }
    platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    if (!answer.chosen) return 0;
    outPath = answer.path;
    if (outFilterIndex) *outFilterIndex = answer.filterIndex;
    return 1;
}

// ---- Encoding ----

std::size_t Base64Encode(const std::uint8_t* bytes, std::size_t count, std::string& out) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    out = "--B:M\r\n";
    out.reserve(out.size() + (count + 2) / 3 * 4);
    for (std::size_t i = 0; i < count; i += 3) {
        std::uint32_t group = std::uint32_t{bytes[i]} << 16;
        if (i + 1 < count) group |= std::uint32_t{bytes[i + 1]} << 8;
        if (i + 2 < count) group |= bytes[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += i + 1 < count ? kAlphabet[(group >> 6) & 63] : '=';
        out += i + 2 < count ? kAlphabet[group & 63] : '=';
    }
    return out.size();
}
