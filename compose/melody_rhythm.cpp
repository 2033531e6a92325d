#include "compose/melody_rhythm.h"

#include <algorithm>
#include <initializer_list>

#include "compose/composer_state.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

bool Chance(int n) {
    return RandomInRange(1, n) == 1;
}

bool TripletRhythm() {
    return WorkingStyle.basicBeat == 3;
}

// ---- Template generators ----

// Writes the first slots of a template in order, never past the 32 a
// generator may write, and counts the ticks placed.
class SlotWriter {
public:
    explicit SlotWriter(RhythmTemplateSlots& slots) : slots_(slots) {}

    bool Room() const { return n_ < RhythmTemplateSlots::kWrittenSlots; }
    int Placed() const { return placed_; }
    void Put(std::initializer_list<int> lengths) {
        for (int v : lengths) {
            if (!Room()) return;
            slots_.slot[static_cast<unsigned>(n_++)] = v;
            placed_ += v;
        }
    }
    // Slots first..last (counting from 1) of the written ones.
    void Set(int first, int last, int v) {
        for (int i = first; i <= last && i <= RhythmTemplateSlots::kWrittenSlots; ++i)
            slots_.slot[static_cast<unsigned>(i - 1)] = v;
        n_ = std::max(n_, std::min(last, RhythmTemplateSlots::kWrittenSlots));
    }
    void All(int v) { Set(1, RhythmTemplateSlots::kWrittenSlots, v); }

private:
    RhythmTemplateSlots& slots_;
    int n_ = 0;
    int placed_ = 0;
};

// For each slot: 96 at 1/2, else (while at most 192 ticks were placed, at
// 1/2) a figure of three, otherwise a pair.
void Mix(SlotWriter& w, std::initializer_list<int> three, std::initializer_list<int> pair) {
    while (w.Room()) {
        if (Chance(2)) {
            w.Put({96});
        } else if (Chance(2) && w.Placed() <= 192) {
            w.Put(three);
        } else {
            w.Put(pair);
        }
    }
}

// 96, then slots of 48 or, at 1/4, the pair 24, 24.
void QuarterThenEighths(SlotWriter& w) {
    w.Put({96});
    while (w.Room()) {
        if (Chance(4)) {
            w.Put({24, 24});
        } else {
            w.Put({48});
        }
    }
}

// One pair of (a, b) at slots 1-2 (1/5), 2-3 (1/4), 3-4 (1/3) or 4-5 (1/2),
// or none, in a template of 96s.
void QuartersWithPair(SlotWriter& w, int a, int b) {
    w.All(96);
    for (int first = 1, n = 5; first <= 4; ++first, --n) {
        if (Chance(n)) {
            w.Set(first, first, a);
            w.Set(first + 1, first + 1, b);
            return;
        }
    }
}

// One of the sequences by a chain of chances, each link taken at 1/2 and
// 1/4 in turn; the last one when no link is taken.
void OneOf(SlotWriter& w, std::initializer_list<std::initializer_list<int>> sequences) {
    int k = 0;
    const int last = static_cast<int>(sequences.size()) - 1;
    for (auto it = sequences.begin(); it != sequences.end(); ++it, ++k) {
        if (k == last || Chance(k % 2 == 0 ? 2 : 4)) {
            w.Put(*it);
            return;
        }
    }
}

void Make48(SlotWriter& w) {
    w.Put({48});
}

void Make96(SlotWriter& w) {
    if (Chance(2)) {
        w.All(96);
    } else {
        w.All(Chance(4) ? 24 : 48);
    }
}

void Make144(SlotWriter& w) {
    if (Chance(2)) {
        w.Put({96, 48});
    } else {
        w.Put({144});
    }
}

void Make192(SlotWriter& w) {
    if (Chance(2)) {
        w.All(Chance(3) ? 48 : Chance(5) ? 24 : 192);
        return;
    }
    while (w.Room()) {
        if (Chance(3)) {
            w.Put({24, 72});
        } else {
            w.Put({96});
        }
    }
}

void Make240(SlotWriter& w) {
    if (!Chance(2)) {
        w.Put({144, 48, 48});
    } else if (Chance(2)) {
        w.Put({96, 48, 96});
    } else if (Chance(2)) {
        w.Put({24, 120, 96});
    } else {
        w.Put({144, 96});
    }
}

void Make288(SlotWriter& w) {
    w.All(Chance(2) ? 96 : Chance(2) ? 48 : 24);
}

