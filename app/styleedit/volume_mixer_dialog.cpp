#include "app/styleedit/volume_mixer_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/note_range_dialog.h"
#include "app/number_box.h"
#include "app/styleedit/hub_region_face.h"
#include "app/styleedit/volume_display_dialog.h"
#include "core/settings.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

struct ButtonPlace {
    int x1, x2, y1, y2;
    const char* caption;
};
constexpr ButtonPlace kMixerButtons[kMixerButtonCount] = {
    {505, 620, 401, 434, "OK"},
    {33, 148, 403, 435, "Track"},
    {155, 275, 403, 434, "Item"},
};
constexpr int kFirstStatic = 2049;
constexpr double kRoughPi = 3.14;
constexpr int kPointerRadius = 6;

std::string ThreeDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", value);
    return text;
}

}  // namespace

void RunVolumeMixer(Window* parent) {
    VolumeMixer mixer(parent);
    mixer.DoModal();
}

VolumeMixer::VolumeMixer(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

VolumeMixer::~VolumeMixer() = default;

int VolumeMixer::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void VolumeMixer::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle("Mixer");
    ResetMixerDisplayTracks(WorkingStyle);
    ResetMixerDisplayItems();
    InitSkin(kMixerButtonCount);
    SetCaptionStyle(CaptionStyle::Shadow2);
    const int captions[kMixerButtonCount] = {0, 1, 2};
    SetCaptionButtons(kMixerButtonCount, captions);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    for (int i = 0; i < kMixerButtonCount; ++i) {
        const ButtonPlace& p = kMixerButtons[i];
        SkinButton& b = Button(i);
        b.x1 = p.x1;
        b.x2 = p.x2;
        b.y1 = p.y1;
        b.y2 = p.y2;
        b.caption = p.caption;
        b.control = AddButtonHolder(kFirstStatic + 1 + i);
        buttonFaces_[i][0] = HubRegionFace(p.x2 - p.x1, p.y2 - p.y1, false);
        buttonFaces_[i][1] = HubRegionFace(p.x2 - p.x1, p.y2 - p.y1, true);
        b.normal = &buttonFaces_[i][0];
        b.pressed = &buttonFaces_[i][1];
    }
    PlaceSkinButtons(kMixerButtonCount, &Button(0));
    LayoutMixerKnobs(knobs_);
    AnglesFromValues();
    grabbed_ = -1;
    offscreen_ = CurrentBackend().CreateOffscreen(Size{kLargeDialogWidth, kLargeDialogHeight});
    if (!offscreen_) ShowErrorMessage(kMixerCanvasError);
    Redraw();
    // The drawn face is the background from now on.
    if (offscreen_) SetBackground(face_, kLargeDialogWidth, kLargeDialogHeight);
    PaintSkin();
}

void VolumeMixer::AnglesFromValues() {
    BuildMixerValueTable(WorkingStyle, values_);
    for (int i = 0; i < kMixerKnobs; ++i)
        knobs_[static_cast<std::size_t>(i)].angle =
            KnobAngleFromValue(*values_[static_cast<std::size_t>(i)]);
}

void VolumeMixer::DrawMixerFace(Canvas& canvas) {
    BuildMixerValueTable(WorkingStyle, values_);
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(kMixerGreen);
    for (int c = 0; c < kMixerColumns; ++c)
        canvas.DrawText(MixerTrackLabel(MixerDisplayTracks[static_cast<std::size_t>(c)]),
                        Rect{40 + 104 * c, 55, 100 + 104 * c, 85}, TextLayout::CentredLine);
    canvas.SetTextColour(kMixerRowLabel);
    for (int i = 0; i < kMixerKnobs; ++i) {
        const MixerKnob& k = knobs_[static_cast<std::size_t>(i)];
        const int item = MixerDisplayItems[static_cast<std::size_t>(i / kMixerColumns)];
        canvas.DrawText(MixerItemLabel(item), Rect{k.x1 + 30, k.y1 - 10, k.x1 + 90, k.y1 + 20},
                        TextLayout::CentredLine);
    }
    canvas.SetTextBackground(true, Rgb{0, 0, 0});
    canvas.SetTextColour(kMixerGreen);
    for (int i = 0; i < kMixerKnobs; ++i) {
        const MixerKnob& k = knobs_[static_cast<std::size_t>(i)];
        canvas.DrawText(ThreeDigits(*values_[static_cast<std::size_t>(i)]),
                        Rect{k.x1 + 30, k.y1 + 10, k.x1 + 90, k.y1 + 40}, TextLayout::CentredLine);
    }
    for (const MixerKnob& k : knobs_) {
        const double t = (180 - k.angle) * kRoughPi / 180.0;
        const int px = (k.x1 + k.x2) / 2 + static_cast<int>(kPointerRadius * std::sin(t));
        const int py = (k.y1 + k.y2) / 2 + static_cast<int>(kPointerRadius * std::cos(t));
        const Rect dot{px - 1, py - 1, px + 1, py + 1};
        canvas.Ellipse(dot, kMixerDotBrush, true);
        canvas.Ellipse(dot, kMixerGreen, false);
    }
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
}

