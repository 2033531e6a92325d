// A part's melody settings from arbitrary bytes: the 15 melody ints (any
// value a 16-bit field gives), the density, the metre, "Basic Beat",
// "Scale", "Scale Notes", the mix bytes 8-10 and the voice. The part is
// written over a fixed progression, closed by its ending and rendered as a
// part track. The writer must end, and every event must stay valid (data
// bytes 0..127, lengths and deltas not negative, no sounding note of no
// length).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "compose/chord_record.h"
#include "compose/composer_state.h"
#include "compose/melody_pitch.h"
#include "compose/melody_stages.h"
#include "compose/part_effects.h"
#include "compose/part_writer.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"
#include "style/style_table.h"

namespace {

constexpr std::size_t kInputSize = 2 + 15 * 2 + 2 + 4 + 12 + 3 + 2;

bool Byte(int v) {
    return v >= 0 && v <= 127;
}

void CheckEvents(const MidiTrackData& track) {
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->delta < 0) std::abort();
        if (e->IsNoteWithLength()) {
            if (!Byte(e->note) || !Byte(e->velocity) || e->length < 0) std::abort();
            if (e->velocity > 0 && e->length < 1) std::abort();
        } else if (e->kind == event_kind::kControlChange) {
            if (!Byte(e->subtype) || !Byte(e->value)) std::abort();
        } else if (e->kind == event_kind::kProgramChange) {
            if (!Byte(e->value) && !Byte(e->note)) std::abort();
        }
    }
}

int Int16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    static const bool table = [] {
        BuildChordCodeTable();
        return true;
    }();
    (void)table;
    if (size < kInputSize) return 0;
    static constexpr int kParts[3] = {kPartMelody, kPartObbligato, 5};
    const int part = kParts[data[1] % 3];
    InitMusicStyle(WorkingStyle);
    ResetComposerState();
    SeedRandomWith(data[0]);
    const std::uint8_t* p = data + 2;
    std::int32_t ints[15];
    for (int i = 0; i < 15; ++i, p += 2) {
        // Mostly small values, now and then anything a 16-bit field holds.
        int v = Int16(p);
        ints[i] = (p[1] & 0x80) ? v : (p[0] % 140) - 10;
    }
    std::memcpy(&WorkingStyle.melody[part], ints, sizeof ints);
    WorkingStyle.melody[kPartMelody].ornament = WorkingStyle.melody[part].ornament;
    WorkingStyle.density[part] = Int16(p);
    p += 2;
    WorkingStyle.timeSignature = p[0] % 4;
    WorkingStyle.basicBeat = p[1] % 5;
    WorkingStyle.scale = p[2] % 26;
    WorkingStyle.key = 1 + (p[3] & 1);
    p += 4;
    std::memcpy(WorkingStyle.scaleNotes, "xxxx", 4);
    for (int i = 0; i < 12; ++i)
        WorkingStyle.scaleNotes[4 + i] = static_cast<char>('0' + p[i] % 10);
    WorkingStyle.scaleNotes[16] = '\0';
    p += 12;
    WorkingStyle.mix[part].panpot = p[0] & 0x7F;
    WorkingStyle.mix[part].delay = p[1] & 0x7F;
    WorkingStyle.mix[part].holdPedal = p[2] & 0x7F;
    WorkingStyle.mix[kPartMelody] = WorkingStyle.mix[part];
    p += 3;
    const int voice = (p[0] | (p[1] << 8)) % 300;
    WorkingStyle.voice[part] = voice;
    WorkingStyle.voice[kPartMelody] = voice;

    NoteList chords;
    static constexpr const char* kCodes[6] = {"CMPS", "AmPs", "gMPd", "NoCd", "GMPs", "CMPS"};
    static constexpr int kLengths[6] = {384, 288, 336, 768, 96, 384};
    for (int i = 0; i < 6; ++i) {
        HarmonyStructureEntry entry{};
        entry.lengthHigh = static_cast<std::uint8_t>(kLengths[i] >> 8);
        entry.lengthLow = static_cast<std::uint8_t>(kLengths[i] & 0xFF);
        entry.chord.Set(kCodes[i]);
        ChordRecord chord(entry, "00");
        chords.AppendChord(&chord);
    }
    NoteList out;
    if (GenerateMelodyPart(part, chords, out) != 1) std::abort();
    int last = 0;
    for (int i = 0; i < out.Count(); ++i)
        if (out.Event(i)->kind == note_kind::kNote) last = out.Event(i)->value;
    NoteList ending;
    ComposeMelodyEnding(part, ending, last);
    out.AppendList(ending);
    static constexpr int kKinds[3] = {kPartKindMelody, kPartKindObbligato, kPartKindSubMelody};
    PartTrack track;
    RenderPartTrack(out, track, kKinds[data[1] % 3]);
    CheckEvents(track);
    return 0;
}
