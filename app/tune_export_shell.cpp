#include "app/tune_export_shell.h"

#include "convert/audio/tune_export.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/temp_files.h"

void ShowExportProgress(std::int32_t fraction) {
    ProgressDotsText.Set(ProgressDots(fraction));
    GetShellServices()->RedrawPanel();
}

int ExportTuneToOutputFile(const std::string& source, const std::string& target) {
    return ExportToOutputFile(source, target, ShowExportProgress);
}

int ExportTuneToWav(const std::string& source, const std::string& folder, const std::string& target) {
    return ExportToWavViaAiff(source, folder, target, ShowExportProgress);
}

int OpenWorkTempFileLedger() {
    return platform::OpenTempFileLedger(FolderSetting(FolderKind::Work));
}
