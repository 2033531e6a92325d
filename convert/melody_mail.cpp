#include "convert/melody_mail.h"

#include <vector>

#include "core/conversion_services.h"
#include "core/reporters.h"
#include "core/utilities.h"

int EncodeMelodyMailText(const std::string& outputPath) {
    std::vector<std::uint8_t> bytes(kMelodyMailReadLimit);
    std::size_t count = 0;
    if (!ReadWholeFile(LastOutputPath.Get(), bytes.data(), &count, bytes.size())) return 0;
    std::string text;
    Base64Encode(bytes.data(), count, text);
    if (text.size() >= kMelodyMailWarnLength) ShowErrorMessage(kMelodyMailTooBig);
    return WriteFileBytes(outputPath, text.data(), text.size());
}
