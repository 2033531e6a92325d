// What a reader found wrong in the bytes it was given, in the order found.
// Readers fill a ReadLog and show nothing; the code that asked for the read
// (a driver, the dispatcher, a dialog) shows it with ShowAll, which gives the
// user the boxes of the findings' reporters, with their texts and in the
// order found, or takes the texts with FindingText to tell them its own way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How a finding is told: an error box, or an information box.
enum class FindingKind : std::uint8_t {
    Error,
    Notice,
};

// What a reporter tells its findings with. The text of a code (and, for the
// readers that name one, a chunk) comes from the reporter's own table. A
// reporter with a once-per-run set gives firstTelling, which puts a code in
// the set and is true only the first time of the run: later findings of that
// code are not shown. Without one (null), every finding is shown.
struct ReporterWords {
    FindingKind kind;
    std::string (*text)(std::uint32_t code, std::uint32_t chunkId);
    bool (*firstTelling)(std::uint32_t code);
};

struct ReadFinding {
    const ReporterWords* reporter;  // the reporter's constant words
    FindingKind kind;
    bool oncePerRun;  // told once per run through the reporter's set
    std::uint32_t code;
    std::uint32_t chunkId;  // a refused chunk's four id bytes, the first in the high byte; else 0
    std::size_t offset;     // the byte offset where it helps, else ReadLog::kNoOffset
    std::size_t count;      // how often it was found (AddOnce counts)
};

// The text of a finding, formatted as its reporter's box shows it.
std::string FindingText(const ReadFinding& finding);

class ReadLog {
public:
    static constexpr std::size_t kNoOffset = static_cast<std::size_t>(-1);

    void Add(const ReporterWords& words, std::uint32_t code, std::size_t offset = kNoOffset) {
        AddChunk(words, code, 0, offset);
    }
    // A finding that names the chunk it was found in.
    void AddChunk(const ReporterWords& words, std::uint32_t code, std::uint32_t chunkId,
                  std::size_t offset = kNoOffset);
    // A finding made by another log, as it was made.
    void Add(const ReadFinding& finding) { findings_.push_back(finding); }
    // A kind of finding is told once: a finding of this reporter and code
    // already made counts one more (keeping its first offset), else it is
    // added.
    void AddOnce(const ReporterWords& words, std::uint32_t code, std::size_t offset = kNoOffset);
    void AddOnce(const ReadFinding& finding);
    bool Empty() const { return findings_.empty(); }
    const std::vector<ReadFinding>& Findings() const { return findings_; }
    // True when a finding of this code was made (a chunk id is no code).
    bool Has(std::uint32_t code) const {
        for (const ReadFinding& f : findings_)
            if (f.code == code) return true;
        return false;
    }
    // Writes each finding's offset to the standard-error log, so that a
    // damaged file can be told apart; no box.
    void LogOffsets() const;
    // Shows every finding as its reporter's box, in order (a once-per-run
    // finding only the first time of the run), and forgets them. The offsets
    // go to the standard-error log.
    void ShowAll();

private:
    std::vector<ReadFinding> findings_;
};
