// The 39 drum styles. Each turns the spans of its run into hits through the
// layers of the run; the tables come from kDrumStyleData. Every per-span
// variation works on a copy of a table.
#include <algorithm>
#include <atomic>
#include <cstddef>

#include "accomp/drum_style_data.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/style_table.h"

std::atomic<int> RockabillyFigureCount{0};

namespace drums {
namespace {

const DrumStyleData& Data(int style) {
    return kDrumStyleData[style];
}

int StraightOrTriplet(int straight, int triplet) {
    return IsTriplet() ? triplet : straight;
}

// Straight by the offbeat layer at `step`, triplet by steps of 32.
void FixedStyle(DrumRun& run, const DrumKindTable& straight, int step,
                const DrumKindTable& triplet) {
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(triplet, s.length, 32);
        } else {
            run.Offbeat(straight, s, step);
        }
    });
}

// Straight by the plain step layer.
void PlainStyle(DrumRun& run, const DrumKindTable& straight, int step, const DrumKindTable& triplet,
                int tripletStep) {
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(triplet, s.length, tripletStep);
        } else {
            run.Steps(straight, s.length, step);
        }
    });
}

void Put(DrumKindTable& table, int at, int kind) {
    if (at >= 0 && at < static_cast<int>(table.size())) table[static_cast<std::size_t>(at)] = kind;
}

// The cell written into the table from position `at`.
void PutCell(DrumKindTable& table, int at, const DrumKindTable& cell, int count) {
    for (int i = 0; i < count; ++i)
        Put(table, at + i, cell[static_cast<std::size_t>(i)]);
}

// The table from position `from` on, for a layer that starts in mid-span.
DrumKindTable From(const DrumKindTable& table, int from) {
    DrumKindTable out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = table[(i + static_cast<std::size_t>(from)) % table.size()];
    return out;
}

// The per-span figure of "Bossa Nova", "Latin" and "Trans": three kinds at a
// random place, or one kind with, at even chance, two more after it.
struct Figure {
    int run[3];
    int single;
    int after[2];
};
constexpr Figure kBossaFigure = {{12, 13, 13}, 11, {12, 13}};
constexpr Figure kTransFigure = {{4, 4, 4}, 38, {4, 4}};

void ApplyFigure(DrumKindTable& table, const Figure& f) {
    if (!Chance(3)) return;
    const int r = RandomInRange(0, 11);
    if (Chance(3)) {
        for (int i = 0; i < 3; ++i)
            Put(table, r + i, f.run[i]);
    } else {
        Put(table, r + 1, f.single);
        if (Chance(2)) {
            Put(table, r + 3, f.after[0]);
            Put(table, r + 5, f.after[1]);
        }
    }
}

// ---- Styles ----

// The plain eighths of "8 Beat" written note by note.
void EightBeatDirect(DrumRun& run) {
    const int half = run.SpanCount() / 2;
    run.ForEachSpan([&](const DrumSpan& s) {
        const int count = s.length / 48;
        for (int j = 0; j < count; ++j) {
            if (j % 4 == 0 || j % 8 == 7) {
                run.Note(42, 80, 1);
                run.Note(36, j % 2 == 0 ? 64 : 48, 1);
            } else if (j % 4 == 2) {
                run.Note(s.index <= half ? 37 : 38, 70, 1);
                run.Note(36, 64, 1);
            } else {
                run.Note(42, 48, 1);
            }
            run.Advance(48);
        }
    });
}

void EightBeat(DrumRun& run) {
    const DrumStyleData& d = Data(1);
    if (IsTriplet() && IsThreeFour()) {
        DrumKindTable table = d.extra[0];
        const int module = AppSettings.ComposeOutputType;
        if (module != 0 && module != 1) {
            for (int& k : table) {
                if (k == 3 || k == 39) {
                    k = 21;
                } else if (k == 38) {
                    k = 22;
                }
            }
        }
        run.ForEachSpan([&](const DrumSpan& s) { run.Steps(table, s.length, 32); });
        if (run.SpanCount() == 0) return;
        // The ending: the last span once more without its first accents,
        // then one long hit.
        DrumKindTable last = table;
        last[0] = kDrumRest;
        last[3] = kDrumRest;
        run.Steps(last, run.Spans().back().length, 32);
        run.Hit(40, 285, 3, 0);
        return;
    }
    if (IsTriplet()) {
        PlainStyle(run, d.triplet, 32, d.triplet, 32);
    } else if (!IsThreeFour()) {
        if (run.Density() < 100) {
            EightBeatDirect(run);
        } else {
            FixedStyle(run, d.straight, 48, d.triplet);
        }
    } else {
        const bool sixteenths = WorkingStyle.setting716 == 2;
        run.ForEachSpan([&](const DrumSpan& s) {
            if (sixteenths) {
                run.Velocities(d.extra[2], d.velocities[1], s.length, 24);
            } else {
                run.Velocities(d.extra[1], d.velocities[0], s.length, 48);
            }
        });
    }
}

