#include "app/styleedit/hub_region_face.h"

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