void Make336(SlotWriter& w) {
    if (Chance(2)) {
        QuarterThenEighths(w);
    } else if (Chance(2)) {
        OneOf(w, {{192, 96, 48},
                  {144, 96, 96},
                  {144, 48, 48, 96},
                  {192, 48, 48, 48},
                  {144, 48, 96, 48},
                  {192, 48, 96},
                  {144, 96, 48, 48}});
    } else if (Chance(2)) {
        w.Put({336});
    } else {
        w.Put({144, 192});
    }
}

void Make384(SlotWriter& w) {
    if (WorkingStyle.basicBeat == 2 && Chance(2)) {
        w.All(64);
        if (Chance(2)) w.Set(4, 8, 96);
    } else if (Chance(3)) {
        QuartersWithPair(w, 48, 48);
    } else if (Chance(2)) {
        Mix(w, {48, 96, 48}, {48, 48});
    } else if (Chance(6)) {
        if (Chance(3)) {
            w.Put({48, 48, 48, 240});
        } else {
            w.Put({24, 360});
        }
    } else if (Chance(4)) {
        w.Put({24, 168, 24, 168});
    } else if (Chance(2)) {
        w.All(48);
        if (Chance(3)) {
            w.Set(5, RhythmTemplateSlots::kWrittenSlots, 96);
        } else if (Chance(2)) {
            w.Set(1, 4, 96);
        }
    } else if (RandomInRange(1, 5) <= 4) {
        w.All(192);
    } else {
        w.All(24);
        if (Chance(2)) {
            w.Set(9, RhythmTemplateSlots::kWrittenSlots, 48);
        } else if (Chance(2)) {
            w.Set(1, 8, 48);
        }
    }
}

void Make432(SlotWriter& w) {
    if (Chance(2)) {
        QuarterThenEighths(w);
        return;
    }
    OneOf(w, {{144, 192, 96},
              {96, 192, 144},
              {144, 192, 48, 48},
              {96, 192, 48, 96},
              {240, 192},
              {192, 240},
              {144, 96, 192},
              {96, 96, 240},
              {144, 48, 192, 48},
              {96, 48, 192, 96},
              {144, 48, 48, 192},
              {96, 48, 48, 240}});
}

void Make720(SlotWriter& w) {
    if (Chance(2)) {
        w.All(48);
        w.Set(1, 1, 96);
    } else if (Chance(4)) {
        if (Chance(2)) {
            w.Put({144, 192, 192, 192});
        } else {
            w.Put({192, 192, 192, 144});
        }
    } else if (Chance(2)) {
        const int first = Chance(2) ? 144 : 192;
        w.Put({first, 96});
        if (Chance(2)) {
            w.Put({96, 192});
        } else {
            w.Put({192, 96});
        }
        w.Put({first == 144 ? 192 : 144});
    } else if (Chance(2)) {
        w.Put({384, 192, 144});
    } else {
        w.Put({336, 192, 192});
    }
}

void Make768(SlotWriter& w) {
    if (Chance(4)) {
        w.All(96);
    } else if (Chance(2)) {
        Mix(w, {48, 96, 48}, {48, 48});
    } else if (Chance(2)) {
        w.All(48);
        if (Chance(3)) {
            w.Set(1, 4, 96);
        } else if (!Chance(2)) {
            w.Set(9, RhythmTemplateSlots::kWrittenSlots, 96);
        }
    } else if (Chance(4)) {
        w.All(24);
        if (Chance(3)) {
            w.Set(9, RhythmTemplateSlots::kWrittenSlots, 48);
        } else if (Chance(2)) {
            w.Set(1, 8, 48);
        }
    } else {
        w.All(192);
    }
}

void MakeTriplet384(SlotWriter& w) {
    if (Chance(3)) {
        QuartersWithPair(w, 64, 32);
    } else if (Chance(2)) {
        Mix(w, {64, 64, 64}, {64, 32});
    } else if (Chance(6)) {
        w.Put({32, 352});
    } else if (RandomInRange(1, 4) <= 3) {
        w.All(192);
    } else {
        w.Put({32, 160, 32, 160});
    }
}

void MakeTriplet768(SlotWriter& w) {
    if (Chance(4)) {
        w.All(96);
    } else if (Chance(2)) {
        Mix(w, {64, 64, 64}, {64, 32});
    } else {
        w.All(192);
    }
}

struct TemplateRow {
    int chordLength;
    bool style9Only;
    bool triplet;
    void (*make)(SlotWriter&);
};