void March(DrumRun& run) {
    const DrumStyleData& d = Data(3);
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(d.triplet, s.length, 32);
            return;
        }
        const DrumKindTable* table = &d.extra[0];
        if (s.length == 384 && Chance(3)) {
            table = &d.extra[1];
        } else if (s.length == 192 && Chance(3)) {
            table = &d.extra[2];
        }
        run.Velocities(*table, d.velocities[0], s.length, 24);
    });
}

// Kinds drawn once for the whole run.
DrumKindTable RunTable(int highest) {
    DrumKindTable table{};
    for (int& k : table)
        k = RandomInRange(1, highest);
    return table;
}

void EightBeatRandom(DrumRun& run) {
    const DrumKindTable table = RunTable(6);
    FixedStyle(run, table, 48, table);
}

void Japanese(DrumRun& run) {
    const DrumStyleData& d = Data(10);
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(d.triplet, s.length, 32);
        } else if (run.Density() < 60) {
            NoteGrid grid = d.grids[0];
            if (Chance(2)) OverlayNoteGrid(grid, d.grids[0], d.grids[1]);
            run.cursor = PlayNoteGridSpan(s.length, run.cursor, grid, run.Track(), run.Channel());
        } else if (run.Density() < 80) {
            run.Offbeat(d.extra[0], s, 48);
        } else {
            run.Offbeat(Chance(4) ? d.extra[2] : d.extra[1], s, 48);
        }
    });
}

void Swing(DrumRun& run) {
    const DrumStyleData& d = Data(11);
    run.ForEachSpan([&](const DrumSpan& s) {
        DrumKindTable table = IsTriplet() ? d.triplet : d.straight;
        const int beat = IsTriplet() ? 3 : 4;
        for (int i = 0; i < static_cast<int>(table.size()); ++i) {
            if (i % beat != 0 && Chance(8)) Put(table, i, d.extra[0][RandomInRange(0, 4)]);
        }
        run.Steps(table, s.length, StraightOrTriplet(24, 32));
    });
}

void SixteenBeatRandom(DrumRun& run) {
    unsigned char previous = 'V';
    bool drawn = false;
    DrumKindTable base{};
    run.ForEachSpan([&](const DrumSpan& s) {
        if (!drawn || s.letter != previous) {
            if (IsTriplet()) {
                RandomTripletTable(base);
            } else {
                RandomEightBeatTable(base);
            }
            previous = s.letter;
            drawn = true;
        }
        DrumKindTable table = base;
        if (s.mark == 'E' && s.length >= 192) ApplyDrumFill(table);
        run.Steps(table, s.length, StraightOrTriplet(24, 32));
    });
}

void Rap(DrumRun& run) {
    const DrumStyleData& d = Data(14);
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(d.triplet, s.length, 32);
            return;
        }
        DrumKindTable table = d.straight;
        if (Chance(3)) {
            const int at = RandomInRange(0, static_cast<int>(table.size()) - 2);
            Put(table, at, 26);
            Put(table, at + 1, 26);
        }
        run.Steps(table, s.length, 24);
    });
}

void Temple(DrumRun& run) {
    run.ForEachSpan([&](const DrumSpan& s) {
        DrumKindTable table{};
        for (int i = 0; i < static_cast<int>(table.size()); ++i) {
            if (i % 2 == 1) {
                Put(table, i, kDrumRest);
            } else if (Chance(10)) {
                Put(table, i, 25);
                Put(table, i + 1, kDrumRest);
                ++i;
            } else {
                Put(table, i, Chance(10) ? kDrumRest : 13);
            }
        }
        run.Steps(table, s.length, StraightOrTriplet(48, 32));
    });
}

void HeavyEightBeat(DrumRun& run) {
    const DrumStyleData& d = Data(16);
    const bool sixteenths = run.Density() >= 120;
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(d.triplet, s.length, 32);
            return;
        }
        DrumKindTable table = sixteenths ? d.extra[0] : d.straight;
        const int chance = s.index >= 8 ? 8 : 16;
        for (int& k : table) {
            if (Chance(chance)) {
                k = 37;
            } else if (Chance(chance)) {
                k = 22;
            }
        }
        run.Steps(table, s.length, sixteenths ? 24 : 48);
    });
}

