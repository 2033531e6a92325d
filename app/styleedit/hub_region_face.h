// The faces of the style editor's own regions, drawn to their size: a
// bevelled green plate, raised when up and sunk when pressed.
#pragma once

#include <string>

#include "platform/ui/canvas.h"
#include "platform/ui/image.h"

platform::ui::Image HubRegionFace(int width, int height, bool pressed);

// A region's two lines as the style editor draws them: the caption embossed
// in the caption colours, then the name centred on black, first in grey and
// then in pink, over a line of blanks so a shorter name covers a longer one.
void DrawCaptionAndName(platform::ui::Canvas& canvas, const std::string& caption,
                        const platform::ui::Rect& captionArea, const std::string& name,
                        const platform::ui::Rect& nameArea);