constexpr TemplateRow kTemplates[] = {
    {48, true, false, Make48},          {96, false, false, Make96},
    {144, true, false, Make144},        {192, false, false, Make192},
    {240, true, false, Make240},        {288, false, false, Make288},
    {576, false, false, Make288},       {672, false, false, Make288},
    {336, true, false, Make336},        {384, false, false, Make384},
    {432, true, false, Make432},        {720, true, false, Make720},
    {768, false, false, Make768},       {384, false, true, MakeTriplet384},
    {768, false, true, MakeTriplet768},
};

// ---- Styles ----

int FigureLength(int kind, int t) {
    const bool firstHalf = t < 192;
    const bool middle = t >= 96 && t <= 288;
    // Whether the long draw applies at this place; kinds 3 and 4 have a
    // long draw of their own.
    bool longDraw = false;
    switch (kind) {
        case 1:
            longDraw = !firstHalf;
            break;
        case 2:
            longDraw = firstHalf;
            break;
        case 3:
            longDraw = middle;
            break;
        case 4:
            longDraw = !middle;
            break;
        default:
            break;
    }
    if (TripletRhythm()) {
        if (kind < 1 || kind > 4) {
            int e = RandomInRange(1, 5);
            return (e <= 3 ? e : 1) * 32;
        }
        int e = longDraw ? RandomInRange(3, kind <= 2 ? 12 : 8) : RandomInRange(1, 3);
        if (e > 3 && Chance(3)) e = 3;
        return e * 32;
    }
    if (longDraw && (kind == 3 || kind == 4)) return RandomInRange(2, 5) * 48;
    if (longDraw) {
        int h = RandomInRange(2, 9);
        return h <= 8 ? h * 48 : 144;
    }
    return RandomInRange(1, 3) == 2 ? 96 : 48;
}

const MelodySettings& Settings(int part) {
    static const MelodySettings kNone{};
    return part >= 0 && part < kStylePartSlots ? WorkingStyle.melody[part] : kNone;
}

}  // namespace

bool FillRhythmTemplate(RhythmTemplateSlots& slots, int chordLength, bool style9, bool triplet) {
    for (const TemplateRow& row : kTemplates) {
        if (row.chordLength != chordLength || row.triplet != triplet) continue;
        if (row.style9Only && !style9) continue;
        SlotWriter writer(slots);
        row.make(writer);
        return true;
    }
    return false;
}

int RhythmStyleDotted(const RhythmPlace& at) {
    const bool triplet = TripletRhythm();
    if (at.t % 96 != 0) return triplet ? 32 : 24;
    if (Chance(4)) return 96;
    return triplet ? 64 : 72;
}

int RhythmStyleSix(const RhythmPlace& at) {
    const bool b3 = TripletRhythm();
    const int d = RandomInRange(1, 9);
    const int u = b3 ? 32 : 48;
    switch (at.t) {
        case 0:
            if (d == 1) return b3 ? 160 : 144;
            return b3 ? 64 : u;
        case 48:
        case 64:
            return d >= 2 && d <= 6 ? 96 : u;
        case 96:
            return b3 ? 64 : u;
        case 144:
        case 160:
            return d >= 6 && d <= 8 ? 96 : u;
        case 192:
            if (d <= 4) return 96;
            if ((d == 5 || d == 9) && b3) return 64;
            return u;
        case 240:
        case 256:
            return d == 9 ? 96 : u;
        case 288:
            if (d == 4 || d == 8) return b3 ? 64 : u;
            if (d == 9) return u;
            return 96;
        case 336:
        case 352:
            return (d == 4 || d == 8 || d == 9) && !b3 ? 96 : u;
        default:
            return u;
    }
}

int RhythmStyleFigures(const RhythmPlace& at) {
    ComposerState& s = TheComposerState;
    if (at.t == 0) {
        int kind = at.chord < 384 ? RandomInRange(0, 2) : RandomInRange(0, 5);
        s.RhythmFigure = kind == 5 ? 0 : kind;
    }
    return FigureLength(s.RhythmFigure, at.t);
}

