#include "accomp/backing_generators.h"

#include "accomp/bass_track.h"
#include "accomp/drum_track.h"
#include "accomp/harmony_track.h"
#include "compose/compose_tune.h"

void InstallBackingGenerators() {
    BackingGenerators g;
    g.secondMelody = BuildSecondMelodyTrack;
    g.harmony = BuildHarmonyTrack;
    g.subHarmony = BuildSubHarmonyTrack;
    g.bass = BuildBassTrack;
    g.drums = BuildDrumTrack;
    g.environment = BuildEnvironmentTrack;
    g.blockLabels = BuildBlockLabels;
    SetBackingGenerators(g);
}
