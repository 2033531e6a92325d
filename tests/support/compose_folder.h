// The program's state for a test program that composes into a folder:
// default settings and shared values, the folder as work and output folder,
// Standard MIDI output, the panel mode and the backing generators; and the
// same from a test program's command line.
#pragma once

#include <cstdio>
#include <string>

#include "accomp/backing_generators.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"

namespace testing_support {

inline void SetUpComposeFolder(const std::string& folder, int panelMode) {
    InitDefaultSettings();
    InitSharedShellValues();
    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder.c_str());
    std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s", folder.c_str());
    TheComposerState.outputType = 2;
    PanelMode = panelMode;
    InstallBackingGenerators();
}

// The folder a test program's one argument names, ending in "/", set up as
// above; empty, after a usage line, when the command line is not that.
inline std::string ComposeFolderFromArguments(int argc, char** argv, int panelMode) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argc > 0 ? argv[0] : "writer");
        return {};
    }
    const std::string folder = std::string(argv[1]) + "/";
    SetUpComposeFolder(folder, panelMode);
    return folder;
}

}  // namespace testing_support
