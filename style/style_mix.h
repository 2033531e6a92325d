// Mixing and compounding: a new working style made of two styles, item by
// item over one fixed list of fields. Each operation builds its result on a
// copy and replaces WorkingStyle whole under StyleRecordMutex(), so the
// compose worker never sees a half-mixed record.
#pragma once

#include <cstdint>
#include <span>

#include "style/music_style.h"

// How an item of the list is compared and taken.
enum class MixKind : std::uint8_t {
    kValue,       // an int, a byte or a block, compared and copied byte for byte
    kKey,         // the "Key" int; taking it runs the key set-up for the new key
    kText,        // a 128-byte text, compared and copied as a string within the field
    kBlockGroup,  // the chord-block settings: one toss, four fields compared apart
    kTableRows,   // the melody-table rows: one toss, two 32-byte rows compared apart
};

// One item: where it lies in the record and how it is taken.
struct MixItem {
    std::uint16_t offset;
    std::uint16_t size;
    MixKind kind;
};

constexpr int kMixItemCount = 107;

// The list, in the order the items are taken.
std::span<const MixItem> MixItemTable();

// The display title and description the operations write.
constexpr const char kMixedStyleTitle[] = "Mixed Style";
constexpr const char kCompoundCommonTitle[] = "Compound Common";
constexpr const char kCompoundVarianceTitle[] = "Compound Variance";
constexpr const char kNoStyleDescription[] = "No music style is defined.";

// "Mix": sets the title "Mixed Style", the description and the int at 372 from
// the given style, then tosses one coin (RandomInRange(1, 2)) per item, 107 in
// all; on 1 the given style's value replaces the working one. The given style
// is copied first, so it may be WorkingStyle or StyleClipboard itself.
void MixStyles(const MusicStyle& given);

// "Compound Common" and "Compound Variance": two style files chosen one after
// the other through OpenStyleFileDialog; each item equal in both (Common) or
// differing (Variance) takes the first file's value. A cancelled or failed
// choice changes nothing.
void CompoundCommon();
void CompoundVariance();

// The compound rule applied to target from two loaded records: the title,
// the description, the int at 372 and every item by the rule (common: equal
// items are written; otherwise differing ones).
void CompoundRecords(const MusicStyle& first, const MusicStyle& second, bool common,
                     MusicStyle& target);
