#include "style/style_check.h"

#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "style/style_text.h"

namespace {

// Parts a per-part rule covers, as a bit per part index.
constexpr unsigned PartBits(std::initializer_list<int> parts) {
    unsigned bits = 0;
    for (int part : parts)
        bits |= 1u << part;
    return bits;
}
constexpr unsigned kOnePart = 1;  // a single field: index 0 only
constexpr unsigned kVoicedParts = PartBits({kPartMelody, kPartBass, kPartHarmony, kPartObbligato,
                                            kPartSubDrum, kPartSubHarmony, kPartEnvironment});
constexpr unsigned kMixedParts = kVoicedParts | PartBits({kPartDrum});
// The parts whose melody settings the editors and the text form carry.
constexpr unsigned kMelodicParts = PartBits({kPartMelody, kPartObbligato, kPartSubDrum});
constexpr unsigned kOctaveParts =
    PartBits({kPartMelody, kPartBass, kPartHarmony, kPartObbligato, kPartSubDrum, kPartSubHarmony});

constexpr int kBasicBeats[] = {0, 1, 3};
constexpr int kChordMethods[] = {0, 1, 8};
constexpr int kBlockLengths[] = {0, 4};
constexpr int kSubMelody[] = {6, 7, 8};

// One field, or the same field of each part in `parts` (`step` bytes apart).
struct FieldRule {
    const char* name;  // as the text form names the setting
    std::size_t offset;
    FieldRange range;
    unsigned parts = kOnePart;
    std::size_t step = 0;
    int width = 4;  // bytes: 4 an int, 1 a byte
};

constexpr std::size_t kVoiceStep = sizeof(std::int32_t);
constexpr std::size_t kMixStep = sizeof(MixBlock);
constexpr std::size_t kMelodyStep = sizeof(MelodySettings);

constexpr std::size_t MelodyField(std::size_t member) {
    return offsetof(MusicStyle, melody) + member;
}
constexpr FieldRule MixByte(std::size_t byte) {
    return {"Mixer", offsetof(MusicStyle, mix) + byte, {0, 127}, kMixedParts, kMixStep, 1};
}
// An int of each part in `parts` (or each index of an int array).
constexpr FieldRule PartInts(const char* name, std::size_t offset, FieldRange range,
                             unsigned parts) {
    return {name, offset, range, parts, kVoiceStep};
}
// An int of the melody settings of each melodic part.
constexpr FieldRule MelodyInt(const char* name, std::size_t member, FieldRange range) {
    return {name, MelodyField(member), range, kMelodicParts, kMelodyStep};
}

// The ranges of the values the style editors and the text form offer; the
// melody settings with a name list follow (kMelodyChoices).
constexpr FieldRule kFieldRules[] = {
    // Instrument codes; the Drum part's drum sets 1..4 are among them.
    PartInts("Instrument", offsetof(MusicStyle, voice), {0, 151, {}, kVoiceNotUsed}, kMixedParts),
    MixByte(0),  // volume
    MixByte(1),  // chorus
    MixByte(2),  // reverb
    MixByte(3),  // brightness
    MixByte(4),  // attack
    MixByte(5),  // decay
    MixByte(6),  // release
    MixByte(7),  // resonance
    MixByte(8),  // panpot
    PartInts("Octave", offsetof(MusicStyle, octave), {-2, 2}, kOctaveParts),
    {"ZAW Version", offsetof(MusicStyle, version), kStyleVersionRange},
    {"Tune Length", offsetof(MusicStyle, tuneLength), {1, 96}},
    {"Time Signature", offsetof(MusicStyle, timeSignature), {kMetre44, kMetre78}},
    // 1 to 60000 beats a minute, as the text form reads them.
    {"Tempo", offsetof(MusicStyle, tempo), {1000, 60000000}},
    {"Key", offsetof(MusicStyle, key), {1, 2}},
    {"Key", offsetof(MusicStyle, keyOffset), {0, 11}},
    {"Basic Beat", offsetof(MusicStyle, basicBeat), {0, 3, kBasicBeats}},
    {"Adjust to Chord Tone", offsetof(MusicStyle, adjustToChordTone), kSwitchRange},
    {"Chord Generation Method", offsetof(MusicStyle, chordGenerationMethod), {0, 8, kChordMethods}},
    {"Transpose", offsetof(MusicStyle, transpose), kSwitchRange},
    {"Melody Table", offsetof(MusicStyle, melodyTableStrictness), {0, 2}},
    // 10 puts the tune's fixed bass under every chord; other pitches are
    // carried.
    {"Fixed Bass", offsetof(MusicStyle, fixedBass), {0, 127}},
    {"On Chord", offsetof(MusicStyle, onChord), kSwitchRange},
    {"Melody Tabe:MTAdjustF", offsetof(MusicStyle, mtAdjustF), kSwitchRange},
    {"Melody Tabe:MTAdjustL", offsetof(MusicStyle, mtAdjustL), kSwitchRange},
    {"Melody Tabe:MTAdjustE", offsetof(MusicStyle, mtAdjustE), kSwitchRange},
    {"Melody Tabe:MTNoCnt", offsetof(MusicStyle, mtNoCnt), kSwitchRange},
    PartInts("Melody Tabe:Interval", offsetof(MusicStyle, melodyTableInterval), {0, 100}, 0xFF),
    PartInts("Melody Tabe:Direction", offsetof(MusicStyle, melodyTableDirection), {-100, 100},
             0xFF),
    PartInts("Custom Harmony:use_x", offsetof(MusicStyle, customHarmony.useX), kGridLayoutRange,
             0xF),
    PartInts("Custom Harmony:continue_major", offsetof(MusicStyle, customHarmony.continueMajor),
             kSwitchRange, 0xF),
    PartInts("Custom Harmony:stroke", offsetof(MusicStyle, customHarmony.stroke), kSwitchRange,
             0xF),
    {"Number of Chords in a Block", offsetof(MusicStyle, chordsInBlock), kSwitchRange},
    {"Block Length", offsetof(MusicStyle, blockLength), {0, 4, kBlockLengths}},
    {"Imitation of Phrase", offsetof(MusicStyle, imitationOfPhrase), kSwitchRange},
    {"Generation Method of Sub Melody", offsetof(MusicStyle, subMelodyMethod), {6, 8, kSubMelody}},
    {"Sub Drum Pattern", offsetof(MusicStyle, subDrumPattern), kSwitchRange},
    {"Random", offsetof(MusicStyle, randomGeneratorCode), {0, 9}},
    {"Scale", offsetof(MusicStyle, scale), {1, 24}},
    // The pattern choosers' lists, some of whose codes have no name in the
    // text form.
    {"Harmony Pattern", offsetof(MusicStyle, harmonyPattern), {1, 61}},
    {"Sub Harmony Pattern", offsetof(MusicStyle, subHarmonyPattern), {1, 61}},
    {"Chord Progression", offsetof(MusicStyle, chordProgression), {1, 10}},
    {"Rhythm Pattern", offsetof(MusicStyle, rhythmPattern), {1, 39}},
    {"Bass Patterm", offsetof(MusicStyle, bassPattern), {1, 23}},
    PartInts("Density", offsetof(MusicStyle, density), {0, 200}, kMixedParts),
    MelodyInt("Melody Structure:Dissonant", offsetof(MelodySettings, dissonance), {0, 10}),
    MelodyInt("Melody Structure:Upper Limit", offsetof(MelodySettings, upperLimit), {0, 127}),
    MelodyInt("Melody Structure:Lower Limit", offsetof(MelodySettings, lowerLimit), {0, 127}),
};

// The melody settings whose values are those of a name list of the text form
// (a part's settings are 60 bytes apart).
struct MelodyChoice {
    const char* name;
    std::size_t member;  // offset in MelodySettings
    StyleChoiceList list;
};

constexpr MelodyChoice kMelodyChoices[] = {
    {"Melody Structure:Note Length", offsetof(MelodySettings, noteLength),
     StyleChoiceList::kNoteLength},
    {"Melody Structure:Syncopation", offsetof(MelodySettings, syncopation),
     StyleChoiceList::kSyncopation},
    {"Melody Structure:Abbelimenti", offsetof(MelodySettings, ornament),
     StyleChoiceList::kAbbellimenti},
    {"Melody Structure:Effect", offsetof(MelodySettings, effect), StyleChoiceList::kEffect},
    {"Melody Structure:Voicing", offsetof(MelodySettings, voicing), StyleChoiceList::kVoicing},
    {"Melody Structure:Algorithm", offsetof(MelodySettings, algorithm),
     StyleChoiceList::kAlgorithm},
    {"Melody Structure:Tension", offsetof(MelodySettings, tension), StyleChoiceList::kTension},
    {"Melody Structure:Repeat Rhythm", offsetof(MelodySettings, repeatRhythm),
     StyleChoiceList::kRepeat},
    {"Melody Structure:Repeat Melody", offsetof(MelodySettings, repeatMelody),
     StyleChoiceList::kRepeat},
};

bool InList(std::span<const StyleChoiceName> names, int value) {
    return std::any_of(names.begin(), names.end(),
                       [value](const StyleChoiceName& n) { return n.value == value; });
}

std::int32_t ReadField(const MusicStyle& style, std::size_t offset, int width) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&style) + offset;
    if (width == 1) return *bytes;
    std::int32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Copies the field from the fresh record.