int RhythmStyleDefault(const RhythmPlace& at, int style, int y) {
    ComposerState& s = TheComposerState;
    if (s.TripletRun != 0) {
        if (++s.TripletRun >= 3) s.TripletRun = 0;
        return style == 3 ? (Chance(3) ? (Chance(3) ? 288 : 192) : 96) : 64;
    }
    int g;
    bool newRun = false;
    if (style == 5) {
        g = RandomInRange(1, 2) * 2;
    } else if (at.t % 96 != 0) {
        if (at.t % 48 != 0) {
            g = y == 1 && Chance(2) ? 2 : RandomInRange(style, 2);
        } else if (style == 4) {
            g = RandomInRange(1, 2);
        } else {
            g = y == 1 && Chance(2) ? 4 : RandomInRange(style, 4);
        }
    } else {
        if (style == 4) {
            g = RandomInRange(1, 2);
            if (g == 2) g = RandomInRange(1, 2);
        } else {
            g = RandomInRange(style, 10);
            if (g == 9) g = 2;
            if (g == 10) {
                if (WorkingStyle.basicBeat == 1) {
                    newRun = true;
                } else {
                    g = 2;
                }
            }
        }
        if (!newRun && y == 1 && RandomInRange(1, 3) <= 2) g = 1;
    }
    // A style of 0 or below would draw classes of 0 or less: no note may be
    // empty.
    g = std::max(g, 1);
    if (g == 3 || g == 5 || g == 6 || g == 7) g = at.previousClass > 0 ? at.previousClass : 4;
    int length = g * 24;
    if (newRun) {
        s.TripletRun = 1;
        length = 64;
    }
    if (TripletRhythm()) {
        if (style == 5) {
            length = Chance(3) ? 96 : RandomInRange(1, 3) * 32;
        } else if (s.SixteenthPending) {
            s.SixteenthPending = false;
            length = 16;
        } else if (Chance(8)) {
            if (Chance(4)) {
                s.SixteenthPending = true;
                length = 16;
            } else {
                length = 32;
            }
        } else {
            length = 64;
        }
    }
    if (style == 3) length = Chance(3) ? (Chance(3) ? 288 : 192) : 96;
    return length;
}

int RhythmStyleTemplate(const RhythmPlace& at) {
    RhythmTemplateSlots& slots = TheComposerState.RhythmTemplate;
    if (at.t == 0) {
        if (TripletRhythm()) slots.Fill(RhythmTemplateSlots::kDefaultLength);
        if (!FillRhythmTemplate(slots, at.chord, true, false)) {
            slots.Fill(RhythmTemplateSlots::kDefaultLength);
        }
        slots.readIndex = 0;
    }
    return slots.Next();
}

int RhythmStyleBuffered(const RhythmPlace& at) {
    ComposerState& s = TheComposerState;
    RhythmTemplateSlots& slots = s.BufferedRhythmTemplate;
    if (at.t == 0) {
        const int beat = WorkingStyle.basicBeat;
        if (beat == 3) {
            slots.Fill(RhythmTemplateSlots::kDefaultLength);
            if (at.chord == 672) {
                ShowErrorMessage(kCannotCreate78);
            } else {
                FillRhythmTemplate(slots, at.chord, false, true);
            }
            s.bufferedChordLength = at.chord;
            s.bufferedBasicBeat = beat;
        } else if (at.chord != s.bufferedChordLength || beat != s.bufferedBasicBeat ||
                   (at.previousClass > 3 && Chance(2))) {
            // The beat is remembered too: a template made for the triplet
            // rhythm must not be read out in another one.
            if (!FillRhythmTemplate(slots, at.chord, false, false)) {
                slots.Fill(RhythmTemplateSlots::kDefaultLength);
            }
            s.bufferedChordLength = at.chord;
            s.bufferedBasicBeat = beat;
        }
        slots.readIndex = 0;
    }
    return slots.Next();
}

int NextNoteLength(int part, int t, int phraseLength, int chordLength, int previousClass) {
    const MelodySettings& m = Settings(part);
    RhythmPlace at{t, phraseLength, chordLength, previousClass};
    int length;
    switch (m.noteLength) {
        case 6: {
            RhythmPlace six = at;
            if (six.chord > 384 && six.t >= 384) {
                six.t -= 384;
                six.chord -= 384;
            }
            length = RhythmStyleSix(six);
            break;
        }
        case 7:
            length = RhythmStyleFigures(at);
            break;
        case 8:
            length = RhythmStyleBuffered(at);
            break;
        case 9:
            length = RhythmStyleTemplate(at);
            break;
        case 10:
            length = RhythmStyleDotted(at);
            break;
        default:
            length = RhythmStyleDefault(at, m.noteLength, m.syncopation);
            break;
    }
    if (t + length > phraseLength) length = phraseLength - t;
    if (t + length > chordLength) length = chordLength - t;
    // Every note takes time, so the melody writer's walk over a chord always
    // moves on.
    return std::max(length, 1);
}
