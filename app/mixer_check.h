// The start-up check of the system mixer: a box for each output line whose
// volume is zero or which is muted, since the program would then be silent.
// Lines that cannot be read give no box. The panel's keyboard hook holder is
// not needed here: nothing installs a global keyboard hook on Linux.
#pragma once

#include <functional>
#include <memory>

#include "platform/mixer.h"

// The six checks in the order their boxes appear.
void CheckMixer(platform::Mixer& mixer);

// Where CheckSystemMixer gets its mixer (the ALSA one unless a test sets
// another); an empty function restores the default.
void SetMixerFactory(std::function<std::unique_ptr<platform::Mixer>()> factory);
