#include "midi/midi_status.h"

#include <algorithm>

#include "core/reporters.h"
#include "midi/f0_data.h"

namespace {

const CodeText kTable[] = {
    {mdss::kTimeSignInvalid, "Time Sign is invalid!"},
};
constexpr ClassReporter kReporter("MDSS", kTable, "Error occured in MidiStatus");

}  // namespace

void MidiStatus::ShowError(std::uint32_t code) {
    kReporter.Show(code);
}

MidiStatus::MidiStatus() {
    std::fill(values_, values_ + kValueCount, -1);
}

void MidiStatus::Apply(const MidiEvent& e) {
    const int ch = e.channel;
    const bool onChannel = ch >= 0 && ch < 16;
    switch (e.kind) {
        case event_kind::kControlChange:
            if (onChannel && e.subtype >= 0 && e.subtype < 128) {
                values_[kController + 128 * ch + e.subtype] = e.value;
            }
            break;
        case event_kind::kProgramChange:
            if (onChannel) values_[kProgram + ch] = e.value;
            break;
        case event_kind::kPitchBend:
            if (onChannel) {
                values_[kBend + 2 * ch] = e.value;
                values_[kBend + 2 * ch + 1] = e.note;
            }
            break;
        case event_kind::kMeta:
            if (e.subtype == meta_type::kTempo) values_[kTempo] = e.value;
            if (e.subtype == meta_type::kTimeSignature) values_[kTimeSignature] = e.value;
            break;
        default:
            break;
    }
}

int MidiStatus::ApplyUntil(const MidiF0Data& song, long long time, long long* lastTime) {
    *lastTime = 0;
    const MidiTrackData* track = song.Track();
    if (!track) return 0;
    long long t = 0;
    for (int i = 0; i < track->EventCount(); ++i) {
        const MidiEvent* e = track->Event(i);
        t += e->delta;
        if (t >= time) return i;
        Apply(*e);
        *lastTime = t;
    }
    return track->EventCount();
}

std::vector<std::unique_ptr<MidiEvent>> MidiStatus::MakeEvents() const {
    std::vector<std::unique_ptr<MidiEvent>> out;
    for (int ch = 0; ch < 16; ++ch) {
        if (values_[kProgram + ch] >= 0) {
            auto e = std::make_unique<MidiEvent>(0);
            e->kind = event_kind::kProgramChange;
            e->channel = ch;
            e->value = values_[kProgram + ch];
            out.push_back(std::move(e));
        }
        if (values_[kBend + 2 * ch] >= 0) {
            auto e = std::make_unique<MidiEvent>(0);
            e->kind = event_kind::kPitchBend;
            e->channel = ch;
            e->value = values_[kBend + 2 * ch];
            e->note = std::max(values_[kBend + 2 * ch + 1], 0);
            out.push_back(std::move(e));
        }
        for (int c = 0; c < 128; ++c) {
            int v = values_[kController + 128 * ch + c];
            if (v < 0) continue;
            auto e = std::make_unique<MidiEvent>(0);
            e->SetControlChange(ch, c, v);
            out.push_back(std::move(e));
        }
    }
    if (values_[kTempo] >= 0) {
        auto e = std::make_unique<MidiEvent>(0);
        e->SetTempo(values_[kTempo]);
        out.push_back(std::move(e));
    }
    const int code = values_[kTimeSignature];
    if (code == 0) ShowError(mdss::kTimeSignInvalid);
    if (code > 0) {
        auto e = std::make_unique<MidiEvent>(0);
        e->kind = event_kind::kMeta;
        e->subtype = meta_type::kTimeSignature;
        e->value = code;
        std::uint8_t bytes[4];
        int length = 0;
        TimeSignatureBytes(code, bytes, &length);
        e->SetData(bytes, 4);
        out.push_back(std::move(e));
    }
    return out;
}
