// The form the five edit panels share: a settings-page skin (OK at the
// column place, up to four buttons on the toggle grid) over the beats
// selected in the chord input dialog. Every release of a button, OK
// included, first turns the selection into sections (which may split chords
// at its edges); OK then closes the panel, the others run the panel's work.
// Esc and the close box only beep.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/skin_page.h"
#include "tuneedit/panel_edits.h"

constexpr int kEditPanelOkButton = kPageOkButton;
constexpr int kEditPanelOkStatic = 2067;

class EditPanel : public SkinPage {
public:
    // ids[i] is the holder of button i + 1, captions[i] its caption.
    EditPanel(platform::ui::Window* parent, std::string title, std::vector<int> ids,
              std::vector<std::string> captions, int firstStep, int lastStep);

    int FirstStep() const { return firstStep_; }
    int LastStep() const { return lastStep_; }
    const std::string& Caption(int button) const { return Button(button).caption; }
    // The sections of the last located selection.
    const SectionRange& Sections() const { return sections_; }

protected:
    // Button 1..4 released, after the selection was located.
    virtual void OnPanelButton(int index) = 0;
    // Sets the toggle captions from the tune (at opening and after a use).
    virtual void RefreshCaptions() {}
    void SetCaption(int button, const std::string& caption) { Button(button).caption = caption; }
    void ClearSelection() { firstStep_ = lastStep_ = -1; }

private:
    void Load() override { RefreshCaptions(); }
    // OK: only the locating.
    void Store() override { Locate(); }
    void OnButton(int index) override;
    void Locate() { sections_ = LocateSelection(firstStep_, lastStep_); }

    int firstStep_;
    int lastStep_;
    SectionRange sections_;
};

// The wait cursor over a piece of work, and the pause after it.
void RunUnderWaitCursor(const std::function<void()>& work, int pauseMilliseconds = 0);
