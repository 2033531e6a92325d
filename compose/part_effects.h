// Part effects: the rework of a finished part track by the melody part's
// ornament kind and the part's effect value (bends, accents, vibrato, trills,
// repeats), and the special effects of the melody part alone. Each effect
// works over the sounding notes and keeps what it adds inside each note's
// slot, so the notes keep their order and the track its end.
#pragma once

#include "compose/part_track.h"
#include "core/reporters.h"

constexpr ErrorCode kSpecialEffectQuestion = 0xFF01014C;

// Part kinds of the part-track writers.
constexpr int kPartKindMelody = 1;
constexpr int kPartKindObbligato = 4;
constexpr int kPartKindSubMelody = 5;
constexpr int kPartKindSecondMelody = 6;

// The melody part's ornament kind, then the part's effect value, then for
// the melody (kind 1) the special effect.
void ApplyPartEffects(PartTrack& track, int partKind);
// Applies one effect value (5, 10, 13, 17..22); other values do nothing.
void ApplyEffectValue(PartTrack& track, int value, int partKind);

// Velocity + RandomInRange(1, 20) - 10, kept to 1..127.
int JitterVelocity(int velocity);

void EffectShortBends(PartTrack& track);
void EffectHalfBends(PartTrack& track);
void EffectWobble(PartTrack& track);
void EffectDoubleAttack(PartTrack& track);
// lower and upper: the part's limits.
void EffectScaleTrill(PartTrack& track, int lower, int upper);
void EffectVibratoRise(PartTrack& track);
void EffectLongBend(PartTrack& track);
void EffectExpressive(PartTrack& track);
void EffectRepeatNotes(PartTrack& track);

// By the melody part's effect value (or its ornament kind 9 or 12): 8 a grace
// run, 12 a swell, 9 the silent pipe. The first time in a run that 9 or 12
// is met the user is asked; after Cancel neither is applied for the rest of
// the run.
void MelodySpecialEffect(PartTrack& track);
void EffectGraceRun(PartTrack& track);
void EffectSwell(PartTrack& track);
// The lower copies go no deeper than lowest: the melody's lower limit less
// an octave, the lowest key its own notes reach by the effect.
void EffectSilentPipe(PartTrack& track, int lowest);
