// For the ".pat" check: loads a file into a pattern slot of a fresh 4/4 style
// as the step editor's Load does, stores the editor's working copy as its
// Save does and writes the file again. With "-" as input it writes the fresh
// slot unloaded.
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
        if (LoadPatternFile(in, style, slot) != 0) return 1;
        StepPatternEdit edit;
        LoadStepPatternEdit(style, slot, edit);
        StoreStepPatternEdit(edit, style);
    }
    return SavePatternFile(argv[3], style, slot) == 0 ? 0 : 1;
}
