#include "platform/alsa_midi_out.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace platform {

namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// The largest message the event encoder is asked to hold.
constexpr std::size_t kEncoderBuffer = 256;

class SequencerBackend : public MidiOutBackend {
public:
    SequencerBackend(snd_seq_t* seq, int port, snd_midi_event_t* encoder)
        : seq_(seq), port_(port), encoder_(encoder) {}

    ~SequencerBackend() override {
        snd_seq_drain_output(seq_);
        snd_midi_event_free(encoder_);
        snd_seq_close(seq_);
    }

    MidiOutResult SendShort(const std::uint8_t* bytes, int length) override {
        unsigned char wire[3] = {0, 0, 0};
        for (int i = 0; i < length && i < 3; ++i)
            wire[i] = i == 0 ? bytes[i] : bytes[i] & 0x7F;
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_midi_event_reset_encode(encoder_);
        long used = snd_midi_event_encode(encoder_, wire, length, &ev);
        if (used < 0 || ev.type == SND_SEQ_EVENT_NONE) return MidiOutResult::InvalidParam;
        return Output(ev);
    }

    MidiOutResult SendLong(const std::uint8_t* bytes, std::size_t length) override {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_sysex(&ev, static_cast<unsigned>(length), const_cast<std::uint8_t*>(bytes));
        return Output(ev);
    }

private:
    MidiOutResult Output(snd_seq_event_t& ev) {
        snd_seq_ev_set_source(&ev, port_);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        return snd_seq_event_output_direct(seq_, &ev) < 0 ? MidiOutResult::Error
                                                          : MidiOutResult::Ok;
    }

    snd_seq_t* seq_;
    int port_;
    snd_midi_event_t* encoder_;
};

}  // namespace

void SilenceAlsaLibraryErrors() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(IgnoreAlsaError); });
}

std::vector<SequencerPort> ListSequencerPorts() {
    SilenceAlsaLibraryErrors();
    std::vector<SequencerPort> ports;
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return ports;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    if (snd_seq_client_info_malloc(&client) == 0 && snd_seq_port_info_malloc(&port) == 0) {
        int self = snd_seq_client_id(seq);
        constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
        snd_seq_client_info_set_client(client, -1);
        while (snd_seq_query_next_client(seq, client) >= 0) {
            int id = snd_seq_client_info_get_client(client);
            if (id == SND_SEQ_CLIENT_SYSTEM || id == self) continue;
            snd_seq_port_info_set_client(port, id);
            snd_seq_port_info_set_port(port, -1);
            while (snd_seq_query_next_port(seq, port) >= 0) {
                unsigned caps = snd_seq_port_info_get_capability(port);
                if ((caps & kWritable) != kWritable || (caps & SND_SEQ_PORT_CAP_NO_EXPORT))
                    continue;
                const char* name = snd_seq_port_info_get_name(port);
                ports.push_back({id, snd_seq_port_info_get_port(port), name ? name : ""});
            }
        }
    }
    if (port) snd_seq_port_info_free(port);
    if (client) snd_seq_client_info_free(client);
    snd_seq_close(seq);
    return ports;
}

std::unique_ptr<MidiOutBackend> OpenSequencerPort(const SequencerPort& target) {
    SilenceAlsaLibraryErrors();
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return nullptr;
    snd_seq_set_client_name(seq, "ZAW");
    int port = snd_seq_create_simple_port(
        seq, "ZAW MIDI out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_midi_event_t* encoder = nullptr;
    if (port < 0 || snd_seq_connect_to(seq, port, target.client, target.port) < 0 ||
        snd_midi_event_new(kEncoderBuffer, &encoder) < 0) {
        snd_seq_close(seq);
        return nullptr;
    }
    return std::make_unique<SequencerBackend>(seq, port, encoder);
}

}  // namespace platform
