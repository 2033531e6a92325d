#include "app/styleedit/style_selection_dialog.h"

#include "app/number_box.h"
#include "app/style_editor_seams.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

constexpr ErrorCode kNoStylesSelected = 0xFF010046;  // "no styles are selected!"
constexpr int kStyleCheckFlag = 2;
constexpr int kHubHandOn = 0;

// The top-left corners of the style buttons by column and row. A button and
// its square reach as far as their faces (143 x 41 and 29 x 29): every face
// is drawn whole, frame included, and the last row is as tall as the others,
// which leaves room for a caption of two lines.
constexpr int kButtonX1[4] = {26, 177, 327, 478};
constexpr int kButtonY1[6] = {115, 159, 203, 248, 292, 341};
// A square sits 8 px right of and below its button's corner.
constexpr int kSquareInset = 8;

struct BarRegion {
    int index;
    int x1, x2, y1, y2;
    SkinId normal;
    SkinId pressed;
};
constexpr BarRegion kBarRegions[3] = {
    {kSelectionLeftArrow, 28, 56, 66, 98, SkinId::ArrowLeft, SkinId::ArrowLeftPressed},
    {kSelectionCategoryBar, 56, 284, 66, 98, SkinId::CategoryBar, SkinId::CategoryBar},
    {kSelectionRightArrow, 284, 313, 66, 98, SkinId::ArrowRight, SkinId::ArrowRightPressed},
};
constexpr Rect kSeparatorRect{23, 105, 629, 115};

StyleHubRunner& HubRunner() {
    static StyleHubRunner runner;
    return runner;
}

void RunHub(Window* owner) {
    if (HubRunner()) {
        HubRunner()(owner);
    } else {
        RunStyleDefinitionHub(owner, kHubStyleDefinition, kStyleCheckFlag, kHubHandOn);
    }
}

Rect RectOf(const SkinButton& b) {
    return Rect{b.x1, b.y1, b.x2, b.y2};
}

}  // namespace

void SetStyleHubRunner(StyleHubRunner runner) {
    HubRunner() = std::move(runner);
}

StyleSelection::StyleSelection(Window* parent) : parent_(parent) {}

int StyleSelection::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_ ? parent_ : owner);
    return RunModal(parent_ ? parent_ : owner);
}

void StyleSelection::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(kSelectionRegionCount);
    Window& window = GetWindow();
    window.SetTitle("Music Style Selection");
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    // One holder covers the client: the face the tooltip of the dialog sits on.
    face_ = AddButtonHolder();
    face_->Move(Rect{0, 0, kLargeDialogWidth, kLargeDialogHeight});
    BuildRegions();
    PlaceSkinButtons(kSelectionRegionCount, &Button(0));
    separator_ = AddButtonHolder(kSelectionSeparatorStatic);
    PlaceBarStatic(*separator_, 2);
    int captions[kStyleButtonsPerPage + 1];
    for (int i = 0; i <= kStyleButtonsPerPage; ++i) captions[i] = i;
    SetCaptionButtons(kStyleButtonsPerPage + 1, captions);
    SetCaptionStyle(CaptionStyle::State);
    largeFont_ = AppSettings.LargeFont == 1;
    ShowPage();
}

void StyleSelection::BuildRegions() {
    SetOkSkinButton(Button(kSelectionOk), "OK", AddButtonHolder());
    for (int k = 1; k <= kStyleButtonsPerPage; ++k) {
        const int column = (k - 1) % 4;
        const int row = (k - 1) / 4;
        SkinButton& b = Button(kSelectionFirstButton + k - 1);
        const SkinInfo& face = SkinInfoOf(SkinId::StyleButton);
        b.x1 = kButtonX1[column];
        b.x2 = b.x1 + face.width;
        b.y1 = kButtonY1[row];
        b.y2 = b.y1 + face.height;
        b.control = AddButtonHolder(kSelectionButtonStatic + k - 1);
        b.normal = &SkinImage(SkinId::StyleButton);
        b.pressed = &SkinImage(SkinId::StyleButtonPressed);
        const SkinInfo& squareFace = SkinInfoOf(SkinId::StyleSquare);
        SkinButton& s = Button(kSelectionFirstSquare + k - 1);
        s.x1 = b.x1 + kSquareInset;
        s.x2 = s.x1 + squareFace.width;
        s.y1 = b.y1 + kSquareInset;
        s.y2 = s.y1 + squareFace.height;
        s.control = AddButtonHolder(kSelectionSquareStatic + k - 1);
        s.normal = &SkinImage(SkinId::StyleSquare);
        s.pressed = &SkinImage(SkinId::StyleSquarePressed);
    }
    for (const BarRegion& bar : kBarRegions) {
        SkinButton& b = Button(bar.index);
        b.x1 = bar.x1;
        b.x2 = bar.x2;
        b.y1 = bar.y1;
        b.y2 = bar.y2;
        b.control = AddButtonHolder();
        b.normal = &SkinImage(bar.normal);
        b.pressed = &SkinImage(bar.pressed);
    }
}

Rect StyleSelection::CaptionArea(int index, int shift) const {
    if (index < kSelectionFirstButton || index >= kSelectionFirstSquare)
        return ZAWDialog::CaptionArea(index, shift);
    const SkinButton& b = Button(index);
    const SkinButton& square = Button(index - kSelectionFirstButton + kSelectionFirstSquare);
    return Rect{square.x2 + kCaptionMargin, b.y1, b.x2 - kCaptionMargin, b.y2};
}

