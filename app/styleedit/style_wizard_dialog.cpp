#include "app/styleedit/style_wizard_dialog.h"

#include "app/number_box.h"
#include "app/style_editor_seams.h"
#include "core/settings.h"
#include "platform/ui/ui.h"
#include "style/style_wizard.h"

using namespace platform::ui;

namespace {

constexpr int kWizardOk = 0;
constexpr int kWizardRegions = 1;
constexpr int kLowButtonX = 50;
constexpr int kSliderX = 220;
constexpr int kHighButtonX = 430;
constexpr int kButtonWidth = 160;
constexpr int kSliderWidth = 190;
constexpr int kRowHeight = 33;
constexpr int kTickEvery = 5;

// Rows top to bottom; each slider sets the index its id stands for, not its
// place on the page.
constexpr WizardRow kPage1Rows[] = {
    {1, 1588, 125, 1589, "Modern", 1587, "Traditional"},
    {2, 1586, 170, 1585, "Artistic", 1584, "Ordinaly"},
    {5, 1594, 215, 1593, "Mechanical", 1592, "Human like"},
    {0, 1583, 260, 1582, "Sad", 1581, "Happy"},
    {3, 1163, 305, 1580, "Inert", 1579, "Active"},
    {4, 1164, 350, 1590, "Chaotic", 1591, "Stable"},
};
constexpr WizardRow kPage2Rows[] = {
    {7, 1594, 125, 1593, "Western", 1595, "Eastern"},
    {6, 1597, 170, 1596, "North", 1598, "South"},
};
constexpr WizardRow kPage3Rows[] = {
    {8, 1602, 125, 1601, "Solo", 1603, "Full"},
    {10, 1610, 215, 1609, "Soft", 1606, "Solid"},
    {9, 1611, 260, 1608, "Natural", 1607, "Distortion"},
};

struct PageTexts {
    const char* number;
    const char* question;
};
constexpr PageTexts kPageTexts[kWizardPages] = {
    {"Question 1.", "What is the feeling of music to create?"},
    {"Question 2.", "Where is the place?"},
    {"Question 3.", "How many players are there?"},
};
constexpr PageTexts kSecondQuestion{"Question 4.", "What is music instrument for melody like?"};
constexpr int kSecondQuestionY = 170;

constexpr const char* kIntro =
    "Please, answer some questions to create a music style of your image.";

void AddStatic(Window& window, const Rect& bounds, int id, const char* text) {
    window.AddControl(ControlKind::TextView, bounds, id).SetText(text);
}

StyleWizardSolver& Solver() {
    static StyleWizardSolver solver;
    return solver;
}

}  // namespace

void SetStyleWizardSolver(StyleWizardSolver solver) {
    Solver() = std::move(solver);
}

std::span<const WizardRow> WizardPageRows(int page) {
    switch (page) {
        case 1:
            return kPage1Rows;
        case 2:
            return kPage2Rows;
        case 3:
            return kPage3Rows;
        default:
            return {};
    }
}

StyleWizardPage::StyleWizardPage(int page, Window* parent) : page_(page), parent_(parent) {}

int StyleWizardPage::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void StyleWizardPage::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(kWizardRegions);
    Window& window = GetWindow();
    window.SetTitle("Style Wizard");
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kWizardOk), "OK", AddButtonHolder());
    const int captions[kWizardRegions] = {kWizardOk};
    SetCaptionButtons(kWizardRegions, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    largeFont_ = AppSettings.LargeFont == 1;
    PlaceSkinButtons(kWizardRegions, &Button(0));
    // Only the first page asks the style for its profile; the later ones
    // show what the pages before left.
    if (page_ == 1) ComputeStyleProfile();
    AddStatics();
    AddRows();
    PaintSkin();
}

void StyleWizardPage::AddStatics() {
    Window& window = GetWindow();
    const PageTexts& texts = kPageTexts[page_ - 1];
    AddStatic(window, Rect::FromSize(30, 58, 580, 23), kWizardIntroStatic, kIntro);
    AddStatic(window, Rect::FromSize(30, 91, 88, 22), kWizardQuestionNumberStatic, texts.number);
    AddStatic(window, Rect::FromSize(123, 91, 486, 22), kWizardQuestionStatic, texts.question);
    if (page_ != 3) return;
    AddStatic(window, Rect::FromSize(30, kSecondQuestionY, 88, 22), kWizardSecondNumberStatic,
              kSecondQuestion.number);
    AddStatic(window, Rect::FromSize(123, kSecondQuestionY, 486, 22), kWizardSecondQuestionStatic,
              kSecondQuestion.question);
}

void StyleWizardPage::AddRows() {
    Window& window = GetWindow();
    for (const WizardRow& row : WizardPageRows(page_)) {
        window
            .AddControl(ControlKind::PushButton,
                        Rect::FromSize(kLowButtonX, row.y, kButtonWidth, kRowHeight), row.lowButton)
            .SetText(row.lowText);
        Control& slider = window.AddControl(
            ControlKind::Trackbar, Rect::FromSize(kSliderX, row.y, kSliderWidth, kRowHeight),
            row.slider);
        slider.SetRange(kProfileMin, kProfileMax);
        slider.SetTickFrequency(kTickEvery);
        slider.SetValue(StyleWizardParams[row.index]);
        window
            .AddControl(ControlKind::PushButton,
                        Rect::FromSize(kHighButtonX, row.y, kButtonWidth, kRowHeight),
                        row.highButton)
            .SetText(row.highText);
    }
}

Control* StyleWizardPage::SliderOf(int index) {
    for (const WizardRow& row : WizardPageRows(page_))
        if (row.index == index) return GetWindow().FindControl(row.slider);
    return nullptr;
}

void StyleWizardPage::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void StyleWizardPage::OnLeftUp(Window&, Point) {
    const int pressed = PressedControl() ? PressedIndex() : -1;
    OnSkinButtonUp();
    if (pressed == kWizardOk) Finish();
}

void StyleWizardPage::OnControl(Window& window, Control& control, ControlEvent event) {
    if (event != ControlEvent::Clicked) return;
    for (const WizardRow& row : WizardPageRows(page_)) {
        const bool low = control.Id() == row.lowButton;
        if (!low && control.Id() != row.highButton) continue;
        Control* slider = window.FindControl(row.slider);
        if (!slider) return;
        slider->SetValue(low ? kProfileMin : kProfileMax);
        window.InvalidateRect(slider->Bounds(), true);
        return;
    }
}

void StyleWizardPage::OnOk(Window&) {
    Finish();
}

void StyleWizardPage::Finish() {
    Window& window = GetWindow();
    for (const WizardRow& row : WizardPageRows(page_))
        if (const Control* slider = window.FindControl(row.slider))
            StyleWizardParams[row.index] = slider->Value();
    if (page_ < kWizardPages) {
        StyleWizardPage next(page_ + 1, &window);
        next.DoModal();
    } else if (Solver()) {
        Solver()();
    } else {
        SolveStyleWizard();
    }
    window.EndModal(platform::kIdOk);
}

void RunStyleWizard(Window* parent) {
    ZaStyleWiz wizard(parent);
    wizard.DoModal();
}
