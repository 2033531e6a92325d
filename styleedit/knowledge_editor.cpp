#include "styleedit/knowledge_editor.h"

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "compose/knowledge_base.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "style/key_setup.h"
#include "style/style_table.h"

namespace {

// Reads a side's file into its table through the reader given; the side is
// loaded, refused or left unread (could not be opened).
template <typename Table, typename Reader>
ErrorCode LoadSide(KnowledgeSide& side, Table& table, const std::string& path, Reader read,
                   ErrorCode openFailure) {
    side = KnowledgeSide{path, KnowledgeSideState::kUnread, false};
    std::string bytes;
    if (!ReadKnowledgeBytes(path, bytes)) return openFailure;
    auto result = read(bytes, openFailure);
    if (result.code != 0) {
        side.state = KnowledgeSideState::kRefused;
        return result.code;
    }
    table = std::move(result.entries);
    side.state = KnowledgeSideState::kLoaded;
    return 0;
}

TransitionRead ReadTransitions(std::string_view bytes, ErrorCode failure) {
    return ReadTransitionFile(bytes, failure);
}

struct PatternTable {
    ErrorCode code = 0;
    std::vector<ChordPattern> entries;
};
PatternTable ReadPatterns(std::string_view bytes, ErrorCode failure) {
    PatternRead read = ReadPatternFile(bytes, failure);
    return {read.code, std::move(read.patterns)};
}

// Whether anything stands at the path (a file that could not be read among
// them); when that cannot be told, something is taken to stand there.
bool SomethingStandsAt(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() !=
           std::filesystem::file_type::not_found;
}

void DeleteAt(auto& table, int index) {
    if (index < 0 || index >= static_cast<int>(table.size())) return;
    table.erase(table.begin() + index);
}

}  // namespace

bool ReadKnowledgeBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.resize(kKnowledgeFileMaxBytes + 1);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    bytes.resize(failed ? 0 : got);
    return !failed;
}

std::vector<ErrorCode> OpenKnowledgeFiles(KnowledgeEditor& editor, const MusicStyle& style) {
    editor = KnowledgeEditor{};
    std::vector<ErrorCode> codes;
    const std::string patternPath = KnowledgeFilePath(FieldText(style.resolutionKnowledgeBase));
    const ErrorCode first =
        LoadSide(editor.transitionSide, editor.transitions,
                 KnowledgeFilePath(FieldText(style.knowledgeBase)), ReadTransitions,
                 kKnowledgeTransitionLoad);
    if (first) codes.push_back(first);
    if (editor.transitionSide.state == KnowledgeSideState::kUnread) {
        // The pattern file stays unread; its button still names it.
        editor.patternSide.path = patternPath;
        return codes;
    }
    if (ErrorCode second = LoadSide(editor.patternSide, editor.patterns, patternPath, ReadPatterns,
                                    kKnowledgePatternLoad))
        codes.push_back(second);
    return codes;
}

ErrorCode ChooseTransitionFile(KnowledgeEditor& editor, const std::string& path,
                               MusicStyle& style) {
    if (path.size() > kKnowledgePathLimit) return kKnowledgeOpenFailed;
    std::string bytes;
    if (!ReadKnowledgeBytes(path, bytes)) return kKnowledgeOpenFailed;
    TransitionRead read = ReadTransitionFile(bytes, kKnowledgeOpenFailed);
    if (read.code) return read.code;
    editor.transitions = std::move(read.entries);
    editor.transitionSide = {path, KnowledgeSideState::kLoaded, false};
    SetFieldText(style.knowledgeBase, sizeof style.knowledgeBase, path);
    return 0;
}

ErrorCode ChoosePatternFile(KnowledgeEditor& editor, const std::string& path, MusicStyle& style) {
    if (path.size() > kKnowledgePathLimit) return kKnowledgeOpenFailed;
    std::string bytes;
    if (!ReadKnowledgeBytes(path, bytes)) return kKnowledgeOpenFailed;
    if (bytes.size() > kKnowledgeFileMaxBytes) return kKnowledgeOpenFailed;
    if (!PatternFileLooksSound(bytes)) return kKnowledgePatternCheck;
    PatternRead read = ReadPatternFile(bytes, kKnowledgeOpenFailed);
    if (read.code) return read.code;
    editor.patterns = std::move(read.patterns);
    editor.patternSide = {path, KnowledgeSideState::kLoaded, false};
    SetFieldText(style.resolutionKnowledgeBase, sizeof style.resolutionKnowledgeBase, path);
    return 0;
}

bool AddTransition(KnowledgeEditor& editor, const std::string& pair) {
    Transition entry;
    if (!TransitionFromPair(pair, entry)) return false;
    editor.transitions.push_back(entry);
    editor.transitionSide.addedTo = true;
    return true;
}

bool AddPattern(KnowledgeEditor& editor, const std::vector<std::string>& chords) {
    if (chords.empty() || chords.size() > kMaxPatternChords) return false;
    for (const std::string& code : chords)
        if (code.size() != kChordCodeLength) return false;
    editor.patterns.push_back(chords);
    editor.patternSide.addedTo = true;
    return true;
}

void DeleteTransition(KnowledgeEditor& editor, int index) {
    DeleteAt(editor.transitions, index);
}

void DeletePattern(KnowledgeEditor& editor, int index) {
    DeleteAt(editor.patterns, index);
}

bool ShouldWrite(const KnowledgeSide& side) {
    if (side.state == KnowledgeSideState::kLoaded) return true;
    // A side that was never read may only create its file: the table holds
    // none of the entries of a file standing there (the pattern file left
    // unread beside a transition file that could not be opened, or a file
    // that could not be read), and writing it would lose them.
    return side.state == KnowledgeSideState::kUnread && side.addedTo &&
           !SomethingStandsAt(side.path);
}

KnowledgeCheckContext KnowledgeContextFor(const MusicStyle& style) {
    KnowledgeCheckContext context;
    context.minorKey = style.key == 2;
    std::string name;
    {
        std::lock_guard lock(StyleRecordMutex());
        name = FieldText(CadenceTimeChartFileName);
    }
    std::string folder;
    GetProgramDirectory(folder);
    std::string chart;
    if (ReadKnowledgeBytes(platform::JoinPath(folder, name), chart))
        context.cadenceTimeCharts.push_back(chart);
    return context;
}

KnowledgeSave PrepareTransitionSave(const KnowledgeEditor& editor,
                                    const KnowledgeCheckContext& context) {
    KnowledgeSave save{WriteTransitionFile(editor.transitions), {}};
    save.faults = CheckKnowledgeFile(KnowledgeFileKind::kTransitions, save.bytes, context);
    return save;
}

KnowledgeSave PreparePatternSave(const KnowledgeEditor& editor,
                                 const KnowledgeCheckContext& context) {
    KnowledgeSave save{WritePatternFile(editor.patterns), {}};
    save.faults = CheckKnowledgeFile(KnowledgeFileKind::kCadences, save.bytes, context);
    return save;
}

ErrorCode WriteKnowledgeBytes(const std::string& path, const std::string& bytes,
                              ErrorCode failure) {
    if (bytes.size() > kKnowledgeFileMaxBytes) return failure;
    return platform::ReplaceFileContents(path, bytes.data(), bytes.size()) ? 0 : failure;
}
