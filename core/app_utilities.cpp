#include "core/app_utilities.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "platform/file_chooser.h"

namespace {

constexpr ErrorCode kFileOpenError = 0xFF010101u;
constexpr ErrorCode kFileSizeError = 0xFF010102u;

std::atomic<TerminalIdLookup> g_terminalIdLookup{nullptr};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

// ---- File names ----

std::string FileNameOfPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

int IsMidiFileName(std::string_view name) {
    // A name needs something in front of its extension.
    if (name.size() <= 4) return 0;
    const std::string_view ext = name.substr(name.size() - 4);
    if (ext[0] != '.') return 0;
    for (std::size_t i = 1; i < 4; ++i) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(ext[i])));
        if (upper != "xMID"[i]) return 0;
    }
    return 1;
}

// ---- Metre ----

int EighthsPerBar(int timeSignatureCode) {
    if (timeSignatureCode == 1) return 6;
    if (timeSignatureCode == 2) return 7;
    return 8;
}

// ---- Selected handset ----

void SetTerminalIdLookup(TerminalIdLookup lookup) {
    g_terminalIdLookup.store(lookup);
}

int GetSelectedTerminalId() {
    const TerminalIdLookup lookup = g_terminalIdLookup.load();
    return lookup ? lookup(AppSettings.TerminalIndex) : 0;
}

// ---- Standard MIDI Files ----

int ChooseMidiFile(std::string& path) {
    platform::FileChooserRequest request;
    request.defaultExtension = "mid";
    request.filter = "midi files|*.mid|";
    const platform::FileChooserAnswer answer = platform::GetFileChooser()->ChooseFile(request);
    if (!answer.chosen) {
        if (answer.errorCode != 0)
            ReportCommonDialogError(static_cast<std::uint32_t>(answer.errorCode));
        return 0;
    }
    path = answer.path;
    return 1;
}

int ReadMidiFile(std::string& path, std::uint8_t* buffer, std::size_t capacity, std::size_t* size) {
    if (!buffer || !size || capacity == 0) return 0;
    *size = 0;
    std::memset(buffer, 0, capacity);
    if (path.empty() && !ChooseMidiFile(path)) return 0;
    if (RefuseOtherThanRegularFile(path)) return 0;

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        ShowErrorMessage(kFileOpenError);
        return 0;
    }
    // A file must leave room in the buffer and in the work images it is
    // read into: one that fills the limit is taken to be cut.
    const std::size_t limit = std::min(capacity, WorkBufferSize);
    const std::size_t n = std::fread(buffer, 1, limit, file.get());
    if (n == 0 || n >= limit) {
        std::memset(buffer, 0, n);
        // The file, and the size it must keep under.
        std::string detail = "[\"";
        detail += FileNameOfPath(path);
        if (n == 0) {
            detail += "\" is empty; ";
        } else {
            detail += "\" has ";
            detail += std::to_string(n);
            detail += " bytes or more; ";
        }
        detail += "a MIDI file must be under ";
        detail += std::to_string(limit);
        detail += " bytes]";
        ShowErrorMessage(kFileSizeError, detail);
        return 0;
    }
    *size = n;
    return 1;
}
