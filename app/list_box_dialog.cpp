#include "app/list_box_dialog.h"

using namespace platform::ui;

namespace {

constexpr int kComboIds[3] = {kListBoxFirstCombo, 2065, 2072};
constexpr int kComboLeft = 45;
constexpr int kComboWidth = 240;
constexpr int kComboHeight = 24;
constexpr int kTwoComboTops[2] = {90, 203};
constexpr int kTwoCaptionTops[2] = {45, 155};
constexpr int kThreeComboTops[3] = {85, 165, 245};
constexpr int kThreeCaptionTops[3] = {40, 120, 200};
constexpr int kCaptionLeft = 22;
constexpr int kCaptionRight = 320;
constexpr int kCaptionHeight = 38;

}  // namespace

ListBoxDialog::ListBoxDialog(Window* parent, int count)
    : ValueDialog(parent, kTallDialogHeight), count_(count == 3 ? 3 : 2) {}

void ListBoxDialog::BuildControls(Window& window) {
    Button(0).caption = okCaption;
    const int* tops = count_ == 3 ? kThreeComboTops : kTwoComboTops;
    for (int i = 0; i < count_; ++i) {
        combos_[i] = AddTextCombo(window, kComboIds[i],
                                  Rect::FromSize(kComboLeft, tops[i], kComboWidth, kComboHeight),
                                  texts[i], selections[i]);
    }
}

void ListBoxDialog::OnPaint(Window& window, Canvas& canvas) {
    ValueDialog::OnPaint(window, canvas);
    const int* tops = count_ == 3 ? kThreeCaptionTops : kTwoCaptionTops;
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    for (int i = 0; i < count_; ++i) {
        const Rect place{kCaptionLeft, tops[i], kCaptionRight, tops[i] + kCaptionHeight};
        canvas.SetTextColour(kNormalCaption.shadow);
        canvas.DrawText(captions[i], Rect{place.left, place.top + 1, place.right, place.bottom + 1},
                        TextLayout::CentredLine);
        canvas.SetTextColour(kNormalCaption.face);
        canvas.DrawText(captions[i], place, TextLayout::CentredLine);
    }
}

bool ListBoxDialog::Accept() {
    for (int i = 0; i < count_; ++i)
        if (combos_[i]->Selection() >= 0) selections[i] = combos_[i]->Selection();
    return true;
}
