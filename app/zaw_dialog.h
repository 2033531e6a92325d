// The skinned dialog base: a dialog whose face is a background image and
// whose buttons are image holders swapped between a normal and a pressed
// image. Buttons are hit inclusively, the highest index winning; their
// captions are drawn over the images in a two-colour embossed style. Esc and
// the close box only beep: a skinned dialog ends through its OK button.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/skin.h"
#include "platform/ui/window.h"

// ---- The shared skin ----

// Every image the dialogs paint, made once at start-up and kept until exit.
platform::ui::SkinStore& SkinBitmaps();
// Builds the store and lays our own art from the skin folder over it.
void LoadSkinBitmaps();
const platform::ui::Image& SkinImage(platform::ui::SkinId id);

// ---- Buttons ----

constexpr int kMaxSkinButtons = 80;

struct SkinButton {
    // A point hits the button when x1 <= x <= x2 and y1 <= y <= y2.
    int x1 = 0;
    int x2 = 0;
    int y1 = 0;
    int y2 = 0;
    platform::ui::Control* control = nullptr;  // the image holder painted
    std::string caption;
    int state = 0;  // 1 = selected: pressed image and selected colours
    const platform::ui::Image* normal = nullptr;
    const platform::ui::Image* pressed = nullptr;  // doubles as the selected image
};

struct CaptionColours {
    platform::ui::Rgb shadow;
    platform::ui::Rgb face;
};
constexpr CaptionColours kNormalCaption{{95, 191, 48}, {32, 64, 0}};
constexpr CaptionColours kSelectedCaption{{255, 191, 48}, {127, 64, 0}};

// How a dialog draws its captions after the skin.
enum class CaptionStyle {
    None,
    Shadow2,  // in each listed button: shadow 2 px right and down, face in place
    Shadow1,  // the first n buttons (n = listed count): shadow 1 px down
    State,    // listed buttons, shifted by width / 80, colours by their state;
              // a caption too wide for its button wraps
};
// The gap a state caption keeps from its button's edges.
constexpr int kCaptionMargin = 4;

// ---- Free helpers ----

// The OK place of the large 644 x 464 skin with the OK image pair.
void SetOkSkinButton(SkinButton& record, const std::string& caption,
                     platform::ui::Control* control);
// A column button x 302..343, y top..top + 42 with the column image pair; the
// small dialogs put OK here at top 96.
void SetColumnSkinButton(SkinButton& record, const std::string& caption, int top,
                         platform::ui::Control* control);
// Toggle 1..4 of the small-dialog grid with its image pair.
void SetGridSkinButton(SkinButton& record, int toggle, const std::string& caption,
                       platform::ui::Control* control);
constexpr int kSmallDialogWidth = 346;
constexpr int kSmallDialogHeight = 144;
constexpr int kLargeDialogWidth = 644;
constexpr int kLargeDialogHeight = 464;
constexpr int kSmallOkTop = 96;

// The control of the last (highest) record whose rectangle holds the point,
// with its index; null and -1 when none.
platform::ui::Control* HitTestSkinButtons(int x, int y, int* index, const SkinButton* records,
                                          int n);
// Moves each of the first n controls to its record's rectangle.
void PlaceSkinButtons(int n, SkinButton* records);
// Bars of the large skin: presets 1..4; any other value collapses the
// static to 0 x 0 at (value, value).
void PlaceBarStatic(platform::ui::Control& bar, int preset);
void ResizeToClient(platform::ui::Window& window, int width, int height);
// Shows the image in the holder; repaints only when the image changed, so a
// paint may call it freely. A missing holder or image shows "Error occuered
// in Display Device!" once per run (a paint that failed again would repeat
// the box forever otherwise). True when the image is shown.
bool SkinBlit(const platform::ui::Image& image, platform::ui::Control* control);
// The caption font: 20 px when large, else 13 px below a vertical base unit
// of 19 and 12 px from it on. Returns the font set.
platform::ui::Font SelectSkinFont(platform::ui::Canvas& canvas, bool large,
                                  int baseUnitY = platform::ui::kDialogBaseUnitY);
constexpr platform::ui::Rect MakeRect(int left, int top, int right, int bottom) {
    return platform::ui::Rect{left, top, right, bottom};
}
// "Error occuered in Display Device!", shown once per run (shared with
// SkinBlit): a display that failed once would fail on every paint.
void ReportDisplayDeviceFailure();
// Lets the display failure box show again (tests).
void ResetSkinBlitFailure();

// ---- The dialog ----

class ZAWDialog : public platform::ui::WindowHandler {
public:
    ZAWDialog();
    ~ZAWDialog() override;

    // The dialog's window (made on first use).
    platform::ui::Window& GetWindow();
    // Runs the dialog modally; the code it ended with.
    int RunModal(platform::ui::Window* owner = nullptr);

    void InitSkin(int paintedCount);
    void SetCaptionButtons(int count, const int* indices);
    void SetCaptionStyle(CaptionStyle style) { captionStyle_ = style; }
    // The background holder (made here) at (0,0,w,h) and the client size.
    void SetBackground(const platform::ui::Image& image, int width, int height);
    // A holder for a button at its rectangle (placed by PlaceSkinButtons).
    platform::ui::Control* AddButtonHolder(int id = 0);

    void PaintSkin();
    void PaintSkinByState();

    void OnSkinButtonDown(int x, int y);
    void OnSkinButtonUp();
    // As OnSkinButtonUp, but the released button shows its state's image.
    void OnSkinButtonUpByState();

    SkinButton& Button(int index) { return buttons_[index]; }
    const SkinButton& Button(int index) const { return buttons_[index]; }
    int PressedIndex() const { return pressedIndex_; }
    platform::ui::Control* PressedControl() const { return pressedControl_; }
    int PaintedCount() const { return paintedCount_; }

    // The handlers derived dialogs build on.
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    // Esc and the close box only beep.
    void OnCancel(platform::ui::Window& window) override;

protected:
    // Draws the captions in the chosen style (called by OnPaint).
    void DrawCaptions(platform::ui::Canvas& canvas);
    // Where a state caption is wrapped and centred: width / 80 (the shift)
    // right of its button's centre, kCaptionMargin inside its button's right
    // edge and as wide to the left of that centre; OK's (button 0) is its
    // button's rectangle.
    virtual platform::ui::Rect CaptionArea(int index, int shift) const;
    bool largeFont_ = false;

private:
    void DrawTwoPass(platform::ui::Canvas& canvas, const std::string& text,
                     const platform::ui::Rect& shadow, const platform::ui::Rect& face,
                     const CaptionColours& colours,
                     platform::ui::TextLayout layout = platform::ui::TextLayout::CentredLine);

    std::unique_ptr<platform::ui::Window> window_;
    platform::ui::Control* pressedControl_ = nullptr;
    int pressedIndex_ = -1;
    std::array<SkinButton, kMaxSkinButtons> buttons_;
    std::vector<int> captionList_;
    int paintedCount_ = 0;
    CaptionStyle captionStyle_ = CaptionStyle::None;
    const platform::ui::Image* backgroundImage_ = nullptr;
    platform::ui::Control* background_ = nullptr;
};
