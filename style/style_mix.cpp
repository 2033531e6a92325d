#include "style/style_mix.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>

#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/key_setup.h"
#include "style/style_file.h"
#include "style/style_table.h"

namespace {

constexpr std::uint16_t Mix(int part, int byte) {
    return static_cast<std::uint16_t>(offsetof(MusicStyle, mix) + part * sizeof(MixBlock) + byte);
}

// Byte offsets of the mix block.
constexpr int kVolume = 0;
constexpr int kChorus = 1;
constexpr int kReverb = 2;
constexpr int kBrightness = 3;
constexpr int kAttack = 4;
constexpr int kDecay = 5;
constexpr int kRelease = 6;
constexpr int kResonance = 7;
constexpr int kPanpot = 8;
constexpr int kDelay = 9;

constexpr MixKind V = MixKind::kValue;

constexpr MixItem kItems[kMixItemCount] = {
    {708, 4, V},                          // 1 scale
    {704, 4, MixKind::kKey},              // 2 key
    {17604, 4, V},                        // 3 rhythm pattern
    {17616, 4, V},                        // 4 sub-drum pattern
    {17536, 56, MixKind::kBlockGroup},    // 5 chords in a block .. imitation of phrase
    {17596, 4, V},                        // 6 harmony pattern
    {17592, 4, V},                        // 7 sub melody method
    {4, 4, V},                            // 8 voice: Melody
    {12, 4, V},                           // 9 Harmony
    {16, 4, V},                           // 10 Obbligato
    {8, 4, V},                            // 11 Bass
    {20, 4, V},                           // 12 Sub Drum
    {28, 4, V},                           // 13 Sub Harmony
    {36, 4, V},                           // 14 Drum
    {32, 4, V},                           // 15 Environmental sound
    {17600, 4, V},                        // 16 chord progression
    {17612, 4, V},                        // 17 bass pattern
    {772, 4, V},                          // 18 fixed bass
    {700, 4, V},                          // 19 tempo
    {396, 4, V},                          // 20 tune length
    {21784, 4, V},                        // 21 Melody: dissonance
    {21800, 4, V},                        // 22 ornament
    {21808, 4, V},                        // 23 voicing
    {22688, 4, V},                        // 24 density
    {21816, 4, V},                        // 25 lower limit
    {21812, 4, V},                        // 26 upper limit
    {17608, 4, V},                        // 27 sub-harmony pattern
    {21792, 4, V},                        // 28 Melody: syncopation
    {332, 4, V},                          // 29 octave: Harmony
    {348, 4, V},                          // 30 Sub Harmony
    {328, 4, V},                          // 31 Bass
    {896, 4, V},                          // 32 MTAdjustF
    {976, kKnowledgeBaseNameSize, MixKind::kText},   // 33 knowledge base
    {1104, kKnowledgeBaseNameSize, MixKind::kText},  // 34 knowledge base for verse
    {904, 4, V},                          // 35 MTAdjustE
    {912, 64, MixKind::kTableRows},       // 36 melody-table interval and direction
    {900, 4, V},                          // 37 MTAdjustL
    {1232, sizeof(CustomHarmonyBlock), V},  // 38 custom harmony block
    {908, 4, V},                          // 39 MTNoCnt
    {324, 4, V},                          // 40 octave: Melody
    {396, 4, V},                          // 41 tune length, a second time
    {21788, 4, V},                        // 42 Melody: note length
    {724, 4, V},                          // 43 basic beat
    {Mix(3, kVolume), 1, V},              // 44 volume
    {Mix(7, kVolume), 1, V},              // 45
    {Mix(1, kVolume), 1, V},              // 46
    {Mix(4, kVolume), 1, V},              // 47
    {Mix(5, kVolume), 1, V},              // 48
    {Mix(9, kVolume), 1, V},              // 49
    {Mix(2, kVolume), 1, V},              // 50
    {Mix(3, kChorus), 1, V},              // 51 chorus
    {Mix(1, kChorus), 1, V},              // 52
    {Mix(4, kChorus), 1, V},              // 53
    {Mix(5, kChorus), 1, V},              // 54
    {Mix(9, kChorus), 1, V},              // 55
    {Mix(2, kChorus), 1, V},              // 56
    {Mix(3, kReverb), 1, V},              // 57 reverb
    {Mix(1, kReverb), 1, V},              // 58
    {Mix(4, kReverb), 1, V},              // 59
    {Mix(5, kReverb), 1, V},              // 60
    {Mix(9, kReverb), 1, V},              // 61
    {Mix(2, kReverb), 1, V},              // 62
    {Mix(1, kBrightness), 1, V},          // 63 brightness
    {Mix(4, kBrightness), 1, V},          // 64
    {Mix(2, kBrightness), 1, V},          // 65
    {Mix(3, kBrightness), 1, V},          // 66
    {Mix(1, kDelay), 1, V},               // 67 delay
    {Mix(3, kDelay), 1, V},               // 68
    {Mix(2, kDelay), 1, V},               // 69
    {Mix(4, kDelay), 1, V},               // 70
    {Mix(5, kDelay), 1, V},               // 71
    {Mix(9, kDelay), 1, V},               // 72
    {Mix(7, kDelay), 1, V},               // 73
    {Mix(8, kDelay), 1, V},               // 74
    {696, 4, V},                          // 75 metre
    {21820, 4, V},                        // 76 Melody: algorithm
    {756, 4, V},                          // 77 adjust to chord tone
    {872, 4, V},                          // 78 on chord
    {760, 4, V},                          // 79 chord generation method
    {764, 4, V},                          // 80 transpose
    {21824, 4, V},                        // 81 Melody: tension
    {Mix(1, kPanpot), 1, V},              // 82 panpot
    {Mix(3, kPanpot), 1, V},              // 83
    {Mix(2, kPanpot), 1, V},              // 84
    {Mix(1, kAttack), 1, V},              // 85 attack
    {Mix(4, kAttack), 1, V},              // 86
    {Mix(5, kAttack), 1, V},              // 87
    {Mix(9, kAttack), 1, V},              // 88
    {Mix(3, kAttack), 1, V},              // 89
    {Mix(2, kAttack), 1, V},              // 90
    {Mix(1, kDecay), 1, V},               // 91 decay
    {Mix(4, kDecay), 1, V},               // 92
    {Mix(5, kDecay), 1, V},               // 93
    {Mix(9, kDecay), 1, V},               // 94
    {Mix(3, kDecay), 1, V},               // 95
    {Mix(2, kDecay), 1, V},               // 96
    {Mix(1, kRelease), 1, V},             // 97 release
    {Mix(4, kRelease), 1, V},             // 98
    {Mix(5, kRelease), 1, V},             // 99
    {Mix(9, kRelease), 1, V},             // 100
    {Mix(3, kRelease), 1, V},             // 101
    {Mix(2, kRelease), 1, V},             // 102
    {Mix(1, kResonance), 1, V},           // 103 resonance
    {Mix(4, kResonance), 1, V},           // 104
    {Mix(5, kResonance), 1, V},           // 105
    {Mix(9, kResonance), 1, V},           // 106
    {776, kRiffBytes, V},                 // 107 riff
};

// The chord-block settings as the compounds compare them: the number of
// chords in a block, the block length, the 11-int table and the imitation.
struct Field {
    std::size_t offset;
    std::size_t size;
};
constexpr Field kBlockGroupFields[] = {{17536, 4}, {17540, 4}, {17544, 44}, {17588, 4}};
constexpr std::size_t kTableRowBytes = 32;

static_assert(offsetof(MusicStyle, chordsInBlock) == 17536);
static_assert(offsetof(MusicStyle, subMelodyMethod) == 17536 + 56);
static_assert(offsetof(MusicStyle, knowledgeBase) == 976);
static_assert(offsetof(MusicStyle, melodyTableInterval) == 912);
static_assert(offsetof(MusicStyle, riff) == 776);

std::uint8_t* Bytes(MusicStyle& style) {
    return reinterpret_cast<std::uint8_t*>(&style);
}
const std::uint8_t* Bytes(const MusicStyle& style) {
    return reinterpret_cast<const std::uint8_t*>(&style);
}

// A text field's length: up to its zero byte, or the whole field when a
// loaded file filled it without one.
std::size_t TextLength(const std::uint8_t* text, std::size_t size) {
    const void* end = std::memchr(text, 0, size);
    return end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - text) : size;
}

