#include "core/read_log.h"

#include <cstdio>

#include "core/reporters.h"

namespace {

ReadFinding Made(const ReporterWords& words, std::uint32_t code, std::uint32_t chunkId,
                 std::size_t offset) {
    return {&words, words.kind, words.firstTelling != nullptr, code, chunkId, offset, 1};
}

void LogOffsetsOf(const std::vector<ReadFinding>& findings) {
    bool any = false;
    for (const ReadFinding& f : findings) {
        if (f.offset == ReadLog::kNoOffset) continue;
        std::fprintf(stderr, "zaw read: %s (at byte %zu, found %zu times)\n",
                     FindingText(f).c_str(), f.offset, f.count);
        any = true;
    }
    if (any) std::fflush(stderr);
}

}  // namespace

std::string FindingText(const ReadFinding& finding) {
    return finding.reporter ? finding.reporter->text(finding.code, finding.chunkId) : std::string();
}

void ReadLog::AddChunk(const ReporterWords& words, std::uint32_t code, std::uint32_t chunkId,
                       std::size_t offset) {
    findings_.push_back(Made(words, code, chunkId, offset));
}

void ReadLog::AddOnce(const ReporterWords& words, std::uint32_t code, std::size_t offset) {
    AddOnce(Made(words, code, 0, offset));
}

void ReadLog::AddOnce(const ReadFinding& finding) {
    for (ReadFinding& f : findings_) {
        if (f.reporter == finding.reporter && f.code == finding.code &&
            f.chunkId == finding.chunkId) {
            ++f.count;
            return;
        }
    }
    ReadFinding first = finding;
    first.count = 1;
    findings_.push_back(first);
}

void ReadLog::LogOffsets() const {
    LogOffsetsOf(findings_);
}

void ReadLog::ShowAll() {
    std::vector<ReadFinding> shown;
    shown.swap(findings_);
    LogOffsetsOf(shown);
    for (const ReadFinding& f : shown) {
        const ReporterWords* words = f.reporter;
        if (!words) continue;
        if (f.oncePerRun && !words->firstTelling(f.code)) continue;
        const std::string text = words->text(f.code, f.chunkId);
        if (f.kind == FindingKind::Error) {
            ShowErrorBox(text);
        } else {
            ShowInfoBox(text);
        }
    }
}