// Captions, states and tools of the page StyleSelectionPage.
void StyleSelection::ShowPage() {
    const int page = StyleSelectionPage;
    Button(kSelectionCategoryBar).caption = StyleCategoryName(page);
    for (int k = 1; k <= kStyleButtonsPerPage; ++k) {
        SkinButton& b = Button(kSelectionFirstButton + k - 1);
        b.caption = StyleButtonCaption(page, k);
        if (tooltipsMade_ && AppSettings.PopupGuide) b.control->SetTooltip(StyleButtonTooltip(page, k));
    }
    LoadStyleButtonStates(page, states_);
    SyncStates();
}

void StyleSelection::SyncStates() {
    for (int k = 1; k <= kStyleButtonsPerPage; ++k) Button(k).state = states_[k - 1];
}

void StyleSelection::TurnPage(int step) {
    StyleSelectionPage = TurnStylePage(StyleSelectionPage, step);
    ShowPage();
    GetWindow().Invalidate(false);
}

void StyleSelection::Square(int j) {
    const int page = StyleSelectionPage;
    const SquareOutcome outcome =
        ClickStyleSquare(page, j, states_, [this] { RunHub(owner); });
    SyncStates();
    if (outcome == SquareOutcome::Edited) {
        if (tooltipsMade_ && AppSettings.PopupGuide) {
            MusicStyle edited;
            GetWorkingStyle(edited);
            Button(j).control->SetTooltip(StyleTextToUtf8(FieldText(edited.description)));
        }
        Button(j).caption = StyleButtonCaption(page, j);
        SyncStates();
        GetWindow().Invalidate(true);
    } else {
        GetWindow().Invalidate(false);
    }
}

void StyleSelection::Ok() {
    if (UpdateSelectedStyleCount() > 0) {
        GetWindow().EndModal(platform::kIdOk);
    } else {
        ShowErrorMessage(kNoStylesSelected);
    }
}

void StyleSelection::MakeTooltips() {
    tooltipsMade_ = true;
    // The buttons first, then the dialog's own tip under them.
    for (int k = 1; k <= kStyleButtonsPerPage; ++k)
        Button(k).control->SetTooltip(StyleButtonTooltip(StyleSelectionPage, k));
    face_->SetTooltip(kSelectionTip);
}

void StyleSelection::Render(Canvas& canvas) {
    const SkinButton& ok = Button(kSelectionOk);
    canvas.Blit(SkinImage(SkinId::LargeBackground), Rect{0, 0, kLargeDialogWidth, kLargeDialogHeight});
    const bool okDown = PressedControl() && PressedIndex() == kSelectionOk;
    canvas.Blit(okDown ? *ok.pressed : *ok.normal, RectOf(ok));
    for (int k = 1; k <= kStyleButtonsPerPage; ++k) {
        const SkinButton& b = Button(k);
        if (b.state == 1) {
            canvas.Blit(*b.pressed, RectOf(b));  // covers the square
        } else {
            const SkinButton& s = Button(kSelectionFirstSquare + k - 1);
            canvas.Blit(*b.normal, RectOf(b));
            canvas.Blit(*s.normal, RectOf(s));
        }
    }
    DrawCaptions(canvas);
    for (const BarRegion& bar : kBarRegions) {
        const SkinButton& b = Button(bar.index);
        const bool down = PressedControl() && PressedIndex() == bar.index;
        canvas.Blit(down ? *b.pressed : *b.normal, RectOf(b));
    }
    const SkinButton& category = Button(kSelectionCategoryBar);
    const int shift = kLargeDialogWidth / 80;
    const Rect face{category.x1 + shift, category.y1, category.x2 + shift, category.y2};
    canvas.SetTextColour(kCategoryShadow);
    canvas.DrawText(category.caption, face.Offset(1, 1), TextLayout::CentredLine);
    canvas.SetTextColour(kCategoryFace);
    canvas.DrawText(category.caption, face, TextLayout::CentredLine);
    canvas.Blit(SkinImage(SkinId::SeparatorBar), kSeparatorRect);
}

void StyleSelection::OnPaint(Window& window, Canvas& canvas) {
    // Drawn off the screen, then shown in one transfer of the whole client.
    std::unique_ptr<OffscreenCanvas> offscreen =
        HasBackend() ? CurrentBackend().CreateOffscreen(window.ClientSize()) : nullptr;
    if (!offscreen) {
        ReportDisplayDeviceFailure();
        return;
    }
    Render(offscreen->Draw());
    const Image frame = offscreen->Read();
    canvas.Blit(frame, Rect{0, 0, frame.Width(), frame.Height()});
}

void StyleSelection::OnLeftDown(Window&, Point p) {
    OnSkinButtonDown(p.x, p.y);
}

void StyleSelection::OnLeftUp(Window&, Point p) {
    const int pressed = PressedControl() ? PressedIndex() : -1;
    OnSkinButtonUpByState();
    int released = -1;
    HitTestSkinButtons(p.x, p.y, &released, &Button(0), kSelectionRegionCount);
    if (pressed == kSelectionOk) {
        Ok();
    } else if (pressed == kSelectionLeftArrow || pressed == kSelectionRightArrow) {
        TurnPage(pressed == kSelectionLeftArrow ? -1 : 1);
    } else if (pressed >= kSelectionFirstButton && pressed < kSelectionFirstSquare &&
               released == pressed) {
        // A style button acts as a click on it: pressed and released there.
        ClickStyleButton(StyleSelectionPage, pressed, states_, false);
        SyncStates();
        GetWindow().Invalidate(false);
    } else if (pressed >= kSelectionFirstSquare && pressed < kSelectionLeftArrow &&
               released == pressed) {
        Square(pressed - kSelectionFirstSquare + 1);
    }
}

// Enter takes the same way as the OK region, count check included.
void StyleSelection::OnOk(Window&) {
    Ok();
}

void StyleSelection::OnMouseMove(Window&, Point) {
    if (!tooltipsMade_ && AppSettings.PopupGuide) MakeTooltips();
}