bool FieldEqual(const MusicStyle& a, const MusicStyle& b, Field field, MixKind kind) {
    const std::uint8_t* x = Bytes(a) + field.offset;
    const std::uint8_t* y = Bytes(b) + field.offset;
    if (kind == MixKind::kText) {
        std::size_t length = TextLength(x, field.size);
        return length == TextLength(y, field.size) && std::memcmp(x, y, length) == 0;
    }
    return std::memcmp(x, y, field.size) == 0;
}

// Copies one field from source into target; a text goes with its zero byte
// when there is room for one. Taking the key runs the key set-up for it.
void TakeField(MusicStyle& target, const MusicStyle& source, Field field, MixKind kind) {
    std::uint8_t* to = Bytes(target) + field.offset;
    const std::uint8_t* from = Bytes(source) + field.offset;
    if (kind == MixKind::kText) {
        std::size_t length = TextLength(from, field.size);
        std::memcpy(to, from, length < field.size ? length + 1 : length);
    } else {
        std::memcpy(to, from, field.size);
    }
    if (kind == MixKind::kKey) SetupKeyOf(target, target.key != 1);
}

// The fields an item is compared by in the compounds.
template <typename Visit>
void ForEachComparedField(const MixItem& item, Visit visit) {
    switch (item.kind) {
        case MixKind::kBlockGroup:
            for (Field field : kBlockGroupFields) visit(field);
            break;
        case MixKind::kTableRows:
            visit(Field{item.offset, kTableRowBytes});
            visit(Field{item.offset + kTableRowBytes, kTableRowBytes});
            break;
        default:
            visit(Field{item.offset, item.size});
    }
}

