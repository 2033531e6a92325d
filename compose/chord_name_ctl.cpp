#include "compose/chord_name_ctl.h"

#include <algorithm>
#include <cstring>

#include "compose/chord_record.h"

namespace {

constexpr CodeText kErrorTable[] = {
    {cncl::kUnexpectedText, "Unexpected text in marker!"},
    {cncl::kInvalidThird, "Invalid Third Note!"},
};
constexpr ClassReporter kReporter("CNCL", kErrorTable, "Error occurred in ChordNameCtl!");

struct RootRow {
    char letter;
    int pitch;
};

// The natural roots around middle C.
constexpr RootRow kRootPitches[7] = {
    {'C', 60}, {'D', 62}, {'E', 64}, {'F', 65}, {'G', 67}, {'A', 69}, {'B', 71},
};

int RootPitchOf(char letter) {
    for (const RootRow& row : kRootPitches)
        if (row.letter == letter) return row.pitch;
    return -1;
}

constexpr int kLowestPitch = 40;
constexpr int kHighestPitch = 120;
constexpr int kMaxEntryTicks = 0xFFFF;
constexpr int kEntryBytes = static_cast<int>(sizeof(HarmonyStructureEntry));

}  // namespace

void ChordNameCtl::Skip(int count) {
    position = std::min<int>(position + count, static_cast<int>(text.size()));
}

ErrorCode ChordNameCtl::Parse(std::string_view name) {
    text.assign(name);
    position = 0;
    root = bass = third = fifth = seventh = 0;
    if (text.empty() || text[0] == 'N' || text[0] == 'U') return 0;
    auto fail = [this](ErrorCode code) {
        root = bass = third = fifth = seventh = 0;
        ErrorMsg(code);
        return code;
    };
    const int natural = RootPitchOf(At(0));
    if (natural < 0) return fail(cncl::kUnexpectedText);
    int r = natural;
    position = 1;
    if (At(position) == 'b') {
        --r;
        Skip(1);
    } else if (At(position) == '#') {
        ++r;
        Skip(1);
    }
    const char t = At(position);
    int th = 0;
    if (t == 'm') {
        th = r + 3;
        Skip(1);
    } else if (t == 'd') {
        th = r + 3;
    } else if (t == 's') {
        th = r + 5;
        Skip(4);
    } else if (t == '\0' || t == '(' || t == '6' || t == '7' || t == 'M' || t == 'o') {
        th = r + 4;
    } else {
        return fail(cncl::kInvalidThird);
    }
    if (r < kLowestPitch || r > kHighestPitch || th < kLowestPitch || th > kHighestPitch)
        return fail(cncl::kInvalidThird);
    int fi = r + 7;
    if (At(position) == 'd') {
        fi = r + 6;
        Skip(3);
    }
    const char s = At(position);
    int se = 0;
    if (s == '(' && At(position + 1) == '9') se = r + 14;
    if (s == '6') se = r + 9;
    if (s == '7') se = r + 10;
    if (s == 'M') se = r + 11;
    root = r;
    third = th;
    fifth = fi;
    seventh = se;
    bass = r - 12;
    return 0;
}

void ChordNameCtl::ErrorMsg(ErrorCode code) {
    kReporter.Show(code);
}

// ---- Chord lists ----

void BuildChordList(ParsedChordList& list, int count, int cellLength,
                    std::span<const ChordNameEntry> names) {
    const std::size_t n = std::min(names.size(), static_cast<std::size_t>(std::max(count, 0)));
    std::size_t i = 0;
    while (i < n && list.chords.size() < static_cast<std::size_t>(ParsedChordList::kMaxChords)) {
        std::size_t end = i + 1;
        while (end < n && ChordNameText(names[end]) == ChordNameText(names[i]))
            ++end;
        ChordNameCtl ctl;
        const std::string name = ChordNameText(names[i]);
        ctl.Parse(name);
        ParsedChord chord;
        chord.root = static_cast<std::uint8_t>(ctl.root);
        chord.length = static_cast<std::int64_t>(cellLength) * static_cast<std::int64_t>(end - i);
        chord.bass = static_cast<std::uint8_t>(std::max(ctl.bass, 0));
        chord.third = static_cast<std::uint8_t>(ctl.third);
        chord.fifth = static_cast<std::uint8_t>(ctl.fifth);
        chord.seventh = static_cast<std::uint8_t>(ctl.seventh);
        list.chords.push_back(chord);
        i = end;
    }
}

ChordCode ParsedChordCode(const ParsedChord& chord) {
    ChordCode code{};
    if (chord.root == 0) {
        code.Set("NoCd");
        return code;
    }
    code.text[0] = PitchClassToRootLetter(chord.root);
    code.text[1] = ((chord.third - chord.root) % 12 + 12) % 12 == 3 ? 'm' : 'M';
    code.text[2] = 'P';
    // A seventh of 0 is none.
    const int seventh = chord.seventh == 0 ? -1 : ((chord.seventh - chord.root) % 12 + 12) % 12;
    code.text[3] = seventh == 11 ? 'S' : seventh == 10 ? 's' : 'd';
    return code;
}

int PackChordList(const ParsedChordList& list, int targetDivision, int sourceDivision,
                  std::span<std::uint8_t> out) {
    if (out.size() < 2) return 0;
    const std::size_t room = out.size() - 2;  // the end mark stays inside
    std::size_t written = 0;
    bool full = false;
    for (const ParsedChord& chord : list.chords) {
        if (full) break;
        if (sourceDivision <= 0 || targetDivision <= 0 || chord.length <= 0) continue;
        long long left = static_cast<long long>(targetDivision) * chord.length / sourceDivision;
        const ChordCode code = ParsedChordCode(chord);
        while (left > 0) {
            if (written + kEntryBytes > room) {
                full = true;
                break;
            }
            const int piece = static_cast<int>(std::min<long long>(left, kMaxEntryTicks));
            out[written] = static_cast<std::uint8_t>(piece >> 8);
            out[written + 1] = static_cast<std::uint8_t>(piece & 0xFF);
            std::memcpy(out.data() + written + 2, code.text, 4);
            written += kEntryBytes;
            left -= piece;
        }
    }
    out[written] = 0;
    out[written + 1] = 0;
    return static_cast<int>(written);
}
