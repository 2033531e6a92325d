// The panel's side of the tune export: the progress dots and the two export
// roads of the output types 21 and 22.
#pragma once

#include <cstdint>
#include <string>

// Sets ProgressDotsText from the fraction (0x10000ths) and redraws the panel.
void ShowExportProgress(std::int32_t fraction);
// Output type 21: the tune as an AIFF at target.
int ExportTuneToOutputFile(const std::string& source, const std::string& target);
// Output type 22: through folder's "temp.aiff" to the WAV at target.
int ExportTuneToWav(const std::string& source, const std::string& folder, const std::string& target);
// Removes the temporary files a killed run left (noted in the work folder in
// use) and notes this run's there from now on. The files removed.
int OpenWorkTempFileLedger();
