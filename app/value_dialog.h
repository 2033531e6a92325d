// The form shared by the small value dialogs: a skin background, OK at the
// column place, and controls of the dialog's own. Releasing OK (or Enter)
// asks the dialog to take its values; a dialog that refuses stays open.
#pragma once

#include <string>

#include "app/zaw_dialog.h"

class ValueDialog : public ZAWDialog {
public:
    ValueDialog(platform::ui::Window* parent, int height);

    // Builds the dialog and runs it modally over the parent.
    int DoModal();

    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;

protected:
    virtual std::string Title() const = 0;
    virtual void BuildControls(platform::ui::Window& window) = 0;
    // Takes the values; false keeps the dialog open.
    virtual bool Accept() = 0;

private:
    void TryClose(platform::ui::Window& window);

    platform::ui::Window* parent_;
    int height_;
};

// An up-down with its edit field at (left, top) with its range and value;
// the field is 100 x 30 and the arrows 20 x 30 beside it.
platform::ui::Control* AddSpinRow(platform::ui::Window& window, int editId, int spinId,
                                  int editLeft, int spinLeft, int top, int low, int high,
                                  int value);
// The 16-bit position an up-down stands at (the field may have been typed
// over), held to its range.
int SpinPosition(const platform::ui::Control* spin);
// A list filled with texts (item values 0..n-1) at the selection; a
// selection outside the list selects the first entry.
platform::ui::Control* AddTextCombo(platform::ui::Window& window, int id,
                                    const platform::ui::Rect& bounds,
                                    const std::vector<std::string>& texts, int selection);
