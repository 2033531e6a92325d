// Small helpers the whole program shares: the one random-number source,
// byte-order and variable-length numbers, tempo and time-signature
// arithmetic, zero-filled memory blocks, files and paths, the file and folder
// choosers, and Base64 for the melody-mail text.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Failures of the general helpers, tag "GENE".
namespace gene {
constexpr std::uint32_t kNeedsMoreMemory = 0x1000002;
constexpr std::uint32_t kQuitAndRestart = 0x1000004;
constexpr std::uint32_t kCantFindFile = 0x1000005;
constexpr std::uint32_t kCantOpenFile = 0x1000007;
constexpr std::uint32_t kDataTooLarge = 0x100000A;
constexpr std::uint32_t kParameterWrong = 0x100000B;
constexpr std::uint32_t kNoCurrentDirectory = 0x100000C;
constexpr std::uint32_t kFileSizeError = 0x100000D;
constexpr std::uint32_t kTimeSignInvalid = 0x100000E;
constexpr std::uint32_t kTempoTooSmall = 0x1000012;
constexpr std::uint32_t kBpmZero = 0x1000013;
}  // namespace gene

void ShowGeneralError(std::uint32_t code);
// The general helpers' findings in a ReadLog.
struct ReporterWords;
extern const ReporterWords kGeneralFindings;

// Below lo the value becomes lo and above hi it becomes hi; with wrap, below
// lo it becomes hi and above hi lo.
void ClampOrWrap(int* value, int lo, int hi, bool wrap);

// ---- Random numbers ----

// The seed last given to the generator.
extern std::atomic<std::int32_t> RandomSeedValue;

// A random integer between a and b, both included, in either order.
int RandomInRange(int a, int b);
// Seeds the generator afresh from the clock and the system's entropy, so two
// calls never share a seed by being in the same second; keeps the seed.
void SeedRandom();
// Seeds the generator with a given seed (reproduces a tune) and keeps it.
void SeedRandomWith(std::int32_t seed);

// ---- Byte order and variable-length numbers ----

std::uint8_t* WriteBigEndian32(std::uint8_t* buffer, std::uint32_t value);
std::uint8_t* WriteLittleEndian32(std::uint8_t* buffer, std::uint32_t value);
std::uint8_t* WriteBigEndian16(std::uint8_t* buffer, std::uint16_t value);
std::uint32_t ReadBigEndian32(const std::uint8_t* buffer);
std::uint16_t ReadBigEndian16(const std::uint8_t* buffer);
std::uint8_t* WriteLittleEndian16(std::uint8_t* buffer, std::uint16_t value);
std::uint32_t ReadLittleEndian32(const std::uint8_t* buffer);
std::uint16_t ReadLittleEndian16(const std::uint8_t* buffer);

// Largest value a MIDI variable-length number can hold (four bytes).
constexpr std::uint32_t kMaxVarLen = 0x0FFFFFFF;

// Writes value as a MIDI variable-length number (1 to 4 bytes) and returns the
// bytes written; a value above kMaxVarLen writes nothing and returns 0.
int WriteVarLen(std::uint32_t value, std::uint8_t* buffer);
// Reads a variable-length number from at most `available` bytes. Returns the
// bytes used, or 0 when the number runs past the bytes or has a fifth byte.
int ReadVarLen(const std::uint8_t* data, std::size_t available, std::uint32_t* value);

// ---- Tempo and time ----

// Microseconds per quarter note to beats per minute (integer arithmetic).
int TempoToBpm(int microseconds);
int BpmToTempo(int bpm);
// Time-signature code = numerator * 256 + denominator.
double BarLengthInQuarters(int timeSignatureCode);
// Numerator, log2(denominator), 18 clocks per click, 8; *length = 4.
void TimeSignatureBytes(int timeSignatureCode, std::uint8_t out[4], int* length);
double BendToCents(int bend, int range);
int CentsToBend(double cents, int range);
double TuningWordToCents(int word);
int SameChannelGroup(int a, int b);
int IsSecondPortName(const std::string& text);

