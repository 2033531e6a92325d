#include "app/convert_algo_dialog.h"

#include "core/settings.h"

ConvertAlgoSetting::ConvertAlgoSetting(platform::ui::Window* parent)
    : SkinPage(parent, "Algorithm",
               {"Convert Pitchbend", "Pack Drum", "Omit same tone", "Enhance Rhythm"}, true) {}

void ConvertAlgoSetting::Load() {
    StatesFrom({&AppSettings.ConvertPitchbend, &AppSettings.PackDrum, &AppSettings.OmitSameTone,
                &AppSettings.EnhanceRhythm});
}

void ConvertAlgoSetting::Store() {
    StatesTo({&AppSettings.ConvertPitchbend, &AppSettings.PackDrum, &AppSettings.OmitSameTone,
              &AppSettings.EnhanceRhythm});
}
