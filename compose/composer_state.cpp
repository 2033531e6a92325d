#include "compose/composer_state.h"

ComposerState TheComposerState = [] {
    ComposerState s;
    s.RhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
    s.BufferedRhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
    return s;
}();

void ResetComposerState() {
    TheComposerState = ComposerState{};
    TheComposerState.RhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
    TheComposerState.BufferedRhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
}
