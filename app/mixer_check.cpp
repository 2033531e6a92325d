#include "app/mixer_check.h"

#include <mutex>

#include "app/shell_seams.h"
#include "core/reporters.h"

using platform::MixerLine;

namespace {

constexpr ErrorCode kMasterZero = 0xFF010171u;
constexpr ErrorCode kWaveZero = 0xFF010172u;
constexpr ErrorCode kMidiZero = 0xFF010173u;

enum class Query { Volume, Mute };

// One box: the line and the reading that raises it.
struct MixerCheck {
    MixerLine line;
    Query query;
    ErrorCode code;
};

constexpr MixerCheck kMixerChecks[] = {
    {MixerLine::Master, Query::Volume, kMasterZero},     // master at zero
    {MixerLine::Wave, Query::Volume, kWaveZero},         // wave-out at zero
    {MixerLine::Synthesizer, Query::Volume, kMidiZero},  // synthesizer at zero
    {MixerLine::Master, Query::Mute, kMasterZero},       // master muted
    {MixerLine::Synthesizer, Query::Mute, kMidiZero},    // synthesizer muted
    {MixerLine::Wave, Query::Mute, kWaveZero},           // wave-out muted
};

std::mutex g_factoryMutex;
std::function<std::unique_ptr<platform::Mixer>()> g_factory;

}  // namespace

void CheckMixer(platform::Mixer& mixer) {
    for (const MixerCheck& check : kMixerChecks) {
        bool silent = false;
        if (check.query == Query::Volume) {
            const std::optional<long> volume = mixer.Volume(check.line);
            silent = volume && *volume == 0;
        } else {
            const std::optional<bool> muted = mixer.Muted(check.line);
            silent = muted && *muted;
        }
        if (silent) ShowErrorMessage(check.code);
    }
}

void SetMixerFactory(std::function<std::unique_ptr<platform::Mixer>()> factory) {
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    g_factory = std::move(factory);
}

void CheckSystemMixer() {
    std::function<std::unique_ptr<platform::Mixer>()> factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        factory = g_factory;
    }
    std::unique_ptr<platform::Mixer> mixer = factory ? factory() : platform::MakeAlsaMixer();
    if (mixer) CheckMixer(*mixer);
}
