// How WorkingStyle's chord progression is built: its type, generation
// method, bass and scale options and block sizes, stored on OK.
#pragma once

#include "app/value_dialog.h"
#include "core/reporters.h"
#include "styleedit/chord_progression_choice.h"

namespace platform::ui {
class Window;
}

constexpr ErrorCode kInvalidBassError = 0xFF0101C9;  // "Invalid bass pattern!"
constexpr int kProgressionTypeCombo = 1301;
constexpr int kProgressionMethodCombo = 1302;
constexpr int kProgressionFixBassBox = 1303;
constexpr int kProgressionAdjustBox = 1304;
constexpr int kProgressionOnChordBox = 1305;
constexpr int kProgressionBlockCombo = 1306;
constexpr int kProgressionChordsCombo = 1307;
constexpr int kProgressionHeight = 288;
constexpr int kProgressionOkTop = 230;

// "Chord Progression": four lists and three boxes over WorkingStyle's
// fields. The OK button stores all seven and closes; Enter closes without
// storing.
class ChordProgressionSelection : public ValueDialog {
public:
    explicit ChordProgressionSelection(platform::ui::Window* parent = nullptr);

    void OnOk(platform::ui::Window& window) override;

protected:
    std::string Title() const override { return "Chord Progression"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    platform::ui::Control* lists_[kProgressionListCount]{};
    platform::ui::Control* fixBass_ = nullptr;
    platform::ui::Control* adjust_ = nullptr;
    platform::ui::Control* onChord_ = nullptr;
};

void RunChordProgressionSelection(platform::ui::Window* parent);
