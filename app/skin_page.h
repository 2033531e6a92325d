// The common form of the small settings pages: the 346 x 144 skin, OK at
// the column place (button 0) and up to four buttons on the toggle grid.
// Releasing a button acts: OK stores what the page edits and closes; the
// others run the page's action (by default a toggle of the button's state).
// Esc and the close box only beep. A page whose buttons hold settings shows
// each button's state (pressed image, selected caption colours).
#pragma once

#include <string>
#include <vector>

#include "app/zaw_dialog.h"

constexpr int kPageOkButton = 0;
constexpr int kPageMaxToggles = 4;

class SkinPage : public ZAWDialog {
public:
    // captions[i] is toggle i + 1 of the grid; byState pages show states.
    SkinPage(platform::ui::Window* parent, std::string title, std::vector<std::string> captions,
             bool byState);

    // Builds the page (once) and runs it modally over the parent.
    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

protected:
    // Copies the settings into the states (after the buttons are made).
    virtual void Load() {}
    // Copies the states back into the settings (OK).
    virtual void Store() {}
    // A toggle button released; the default flips its state.
    virtual void OnButton(int index);
    // Moves toggle button index to its own rectangle (the grid's variants).
    void PlaceButton(int index, int x1, int x2, int y1, int y2);
    platform::ui::Window* Parent() const { return parent_; }
    // The holder ids of OK and the toggles (before the page is built); the
    // settings pages' own ids otherwise.
    void SetHolderIds(std::vector<int> ids) { holderIds_ = std::move(ids); }
    // Copies states to or from int fields: fields[i] belongs to button i + 1.
    void StatesFrom(const std::vector<const std::int32_t*>& fields);
    void StatesTo(const std::vector<std::int32_t*>& fields) const;

private:
    platform::ui::Window* parent_;
    std::string title_;
    std::vector<std::string> captions_;
    bool byState_;
    std::vector<int> holderIds_;
    bool built_ = false;
};
