// Fillers of the custom step grids: the continue-flag pass, the fixed grid
// presets the built-in styles lay over their grids, and the random fills the
// random-style generator runs on the working style.
#pragma once

#include "style/music_style.h"

// Turns the per-step continue flags of the Harmony, Sub Harmony and Bass
// grids of sets 0 and 1 into repeated columns (two passes). The Drum grids
// and sets 2 and 3 are left alone.
CustomHarmonyBlock& ApplyContinueColumns(CustomHarmonyBlock& block);

// Fixed grids, each laid over a block that InitMusicStyle has just reset.
// Presets 7 to 38 end with ApplyContinueColumns.
void GridPreset01(CustomHarmonyBlock& block);
void GridPreset02(CustomHarmonyBlock& block);
void GridPreset03(CustomHarmonyBlock& block);
void GridPreset04(CustomHarmonyBlock& block);
void GridPreset05(CustomHarmonyBlock& block);
void GridPreset06(CustomHarmonyBlock& block);
void GridPreset07(CustomHarmonyBlock& block);
void GridPreset08(CustomHarmonyBlock& block);
void GridPreset09(CustomHarmonyBlock& block);
void GridPreset10(CustomHarmonyBlock& block);
void GridPreset11(CustomHarmonyBlock& block);
void GridPreset12(CustomHarmonyBlock& block);
void GridPreset13(CustomHarmonyBlock& block);
void GridPreset14(CustomHarmonyBlock& block);
void GridPreset15(CustomHarmonyBlock& block);
void GridPreset16(CustomHarmonyBlock& block);
void GridPreset17(CustomHarmonyBlock& block);
void GridPreset18(CustomHarmonyBlock& block);
void GridPreset19(CustomHarmonyBlock& block);
void GridPreset20(CustomHarmonyBlock& block);
void GridPreset21(CustomHarmonyBlock& block);
void GridPreset22(CustomHarmonyBlock& block);
void GridPreset23(CustomHarmonyBlock& block);
void GridPreset24(CustomHarmonyBlock& block);
void GridPreset25(CustomHarmonyBlock& block);
void GridPreset26(CustomHarmonyBlock& block);
void GridPreset27(CustomHarmonyBlock& block);
void GridPreset28(CustomHarmonyBlock& block);
void GridPreset29(CustomHarmonyBlock& block);
void GridPreset30(CustomHarmonyBlock& block);
void GridPreset31(CustomHarmonyBlock& block);
void GridPreset32(CustomHarmonyBlock& block);
void GridPreset33(CustomHarmonyBlock& block);
void GridPreset34(CustomHarmonyBlock& block);
void GridPreset35(CustomHarmonyBlock& block);
void GridPreset36(CustomHarmonyBlock& block);
void GridPreset37(CustomHarmonyBlock& block);
void GridPreset38(CustomHarmonyBlock& block);

// GridPreset01 .. GridPreset38 by number; null for any other number.
using GridPresetFunction = void (*)(CustomHarmonyBlock&);
GridPresetFunction GridPresetByNumber(int number);

// Random fills of grid set 0 of WorkingStyle; they add cells, never clear one.
void RandomHarmonyGrid();
void RandomSubHarmonyGrid();
void RandomBassGrid();
void RandomDrumGrid();
