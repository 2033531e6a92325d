// "Style Wizard": three pages of questions, each answer a slider of 0..20
// between two words, over the wizard's profile StyleWizardParams. Page 1
// opens on the profile of WorkingStyle; each page's OK reads its sliders
// into the profile and runs the next page; page 3's OK runs the solver,
// whose nearest tuned style becomes WorkingStyle. The pages close 3, 2, 1,
// and there is no cancel: Esc and the close box only beep.
#pragma once

#include <functional>
#include <span>

#include "app/zaw_dialog.h"

constexpr int kWizardIntroStatic = 1575;
constexpr int kWizardQuestionNumberStatic = 1576;
constexpr int kWizardQuestionStatic = 1577;
constexpr int kWizardSecondNumberStatic = 1604;
constexpr int kWizardSecondQuestionStatic = 1605;
constexpr int kWizardPages = 3;

// One answer row: the profile index it sets, its slider, and the buttons
// that move the slider to 0 (left) and 20 (right).
struct WizardRow {
    int index;
    int slider;
    int y;
    int lowButton;
    const char* lowText;
    int highButton;
    const char* highText;
};

// What page 3's OK runs over StyleWizardParams: by default SolveStyleWizard.
// Tests install their own; nullptr puts the default back.
using StyleWizardSolver = std::function<void()>;
void SetStyleWizardSolver(StyleWizardSolver solver);

// The rows of page 1..3, top to bottom.
std::span<const WizardRow> WizardPageRows(int page);

class StyleWizardPage : public ZAWDialog {
public:
    // page: 1..3.
    StyleWizardPage(int page, platform::ui::Window* parent);

    int DoModal();
    void OnInitDialog();

    int Page() const { return page_; }
    // The slider of a profile index on this page, or null.
    platform::ui::Control* SliderOf(int index);

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;
    // Enter takes the OK path too, so every run ends with the solver.
    void OnOk(platform::ui::Window& window) override;

private:
    void AddStatics();
    void AddRows();
    // Reads the sliders into the profile, runs the next page (or the solver
    // on page 3) and closes.
    void Finish();

    int page_;
    platform::ui::Window* parent_;
    bool built_ = false;
};

class ZaStyleWiz : public StyleWizardPage {
public:
    explicit ZaStyleWiz(platform::ui::Window* parent = nullptr) : StyleWizardPage(1, parent) {}
};
class ZaStyleWiz2 : public StyleWizardPage {
public:
    explicit ZaStyleWiz2(platform::ui::Window* parent = nullptr) : StyleWizardPage(2, parent) {}
};
class ZaStyleWiz3 : public StyleWizardPage {
public:
    explicit ZaStyleWiz3(platform::ui::Window* parent = nullptr) : StyleWizardPage(3, parent) {}
};
