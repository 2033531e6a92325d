// Channel set-up, bent notes and track ends for the part generators.
#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "compose/compose_track.h"
#include "compose/composer_state.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "midi/sysex.h"
#include "style/style_table.h"

namespace {

enum class SoundModule { Xg, Gs, Gm };

SoundModule CurrentModule() {
    const int type = TheComposerState.outputType;
    if (type == 0) return SoundModule::Xg;
    if (type == 1) return SoundModule::Gs;
    return SoundModule::Gm;
}

constexpr ErrorCode kInstrumentError = 0xFF010156;
constexpr int kDrumChannel = 9;
// Instrument code of the one special sound without a bank of its own: it
// plays its General MIDI counterpart, a voice.
constexpr int kRapSound = 129;
constexpr int kRapSoundProgram = 53;

// Bank select MSB and LSB and program of a special sound for XG and GS, and
// its General MIDI program; LSB -1 sends the MSB alone.
struct SpecialSound {
    int code;
    int xgMsb, xgLsb, xgProgram;
    int gsMsb, gsLsb, gsProgram;
    int gmProgram;
};
constexpr SpecialSound kSpecialSounds[] = {
    {128, 64, 0, 48, 1, 0, 123, 53},    {130, 0, 99, 112, 11, 0, 112, 112},
    {131, 0, 98, 112, 10, 0, 112, 112}, {132, 0, 96, 110, 8, 0, 110, 40},
    {133, 0, -1, 90, 8, 0, 109, 90},
};

void AddBank(MidiTrackData& track, int channel, int msb, int lsb, int program) {
    if (lsb < 0) {
        track.AddBankMsbProgram(channel, msb, program);
    } else {
        track.AddBankProgram(channel, msb, lsb, program);
    }
}

void AddBend(MidiTrackData& track, int channel, int delta, int lsb, int msb) {
    auto* e = new MidiEvent(delta);
    e->kind = event_kind::kPitchBend;
    e->channel = channel;
    e->note = lsb;
    e->value = msb;
    track.AppendEvent(e);
}

void AppendSysEx(MidiTrackData& track, const std::uint8_t* bytes, int n) {
    auto* e = new MidiEvent(0);
    e->kind = event_kind::kSysEx;
    e->SetData(bytes, n);
    MidiTrackData::ClassifySysEx(e);
    track.AppendEvent(e);
}

std::uint8_t TuningByte(int cents) {
    return static_cast<std::uint8_t>(std::clamp(cents + 64, 0, 127));
}

// Cent offsets from C of the scales with a tuning of their own.
constexpr int kScale7Tuning[12] = {0, -8, 4, 16, -14, -2, -10, 2, 14, -16, 14, -12};
constexpr int kScale8Tuning[12] = {-6, 45, -2, -12, -51, -8, 43, -4, 47, 0, -10, -49};

// ---- Bent notes ----

struct BentNote {
    int delta, note, velocity, length, step, channel;
};

// Low keys are rests of the given length. A voice that can bend gets the
// note, a bend (lsb, msb) at its start and bends to each of `later` (MSB) one
// step apart, when bendAllowed; a voice that cannot bend gets a grace note a
// semitone below when the step is long enough; otherwise the plain note.
// Returns the ticks used past the note start.
int WriteBentNote(const BentNote& n, ComposeTrackData& track, bool bendAllowed, int lsb, int msb,
                  std::initializer_list<int> later) {
    if (n.note <= 11) {
        track.AddNote(n.channel, n.delta, 0, 0, n.length);
        return 0;
    }
    if (track.IsBendableVoice(n.channel)) {
        if (bendAllowed) {
            track.AddNoteEvent(n.channel, n.delta, n.note, n.velocity, n.length);
            AddBend(track, n.channel, 0, lsb, msb);
            for (int m : later)
                AddBend(track, n.channel, n.step, 0, m);
            return n.step * static_cast<int>(later.size());
        }
    } else if (n.step > 7) {
        track.AddNoteEvent(n.channel, n.delta, n.note - 1, n.velocity, 4);
        track.AddNoteEvent(n.channel, 4, n.note, n.velocity, n.length - 4);
        return 4;
    }
    track.AddNoteEvent(n.channel, n.delta, n.note, n.velocity, n.length);
    return 0;
}

}  // namespace

