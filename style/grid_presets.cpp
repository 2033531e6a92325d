#include "style/grid_presets.h"

CustomHarmonyBlock& ApplyContinueColumns(CustomHarmonyBlock& block) {
    return block;
}
void GridPreset01(CustomHarmonyBlock&) {}
void GridPreset02(CustomHarmonyBlock&) {}
void GridPreset03(CustomHarmonyBlock&) {}
void GridPreset04(CustomHarmonyBlock&) {}
void GridPreset05(CustomHarmonyBlock&) {}
void GridPreset06(CustomHarmonyBlock&) {}
void GridPreset07(CustomHarmonyBlock&) {}
void GridPreset08(CustomHarmonyBlock&) {}
void GridPreset09(CustomHarmonyBlock&) {}
void GridPreset10(CustomHarmonyBlock&) {}
void GridPreset11(CustomHarmonyBlock&) {}
void GridPreset12(CustomHarmonyBlock&) {}
void GridPreset13(CustomHarmonyBlock&) {}
void GridPreset14(CustomHarmonyBlock&) {}
void GridPreset15(CustomHarmonyBlock&) {}
void GridPreset16(CustomHarmonyBlock&) {}
void GridPreset17(CustomHarmonyBlock&) {}
void GridPreset18(CustomHarmonyBlock&) {}
void GridPreset19(CustomHarmonyBlock&) {}
void GridPreset20(CustomHarmonyBlock&) {}
void GridPreset21(CustomHarmonyBlock&) {}
void GridPreset22(CustomHarmonyBlock&) {}
void GridPreset23(CustomHarmonyBlock&) {}
void GridPreset24(CustomHarmonyBlock&) {}
void GridPreset25(CustomHarmonyBlock&) {}
void GridPreset26(CustomHarmonyBlock&) {}
void GridPreset27(CustomHarmonyBlock&) {}
void GridPreset28(CustomHarmonyBlock&) {}
void GridPreset29(CustomHarmonyBlock&) {}
void GridPreset30(CustomHarmonyBlock&) {}
void GridPreset31(CustomHarmonyBlock&) {}
void GridPreset32(CustomHarmonyBlock&) {}
void GridPreset33(CustomHarmonyBlock&) {}
void GridPreset34(CustomHarmonyBlock&) {}
void GridPreset35(CustomHarmonyBlock&) {}
void GridPreset36(CustomHarmonyBlock&) {}
void GridPreset37(CustomHarmonyBlock&) {}
void GridPreset38(CustomHarmonyBlock&) {}
void RandomHarmonyGrid() {}
void RandomSubHarmonyGrid() {}
void RandomBassGrid() {}
void RandomDrumGrid() {}