void Indian(DrumRun& run) {
    const DrumStyleData& d = Data(18);
    constexpr int kKinds[3] = {31, 32, 12};
    DrumKindTable base{};
    run.ForEachSpan([&](const DrumSpan& s) {
        if (s.index % 8 == 0) {
            for (int& k : base)
                k = kKinds[RandomInRange(0, 2)];
            const int rests = s.index < 8 ? 8 : (s.index < 16 ? 3 : 0);
            for (int r = 0; r < rests; ++r)
                Put(base, RandomInRange(0, 31), kDrumRest);
        }
        DrumKindTable table = base;
        if (s.index % 8 == 7 && Chance(2)) PutCell(table, 0, d.extra[0], 8);
        run.Steps(table, s.length, StraightOrTriplet(24, 32));
    });
}

// The fills of "Mergy": true when a tom fill was laid in.
bool MergyFills(DrumKindTable& table, const DrumKindTable& fill, bool& crashNext) {
    bool filled = false;
    if (crashNext) {
        table[0] = 37;
        crashNext = false;
    }
    if (Chance(10)) {
        PutCell(table, 8, fill, 8);
        crashNext = true;
        filled = true;
    } else if (Chance(20)) {
        PutCell(table, 0, fill, 8);
        filled = true;
    }
    if (Chance(8)) table[0] = 37;
    return filled;
}

void Mergy(DrumRun& run) {
    const DrumStyleData& d = Data(19);
    bool crashNext = false;
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(d.triplet, s.length, 32);
            return;
        }
        DrumKindTable table = d.straight;
        MergyFills(table, d.extra[0], crashNext);
        run.Steps(table, s.length, 24);
    });
}

void Progre(DrumRun& run) {
    const DrumStyleData& d = Data(20);
    bool crashNext = false;
    run.ForEachSpan([&](const DrumSpan& s) {
        const int L = s.length;
        if (IsTriplet()) {
            if (L > 96 && Chance(7)) {
                const int head = L - 96;
                run.Steps(d.triplet, head, 32);
                const DrumKindTable tail = From(d.triplet, head / 32);
                run.Steps(tail, 76, 19);
                run.Steps(From(tail, 4), 20, 20);
            } else {
                run.Steps(d.triplet, L, 32);
            }
            return;
        }
        DrumKindTable table = d.straight;
        if (s.index < 8 && Chance(3)) table = d.extra[1];
        if (s.index > 15 && Chance(2)) {
            const int n = RandomInRange(1, 4);
            for (int i = 0; i < n; ++i)
                Put(table, RandomInRange(0, 31), RandomInRange(1, 24));
        }
        const bool filled = MergyFills(table, d.extra[0], crashNext);
        if (L <= 96) {
            run.Steps(table, L, 24);
            return;
        }
        const int head = L - 96;
        run.Steps(table, head, 24);
        const DrumKindTable tail = From(table, head / 24);
        if (Chance(filled ? 2 : 10)) {
            if (Chance(2)) {
                run.Steps(tail, 78, 13);
                run.Steps(From(tail, 6), 18, 18);
            } else {
                run.Steps(tail, 76, 19);
                run.Steps(From(tail, 4), 20, 20);
            }
        } else {
            run.Steps(tail, 96, Chance(4) ? 32 : 24);
        }
    });
}

void RandomMix(DrumRun& run) {
    const DrumKindTable table = RunTable(31);
    PlainStyle(run, table, 48, table, 32);
}

void Xmas(DrumRun& run) {
    const DrumStyleData& d = Data(22);
    unsigned char previous = 0;
    run.ForEachSpan([&](const DrumSpan& s) {
        const bool change = s.letter != previous;
        previous = s.letter;
        DrumKindTable table{};
        for (int i = 0; i < static_cast<int>(table.size()); ++i) {
            const int chance = change ? 2 : (i % 2 == 0 ? 3 : 6);
            Put(table, i, Chance(chance) ? d.extra[0][RandomInRange(0, 2)] : kDrumRest);
        }
        if (Chance(10)) table[0] = 40;
        run.Steps(table, s.length, StraightOrTriplet(48, 32));
    });
}

