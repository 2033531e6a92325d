#include "platform/ui/skin.h"

#include <algorithm>
#include <filesystem>

#include "platform/paths.h"

namespace platform::ui {

namespace {

using enum SkinId;

constexpr std::array<SkinInfo, kSkinCount> kSkins = {{
    {PanelBackground, "panel_background", 400, 210},
    {PanelComposeIdle, "panel_compose", 133, 31},
    {PanelComposeRunning, "panel_compose_running", 133, 31},
    {PanelPlay, "panel_play", 132, 34},
    {PanelPlaying, "panel_playing", 132, 34},
    {PanelNext, "panel_next", 86, 31},
    {PanelNextPressed, "panel_next_pressed", 86, 31},
    {PanelPrevious, "panel_previous", 84, 35},
    {PanelPreviousPressed, "panel_previous_pressed", 84, 35},
    {PanelHelp, "panel_help", 70, 24},
    {PanelHelpPressed, "panel_help_pressed", 70, 24},
    {PanelTimer, "panel_timer", 70, 25},
    {PanelTimerPressed, "panel_timer_pressed", 70, 25},
    {PanelStyle, "panel_style", 68, 27},
    {PanelStylePressed, "panel_style_pressed", 68, 27},
    {PanelMode, "panel_mode", 68, 28},
    {PanelModePressed, "panel_mode_pressed", 68, 28},
    {PanelSetting, "panel_setting", 67, 28},
    {PanelSettingPressed, "panel_setting_pressed", 67, 28},
    {PanelPower, "panel_power", 60, 56},
    {PanelPowerPressed, "panel_power_pressed", 60, 56},
    {PanelConvert, "panel_convert", 132, 31},
    {PanelConvertPressed, "panel_convert_pressed", 132, 31},
    {PanelEdit, "panel_edit", 132, 31},
    {PanelEditPressed, "panel_edit_pressed", 132, 31},
    {SmallBackground, "background_small", 346, 144},
    {MediumBackground, "background_medium", 346, 288},
    {LargeBackground, "background_large", 644, 464},
    {Ok, "ok", 145, 37},
    {OkPressed, "ok_pressed", 145, 37},
    {Column, "column", 41, 42},
    {ColumnPressed, "column_pressed", 41, 42},
    {Toggle1, "toggle1", 145, 41},
    {Toggle1Pressed, "toggle1_pressed", 145, 41},
    {Toggle2, "toggle2", 145, 41},
    {Toggle2Pressed, "toggle2_pressed", 145, 41},
    {Toggle3, "toggle3", 146, 41},
    {Toggle3Pressed, "toggle3_pressed", 146, 41},
    {Toggle4, "toggle4", 146, 40},
    {Toggle4Pressed, "toggle4_pressed", 146, 40},
    {Listen, "listen", 147, 41},
    {ListenPressed, "listen_pressed", 147, 41},
    {AutoAdjust, "auto_adjust", 143, 40},
    {AutoAdjustPressed, "auto_adjust_pressed", 143, 40},
    {GridButton, "grid_button", 100, 40},
    {GridButtonPressed, "grid_button_pressed", 100, 40},
}};

// The table is indexed by id.
constexpr bool TableInOrder() {
    for (int i = 0; i < kSkinCount; ++i) {
        if (static_cast<int>(kSkins[i].id) != i) return false;
    }
    return true;
}
static_assert(TableInOrder());

Rgb Mix(Rgb a, Rgb b, int num, int den) {
    auto mix = [&](int x, int y) { return x + (y - x) * num / std::max(1, den); };
    return MakeRgb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

Rgb Scale(Rgb c, int percent) {
    auto s = [&](int x) { return std::clamp(x * percent / 100, 0, 255); };
    return MakeRgb(s(c.r), s(c.g), s(c.b));
}

// A vertical gradient from top to bottom colour.
void Gradient(Image& image, const Rect& area, Rgb top, Rgb bottom) {
    for (int y = area.top; y < area.bottom; ++y) {
        image.Fill(Rect{area.left, y, area.right, y + 1},
                   Mix(top, bottom, y - area.top, area.Height() - 1));
    }
}

// A raised face (light edges top and left) or, pressed, a sunken one.
void Bevel(Image& image, Rgb face, bool pressed, int depth = 2) {
    const int w = image.Width();
    const int h = image.Height();
    Rgb light = Mix(face, MakeRgb(255, 255, 255), 3, 5);
    Rgb dark = Scale(face, 45);
    if (pressed) {
        face = Scale(face, 82);
        std::swap(light, dark);
    }
    Gradient(image, Rect{0, 0, w, h}, Mix(face, MakeRgb(255, 255, 255), 1, 4), face);
    for (int i = 0; i < depth; ++i) {
        image.Fill(Rect{i, i, w - i, i + 1}, light);
        image.Fill(Rect{i, i, i + 1, h - i}, light);
        image.Fill(Rect{i, h - 1 - i, w - i, h - i}, dark);
        image.Fill(Rect{w - 1 - i, i, w - i, h - i}, dark);
    }
    image.Fill(Rect{0, 0, w, 1}, pressed ? dark : Scale(dark, 60));
}

// A dialog face: a green gradient in a dark frame with a sunken inner line.
void Background(Image& image) {
    const int w = image.Width();
    const int h = image.Height();
    Gradient(image, Rect{0, 0, w, h}, MakeRgb(222, 238, 200), MakeRgb(150, 186, 118));
    Rgb frame = MakeRgb(40, 80, 20);
    image.Fill(Rect{0, 0, w, 2}, frame);
    image.Fill(Rect{0, h - 2, w, h}, frame);
    image.Fill(Rect{0, 0, 2, h}, frame);
    image.Fill(Rect{w - 2, 0, w, h}, frame);
    Rgb groove = MakeRgb(246, 250, 236);
    image.Fill(Rect{5, 5, w - 5, 6}, Scale(frame, 160));
    image.Fill(Rect{5, h - 6, w - 5, h - 5}, groove);
    image.Fill(Rect{5, 5, 6, h - 5}, Scale(frame, 160));
    image.Fill(Rect{w - 6, 5, w - 5, h - 5}, groove);
}

void Panel(Image& image) {
    Background(image);
    // The status display and the progress dots' row sit on black.
    image.Fill(Rect{98, 72, 372, 147}, MakeRgb(20, 40, 10));
    image.Fill(Rect{100, 74, 370, 145}, MakeRgb(0, 0, 0));
    // A title strip across the top.
    Gradient(image, Rect{8, 8, 392, 26}, MakeRgb(90, 140, 60), MakeRgb(40, 80, 20));
}

// A round lamp on a face: green when lit, dark when not.
void Lamp(Image& image, bool lit) {
    const int cy = image.Height() / 2;
    const int cx = 12;
    const int r = std::min(6, image.Height() / 2 - 3);
    Rgb colour = lit ? MakeRgb(80, 230, 60) : MakeRgb(40, 70, 30);
    for (int y = cy - r; y <= cy + r; ++y) {
        for (int x = cx - r; x <= cx + r; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) image.SetPixel(x, y, colour);
        }
    }
}

Rgb FaceOf(SkinId id) {
    switch (id) {
        case PanelPower:
        case PanelPowerPressed:
            return MakeRgb(196, 110, 90);
        case PanelComposeIdle:
        case PanelComposeRunning:
        case PanelPlay:
        case PanelPlaying:
        case PanelConvert:
        case PanelConvertPressed:
        case PanelEdit:
        case PanelEditPressed:
            return MakeRgb(150, 200, 110);
        case Ok:
        case OkPressed:
        case Column:
        case ColumnPressed:
        case GridButton:
        case GridButtonPressed:
            return MakeRgb(176, 214, 140);
        default:
            return MakeRgb(200, 228, 170);
    }
}

bool IsPressed(SkinId id) {
    switch (id) {
        case PanelComposeRunning:
        case PanelPlaying:
        case PanelNextPressed:
        case PanelPreviousPressed:
        case PanelHelpPressed:
        case PanelTimerPressed:
        case PanelStylePressed:
        case PanelModePressed:
        case PanelSettingPressed:
        case PanelPowerPressed:
        case PanelConvertPressed:
        case PanelEditPressed:
        case OkPressed:
        case ColumnPressed:
        case Toggle1Pressed:
        case Toggle2Pressed:
        case Toggle3Pressed:
        case Toggle4Pressed:
        case ListenPressed:
        case AutoAdjustPressed:
        case GridButtonPressed:
            return true;
        default:
            return false;
    }
}

}  // namespace

const SkinInfo& SkinInfoOf(SkinId id) {
    return kSkins[static_cast<int>(id)];
}

const std::array<SkinInfo, kSkinCount>& AllSkins() {
    return kSkins;
}

Image SkinFactory::Make(SkinId id) {
    const SkinInfo& info = SkinInfoOf(id);
    Image image(info.width, info.height);
    switch (id) {
        case PanelBackground:
            Panel(image);
            break;
        case SmallBackground:
        case MediumBackground:
        case LargeBackground:
            Background(image);
            break;
        default:
            Bevel(image, FaceOf(id), IsPressed(id), id == Ok || id == OkPressed ? 3 : 2);
            if (id == PanelComposeIdle || id == PanelComposeRunning || id == PanelPlay ||
                id == PanelPlaying) {
                Lamp(image, IsPressed(id));
            }
            break;
    }
    return image;
}

SkinStore::SkinStore() {
    for (const SkinInfo& info : kSkins)
        images_[static_cast<int>(info.id)] = SkinFactory::Make(info.id);
}

std::vector<std::string> SkinStore::LoadArt(const std::string& folder) {
    std::vector<std::string> refused;
    for (const SkinInfo& info : kSkins) {
        std::string name = std::string(info.name) + ".png";
        std::string path = JoinPath(folder, name);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) continue;
        Image art = ReadPng(path);
        if (art.Width() != info.width || art.Height() != info.height) {
            refused.push_back(name);
            continue;
        }
        images_[static_cast<int>(info.id)] = std::move(art);
    }
    return refused;
}

std::string SkinArtFolder() {
    return JoinPath(ProgramDirectory(), "skin");
}

int DumpSkins(const SkinStore& store, const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    int written = 0;
    for (const SkinInfo& info : kSkins) {
        if (WritePng(store.Get(info.id), JoinPath(folder, std::string(info.name) + ".png"))) {
            ++written;
        }
    }
    return written;
}

}  // namespace platform::ui