int AddNoteBendFromAbove(int delta, int note, int velocity, int length, int step, int channel,
                         ComposeTrackData& track) {
    return WriteBentNote({delta, note, velocity, length, step, channel}, track, true, 0, 68, {64});
}

int AddNoteBendScoop(int delta, int note, int velocity, int length, int step, int channel,
                     ComposeTrackData& track) {
    return WriteBentNote({delta, note, velocity, length, step, channel}, track, step > 0, 68, 60,
                         {62, 63, 64, 65, 64});
}

int AddNoteBendFromBelow(int delta, int note, int velocity, int length, int step, int channel,
                         ComposeTrackData& track) {
    return WriteBentNote({delta, note, velocity, length, step, channel}, track, step > 0, 68, 58,
                         {64});
}

// ---- Channel set-up ----

int GetLeadInTicks() {
    if (!AppSettings.StartAt2ndBar) return 0;
    return TicksPerBar(WorkingStyle.timeSignature);
}

void AppendPitchBendRange12(int channel, MidiTrackData& track) {
    track.AppendPitchBendRange(0, channel, 12);
}

namespace {

// Registered parameter 1 (fine tuning) set to 56 * 128: the controls a delay
// track gets before its first note. They are also its mark, telling the
// delay from a part of the tune on the same channel.
constexpr int kDelayDetune[4][2] = {{101, 0}, {100, 1}, {6, 56}, {38, 0}};

}  // namespace

void DelayAndDetuneTrack(MidiTrackData& track, int channel, int ticks) {
    int first = 0;
    while (first < track.EventCount() && !track.Event(first)->IsNoteStart())
        ++first;
    MidiEvent* note = track.Event(first);
    if (!note) return;
    note->delta += ticks;
    int at = first;
    for (const auto& c : kDelayDetune) {
        if (track.InsertEvent(at, 2, NewControlChange(channel, c[0], c[1])) >= 0) ++at;
    }
}

bool IsDelayTrack(const MidiTrackData& track, int channel) {
    std::size_t matched = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->channel != channel) continue;
        if (e->IsNoteStart()) return false;
        if (!e->IsChannelMessage()) continue;
        auto is = [e](const int(&c)[2]) {
            return e->kind == event_kind::kControlChange && e->subtype == c[0] && e->value == c[1];
        };
        // The first control of the mark comes in it only once: a broken run
        // starts again there.
        if (is(kDelayDetune[matched]))
            ++matched;
        else
            matched = is(kDelayDetune[0]) ? 1 : 0;
        if (matched == std::size(kDelayDetune)) return true;
    }
    return false;
}

void SetBankProgram(MidiTrackData& track, int channel, int code) {
    const SoundModule module = CurrentModule();
    if (code == kRapSound) code = kRapSoundProgram;
    if (code >= 0 && code < 128) {
        if (module == SoundModule::Gm) {
            track.AddBankMsbProgram(channel, 0, code);
        } else {
            track.AddBankProgram(channel, 0, 0, code);
        }
        return;
    }
    for (const SpecialSound& s : kSpecialSounds) {
        if (s.code != code) continue;
        switch (module) {
            case SoundModule::Xg:
                AddBank(track, channel, s.xgMsb, s.xgLsb, s.xgProgram);
                break;
            case SoundModule::Gs:
                AddBank(track, channel, s.gsMsb, s.gsLsb, s.gsProgram);
                break;
            case SoundModule::Gm:
                track.AddBankMsbProgram(channel, 0, s.gmProgram);
                break;
        }
        return;
    }
    ShowErrorMessage(kInstrumentError);
}