// ---- Memory ----

// A zero-filled block of fixed capacity; it never grows. The block comes from
// calloc, so the pages of a large block that are never touched cost nothing.
class MemoryBlock {
public:
    struct Free {
        void operator()(std::uint8_t* p) const;
    };
    using Bytes = std::unique_ptr<std::uint8_t[], Free>;

    MemoryBlock() = default;
    MemoryBlock(Bytes bytes, std::size_t capacity)
        : bytes_(std::move(bytes)), capacity_(capacity) {}

    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::size_t capacity() const { return capacity_; }
    explicit operator bool() const { return bytes_ != nullptr; }

private:
    Bytes bytes_;
    std::size_t capacity_ = 0;
};

constexpr std::size_t WorkBufferSize = 0x60000;

// An empty block (after GENE "Needs more memory!") when memory runs out.
MemoryBlock AllocZeroed(std::size_t bytes);
// A block of n bytes holding a copy of bytes (nothing to zero: every byte is
// written); an empty block as above when memory runs out.
MemoryBlock AllocCopy(const std::uint8_t* bytes, std::size_t n);
void FreeBlock(MemoryBlock& block);

// ---- Files and paths ----

// Writes the file as one step (platform::ReplaceFileContents): a failed write
// leaves any old file as it was and no temporary file, and shows a box with
// the path and the system's reason, then "Cant open file!". 1 when the file holds the bytes.
int WriteFileBytes(const std::string& path, const void* data, std::size_t length);
// Reads the whole file into buffer. A file larger than capacity is refused
// (GENE "data size is too large!", count 0) rather than cut short.
int ReadWholeFile(const std::string& path, std::uint8_t* buffer, std::size_t* count,
                  std::size_t capacity);
// Reads exactly count bytes from the start of the file; fewer is a failure.
int ReadExactly(const std::string& path, std::uint8_t* buffer, std::size_t count);
// 0 for anything but a regular file, which is never opened to find out.
int CanOpenFile(const std::string& path);
// True when the path names something that is there but is no regular file
// (a folder, pipe, device or socket). Found with stat: a pipe is never
// opened, since opening one blocks until a writer comes.
bool IsOtherThanRegularFile(const std::string& path);
// For such a path shows one box naming it and returns true; a regular or a
// missing file is left to the reader.
bool RefuseOtherThanRegularFile(const std::string& path);
// A path or a wildcard pattern.
int FileExists(const std::string& pathOrPattern);
// Size in bytes; 0 for a folder or a missing file.
std::uint64_t GetFileLength(const std::string& path);
// The text before the last separator, or the current folder without one.
bool GetDirectoryPart(std::string& out, const std::string& path);
void ExtractFileName(std::string& out, const std::string& path);
// Cuts the path at the dot of its file name's extension and returns that
// index, or -1 when the file name has none.
int StripExtension(std::string& path);
void GetLowerExtension(const std::string& path, std::string& out);
void GetProgramDirectory(std::string& out);
int ContainsText(const std::string& text, const std::string& pattern);
int CountOnes(const int* values, int count);
// Removes the 128-byte block in front of a file image when the 4 bytes after
// it match id (or id is null). Returns 1 when removed.
int DropPrefixBlock(std::uint8_t* buffer, const char* id, std::size_t* size);

// ---- Choosers ----

// 1 when a folder was chosen (copied when it fits the capacity), 2 cancelled.
int BrowseForFolder(const std::string& initialFolder, std::string& outPath, std::size_t capacity,
                    const std::string& title);
// 1 with the chosen path and filter index, 0 when cancelled.
int ChooseFile(const std::string& defaultExtension, const std::string& filter, std::string& outPath,
               const std::string& proposedName, int* outFilterIndex,
               const std::string& initialFolder);

// ---- Encoding ----

// "--B:M", CR, LF, then standard Base64 of the bytes; returns the length.
std::size_t Base64Encode(const std::uint8_t* bytes, std::size_t count, std::string& out);
