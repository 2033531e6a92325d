#include "platform/software_synth.h"

#include <fluidsynth.h>

#include <atomic>
#include <mutex>

#include "platform/alsa_midi_out.h"
#include "platform/message_sink.h"

namespace platform {

namespace {

std::atomic<bool> g_silentNoticeShown{false};

void SilenceLibraryLogs() {
    // The synth's own log, and that of the ALSA library its audio output may
    // use, would print to stderr; failures that matter are reported by this
    // program instead.
    SilenceAlsaLibraryErrors();
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

}  // namespace

struct SoftwareSynth::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;
    bool soundFont = false;

    ~Impl() {
        if (driver) delete_fluid_audio_driver(driver);
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

SoftwareSynth::SoftwareSynth(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

SoftwareSynth::~SoftwareSynth() = default;

std::unique_ptr<SoftwareSynth> SoftwareSynth::Create(const std::string& soundFont,
                                                     const std::vector<std::string>& audioDrivers,
                                                     const SynthOptions& options) {
    SilenceLibraryLogs();
    auto impl = std::make_unique<Impl>();
    impl->settings = new_fluid_settings();
    if (!impl->settings) return nullptr;
    if (!options.reverbAndChorus) {
        fluid_settings_setint(impl->settings, "synth.reverb.active", 0);
        fluid_settings_setint(impl->settings, "synth.chorus.active", 0);
    }
    impl->synth = new_fluid_synth(impl->settings);
    if (!impl->synth) return nullptr;
    impl->soundFont = fluid_synth_sfload(impl->synth, soundFont.c_str(), 1) != FLUID_FAILED;
    for (const std::string& name : audioDrivers) {
        if (fluid_settings_setstr(impl->settings, "audio.driver", name.c_str()) != FLUID_OK)
            continue;
        impl->driver = new_fluid_audio_driver(impl->settings, impl->synth);
        if (impl->driver) break;
    }
    return std::unique_ptr<SoftwareSynth>(new SoftwareSynth(std::move(impl)));
}

int SoftwareSynth::ActiveVoices() const {
    return fluid_synth_get_active_voice_count(impl_->synth);
}

bool SoftwareSynth::HasSoundFont() const {
    return impl_->soundFont;
}

bool SoftwareSynth::HasAudioOutput() const {
    return impl_->driver != nullptr;
}

int SoftwareSynth::SampleRate() const {
    double rate = 0;
    fluid_settings_getnum(impl_->settings, "synth.sample-rate", &rate);
    return static_cast<int>(rate);
}

MidiOutResult SoftwareSynth::SendShort(const std::uint8_t* bytes, int length) {
    if (length < 1) return MidiOutResult::InvalidParam;
    fluid_synth_t* s = impl_->synth;
    int status = bytes[0];
    int channel = status & 0x0F;
    // Data bytes are 7-bit on the wire; a higher bit is dropped.
    int a = length > 1 ? bytes[1] & 0x7F : 0;
    int b = length > 2 ? bytes[2] & 0x7F : 0;
    // What the synth refuses (a note off for a silent key, a note on for a
    // program the soundfont lacks) is no failure of the device, so its
    // results are not passed on.
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(s, channel, a);
            break;
        case 0x90:
            if (b == 0) {
                fluid_synth_noteoff(s, channel, a);
            } else {
                fluid_synth_noteon(s, channel, a, b);
            }
            break;
        case 0xA0:
            fluid_synth_key_pressure(s, channel, a, b);
            break;
        case 0xB0:
            fluid_synth_cc(s, channel, a, b);
            break;
        case 0xC0:
            fluid_synth_program_change(s, channel, a);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(s, channel, a);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(s, channel, a | (b << 7));
            break;
        default:
            // System messages: only a system reset means anything to a synth.
            if (status == 0xFF) fluid_synth_system_reset(s);
            break;
    }
    return MidiOutResult::Ok;
}

MidiOutResult SoftwareSynth::SendLong(const std::uint8_t* bytes, std::size_t length) {
    // The synth takes the message without its F0 and F7 framing.
    std::size_t begin = 0;
    std::size_t end = length;
    if (end > begin && bytes[begin] == 0xF0) ++begin;
    if (end > begin && bytes[end - 1] == 0xF7) --end;
    if (end <= begin) return MidiOutResult::Ok;
    // Messages the synth does not know are ignored by it, as by any device.
    fluid_synth_sysex(impl_->synth, reinterpret_cast<const char*>(bytes + begin),
                      static_cast<int>(end - begin), nullptr, nullptr, nullptr, 0);
    return MidiOutResult::Ok;
}

bool SoftwareSynth::Render(float* left, float* right, int frames) {
    if (impl_->driver || frames < 0) return false;
    return fluid_synth_write_float(impl_->synth, frames, left, 0, 1, right, 0, 1) == FLUID_OK;
}

std::vector<std::string> DefaultAudioDrivers() {
    return {"pulseaudio", "alsa"};
}

std::unique_ptr<MidiOutBackend> OpenSoftwareSynth() {
    std::unique_ptr<SoftwareSynth> synth =
        SoftwareSynth::Create(kDefaultSoundFont, DefaultAudioDrivers());
    if (!synth) return nullptr;
    std::string reason;
    if (!synth->HasSoundFont()) {
        reason = std::string("The soundfont ") + kDefaultSoundFont + " could not be loaded";
    } else if (!synth->HasAudioOutput()) {
        reason = "No audio output could be opened";
    }
    if (!reason.empty() && !g_silentNoticeShown.exchange(true)) {
        // Opened by whichever thread starts a tune: the notice must not hold
        // it, or composing would wait for somebody to close the box.
        ShowNotice(reason + ": the software synthesizer plays silently.");
    }
    return synth;
}

void ResetSilentSynthNotice() {
    g_silentNoticeShown = false;
}

}  // namespace platform
