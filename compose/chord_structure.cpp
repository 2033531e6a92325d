#include "compose/chord_structure.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "midi/midi_event.h"

namespace {

constexpr CodeText kErrorTable[] = {
    {cdst::kCalculation, "ChordStructure calcuration error"},
};
constexpr ClassReporter kReporter("CDST", kErrorTable, "Error has been occured in ChordStructure.");

// Tension bits by interval over the root.
constexpr unsigned kFlat9 = 1u << 1;
constexpr unsigned kNinth = 1u << 2;
constexpr unsigned kSharp9 = 1u << 3;
constexpr unsigned kEleventh = 1u << 5;
constexpr unsigned kSharp11 = 1u << 6;
constexpr unsigned kFlat13 = 1u << 8;
constexpr unsigned kThirteenth = 1u << 9;

struct TensionRow {
    unsigned major;  // mode 1
    unsigned minor;  // mode 0
};

// The tensions accepted over each root pitch class from C.
constexpr TensionRow kTensionTable[12] = {
    {kNinth | kSharp11 | kThirteenth, kNinth | kSharp11 | kThirteenth},  // C
    {0, 0},                                                              // C#
    {kNinth | kEleventh, kNinth | kEleventh},                            // D
    {0, 0},                                                              // D#
    {kNinth | kEleventh,
     kFlat9 | kNinth | kSharp9 | kEleventh | kSharp11 | kFlat13},        // E
    {kNinth | kSharp11 | kThirteenth, kNinth | kSharp11 | kThirteenth},  // F
    {0, kNinth | kEleventh},                                             // F#
    {kFlat9 | kNinth | kSharp9 | kSharp11 | kFlat13 | kThirteenth, 0},   // G
    {0, kNinth | kSharp11 | kThirteenth},                                // G#
    {kNinth | kEleventh, kNinth | kEleventh | kThirteenth},              // A
    {0, 0},                                                              // A#
    {kEleventh | kFlat13, kNinth | kEleventh | kFlat13},                 // B
};

constexpr const char* kNameLetters[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                          "F#", "G",  "G#", "A",  "A#", "B"};

int Mod12(int v) {
    return ((v % 12) + 12) % 12;
}

struct Ranked {
    std::uint32_t weight;
    int pitchClass;
};
using RankedList = std::array<Ranked, 12>;

// The weights by falling weight with their pitch classes: each position
// takes any later one that is strictly heavier.
RankedList RankByWeight(const ChordStructure::Weights& weights) {
    RankedList list{};
    for (int i = 0; i < 12; ++i)
        list[static_cast<std::size_t>(i)] = {weights[static_cast<std::size_t>(i)], i};
    for (std::size_t i = 0; i < 11; ++i)
        for (std::size_t j = i + 1; j < 12; ++j)
            if (list[j].weight > list[i].weight) std::swap(list[i], list[j]);
    return list;
}

std::uint32_t WeightAt(const ChordStructure::Weights& w, int pitchClass) {
    return w[static_cast<std::size_t>(Mod12(pitchClass))];
}

// Of the intervals the present one of greatest weight (the first on ties),
// -1 when none is present.
int HeaviestInterval(const ChordStructure::Weights& harmony, int root,
                     std::initializer_list<int> intervals) {
    int best = -1;
    std::uint32_t bestWeight = 0;
    for (int interval : intervals) {
        const std::uint32_t w = WeightAt(harmony, root + interval);
        if (w > bestWeight) {
            best = interval;
            bestWeight = w;
        }
    }
    return best;
}

struct Candidate {
    RecognisedChord chord;
    long long score = 0;
    // How much of the harmony the chord explains, whatever its root sounds
    // in: the root's own harmony weight, the third, the fifth, a seventh (a
    // sixth only over a perfect fifth that sounds) and, over a third that
    // sounds, the tensions.
    long long fit = 0;
};

// Adds the tensions over a candidate: heavy harmony pitch classes that the
// table accepts and that are no chord tone of the candidate. Their weight
// adds to the fit too when the candidate has a third that sounds.
void AddTensions(Candidate& c, const ChordStructure::Weights& harmony, const RankedList& ranked,
                 int mode, std::uint32_t threshold) {
    RecognisedChord& ch = c.chord;
    const bool thirdSounds =
        ch.third >= 3 && ch.third <= 5 && WeightAt(harmony, ch.root + ch.third) > 0;
    for (const Ranked& entry : ranked) {
        if (entry.weight <= threshold) continue;
        const int interval = Mod12(entry.pitchClass - ch.root);
        if (!TensionAccepted(mode, ch.root, interval)) continue;
        if (interval >= 1 && interval <= 3) {
            if (interval == ch.third) continue;
            if (interval == 3 && ch.third == 5) {
                ch.third = 3;
                ch.eleventh = 5;
            } else {
                ch.ninth = interval;
            }
        } else if (interval == 5 || interval == 6) {
            const bool thirdHeavy = (ch.third == 3 || ch.third == 4) &&
                                    WeightAt(harmony, ch.root + ch.third) > threshold;
            if (!thirdHeavy || interval == ch.fifth) continue;
            ch.eleventh = interval;
        } else if (interval == 8 || interval == 9) {
            const bool seventhHeavy = (ch.seventh == 10 || ch.seventh == 11) &&
                                      WeightAt(harmony, ch.root + ch.seventh) > threshold;
            if (!seventhHeavy) continue;
            ch.thirteenth = interval;
        } else {
            continue;
        }
        c.score += entry.weight;
        if (thirdSounds) c.fit += entry.weight;
    }
}

Candidate ScoreCandidate(int root, long long score, const ChordStructure::Weights& harmony,
                         const RankedList& ranked, int mode, std::uint32_t threshold) {
    Candidate c;
    c.chord.root = root;
    c.score = score;
    c.fit = WeightAt(harmony, root);
    auto take = [&](int& slot, std::initializer_list<int> intervals) {
        slot = HeaviestInterval(harmony, root, intervals);
        if (slot < 0) return;
        c.score += WeightAt(harmony, root + slot);
        // A sixth without a perfect fifth is rather a chord a sixth lower.
        if (slot != 9 || (c.chord.fifth == 7 && WeightAt(harmony, root + 7) > 0))
            c.fit += WeightAt(harmony, root + slot);
    };
    if (ranked[1].weight == 0) {
        c.chord.third = 4;
    } else {
        take(c.chord.third, {3, 4, 5});
    }
    if (ranked[2].weight == 0) {
        c.chord.fifth = 7;
    } else {
        take(c.chord.fifth, {6, 7});
    }
    take(c.chord.seventh, {9, 10, 11});
    AddTensions(c, harmony, ranked, mode, threshold);
    return c;
}

// The better fit wins; a root on the chosen bass keeps its place against
// another of equal fit, and between roots on the same side of it the higher
// score breaks the tie (any score beats an empty best). A sus4 never
// displaces another third, nor a sixth another seventh.
bool Replaces(const Candidate& c, const Candidate* best, int chosenBass) {
    if (!best) return true;
    const RecognisedChord& b = best->chord;
    if (c.chord.third == 5 && b.third >= 0 && b.third != 5) return false;
    if (c.chord.seventh == 9 && b.seventh >= 0 && b.seventh != 9) return false;
    if (c.fit != best->fit) return c.fit > best->fit;
    const bool onBass = c.chord.root == chosenBass;
    if (onBass != (b.root == chosenBass)) return onBass;
    return c.score > best->score || best->score < 1;
}

// Notes a melody strikes in a cell at least to be a broken chord.
constexpr int kBrokenChordNotes = 3;
// The widest move of a line that is a step, not a leap.
constexpr int kStepSemitones = 2;

void SaturatingAdd(std::uint32_t& slot, std::uint32_t ticks) {
    const std::uint32_t room = std::numeric_limits<std::uint32_t>::max() - slot;
    slot += std::min(room, ticks);
}

}  // namespace

