// For the ".pat" check: loads a file into a pattern slot of a fresh 4/4 style
// as the step editor's Load does, stores the editor's working copy as its
// Save does and writes the file again. With "-" as input it writes the fresh
// slot unloaded. Takes any number of "slot in out" triples, each on a fresh
// style, and prints one status a line: 0 written, 3 refused by the editor,
// 1 failed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "style/style_table.h"
#include "styleedit/step_pattern.h"

namespace {

int LoadAndSave(int slot, const std::string& in, const char* out) {
    MusicStyle style{};
    InitMusicStyle(style);
    style.timeSignature = kMetre44;
    style.basicBeat = 0;
    if (in != "-") {
        PatternFileFault fault;
        if (LoadPatternFile(in, style, slot, fault) != 0) return 1;
        if (fault.kind != PatternFileFault::kNone) {
            std::fprintf(stderr, "%s\n", PatternFileFaultText(in, fault).c_str());
            return 3;
        }
        StepPatternEdit edit;
        LoadStepPatternEdit(style, slot, edit);
        StoreStepPatternEdit(edit, style);
    }
    return SavePatternFile(out, style, slot) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || (argc - 1) % 3 != 0) {
        std::fprintf(stderr, "usage: %s slot in.pat|- out.pat [slot in out ...]\n", argv[0]);
        return 2;
    }
    for (int i = 1; i + 2 < argc; i += 3) {
        std::printf("%d\n", LoadAndSave(std::atoi(argv[i]), argv[i + 1], argv[i + 2]));
    }
    return 0;
}