void Rockabilly(DrumRun& run) {
    const DrumStyleData& d = Data(23);
    unsigned char previous = 0;
    run.ForEachSpan([&](const DrumSpan& s) {
        const bool change = s.letter != previous;
        previous = s.letter;
        if (IsTriplet()) {
            if ((s.length == 192 || s.length == 384) && (s.letter == 'B' || s.letter == 'F')) {
                ++RockabillyFigureCount;
                run.Steps(RockabillyFigureCount % 2 ? d.extra[1] : d.extra[2], s.length, 32);
                return;
            }
            RockabillyFigureCount = 0;
        }
        DrumKindTable table = IsTriplet() ? d.triplet : d.straight;
        if (Chance(4)) Put(table, RandomInRange(0, 15) | 1, 3);
        if (s.mark == 'E') PutCell(table, 6, d.extra[0], 5);
        if (change && Chance(2)) table[0] = 37;
        run.Steps(table, s.length, StraightOrTriplet(48, 32));
    });
}

void BossaFamily(DrumRun& run, const DrumKindTable& straight, const DrumKindTable& triplet,
                 const Figure& figure, bool tripletFigure) {
    run.ForEachSpan([&](const DrumSpan& s) {
        DrumKindTable table = IsTriplet() ? triplet : straight;
        if (!IsTriplet() || tripletFigure) ApplyFigure(table, figure);
        run.Steps(table, s.length, StraightOrTriplet(24, 32));
    });
}

void BossaNova(DrumRun& run) {
    const DrumStyleData& d = Data(24);
    BossaFamily(run, IsThreeFour() ? d.extra[0] : d.straight, d.triplet, kBossaFigure, false);
}

void Latin(DrumRun& run) {
    const DrumStyleData& d = Data(25);
    BossaFamily(run, d.straight, d.triplet, kBossaFigure, false);
}

void Trans(DrumRun& run) {
    const DrumStyleData& d = Data(26);
    run.ForEachSpan([&](const DrumSpan& s) {
        if (!IsTriplet() && Chance(9)) {
            run.Steps(d.extra[0], s.length, 24);
            return;
        }
        DrumKindTable table = IsTriplet() ? d.triplet : d.straight;
        ApplyFigure(table, kTransFigure);
        run.Steps(table, s.length, StraightOrTriplet(24, 32));
    });
}

void Create(DrumRun& run) {
    const CreatedDrumTable rows = CreatedDrumPatternsSnapshot();
    const bool preview = run.SpanCount() > 0 && run.Spans().front().letter == 'x';
    run.ForEachSpan([&](const DrumSpan& s) {
        int row;
        if (preview) {
            // Only 0..2 name a row; 'x' and anything else is the first.
            row = s.mark < kCreatedDrumRows ? s.mark : 0;
        } else {
            row = s.letter == 'A' ? 0 : (s.letter == 'B' ? 1 : 2);
        }
        DrumKindTable table{};
        std::copy(rows[static_cast<std::size_t>(row)].begin(),
                  rows[static_cast<std::size_t>(row)].end(), table.begin());
        run.Steps(table, s.length, StraightOrTriplet(24, 32));
    });
}

void Custom(DrumRun& run) {
    const GridPart grid = WorkingStyle.customHarmony.grid[0][kGridDrum];
    const int step = StraightOrTriplet(24, 32);
    const int columns = StraightOrTriplet(16, 12);
    run.ForEachSpan([&](const DrumSpan& s) {
        const int count = s.length / step;
        for (int i = 0; i < count; ++i) {
            const int column = i % columns;
            bool any = false;
            for (int row = 0; row < kGridRows; ++row) {
                const int code = grid.pnInterval[row];
                if (grid.Cell(row, column) != 1 || code < 0 || code > 127 - 35) continue;
                const int key = code + 35;
                run.Note(key, key == 42 || key == 46 ? 49 : 64, step - 1);
                any = true;
            }
            if (!any) run.Note(0, 0, step - 1);
            run.Advance(step);
        }
    });
}

void Borero(DrumRun& run) {
    const DrumStyleData& d = Data(29);
    PlainStyle(run, d.straight, 24, d.triplet, 16);
}

void Polka(DrumRun& run) {
    const DrumStyleData& d = Data(30);
    run.ForEachSpan([&](const DrumSpan& s) {
        if (IsTriplet()) {
            run.Steps(d.triplet, s.length, 16);
            return;
        }
        DrumKindTable table = s.index % 3 == 2 ? d.extra[0] : d.straight;
        if (s.index % 3 != 2) {
            const int at = RandomInRange(0, 31);
            if (table[static_cast<std::size_t>(at)] == kDrumRest) Put(table, at, 3);
        }
        run.Steps(table, s.length, 24);
    });
}