std::string ChordNameText(const ChordNameEntry& entry) {
    const char* end = std::find(entry.begin(), entry.end(), '\0');
    return std::string(entry.begin(), end);
}

bool TensionAccepted(int mode, int root, int interval) {
    if (root < 0 || root > 11 || interval < 0 || interval > 11) return false;
    const TensionRow& row = kTensionTable[root];
    return ((mode == 1 ? row.major : row.minor) >> interval) & 1u;
}

// ---- Naming ----

namespace {

// The tensions in name order, each as its text.
void AppendTensions(const RecognisedChord& c, std::string& name) {
    const char* pieces[3] = {};
    int count = 0;
    if (c.ninth == 1) pieces[count++] = "b9";
    if (c.ninth == 2) pieces[count++] = "9";
    if (c.ninth == 3) pieces[count++] = "#9";
    if (c.eleventh == 5) pieces[count++] = "11";
    if (c.eleventh == 6) pieces[count++] = "#11";
    if (c.thirteenth == 8) pieces[count++] = "b13";
    if (c.thirteenth == 9) pieces[count++] = "13";
    bool open = false;
    for (int i = 0; i < count; ++i) {
        const std::size_t piece = 1 + std::strlen(pieces[i]);
        // Room for the piece and the closing bracket.
        if (name.size() + piece + 1 > static_cast<std::size_t>(kMaxChordNameLength)) continue;
        name += open ? "," : "(";
        name += pieces[i];
        open = true;
    }
    if (open) name += ")";
}

}  // namespace