void ResetField(MusicStyle& style, const MusicStyle& fresh, std::size_t offset, int width) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(&style) + offset,
                reinterpret_cast<const std::uint8_t*>(&fresh) + offset, width);
}

// Records a changed setting once.
void Note(std::vector<std::string>& changed, const char* name) {
    if (std::find(changed.begin(), changed.end(), name) == changed.end())
        changed.emplace_back(name);
}

// Walks the fields a rule covers; `bad` tells a value outside the rule.
template <class Bad>
void CorrectRule(MusicStyle& style, const MusicStyle& fresh, const char* name, std::size_t offset,
                 unsigned parts, std::size_t step, int width, Bad bad,
                 std::vector<std::string>& changed) {
    for (int i = 0; i < 32 && (parts >> i) != 0; ++i) {
        if (!((parts >> i) & 1u)) continue;
        const std::size_t at = offset + step * static_cast<std::size_t>(i);
        if (!bad(ReadField(style, at, width))) continue;
        ResetField(style, fresh, at, width);
        Note(changed, name);
    }
}

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Whether the one or two bytes convert to a character.
bool Converts(iconv_t cd, const char* bytes, std::size_t size) {
    char in[2];
    std::memcpy(in, bytes, size);
    char out[8];
    char* src = in;
    char* dst = out;
    std::size_t left = size;
    std::size_t room = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return iconv(cd, &src, &left, &dst, &room) != static_cast<std::size_t>(-1) && left == 0;
}

