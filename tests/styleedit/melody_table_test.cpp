// The melody table read and stored back over styles of random bytes: only
// its own 21 ints may change, each lands inside its range, and a value that
// was already a valid one is kept.
#include "styleedit/melody_table.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <set>

namespace {

// Byte offsets of the ints the table owns.
std::set<std::size_t> TableInts() {
    std::set<std::size_t> owned{offsetof(MusicStyle, melodyTableStrictness)};
    for (int c = 0; c < kMelodyTableClasses; ++c) {
        owned.insert(offsetof(MusicStyle, melodyTableInterval) + 4 * c);
        owned.insert(offsetof(MusicStyle, melodyTableDirection) + 4 * c);
    }
    const MusicStyle probe{};
    for (const MelodyTableFlag& flag : kMelodyTableFlags)
        owned.insert(reinterpret_cast<const char*>(&(probe.*flag.field)) -
                     reinterpret_cast<const char*>(&probe));
    return owned;
}

}  // namespace

TEST(MelodyTable, ReadAndStoredBackTouchesOnlyItsIntsAndKeepsValidValues) {
    const std::set<std::size_t> owned = TableInts();
    ASSERT_EQ(owned.size(), 21u);
    std::mt19937 random(46);
    for (int round = 0; round < 200; ++round) {
        MusicStyle style;
        auto* bytes = reinterpret_cast<std::uint8_t*>(&style);
        for (std::size_t i = 0; i < sizeof style; ++i)
            bytes[i] = static_cast<std::uint8_t>(random());
        // Half the rounds hold small numbers, so in-range values are common.
        if (round % 2) {
            for (std::size_t at : owned) {
                const std::int32_t v = static_cast<std::int32_t>(random() % 181) - 60;
                std::memcpy(bytes + at, &v, 4);
            }
        }
        const MusicStyle before = style;
        MendMelodyLookBack(style);
        StoreMelodyTable(ReadMelodyTable(style), style);
        for (std::size_t at = 0; at < sizeof style; at += 4) {
            std::int32_t was = 0;
            std::int32_t now = 0;
            std::memcpy(&was, reinterpret_cast<const char*>(&before) + at, 4);
            std::memcpy(&now, bytes + at, 4);
            if (!owned.count(at)) {
                ASSERT_EQ(now, was) << "offset " << at;
            }
        }
        EXPECT_EQ(style.melodyTableStrictness,
                  before.melodyTableStrictness >= 0 && before.melodyTableStrictness <= 2
                      ? before.melodyTableStrictness
                      : 0);
        for (int c = 0; c < kMelodyTableClasses; ++c) {
            const int p = before.melodyTableInterval[c];
            const int d = before.melodyTableDirection[c];
            EXPECT_EQ(style.melodyTableInterval[c], p < 0 ? 0 : p > 100 ? 100 : p);
            EXPECT_EQ(style.melodyTableDirection[c], d < -50 ? -50 : d > 50 ? 50 : d);
        }
        for (const MelodyTableFlag& flag : kMelodyTableFlags)
            EXPECT_EQ(style.*flag.field, before.*flag.field == 1 ? 1 : 0) << flag.caption;
    }
}
