#include "compose/composer_state.h"

#include <algorithm>
#include <cstring>

#include "compose/chord_progression.h"
#include "compose/length_fitting.h"
#include "compose/melody_stages.h"

ComposerState TheComposerState = [] {
    ComposerState s;
    s.RhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
    s.BufferedRhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
    return s;
}();

void ResetComposerState() {
    const int outputType = TheComposerState.outputType;
    TheComposerState = ComposerState{};
    TheComposerState.outputType = outputType;
    TheComposerState.RhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
    TheComposerState.BufferedRhythmTemplate.Fill(RhythmTemplateSlots::kDefaultLength);
    // The chord generator's globals keep the names the rest of the composer
    // reads them by; a fresh run starts them as at program start.
    std::strcpy(CurrentChordCode, "CMPS");
    std::fill(std::begin(KeyChangeBlocks), std::end(KeyChangeBlocks), -1);
    std::fill(std::begin(KeyChangeShift), std::end(KeyChangeShift), 0);
    std::fill(std::begin(KeyChangeChordIndex), std::end(KeyChangeChordIndex), -1);
    std::fill(std::begin(KeyChangeMark), std::end(KeyChangeMark), 0);
    MeasuredTuneLength = 0;
    FitState = 0;
}
