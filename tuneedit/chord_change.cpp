// Tone shifts of a chord change and the note moves that follow them.
#include "tuneedit/chord_change.h"

#include <algorithm>

#include "compose/chord_record.h"
#include "tuneedit/edited_tune.h"

namespace {

constexpr int kDrumChannel = 9;

int Mod12(int v) {
    return ((v % 12) + 12) % 12;
}

// d, d - 1 when the letter goes from `up` to `down`, d + 1 the other way.
int ShiftOf(int d, char from, char to, char up, char down) {
    if (from == up && to == down) return d - 1;
    if (from == down && to == up) return d + 1;
    return d;
}

char Letter(std::string_view code, std::size_t i) {
    return i < code.size() ? code[i] : '\0';
}

}  // namespace

int ChordToneShifts(ChordShifts& out, std::string_view oldCode, std::string_view newCode) {
    out.shift = {};
    out.oldTone = {};
    if (oldCode.substr(0, 4) == "NoCd") return 0;
    const int r = RootLetterToPitchClass(Letter(oldCode, 0));
    out.oldTone[0] = r;
    out.oldTone[1] = r + (Letter(oldCode, 1) == 'M' ? 4 : 3);
    out.oldTone[2] = r + (Letter(oldCode, 2) == 'P' ? 7 : 6);
    out.oldTone[3] = r + (Letter(oldCode, 3) == 'S' ? 11 : 10);
    const int d = Mod12(RootLetterToPitchClass(Letter(newCode, 0)) - r);
    out.shift[0] = d;
    out.shift[1] = ShiftOf(d, Letter(oldCode, 1), Letter(newCode, 1), 'M', 'm');
    out.shift[2] = ShiftOf(d, Letter(oldCode, 2), Letter(newCode, 2), 'P', 'd');
    out.shift[3] = ShiftOf(d, Letter(oldCode, 3), Letter(newCode, 3), 'S', 's');
    return d;
}

int MapPitchToNewChord(int key, const ChordShifts& shifts) {
    int add = shifts.shift[0];
    for (int i = 0; i < 4; ++i) {
        if (Mod12(key) == Mod12(shifts.oldTone[static_cast<std::size_t>(i)])) {
            add = shifts.shift[static_cast<std::size_t>(i)];
            break;
        }
    }
    int moved = key + add;
    // Bounded folds: a shift is at most a dozen semitones, the key any int.
    moved = Mod12(moved) + 12 * std::max(0, std::min(10, moved / 12));
    while (moved > 127)
        moved -= 12;
    return moved;
}

void MapSectionNotes(EditedTune& tune, const ChordShifts& shifts, int track) {
    MidiF1TrackData* t = tune.Track(track);
    if (!t) return;
    long long tick = 0;
    for (MidiEvent* e : t->Events()) {
        tick += e->delta;
        if (!e->IsNoteWithLength() || tick < shifts.start || tick >= shifts.end) continue;
        e->note = MapPitchToNewChord(e->note, shifts);
        if (e->DataLength() >= 2) e->SetDataByte(1, static_cast<std::uint8_t>(e->note));
    }
}

void MapChordChangeAllTracks(EditedTune& tune, const ChordShifts& shifts) {
    for (int t = 1; t < tune.TrackCount(); ++t) {
        if (tune.ChannelOfTrack(t) != kDrumChannel) MapSectionNotes(tune, shifts, t);
    }
}
