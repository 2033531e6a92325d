// Message reporters: the program-wide error, information and question boxes,
// and the formatter that classes with failures of their own share.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <span>
#include <string>

#include "platform/message_sink.h"

using ErrorCode = std::uint32_t;

constexpr int IDOK = platform::kIdOk;
constexpr int IDCANCEL = platform::kIdCancel;

// Longest text a reporter formats; longer texts are cut.
constexpr std::size_t kMessageBufferSize = 2048;

// The three box primitives every reporter ends in.
void ShowErrorBox(const std::string& text);
void ShowInfoBox(const std::string& text);
int ShowOkCancelBox(const std::string& text);

// Program-wide codes 0xFF01xxxx.
int ShowErrorMessage(ErrorCode code);
// The same box with a detail after the code's text (the file, a limit).
int ShowErrorMessage(ErrorCode code, const std::string& detail);
void ShowInfoMessage(ErrorCode code);
int AskConfirm(ErrorCode code);
// Text of a program-wide error code, or nullptr when the table has none.
const char* ErrorCodeText(ErrorCode code);
// The text shown for codes missing from the table.
extern const char* const kUnknownErrorText;

// Common-dialog extended errors, tag "GNWN".
void ShowCommonDialogError(std::uint32_t code);

struct CodeText {
    std::uint32_t code;
    const char* text;
};

// Texts of the common file-dialog error codes (shared by the shell's report).
std::span<const CodeText> CommonDialogErrorTable();

// "TAG%08X text", cut to the message buffer.
std::string FormatClassMessage(const char* tag, std::uint32_t code, const char* text);

// The reporter of one class: a four-letter tag, a table of texts, and the
// default text that names the class. Class reporters do not pause.
class ClassReporter {
public:
    constexpr ClassReporter(const char* tag, std::span<const CodeText> table,
                            const char* defaultText)
        : tag_(tag), table_(table), defaultText_(defaultText) {}

    const char* TextOf(std::uint32_t code) const;
    std::string Format(std::uint32_t code) const;
    void Show(std::uint32_t code) const;

private:
    const char* tag_;
    std::span<const CodeText> table_;
    const char* defaultText_;
};

// Remembers which codes it has shown, so each warning appears once per run.
class OnceWarning {
public:
    explicit OnceWarning(const ClassReporter& reporter) : reporter_(reporter) {}
    // Shows the code unless it was shown before; true when it was shown now.
    bool Show(std::uint32_t code);
    void Reset();

private:
    const ClassReporter& reporter_;
    std::mutex mutex_;
    std::set<std::uint32_t> shown_;
};
