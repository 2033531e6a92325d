// The program's state for a test program that composes into a folder:
// default settings and shared values, the folder as work and output folder,
// Standard MIDI output, the panel mode and the backing generators.
#pragma once

#include <cstdio>
#include <string>

#include "accomp/backing_generators.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"

namespace testing_support {

inline void SetUpComposeFolder(const std::string& folder, int panelMode) {
    InitDefaultSettings();
    InitSharedShellValues();
    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder.c_str());
    std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s", folder.c_str());
    OutputType = 2;
    PanelMode = panelMode;
    InstallBackingGenerators();
}

}  // namespace testing_support
