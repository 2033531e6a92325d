// The composer's chord list holding one chord, for generating a part over a
// single chord (a preview, or one section of an edited tune).
#pragma once

#include <string_view>

// Clears ComposeInfo's chords and adds one of the code and length (ticks,
// held to what a harmony-structure entry stores).
void SetPreviewChords(std::string_view code, int length);