void Gagaku(DrumRun& run) {
    const DrumStyleData& d = Data(31);
    run.ForEachSpan([&](const DrumSpan& s) {
        DrumKindTable table = IsTriplet() ? d.triplet : d.straight;
        const int additions = RandomInRange(0, 3);
        for (int i = 0; i < additions; ++i)
            Put(table, RandomInRange(0, IsTriplet() ? 23 : 31), Chance(2) ? 16 : 19);
        run.Steps(table, s.length, StraightOrTriplet(24, 32));
    });
}

void GlamRock(DrumRun& run) {
    const DrumStyleData& d = Data(32);
    run.ForEachSpan([&](const DrumSpan& s) {
        const bool b = s.letter == 'B';
        if (IsTriplet()) {
            run.Steps(b ? d.extra[1] : d.triplet, s.length, 32);
        } else {
            run.Steps(b ? d.extra[0] : d.straight, s.length, 48);
        }
    });
}

void ChaChaCha(DrumRun& run) {
    const DrumStyleData& d = Data(33);
    run.ForEachSpan(
        [&](const DrumSpan& s) {
            NoteGrid grid = d.grids[0];
            for (int layer = 1; layer < d.gridCount; ++layer) {
                const bool laid = layer == 1 ? RandomInRange(1, 3) != 1 : Chance(2);
                if (!laid) continue;
                NoteGrid next;
                OverlayNoteGrid(next, grid, d.grids[layer]);
                grid = next;
            }
            run.cursor = PlayNoteGridSpan(s.length, run.cursor, grid, run.Track(), run.Channel());
        },
        IsTriplet());
}

// Every 48 ticks a 24-tick note: kick on even steps, two drums on odd ones.
void ParadeFigure(DrumRun& run, const DrumSpan& s) {
    const int count = s.length / 48;
    for (int j = 0; j < count; ++j) {
        if (j % 2 == 0) {
            run.Note(36, 80, 24);
        } else {
            run.Note(54, 80, 24);
            run.Note(39, 70, 24);
        }
        run.Advance(48);
    }
}

void Parade(DrumRun& run) {
    run.ForEachSpan([&](const DrumSpan& s) { ParadeFigure(run, s); }, IsTriplet());
}

void Flamenco(DrumRun& run) {
    const DrumStyleData& d = Data(35);
    const int pair = RandomInRange(0, 2);
    const int first = d.extra[0][static_cast<std::size_t>(2 * pair)];
    const int second = d.extra[0][static_cast<std::size_t>(2 * pair + 1)];
    const int firstVelocity = first == 83 ? 50 : 80;
    int secondVelocity = 80;
    run.ForEachSpan([&](const DrumSpan& s) {
        secondVelocity = secondVelocity >= 100 ? 80 : secondVelocity + 1;
        const bool dropSecond = s.index >= 10 && Chance(8);
        const int step = StraightOrTriplet(48, 16);
        const int cycle = StraightOrTriplet(8, 24);
        const DrumKindTable& figure = IsTriplet() ? d.extra[1] : d.extra[2];
        const int count = s.length / step;
        for (int j = 0; j < count; ++j) {
            int what = figure[static_cast<std::size_t>(j % cycle)];
            if (!IsTriplet() && what == 0 && Chance(4)) what = 2;
            if (what == 1) {
                run.Note(first, j % 2 == 1 ? firstVelocity + firstVelocity / 4 : firstVelocity, 1);
            } else if (what == 2 && !dropSecond) {
                run.Note(second, secondVelocity, 1);
            }
            run.Advance(step);
        }
    });
}

void ChildRhythm(DrumRun& run) {
    const DrumStyleData& d = Data(36);
    if (IsTriplet()) {
        run.ForEachSpan([&](const DrumSpan& s) { ParadeFigure(run, s); }, true);
        return;
    }
    if (run.Density() > 100) {
        run.ForEachSpan([&](const DrumSpan& s) {
            run.cursor =
                PlayNoteGridSpan(s.length, run.cursor, d.grids[0], run.Track(), run.Channel());
        });
        return;
    }
    run.ForEachSpan([&](const DrumSpan& s) {
        const int count = s.length / 48;
        for (int j = 0; j < count; ++j) {
            if (j % 2 == 0) {
                run.Note(69, 80, 24);
            } else {
                run.Note(82, 50, 24);
            }
            switch (j % 16) {
                case 0:
                    if (s.index % 4 == 2) run.Note(46, 80, 24);
                    break;
                case 1:
                    run.Note(81, 80, 24);
                    break;
                case 2:
                case 6:
                    run.Note(83, s.index >= 8 ? 80 : 50, 24);
                    break;
                case 3:
                    run.Note(83, 60, 24);
                    break;
                case 10:
                case 14:
                    run.Note(39, 80, 24);
                    break;
                case 12:
                    run.Note(77, 80, 24);
                    break;
                case 15:
                    run.Note(84, 80, 24);
                    break;
                default:
                    break;
            }
            run.Advance(48);
        }
    });
}

