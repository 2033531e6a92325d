// Melody mail: an MFi file as a mail text, the header line "--B:M" and the
// file's bytes in Base64, which a handset reads back from the mail.
#pragma once

#include <cstdint>
#include <string>

// Mail texts of this many characters or more are too long for a handset;
// they are written all the same after the warning.
constexpr std::size_t kMelodyMailWarnLength = 300;
// The most bytes of the MFi file or the text that are read.
constexpr std::size_t kMelodyMailReadLimit = 0xF0000;
constexpr std::uint32_t kMelodyMailTooBig = 0xFF010124u;  // "Text is too big for melody mail!"

// The mail text of the MFi file at LastOutputPath written to outputPath.
// 1 when the text file was written.
int EncodeMelodyMailText(const std::string& outputPath);
