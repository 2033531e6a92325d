#include "styleedit/knowledge_files.h"

#include "compose/tune_header.h"

namespace {

constexpr std::string_view kEntryEnd = "|\r\n";

bool IsFramingByte(char c) {
    return c == '|' || c == '\r' || c == '\n' || c == '\0';
}

bool HoldsNoFraming(std::string_view text) {
    for (char c : text)
        if (IsFramingByte(c)) return false;
    return true;
}

// Past the CR LF at position, or at the end of the bytes; npos when
// anything else stands there.
std::size_t SkipLineEnd(std::string_view bytes, std::size_t position) {
    if (position == bytes.size()) return position;
    if (bytes.substr(position, 2) == "\r\n") return position + 2;
    return std::string_view::npos;
}

std::string PaddedName(const std::string& code) {
    std::string name = ChordCodeToName(code.c_str());
    name.resize(10, ' ');
    return name;
}

}  // namespace

TransitionRead ReadTransitionFile(std::string_view bytes, ErrorCode loadFailure) {
    if (bytes.size() > kKnowledgeFileMaxBytes) return {loadFailure, {}};
    TransitionRead read;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::string_view body = bytes.substr(at, kTransitionBodyLength);
        const std::size_t bar = at + kTransitionBodyLength;
        if (body.size() < kTransitionBodyLength || !HoldsNoFraming(body) || bar >= bytes.size() ||
            bytes[bar] != '|')
            return {kKnowledgeTransitionUnset, {}};
        const std::size_t next = SkipLineEnd(bytes, bar + 1);
        if (next == std::string_view::npos) return {kKnowledgeTransitionUnset, {}};
        read.entries.push_back({std::string(body.substr(0, 4)), std::string(body.substr(4, 4)),
                                std::string(body.substr(8, 3))});
        at = next;
    }
    return read;
}

bool PatternFileLooksSound(std::string_view bytes) {
    const std::size_t bar = bytes.find('|');
    const std::string_view count = bytes.substr(0, bar);
    if (count.empty()) return false;
    for (char c : count)
        if (c < '0' || c > '9') return false;
    return true;
}

PatternRead ReadPatternFile(std::string_view bytes, ErrorCode loadFailure) {
    if (bytes.size() > kKnowledgeFileMaxBytes) return {loadFailure, {}};
    if (bytes.empty()) return {};
    const PatternRead refused{kKnowledgePatternUnset, {}};
    std::size_t at = bytes.find('|');
    if (at == std::string_view::npos) return refused;
    at = SkipLineEnd(bytes, at + 1);
    if (at == std::string_view::npos) return refused;
    PatternRead read;
    ChordPattern row;
    while (at < bytes.size()) {
        const std::string_view code = bytes.substr(at, kChordCodeLength);
        if (code.size() < kChordCodeLength || !HoldsNoFraming(code) ||
            row.size() == kMaxPatternChords)
            return refused;
        row.emplace_back(code);
        at += kChordCodeLength;
        if (at < bytes.size() && bytes[at] == '|') {
            at = SkipLineEnd(bytes, at + 1);
            if (at == std::string_view::npos) return refused;
            read.patterns.push_back(std::move(row));
            row.clear();
        }
    }
    // Chords after the last '|' belong to no pattern.
    if (!row.empty()) return refused;
    return read;
}

std::string WriteTransitionFile(const std::vector<Transition>& entries) {
    std::string bytes;
    bytes.reserve(entries.size() * kTransitionEntryLength);
    for (const Transition& entry : entries)
        bytes.append(entry.from).append(entry.to).append(entry.rate).append(kEntryEnd);
    return bytes;
}

std::string WritePatternFile(const std::vector<ChordPattern>& patterns) {
    std::string bytes = std::to_string(patterns.size());
    bytes.append(kEntryEnd);
    for (const ChordPattern& pattern : patterns) {
        for (const std::string& code : pattern) bytes.append(code);
        bytes.append(kEntryEnd);
    }
    return bytes;
}

std::string TransitionListLine(const Transition& entry) {
    return entry.rate + " : " + PaddedName(entry.from) + " -> " + PaddedName(entry.to);
}

std::string PatternListLine(const ChordPattern& pattern) {
    std::string line;
    for (const std::string& code : pattern) {
        if (!line.empty()) line += "->";
        line += ChordCodeToName(code.c_str());
    }
    return line;
}

bool TransitionFromPair(const std::string& pair, Transition& entry) {
    if (pair.size() != kPendingPairLength || !HoldsNoFraming(pair)) return false;
    entry = {pair.substr(0, 4), pair.substr(4, 4), pair.substr(8, 3)};
    return true;
}
