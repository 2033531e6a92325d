// ALSA's simple mixer over the "default" control. The handle is opened in
// non-blocking mode so that a busy or missing card never holds up start-up.
#include <alsa/asoundlib.h>

#include "platform/mixer.h"

namespace platform {
namespace {

// ALSA's own complaints (no card, no configuration) would land on stderr at
// every start; a missing mixer is simply not checked.
void QuietAlsaError(const char*, int, const char*, int, const char*, ...) {}

constexpr const char* kElementNames[kMixerLineCount] = {"Master", "PCM", "Synth"};

class AlsaMixer : public Mixer {
public:
    AlsaMixer() {
        snd_lib_error_set_handler(QuietAlsaError);
        snd_mixer_t* handle = nullptr;
        if (snd_mixer_open(&handle, 0) < 0) return;
        handle_ = handle;
        if (snd_mixer_attach(handle_, "default") < 0 ||
            snd_mixer_selem_register(handle_, nullptr, nullptr) < 0 ||
            snd_mixer_load(handle_) < 0) {
            Close();
        }
    }
    ~AlsaMixer() override { Close(); }
    AlsaMixer(const AlsaMixer&) = delete;
    AlsaMixer& operator=(const AlsaMixer&) = delete;

    std::optional<long> Volume(MixerLine line) override {
        snd_mixer_elem_t* elem = Find(line);
        if (!elem || !snd_mixer_selem_has_playback_volume(elem)) return std::nullopt;
        long low = 0;
        long high = 0;
        long value = 0;
        if (snd_mixer_selem_get_playback_volume_range(elem, &low, &high) < 0) return std::nullopt;
        if (snd_mixer_selem_get_playback_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
            return std::nullopt;
        return value - low;
    }

    std::optional<bool> Muted(MixerLine line) override {
        snd_mixer_elem_t* elem = Find(line);
        if (!elem || !snd_mixer_selem_has_playback_switch(elem)) return std::nullopt;
        int on = 1;
        if (snd_mixer_selem_get_playback_switch(elem, SND_MIXER_SCHN_FRONT_LEFT, &on) < 0)
            return std::nullopt;
        return on == 0;
    }

private:
    snd_mixer_elem_t* Find(MixerLine line) {
        if (!handle_) return nullptr;
        snd_mixer_selem_id_t* id = nullptr;
        if (snd_mixer_selem_id_malloc(&id) < 0) return nullptr;
        snd_mixer_selem_id_set_index(id, 0);
        snd_mixer_selem_id_set_name(id, kElementNames[static_cast<int>(line)]);
        snd_mixer_elem_t* elem = snd_mixer_find_selem(handle_, id);
        snd_mixer_selem_id_free(id);
        return elem;
    }
    void Close() {
        if (handle_) snd_mixer_close(handle_);
        handle_ = nullptr;
    }

    snd_mixer_t* handle_ = nullptr;
};

}  // namespace

std::unique_ptr<Mixer> MakeAlsaMixer() {
    return std::make_unique<AlsaMixer>();
}

}  // namespace platform