// A text field with what does not display replaced; true when it changed.
template <std::size_t N>
bool CleanField(char (&field)[N]) {
    const std::string text = FieldText(field);
    const std::string clean = CleanCp932Text(text);
    if (clean == text) return false;
    SetFieldText(field, clean);
    return true;
}

// The chord list ends before its first entry whose code is not a chord.
bool CutChordList(MusicStyle& style) {
    for (int i = 0; i < kMaxHarmonyStructureEntries; ++i) {
        std::uint8_t* entry = style.harmonyStructure + i * sizeof(HarmonyStructureEntry);
        if (entry[0] == 0 && entry[1] == 0) return false;
        if (IsChordCodeText(reinterpret_cast<const char*>(entry + 2))) continue;
        entry[0] = entry[1] = 0;
        return true;
    }
    return false;
}

// "xxxx" (or any four characters) and a weight digit for each pitch class.
bool IsScaleText(const char (&notes)[17]) {
    return std::all_of(notes + 4, notes + 16, [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool FieldRange::Allows(int value) const {
    if (value == extra) return true;
    if (value < low || value > high) return false;
    return values.empty() || std::find(values.begin(), values.end(), value) != values.end();
}

int FirstBadGridInt(const GridPart& grid) {
    for (int i = 0; i < kGridRows * kGridSteps; ++i)
        if (!kSwitchRange.Allows(grid.noteTable[i])) return i;
    for (int i = 0; i < kGridRows; ++i)
        if (!kGridToneRange.Allows(grid.pnInterval[i])) return kGridRows * kGridSteps + i;
    for (int i = 0; i < kGridSteps; ++i)
        if (!kSwitchRange.Allows(grid.pnContinuem[i])) return kGridRows * (kGridSteps + 1) + i;
    return -1;
}

std::string GridIntName(int index) {
    constexpr int kCells = kGridRows * kGridSteps;
    if (index < kCells) {
        return "the cell of row " + std::to_string(index / kGridSteps + 1) + ", step " +
               std::to_string(index % kGridSteps + 1);
    }
    if (index < kCells + kGridRows) return "the tone of row " + std::to_string(index - kCells + 1);
    return "the repeat flag of step " + std::to_string(index - kCells - kGridRows + 1);
}

bool IsChordCodeText(const char code[4]) {
    constexpr std::string_view kRoots = "CdDeEFgGaAbBN";
    constexpr std::string_view kThirds = "Mm4o";
    constexpr std::string_view kFifths = "PAdC";
    constexpr std::string_view kSevenths = "sS69od";
    return kRoots.find(code[0]) != std::string_view::npos && code[0] != '\0' &&
           kThirds.find(code[1]) != std::string_view::npos && code[1] != '\0' &&
           kFifths.find(code[2]) != std::string_view::npos && code[2] != '\0' &&
           kSevenths.find(code[3]) != std::string_view::npos && code[3] != '\0';
}

std::string CleanCp932Text(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    iconv_t cd = iconv_open("UTF-8", "CP932");
    for (std::size_t pos = 0; pos < text.size();) {
        const auto c = static_cast<unsigned char>(text[pos]);
        const std::size_t width = IsLeadByte(c) && pos + 1 < text.size() ? 2 : 1;
        const bool control = c < 0x20 || c == 0x7F;
        const bool ok = !control && (c < 0x80 || (cd != reinterpret_cast<iconv_t>(-1) &&
                                                  Converts(cd, text.data() + pos, width)));
        if (ok) {
            clean.append(text.substr(pos, width));
            pos += width;
        } else {
            clean += '?';
            ++pos;
        }
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    return clean;
}

std::vector<std::string> CorrectStyleFields(MusicStyle& style) {
    auto fresh = std::make_unique<MusicStyle>();
    InitMusicStyle(*fresh);
    std::vector<std::string> changed;
    for (const FieldRule& rule : kFieldRules) {
        CorrectRule(
            style, *fresh, rule.name, rule.offset, rule.parts, rule.step, rule.width,
            [&rule](int v) { return !rule.range.Allows(v); }, changed);
    }
    for (const MelodyChoice& choice : kMelodyChoices) {
        const auto names = StyleChoiceNames(choice.list);
        CorrectRule(
            style, *fresh, choice.name, MelodyField(choice.member), kMelodicParts, kMelodyStep, 4,
            [names](int v) { return !InList(names, v); }, changed);
    }
    // The step grids, int by int in their record order.
    const auto* grids = &style.customHarmony.grid[0][0];
    for (int g = 0; g < kGridSets * kGridParts; ++g) {
        const std::size_t base =
            offsetof(MusicStyle, customHarmony) + sizeof(GridPart) * static_cast<std::size_t>(g);
        for (int bad; (bad = FirstBadGridInt(grids[g])) >= 0;) {
            ResetField(style, *fresh, base + 4 * static_cast<std::size_t>(bad), 4);
            if (FirstBadGridInt(grids[g]) == bad)  // the fresh value is out of range too
                std::memset(reinterpret_cast<std::uint8_t*>(&style) + base + 4 * bad, 0, 4);
            Note(changed, "Custom Harmony");
        }
    }
    if (CutChordList(style)) Note(changed, "Custom Chord");
    // The stored title keeps its terminating zero, so the display title (its
    // first 20 bytes) cleans the same way.
    bool title = style.title[kTitleSize - 1] != 0;
    style.title[kTitleSize - 1] = 0;
    title = CleanField(style.title) || title;
    if (CleanField(style.displayTitle) || title) Note(changed, "Title");
    if (CleanField(style.description)) Note(changed, "Description");
    if (!IsScaleText(style.scaleNotes)) {
        std::memcpy(style.scaleNotes, fresh->scaleNotes, sizeof style.scaleNotes);
        Note(changed, "Scale Notes");
    }
    return changed;
}