void Waltz(DrumRun& run) {
    const DrumStyleData& d = Data(37);
    const bool dense = run.Density() >= 120;
    const DrumKindTable* table;
    if (IsThreeFour()) {
        table = WorkingStyle.setting716 == 2 ? &d.extra[2] : (dense ? &d.extra[1] : &d.extra[0]);
    } else {
        table = dense ? &d.extra[3] : &d.straight;
    }
    run.ForEachSpan([&](const DrumSpan& s) { run.Offbeat(*table, s, 48); });
}

void JazzWaltz(DrumRun& run) {
    const DrumStyleData& d = Data(38);
    const DrumKindTable& table = IsThreeFour() ? d.extra[0] : d.straight;
    run.ForEachSpan([&](const DrumSpan& s) { run.Offbeat(table, s, 48); });
}

// Three against two over each pair of units; a last single unit gets the
// first half of the figure.
void PolyRhythm(DrumRun& run) {
    run.ForEachSpan([&](const DrumSpan& s) {
        if (s.length % 96 != 0) {
            run.Note(36, 64, 1);
            return;
        }
        const int unit = run.Density() < 100 && s.length % 192 == 0 ? 192 : 96;
        const int units = s.length / unit;
        for (int u = 0; u < units; u += 2) {
            run.Note(77, 64, 1);
            run.Note(61, 64, 1);
            run.Advance(2 * unit / 3);
            run.Note(77, 64, 1);
            run.Advance(unit - 2 * unit / 3);
            if (u + 1 < units) {
                run.Note(61, 64, 1);
                run.Advance(unit / 3);
                run.Note(77, 64, 1);
                run.Advance(unit - unit / 3);
            }
        }
    });
}

using StyleFunction = void (*)(DrumRun&);

void SixteenBeat(DrumRun& run) {
    FixedStyle(run, Data(2).straight, 24, Data(2).triplet);
}
void Folklore(DrumRun& run) {
    FixedStyle(run, Data(5).straight, 24, Data(5).triplet);
}
void Chinese(DrumRun& run) {
    FixedStyle(run, Data(6).straight, 48, Data(6).triplet);
}
void African(DrumRun& run) {
    FixedStyle(run, Data(7).straight, 48, Data(7).triplet);
}
void House(DrumRun& run) {
    const DrumStyleData& d = Data(8);
    const bool ethnic = WorkingStyle.voice[kPartDrum] == kEthnicSet;
    FixedStyle(run, ethnic ? d.extra[0] : d.straight, 24, d.triplet);
}
void Blues(DrumRun& run) {
    FixedStyle(run, Data(9).straight, 24, Data(9).triplet);
}
void Techno(DrumRun& run) {
    FixedStyle(run, Data(13).straight, 24, Data(13).triplet);
}
void Enka(DrumRun& run) {
    FixedStyle(run, Data(17).straight, 48, Data(17).triplet);
}

constexpr StyleFunction kStyles[kDrumStyleCount + 1] = {
    nullptr,
    EightBeat,
    SixteenBeat,
    March,
    EightBeatRandom,
    Folklore,
    Chinese,
    African,
    House,
    Blues,
    Japanese,
    Swing,
    SixteenBeatRandom,
    Techno,
    Rap,
    Temple,
    HeavyEightBeat,
    Enka,
    Indian,
    Mergy,
    Progre,
    RandomMix,
    Xmas,
    Rockabilly,
    BossaNova,
    Latin,
    Trans,
    Create,
    Custom,
    Borero,
    Polka,
    Gagaku,
    GlamRock,
    ChaChaCha,
    Parade,
    Flamenco,
    ChildRhythm,
    Waltz,
    JazzWaltz,
    PolyRhythm,
};

}  // namespace

void RunDrumStyle(int style, DrumRun& run) {
    if (style < 1 || style > kDrumStyleCount) return;
    kStyles[style](run);
}

}  // namespace drums
