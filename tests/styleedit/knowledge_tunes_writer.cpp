// Saves knowledge bases as the knowledge-base editor does, into the folder
// given: each shipped pair chosen and written back ("kb_<name>"), and one pair
// edited (a transition and a pattern added, a pattern deleted). Then composes
// 10 tunes of a style naming the edited pair, each kept as
// "tune_kb_<n>.mid" beside a text of its seed and the channels of its unused
// parts, as the composed-tune reader expects.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "styleedit/knowledge_editor.h"
#include "tests/support/compose_folder.h"

namespace {

bool Copy(const std::string& from, const std::string& to) {
    std::string bytes;
    return ReadKnowledgeBytes(from, bytes) && platform::ReplaceFileContents(to, bytes.data(), bytes.size());
}

// Chooses both files of a pair as the "File Name" buttons do, applies the
// edit and writes both as OK does, refusing what the checker refuses.
bool SavePair(const std::string& folder, const std::string& suffix, const std::string& tag,
              MusicStyle& style, bool edit) {
    std::string program;
    GetProgramDirectory(program);
    const std::string transitions = folder + "kb_PATTERN" + tag + suffix;
    const std::string patterns = folder + "kb_RESOLUT" + tag + suffix;
    if (!Copy(platform::JoinPath(program, "PATTERN" + suffix), transitions) ||
        !Copy(platform::JoinPath(program, "RESOLUT" + suffix), patterns)) {
        std::fprintf(stderr, "cannot copy the %s pair from %s\n", suffix.c_str(), program.c_str());
        return false;
    }
    KnowledgeEditor editor;
    ErrorCode code = ChooseTransitionFile(editor, transitions, style);
    if (code == 0) code = ChoosePatternFile(editor, patterns, style);
    if (code != 0) {
        std::fprintf(stderr, "%s%s refused: %08X\n", tag.c_str(), suffix.c_str(), code);
        return false;
    }
    if (edit && (!AddTransition(editor, "DmPsGMPs007") ||
                 !AddPattern(editor, {"DmPs", "GMPs", "CMPS"})))
        return false;
    if (edit) DeletePattern(editor, 0);
    MusicStyle keyed = style;
    keyed.key = suffix == ".DB2" ? 2 : 1;
    const KnowledgeCheckContext context = KnowledgeContextFor(keyed);
    const KnowledgeSave t = PrepareTransitionSave(editor, context);
    const KnowledgeSave p = PreparePatternSave(editor, context);
    for (const KnowledgeSave* save : {&t, &p})
        for (const KnowledgeFault& fault : save->faults)
            std::fprintf(stderr, "%s%s: %s\n", suffix.c_str(), save == &t ? " transitions" : " patterns",
                         DescribeKnowledgeFault(fault).c_str());
    if (!t.faults.empty() || !p.faults.empty()) return false;
    return WriteKnowledgeBytes(transitions, t.bytes, kKnowledgeTransitionSave) == 0 &&
           WriteKnowledgeBytes(patterns, p.bytes, kKnowledgePatternSave) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = testing_support::ComposeFolderFromArguments(argc, argv, kPanelModeCompose);
    if (folder.empty()) return 2;
    auto style = std::make_unique<MusicStyle>();
    // The first built-in style there is.
    bool built = false;
    for (int slot = 0; slot < kStyleSlots && !built; ++slot) built = BuildPresetStyle(0, slot, *style);
    if (!built) return 1;
    style->chordGenerationMethod = 0;
    SetWorkingStyle(*style);
    for (const char* suffix : {".DB2", ".DBB", ".DB"})
        if (!SavePair(folder, suffix, "", *style, false)) return 1;
    // The edited pair is the one the style names from here on.
    if (!SavePair(folder, ".DB", "_edited", *style, true)) return 1;
    SetWorkingStyle(*style);
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    for (int n = 1; n <= 10; ++n) {
        SeedRandomWith(n);
        ResetComposerState();
        std::size_t length = 0;
        if (ComposeOneTune(buffer.data(), &length) != 1) {
            std::fprintf(stderr, "tune %d did not compose\n", n);
            return 1;
        }
        const std::string name = folder + "tune_kb_" + std::to_string(n);
        if (std::rename((folder + "temp.mid").c_str(), (name + ".mid").c_str()) != 0) return 1;
        std::FILE* facts = std::fopen((name + ".txt").c_str(), "w");
        if (!facts) return 1;
        std::fprintf(facts, "%d\n", n);
        for (int channel = 1; channel <= 8; ++channel)
            if (style->voice[channel] == 256) std::fprintf(facts, "%d ", channel);
        std::fprintf(facts, "\n");
        std::fclose(facts);
    }
    std::printf("knowledge bases: %s %s\n", FieldText(style->knowledgeBase).c_str(),
                FieldText(style->resolutionKnowledgeBase).c_str());
    return 0;
}
