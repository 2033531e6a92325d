#include "compose/chord_tone_row.h"

#include "compose/chord_weights.h"

namespace {

ChordToneRow MakeRow(const ChordToneCodes& codes, const ChordRecord& chord,
                     const ScaleString& weights, int base) {
    ChordToneRow row{};
    for (int r = 0; r < kChordToneRows; ++r) {
        const int c = codes[r];
        if (c < 0) continue;
        int tone = 0;
        switch (c % 7) {
            case 0:
                tone = base;
                break;
            case 1:
                tone = chord.root ? chord.root + 2 : 0;
                break;
            case 2:
                tone = chord.third;
                break;
            case 3:
                tone = chord.fifth ? chord.fifth - 2 : 0;
                break;
            case 4:
                tone = chord.fifth;
                break;
            case 5:
                tone = chord.fifth ? chord.fifth + 2 : 0;
                break;
            default:
                tone = chord.seventh;
                break;
        }
        if (tone <= 0) continue;
        // Octaves far beyond the MIDI range are silent anyway.
        const long long octaves = c / 7;
        long long pitch = tone + 12 * octaves - 12;
        if (pitch < 13 || pitch > 127) continue;
        if (WeightOf(weights, static_cast<int>(pitch)) < kChordToneRowThreshold) --pitch;
        row[r] = pitch >= 13 && pitch <= 127 ? static_cast<int>(pitch) : 0;
    }
    return row;
}

}  // namespace

ChordToneRow MakeChordToneRow(const ChordToneCodes& codes, const ChordRecord& chord,
                              const ScaleString& weights) {
    return MakeRow(codes, chord, weights, chord.root);
}

ChordToneRow MakeBassChordToneRow(const ChordToneCodes& codes, const ChordRecord& chord,
                                  const ScaleString& weights) {
    return MakeRow(codes, chord, weights, chord.bass ? chord.bass + 24 : 0);
}
