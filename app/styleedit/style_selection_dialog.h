// "Music Style Selection": the catalogue one category a page (9 pages of 24
// styles). A style button selects its style for the current panel mode (any
// number in compose mode, exactly one in convert mode, where button 1 is the
// shared "Format Change" entry); its small square opens the style
// definition hub on the catalogue entry. Every click is written into the
// selection table at once; OK closes only when something is selected.
#pragma once

#include <functional>
#include <memory>

#include "app/zaw_dialog.h"
#include "styleedit/style_selection.h"

// Regions: 0 OK, 1..24 style buttons, 25..48 their squares, 49 left arrow,
// 50 category bar, 51 right arrow.
constexpr int kSelectionOk = 0;
constexpr int kSelectionFirstButton = 1;
constexpr int kSelectionFirstSquare = 25;
constexpr int kSelectionLeftArrow = 49;
constexpr int kSelectionCategoryBar = 50;
constexpr int kSelectionRightArrow = 51;
constexpr int kSelectionRegionCount = 52;
// Statics of the style buttons and the squares.
constexpr int kSelectionButtonStatic = 2051;
constexpr int kSelectionSquareStatic = 1421;
constexpr int kSelectionSeparatorStatic = 1445;

constexpr platform::ui::Rgb kCategoryShadow{100, 80, 20};
constexpr platform::ui::Rgb kCategoryFace{255, 180, 48};
constexpr const char* kSelectionTip = "Please select music styles.";

// What a square runs over WorkingStyle: by default the hub in its style
// definition mode with check flag 2. Tests install their own; nullptr puts
// the default back.
using StyleHubRunner = std::function<void(platform::ui::Window* owner)>;
void SetStyleHubRunner(StyleHubRunner runner);

class StyleSelection : public ZAWDialog {
public:
    explicit StyleSelection(platform::ui::Window* parent = nullptr);

    int DoModal();
    // Builds the regions of StyleSelectionPage (done once; DoModal calls it).
    void OnInitDialog();

    // Draws the whole face (background, buttons, squares, arrows, bars and
    // captions) into a canvas of the client's size.
    void Render(platform::ui::Canvas& canvas);
    // True once the tooltips have been made (on the first mouse move, when
    // tooltips are switched on).
    bool TooltipsMade() const { return tooltipsMade_; }
    const StyleButtonStates& States() const { return states_; }

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnMouseMove(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;

    // The window the hub is run over (the main panel).
    platform::ui::Window* owner = nullptr;

protected:
    // A style's caption lies right of its button's square, never over it.
    platform::ui::Rect CaptionArea(int index, int shift) const override;

private:
    void BuildRegions();
    void ShowPage();
    void SyncStates();
    void TurnPage(int step);
    void Square(int j);
    void Ok();
    void MakeTooltips();

    platform::ui::Window* parent_;
    bool built_ = false;
    bool tooltipsMade_ = false;
    StyleButtonStates states_{};
    platform::ui::Control* face_ = nullptr;
    platform::ui::Control* separator_ = nullptr;
};
