// The form the five edit panels share: the 346 x 144 skin with OK at the
// column place (button 0) and up to four buttons on the toggle grid, over
// the beats selected in the chord input dialog. Every release of a button,
// OK included, first turns the selection into sections (which may split
// chords at its edges); OK then closes the panel, the others run the
// panel's work. Esc and the close box only beep.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/zaw_dialog.h"
#include "tuneedit/panel_edits.h"

constexpr int kEditPanelOkButton = 0;
constexpr int kEditPanelOkStatic = 2067;
constexpr int kEditPanelMaxButtons = 4;

class EditPanel : public ZAWDialog {
public:
    // ids[i] is the holder of button i + 1, captions[i] its caption.
    EditPanel(platform::ui::Window* parent, std::string title, std::vector<int> ids,
              std::vector<std::string> captions, int firstStep, int lastStep);

    // Builds the panel (once) and runs it modally over the parent.
    int DoModal();
    void OnInitDialog();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

    int FirstStep() const { return firstStep_; }
    int LastStep() const { return lastStep_; }
    const std::string& Caption(int button) const { return Button(button).caption; }
    // The sections of the last located selection.
    const SectionRange& Sections() const { return sections_; }

protected:
    // Button 1..4 released, after the selection was located.
    virtual void OnButton(int index) = 0;
    // Sets the toggle captions from the tune (at opening and after a use).
    virtual void RefreshCaptions() {}
    void SetCaption(int button, const std::string& caption) { Button(button).caption = caption; }
    void ClearSelection() { firstStep_ = lastStep_ = -1; }
    platform::ui::Window* Parent() const { return parent_; }

private:
    platform::ui::Window* parent_;
    std::string title_;
    std::vector<int> ids_;
    std::vector<std::string> captions_;
    int firstStep_;
    int lastStep_;
    SectionRange sections_;
    bool built_ = false;
};

// The wait cursor over a piece of work, and the pause after it.
void RunUnderWaitCursor(const std::function<void()>& work, int pauseMilliseconds = 0);