std::string NameRecognisedChord(const RecognisedChord& c) {
    if (c.root < 0 || c.root > 11) return "UnKnown";
    const int seventh = c.seventh < 0 ? 0 : c.seventh;
    const bool onBass = c.bass >= 0 && c.bass <= 11 && c.bass != c.root;
    if (onBass) {
        // A sixth chord a fifth above the bass is the bass's major seventh;
        // a major triad a minor third above it, the bass's minor seventh.
        const int d = Mod12(c.root - c.bass);
        if (d == 7 && c.third == 4 && c.fifth == 7 && seventh == 9)
            return std::string(kNameLetters[c.bass]) + "M7";
        if (d == 3 && c.third == 4 && c.fifth == 7)
            return std::string(kNameLetters[c.bass]) + "m7";
    }
    std::string name = kNameLetters[c.root];
    if (c.third == 3) name += c.fifth == 6 ? "dim" : "m";
    if (c.third == 5) name += "sus4";
    if (seventh == 9) name += "6";
    if (seventh == 10) name += "7";
    if (seventh == 11) name += "M7";
    if (onBass) {
        name += "on";
        name += kNameLetters[c.bass];
    }
    AppendTensions(c, name);
    return name;
}

// ---- ChordStructure ----

ChordStructure::ChordStructure(int mode, int cellLength, int namedFlag)
    : namedFlag_(namedFlag), mode_(mode), cellLength_(cellLength) {}

void ChordStructure::Clear() {
    melody_.fill(0);
    bass_.fill(0);
    harmony_.fill(0);
    obbligato_.fill(0);
    lowestHarmony_ = -1;
}

void ChordStructure::Shift(ChordStructure& next) {
    melody_ = next.melody_;
    bass_ = next.bass_;
    harmony_ = next.harmony_;
    obbligato_ = next.obbligato_;
    lowestHarmony_ = next.lowestHarmony_;
    next.Clear();
    firstMelody_ = -1;
    lastMelody_ = -1;
    firstBass_ = -1;
    melodyMoves_ = {};
    obbligatoMoves_ = {};
}

