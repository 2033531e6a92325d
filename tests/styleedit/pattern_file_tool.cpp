// For the ".pat" check: loads a file into a pattern slot of a fresh 4/4 style
// as the step editor's Load does, stores the editor's working copy as its
// Save does and writes the file again. With "-" as input it writes the fresh
// slot unloaded. A file the editor refuses exits with 3.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "style/style_table.h"
#include "styleedit/step_pattern.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s slot in.pat|- out.pat\n", argv[0]);
        return 2;
    }
    const int slot = std::atoi(argv[1]);
    const std::string in = argv[2];
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
    return SavePatternFile(argv[3], style, slot) == 0 ? 0 : 1;
}