void VolumeMixer::Redraw() {
    if (offscreen_) {
        Canvas& canvas = offscreen_->Draw();
        canvas.Blit(SkinImage(SkinId::LargeBackground),
                    Rect{0, 0, kLargeDialogWidth, kLargeDialogHeight});
        // The knob faces belong to the background the pointers turn on.
        for (const MixerKnob& k : knobs_) {
            canvas.Ellipse(Rect{k.x1, k.y1, k.x2, k.y2}, kMixerKnobFace, true);
            canvas.Ellipse(Rect{k.x1, k.y1, k.x2, k.y2}, kMixerKnobRim, false);
        }
        DrawMixerFace(canvas);
        face_ = offscreen_->Read();
    }
    GetWindow().Invalidate(false);
}

void VolumeMixer::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    if (!offscreen_) {
        canvas.Blit(SkinImage(SkinId::LargeBackground),
                    Rect{0, 0, kLargeDialogWidth, kLargeDialogHeight});
        DrawMixerFace(canvas);
    }
    DrawCaptions(canvas);
}

void VolumeMixer::EnterValue(int knob) {
    BuildMixerValueTable(WorkingStyle, values_);
    std::uint8_t* byte = values_[static_cast<std::size_t>(knob)];
    NoteRangeSelection entry(&GetWindow());
    entry.singleValue = 1;
    entry.value = *byte;
    entry.DoModal();
    // The table follows the lists, so it is built again before the store.
    BuildMixerValueTable(WorkingStyle, values_);
    byte = values_[static_cast<std::size_t>(knob)];
    *byte = static_cast<std::uint8_t>(std::clamp(entry.value, 0, 127));
    knobs_[static_cast<std::size_t>(knob)].angle = KnobAngleFromValue(*byte);
    MixerScratchValue = 0;
    Redraw();
}

void VolumeMixer::OnLeftDown(Window& window, Point p) {
    grabbed_ = MixerKnobAt(knobs_, p.x, p.y);
    if (grabbed_ >= 0) window.CaptureMouse();
    OnSkinButtonDown(p.x, p.y);
    const int field = MixerValueFieldAt(knobs_, p.x, p.y);
    if (field >= 0) EnterValue(field);
}

void VolumeMixer::OnMouseMove(Window&, Point p) {
    if (grabbed_ < 0) return;
    DragMixerKnob(WorkingStyle, knobs_, grabbed_, p.x, p.y);
    Redraw();
}

void VolumeMixer::OnLeftUp(Window& window, Point) {
    if (grabbed_ >= 0) window.ReleaseMouse();
    grabbed_ = -1;
    if (!PressedControl()) return;
    const int index = PressedIndex();
    OnSkinButtonUp();
    if (index == kMixerOk) {
        window.EndModal(platform::kIdOk);
        return;
    }
    if (index == kMixerTrackButton) {
        VolumeSelection tracks(&window);
        tracks.DoModal();
    } else if (index == kMixerItemButton) {
        VolumeItem items(&window);
        items.DoModal();
    } else {
        return;
    }
    AnglesFromValues();
    window.Invalidate(true);
    Redraw();
}
