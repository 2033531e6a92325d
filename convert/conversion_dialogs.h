// The questions a ringtone conversion asks the user: which channels, with
// which instruments and volumes, over which measures; and the title and
// copyright the file carries. convert/ cannot reach the dialogs, so the
// application installs a ConversionDialogs at start-up and tests install a
// scripted one. Without one every question is refused.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/cp932_text.h"  // CutCp932, for the texts below

class MobileData;
class MultiMobileTrackData;

// What a driver hands the channel dialog.
struct ChannelChoice {
    MobileData* model = nullptr;
    // The multi-track model played by Listen (the same object as model for
    // the multi-track drivers, null for the others).
    MultiMobileTrackData* multiTrack = nullptr;
    int drumRowsLocked = 0;  // 1: the drum rows' check boxes are disabled
    int drumAsOneRow = 0;    // 1: a drum slot is one "Drums" row
    int voiceLimit = 16;     // most rows that may be checked
};

// The answer of the channel dialog: ticks of the model.
struct ChannelRange {
    bool accepted = false;
    long long startTick = 0;
    long long endTick = 0;
};

class ConversionDialogs {
public:
    virtual ~ConversionDialogs() = default;
    // Runs the channel dialog on the model; refused when it could not open.
    virtual ChannelRange ChooseChannels(const ChannelChoice& choice) = 0;
    // Runs the copyright dialog on the model; false when it could not open.
    virtual bool AskCopyright(MobileData& model) = 0;
    // Shows the melody-mail text of the file at path in a read-only box that
    // copies it to the clipboard; without a box nothing is shown.
    virtual void ShowMelodyMailText(const std::string& /*path*/) {}
};

// Refuses every question.
class RefusingConversionDialogs : public ConversionDialogs {
public:
    ChannelRange ChooseChannels(const ChannelChoice&) override { return {}; }
    bool AskCopyright(MobileData&) override { return false; }
};

// Installs the dialogs; nullptr restores the refusing one. Returns the one
// replaced.
std::shared_ptr<ConversionDialogs> SetConversionDialogs(std::shared_ptr<ConversionDialogs> dialogs);
std::shared_ptr<ConversionDialogs> GetConversionDialogs();

// ---- Title and copyright texts (bytes in code page 932) ----

// The mark appended to every confirmed copyright.
inline constexpr std::string_view kCopyrightMark = "(ZAW User)";
// Longest text of the model's title and copyright fields (256 bytes with
// the terminator).
inline constexpr std::size_t kCopyrightFieldBytes = 255;
// The copyright the model carries when the song names none.
inline constexpr std::string_view kNoCopyrightInfo = "No Copyright Info";

// The copyright box's first text: the model's copyright, or the user name
// when the model has none.
std::string OfferedCopyright(std::string_view modelCopyright, std::string_view userName);
// Stores what the user confirmed: the title (up to 255 bytes) and the
// copyright, cut so that it and the mark fit in 255 bytes, followed by the
// mark; the user name becomes the copyright as typed (up to 255 bytes).
void ConfirmCopyright(MobileData& model, std::string_view title, std::string_view copyright,
                      std::string& userName);