void ChordStructure::AddWeight(int role, int pitchClass, std::uint32_t ticks) {
    const auto pc = static_cast<std::size_t>(Mod12(pitchClass));
    if (role == 1) SaturatingAdd(bass_[pc], ticks);
    if (role == 2) SaturatingAdd(harmony_[pc], ticks);
    if (role == 3) SaturatingAdd(melody_[pc], ticks);
    if (role == 5) SaturatingAdd(obbligato_[pc], ticks);
}

void ChordStructure::AddNote(const MidiEvent& note, long long noteStart, long long cellStart,
                             ChordStructure& next, std::span<const std::int32_t> roles,
                             int cellLength) {
    if (note.length <= 0 || note.channel < 0 ||
        static_cast<std::size_t>(note.channel) >= roles.size())
        return;
    const int role = roles[static_cast<std::size_t>(note.channel)];
    if (role < 1 || role > 5 || role == 4) return;
    const long long end = noteStart + note.length;
    const long long cellEnd = cellStart + cellLength;
    const long long inside = std::min(end, cellEnd) - std::max(noteStart, cellStart);
    const long long rest = std::min(end, cellEnd + cellLength) - std::max(noteStart, cellEnd);
    const int pc = Mod12(note.note);
    auto lower = [&](int& lowest) {
        if (role == 2 && (lowest < 0 || note.note < lowest)) lowest = note.note;
    };
    if (inside > 0) {
        AddWeight(role, pc, static_cast<std::uint32_t>(inside));
        lower(lowestHarmony_);
    }
    if (rest > 0) {
        next.AddWeight(role, pc, static_cast<std::uint32_t>(rest));
        lower(next.lowestHarmony_);
    }
    if (role == 1 && firstBass_ < 0) firstBass_ = pc;
    if (role == 3) {
        if (firstMelody_ < 0) firstMelody_ = pc;
        lastMelody_ = pc;
        if (noteStart >= cellStart) melodyMoves_.Count(note.note);
    }
    if (role == 5 && noteStart >= cellStart) obbligatoMoves_.Count(note.note);
}

void ChordStructure::LineMoves::Count(int pitch) {
    if (struck < std::numeric_limits<int>::max()) ++struck;
    const int move = lastPitch < 0 ? 0 : std::abs(pitch - lastPitch);
    lastPitch = pitch;
    if (move == 0) return;
    int& count = move <= kStepSemitones ? steps : leaps;
    if (count < std::numeric_limits<int>::max()) ++count;
}

bool ChordStructure::LineMoves::IsBrokenChord() const {
    return struck >= kBrokenChordNotes && leaps >= steps;
}

RecognisedChord ChordStructure::RecogniseMelodyOnly(const ScaleString& scale) const {
    RecognisedChord best;
    int bestScore = 0;
    // The intervals found carry over from one candidate root to the next.
    int third = -1, fifth = -1, seventh = -1;
    for (int r = 0; r < 12; ++r) {
        if (WeightAt(melody_, r) == 0) continue;
        int score = 4;
        if (WeightAt(melody_, r + 3)) {
            third = 3;
            score = 7;
        } else if (WeightAt(melody_, r + 4)) {
            third = 4;
            score = 7;
        }
        if (WeightAt(melody_, r + 7)) {
            fifth = 7;
            score += 2;
        }
        if (WeightAt(melody_, r + 10)) {
            seventh = 10;
            score += 1;
        } else if (WeightAt(melody_, r + 11)) {
            seventh = 11;
            score += 1;
        }
        if (score > bestScore) {
            bestScore = score;
            best.root = r;
            best.third = third;
            best.fifth = fifth;
            best.seventh = seventh;
        }
    }
    if (best.root < 0) return best;
    best.bass = best.root;
    if (best.fifth < 0) best.fifth = 7;
    if (best.third < 0) best.third = scale.text[4 + Mod12(best.root + 4)] == '0' ? 3 : 4;
    if (best.seventh < 0) best.seventh = 0;
    return best;
}

