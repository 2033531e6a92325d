// The faces of the style editor's own regions, drawn to their size: a
// bevelled green plate, raised when up and sunk when pressed.
#pragma once

#include "platform/ui/image.h"

platform::ui::Image HubRegionFace(int width, int height, bool pressed);