void SetTitles(MusicStyle& style, const char* title) {
    SetFieldText(style.displayTitle, title);
    SetFieldText(style.description, kNoStyleDescription);
}

void Compound(bool common) {
    ShellWaitCursor wait;
    // A text file is read over the record it is loaded into: both start from
    // the working style, so keys a file leaves out compare equal.
    auto first = std::make_unique<MusicStyle>();
    GetWorkingStyle(*first);
    auto second = std::make_unique<MusicStyle>(*first);
    if (!OpenStyleFileDialog(*first) || !OpenStyleFileDialog(*second)) return;
    auto result = std::make_unique<MusicStyle>();
    std::lock_guard lock(StyleRecordMutex());
    *result = WorkingStyle;
    CompoundRecords(*first, *second, common, *result);
    WorkingStyle = *result;
}

}  // namespace

std::span<const MixItem> MixItemTable() {
    return kItems;
}

void MixStyles(const MusicStyle& given) {
    auto mixed = std::make_unique<MusicStyle>();
    auto other = std::make_unique<MusicStyle>();
    // The lock is held from the copies to the replacement, so the key set-up
    // values written on the way belong to the record that is put in place.
    std::lock_guard lock(StyleRecordMutex());
    *other = given;
    *mixed = WorkingStyle;
    SetTitles(*mixed, kMixedStyleTitle);
    mixed->flag372 = other->flag372;
    for (const MixItem& item : kItems) {
        if (RandomInRange(1, 2) != 1) continue;
        if (item.kind == MixKind::kText || item.kind == MixKind::kKey) {
            TakeField(*mixed, *other, Field{item.offset, item.size}, item.kind);
        } else {
            std::memcpy(Bytes(*mixed) + item.offset, Bytes(*other) + item.offset, item.size);
        }
    }
    WorkingStyle = *mixed;
}

void CompoundRecords(const MusicStyle& first, const MusicStyle& second, bool common,
                     MusicStyle& target) {
    std::lock_guard lock(StyleRecordMutex());
    SetTitles(target, common ? kCompoundCommonTitle : kCompoundVarianceTitle);
    if ((first.flag372 == second.flag372) == common) target.flag372 = first.flag372;
    for (const MixItem& item : kItems) {
        ForEachComparedField(item, [&](Field field) {
            if (FieldEqual(first, second, field, item.kind) == common)
                TakeField(target, first, field, item.kind);
        });
    }
}

void CompoundCommon() {
    Compound(true);
}

void CompoundVariance() {
    Compound(false);
}
