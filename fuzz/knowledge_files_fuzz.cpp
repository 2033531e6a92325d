// Any bytes as both knowledge-base files of the editor: read as a transition
// file and as a pattern file (with the chosen pattern file's check), shown as
// list lines, checked by the knowledge-file checker, written and read again.
// Aborts when an accepted file does not read back to the same entries, when
// a refused one loaded anything, or when a written file breaks the framing
// the readers expect.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "compose/knowledge_check.h"
#include "fuzz/quiet_platform.h"
#include "styleedit/knowledge_files.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void Transitions(std::string_view bytes, const KnowledgeCheckContext& context) {
    const TransitionRead read = ReadTransitionFile(bytes);
    if (read.code != 0) {
        Check(read.entries.empty());
        return;
    }
    for (const Transition& entry : read.entries) Check(TransitionListLine(entry).size() == 30);
    const std::string written = WriteTransitionFile(read.entries);
    Check(written.size() == read.entries.size() * kTransitionEntryLength);
    CheckKnowledgeFile(KnowledgeFileKind::kTransitions, written, context);
    const TransitionRead again = ReadTransitionFile(written);
    Check(again.code == 0 && again.entries == read.entries);
}

void Patterns(std::string_view bytes, const KnowledgeCheckContext& context) {
    PatternFileLooksSound(bytes);
    const PatternRead read = ReadPatternFile(bytes);
    if (read.code != 0) {
        Check(read.patterns.empty());
        return;
    }
    for (const ChordPattern& pattern : read.patterns) {
        Check(!pattern.empty() && pattern.size() <= kMaxPatternChords);
        PatternListLine(pattern);
    }
    const std::string written = WritePatternFile(read.patterns);
    Check(PatternFileLooksSound(written));
    CheckKnowledgeFile(KnowledgeFileKind::kCadences, written, context);
    const PatternRead again = ReadPatternFile(written);
    Check(again.code == 0 && again.patterns == read.patterns);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    KnowledgeCheckContext context;
    context.minorKey = size > 0 && data[0] % 2 == 1;
    context.cadenceTimeCharts.emplace_back(bytes.substr(0, size / 2));
    Transitions(bytes, context);
    Patterns(bytes, context);
    // The other kinds the checker takes, under every metre.
    for (KnowledgeMetre metre : {KnowledgeMetre::k44, KnowledgeMetre::k34, KnowledgeMetre::k78}) {
        context.metre = metre;
        CheckKnowledgeFile(KnowledgeFileKind::kTimeChart, bytes, context);
        CheckKnowledgeFile(KnowledgeFileKind::kCadenceTimeChart, bytes, context);
    }
    return 0;
}
