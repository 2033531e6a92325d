#include "app/styleedit/hub_region_face.h"

#include "app/styleedit/option_selection_dialog.h"

using namespace platform::ui;

Image HubRegionFace(int width, int height, bool pressed) {
    Image face(width, height);
    const Rgb body = pressed ? Rgb{40, 92, 52} : Rgb{64, 128, 80};
    const Rgb light = pressed ? Rgb{20, 48, 28} : Rgb{150, 210, 160};
    const Rgb dark = pressed ? Rgb{150, 210, 160} : Rgb{20, 48, 28};
    face.Fill(Rect{0, 0, width, height}, body);
    face.Fill(Rect{0, 0, width, 2}, light);
    face.Fill(Rect{0, 0, 2, height}, light);
    face.Fill(Rect{0, height - 2, width, height}, dark);
    face.Fill(Rect{width - 2, 0, width, height}, dark);
    return face;
}

void DrawCaptionAndName(Canvas& canvas, const std::string& caption, const Rect& captionArea,
                        const std::string& name, const Rect& nameArea) {
    constexpr int kBlanks = 20;
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(kNormalCaption.shadow);
    canvas.DrawText(caption, captionArea.Offset(2, 2), TextLayout::CentredLine);
    canvas.SetTextColour(kNormalCaption.face);
    canvas.DrawText(caption, captionArea, TextLayout::CentredLine);
    canvas.SetTextBackground(true, Rgb{0, 0, 0});
    canvas.SetTextColour(kPartNameFirst);
    canvas.DrawText(std::string(kBlanks, ' '), nameArea, TextLayout::CentredLine);
    canvas.DrawText(name, nameArea, TextLayout::CentredLine);
    canvas.SetTextColour(kPartNameSecond);
    canvas.DrawText(name, nameArea, TextLayout::CentredLine);
}