ChordStructure::Weights ChordStructure::ChordWeights() const {
    // A broken chord in the Melody or the Obbligato weighs with the
    // Harmony; a line that moves by steps names no chord.
    Weights weights = harmony_;
    const bool melody = MelodyIsBrokenChord();
    const bool obbligato = ObbligatoIsBrokenChord();
    for (std::size_t pc = 0; pc < 12; ++pc) {
        if (melody) SaturatingAdd(weights[pc], melody_[pc]);
        if (obbligato) SaturatingAdd(weights[pc], obbligato_[pc]);
    }
    return weights;
}

RecognisedChord ChordStructure::RecogniseWeighted() const {
    const Weights weights = ChordWeights();
    const RankedList bass = RankByWeight(bass_);
    const RankedList harmony = RankByWeight(weights);
    // The bass: the first Bass note, else the heaviest Bass pitch class;
    // with no Bass the lowest Harmony note stands for it, else the heaviest
    // Harmony pitch class.
    int chosen = harmony[0].pitchClass;
    if (firstBass_ >= 0) {
        chosen = firstBass_;
    } else if (bass[0].weight > 0) {
        chosen = bass[0].pitchClass;
    } else if (lowestHarmony_ >= 0) {
        chosen = Mod12(lowestHarmony_);
    }
    const std::uint32_t threshold =
        static_cast<std::uint32_t>((static_cast<long long>(cellLength_ & ~1) * 4) / 10);
    Candidate best;
    bool haveBest = false;
    for (int k = 0; k < 5; ++k) {
        int root = chosen;
        long long score = bass[0].weight;
        if (k > 0) {
            const Ranked& h = harmony[static_cast<std::size_t>(k - 1)];
            if (h.weight == 0) break;
            root = h.pitchClass;
            score = h.weight;
        }
        const Candidate c = ScoreCandidate(root, score, weights, harmony, mode_, threshold);
        if (Replaces(c, haveBest ? &best : nullptr, chosen)) {
            best = c;
            haveBest = true;
        }
    }
    RecognisedChord& ch = best.chord;
    ch.bass = chosen;
    if (ch.fifth < 0) ch.fifth = 7;
    if (ch.third < 0) {
        bool flatThird = false;
        for (std::size_t i = 0; i < 4; ++i)
            flatThird = flatThird || (harmony[i].weight > 0 && harmony[i].pitchClass == 3);
        ch.third = flatThird ? 3 : 4;
    }
    if (ch.seventh < 0) ch.seventh = 0;
    if (ch.third == 3 && ch.fifth == 6 && ch.seventh == 11) ch.seventh = 0;
    return ch;
}

int ChordStructure::RecogniseCell(int index, std::span<ChordNameEntry> names,
                                  const ScaleString& scale) {
    if (index < 0 || static_cast<std::size_t>(index) >= names.size()) {
        ErrorMsg(cdst::kCalculation);
        return -1;
    }
    // With no accompaniment the Melody alone is read; an Obbligato that
    // breaks the chord is accompaniment.
    auto none = [](const Weights& w) { return *std::max_element(w.begin(), w.end()) == 0; };
    const bool silent =
        none(bass_) && none(harmony_) && (!ObbligatoIsBrokenChord() || none(obbligato_));
    last_ = silent ? RecogniseMelodyOnly(scale) : RecogniseWeighted();
    const std::string name = NameRecognisedChord(last_);
    ChordNameEntry& entry = names[static_cast<std::size_t>(index)];
    entry.fill('\0');
    std::memcpy(entry.data(), name.data(), std::min<std::size_t>(name.size(), kMaxChordNameLength));
    namedFlag_ = 1;
    return index > 0 && ChordNameText(names[static_cast<std::size_t>(index - 1)]) == name ? 1 : 0;
}

void ChordStructure::ErrorMsg(ErrorCode code) {
    kReporter.Show(code);
}
