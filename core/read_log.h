// What a reader found wrong in the bytes it was given, in the order found.
// Readers fill a ReadLog and show nothing; the code that asked for the read
// (a driver, the dispatcher, a dialog) shows it with ShowAll, which gives the
// user the same boxes, with the same texts and in the same order, that the
// reader's reporter would have shown while reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A reporter's entry point: its class's box for one code (an error, or a
// warning shown once per run).
using ReportFunction = void (*)(std::uint32_t code);

struct ReadFinding {
    ReportFunction report;
    std::uint32_t code;
    std::size_t position;  // the byte offset where it helps, else kNoPosition
    std::size_t count;     // how often it was found (AddOnce counts)
};

class ReadLog {
public:
    static constexpr std::size_t kNoPosition = static_cast<std::size_t>(-1);

    void Add(ReportFunction report, std::uint32_t code, std::size_t position = kNoPosition) {
        findings_.push_back({report, code, position, 1});
    }
    // A kind of finding is told once: a finding of this reporter and code
    // already made counts one more (keeping its first position), else it is
    // added.
    void AddOnce(ReportFunction report, std::uint32_t code, std::size_t position = kNoPosition) {
        for (ReadFinding& f : findings_) {
            if (f.report == report && f.code == code) {
                ++f.count;
                return;
            }
        }
        Add(report, code, position);
    }
    bool Empty() const { return findings_.empty(); }
    const std::vector<ReadFinding>& Findings() const { return findings_; }
    // True when a finding of this code was made.
    bool Has(std::uint32_t code) const {
        for (const ReadFinding& f : findings_)
            if (f.code == code) return true;
        return false;
    }
    // Shows every finding through its reporter, in order, and forgets them.
    void ShowAll() {
        std::vector<ReadFinding> shown;
        shown.swap(findings_);
        for (const ReadFinding& f : shown) f.report(f.code);
    }

private:
    std::vector<ReadFinding> findings_;
};
