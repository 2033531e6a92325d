// The harmony part of one section of the edited tune generated again over the
// section's chord and laid into the tune's harmony track.
#pragma once

#include "accomp/harmony_track.h"
#include "core/reporters.h"

class EditedTune;

constexpr ErrorCode kNoChordYetError = 0xFF0101D6;  // "Can not change chord before chord assignment!"

// 1 when the section's harmony was generated and replaced; 0 when the section
// has no chord, the knowledge base cannot be read or the section is unknown.
int RegenerateHarmonySection(EditedTune& tune, int section);
// The notes and pitch bends of the generated track replace the section's
// events of the harmony track (a new track when there is none); program and
// control changes of the section stay. 1 when laid in.
int ReplaceHarmonySection(EditedTune& tune, const ComposeTrackData& generated, int section);
