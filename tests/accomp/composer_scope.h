// Sets the globals the composer reads for a test's own run of built-in
// styles (files into one folder, compose mode, "Use Group Inst." off, the
// backing generators installed) and puts them back when it goes.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "accomp/backing_generators.h"
#include "compose/compose_control.h"
#include "compose/composer_state.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/music_style.h"
#include "style/style_table.h"

class ComposerScope {
public:
    // folder ends with '/'.
    explicit ComposerScope(const std::string& folder)
        : savedStyle_(std::make_unique<MusicStyle>(WorkingStyle)),
          savedSettings_(AppSettings),
          savedOutputType_(TheComposerState.outputType),
          savedPanel_(PanelMode.load()) {
        std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder.c_str());
        std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s",
                      folder.c_str());
        AppSettings.ComposeOutputType = 2;
        AppSettings.UseGroupInstruments = 0;
        TheComposerState.outputType = 2;
        PanelMode = kPanelModeCompose;
        ComposeStopRequest = 0;
        InstallBackingGenerators();
    }
    ~ComposerScope() {
        WorkingStyle = *savedStyle_;
        AppSettings = savedSettings_;
        TheComposerState.outputType = savedOutputType_;
        PanelMode = savedPanel_;
    }
    ComposerScope(const ComposerScope&) = delete;
    ComposerScope& operator=(const ComposerScope&) = delete;

private:
    std::unique_ptr<MusicStyle> savedStyle_;
    AppSettingsRecord savedSettings_;
    int savedOutputType_;
    int savedPanel_;
};