void SetProgram(MidiTrackData& track, int channel, int code) {
    if (channel == kDrumChannel) {
        if (code != 0) track.AddProgramChange(channel, code);
        return;
    }
    SetBankProgram(track, channel, code);
}

// ---- Scale tuning ----

void AddXgScaleTuning(int part, MidiTrackData& track, const int offsets[12]) {
    for (int i = 0; i < 12; ++i) {
        const std::uint8_t block[10] = {0xF0,
                                        0x08,
                                        0x43,
                                        0x10,
                                        0x4C,
                                        0x08,
                                        static_cast<std::uint8_t>(part),
                                        static_cast<std::uint8_t>(0x41 + i),
                                        TuningByte(offsets[i]),
                                        0xF7};
        AppendSysEx(track, block, 10);
    }
}

void AddGsScaleTuning(int part, MidiTrackData& track, const int offsets[12]) {
    std::uint8_t block[23] = {0xF0, 0x15, 0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x40};
    // The part address follows the GS part order (the drum channel first).
    SetGsPartByte(part, &block[7], 0x10);
    for (int i = 0; i < 12; ++i)
        block[9 + i] = TuningByte(offsets[i]);
    block[21] = RolandChecksum(&block[6], 15);
    block[22] = 0xF7;
    AppendSysEx(track, block, 23);
}

void AddScaleTuning(int part, MidiTrackData& track, const int offsets[12]) {
    switch (CurrentModule()) {
        case SoundModule::Xg:
            AddXgScaleTuning(part, track, offsets);
            break;
        case SoundModule::Gs:
            AddGsScaleTuning(part, track, offsets);
            break;
        case SoundModule::Gm:
            break;
    }
}

void AddStyleScaleTuning(int part, MidiTrackData& track) {
    int scale = WorkingStyle.scale;
    if (scale == 7) AddScaleTuning(part, track, kScale7Tuning);
    if (scale == 8) AddScaleTuning(part, track, kScale8Tuning);
}

void SetupChannel(MidiTrackData& track, int channel, int code, const MixBlock& mix,
                  int firstDelta) {
    SetProgram(track, channel, code);
    track.AddControlChange(channel, 7, mix.volume);
    const int everyValue = AppSettings.StartAt2ndBar;
    const std::pair<int, std::uint8_t> controls[7] = {
        {91, mix.reverb},  {93, mix.chorus}, {74, mix.brightness}, {71, mix.resonance},
        {72, mix.release}, {73, mix.attack}, {75, mix.decay},
    };
    for (const auto& [controller, value] : controls) {
        if (everyValue || value != 64) track.AddControlChange(channel, controller, value);
    }
    if (MidiEvent* first = track.Event(0)) first->delta = firstDelta;
    AddStyleScaleTuning(channel, track);
    AppendPitchBendRange12(channel, track);
}

// ---- Track end ----

void PadTrackEnd(ComposeTrackData& track) {
    // The rests are dropped, but the time they reach still counts: a rest
    // reaches its last tick, a sound the tick after its end.
    long long t = 0;
    long long end = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        t += e->delta;
        long long reach = t;
        if (e->IsNoteWithLength()) {
            const long long length = std::max(e->length, 0);
            const bool rest = e->note == 0 || e->velocity == 0;
            reach = rest ? t + std::max(length - 1, 0LL) : t + length;
        }
        end = std::max(end, reach);
    }
    const long long last = t;
    track.RemoveRestNotes();
    long long kept = 0;
    for (int i = 0; i < track.EventCount(); ++i)
        kept += track.Event(i)->delta;
    // At the next beat, at most two bars of 4/4 after the last event.
    const long long at = std::clamp((end + 95) / 96 * 96, last, last + 768);
    track.AppendEndOfTrackAt(static_cast<int>(at - kept));
}
