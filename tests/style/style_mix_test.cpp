#include "style/style_mix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/key_setup.h"
#include "style/style_file.h"
#include "style/style_table.h"
#include "tests/style/style_bytes.h"
#include "tests/style/style_samples.h"
#include "tests/support/test_support.h"

using style_bytes::Bytes;
using style_bytes::Text;
using testing_support::Chooser;
using testing_support::ScratchDir;
using testing_support::Sink;

namespace {

constexpr std::size_t kFlag372 = 372;
constexpr std::size_t kDisplayTitle = 376;
constexpr std::size_t kDescription = 440;

// A record whose every byte is nonzero and differs from the records of the
// other shifts (shift 0..2); texts fill their fields with no terminator. Key
// and progression are plain values, so the key set-up keeps the key.
std::unique_ptr<MusicStyle> Patterned(int shift, int key, int progression) {
    auto style = std::make_unique<MusicStyle>();
    auto* bytes = reinterpret_cast<std::uint8_t*>(style.get());
    for (std::size_t i = 0; i < sizeof(MusicStyle); ++i)
        bytes[i] = static_cast<std::uint8_t>(1 + (i * 7) % 200 + shift);
    style->key = key;
    style->chordProgression = progression;
    return style;
}

// Which bytes the item list covers.
std::vector<bool> ListedBytes() {
    std::vector<bool> listed(sizeof(MusicStyle), false);
    for (const MixItem& item : MixItemTable())
        for (std::size_t i = item.offset; i < item.offset + item.size; ++i) listed[i] = true;
    return listed;
}

bool InTitles(std::size_t i) {
    return (i >= kFlag372 && i < kFlag372 + 4) || (i >= kDisplayTitle && i < kDisplayTitle + 20) ||
           (i >= kDescription && i < kDescription + 256);
}

// Every byte but the titles and the int at 372: the listed ones are the
// source's, the others the old working style's. A text comes with its
// terminator; the old bytes behind that stay.
void ExpectListedFrom(const MusicStyle& result, const MusicStyle& source, const MusicStyle& old) {
    auto expected = std::make_unique<MusicStyle>(old);
    auto* to = reinterpret_cast<std::uint8_t*>(expected.get());
    for (const MixItem& item : MixItemTable()) {
        std::size_t size = item.size;
        if (item.kind == MixKind::kText) size = std::min<std::size_t>(Text(source, item.offset, size).size() + 1, size);
        std::memcpy(to + item.offset, Bytes(source) + item.offset, size);
    }
    int wrong = 0;
    for (std::size_t i = 0; i < sizeof(MusicStyle); ++i) {
        if (!InTitles(i) && Bytes(result)[i] != to[i] && ++wrong < 5) ADD_FAILURE() << "byte " << i;
    }
    EXPECT_EQ(wrong, 0);
}

class StyleMixTest : public ::testing::Test {
protected:
    void SetUp() override { InitDefaultSettings(); }
    void TearDown() override { SetShellServices(nullptr); }
};

}  // namespace

TEST_F(StyleMixTest, ListNamesNoneOfTheExcludedBytes) {
    ASSERT_EQ(MixItemTable().size(), 107u);
    std::vector<bool> listed = ListedBytes();
    auto none = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) EXPECT_FALSE(listed[i]) << "byte " << i;
    };
    for (int b = 0; b < 16; ++b) {
        if (b != 0 && b != 9) none(64 + 16 * 7 + b, 64 + 16 * 7 + b + 1);  // Sub Harmony
        if (b != 9) none(64 + 16 * 8 + b, 64 + 16 * 8 + b + 1);             // Environment
    }
    none(17628, 17628 + 4096);   // harmony structure
    none(17620, 17624);          // random-generator code
    none(400, 421);              // stored title
    none(kFlag372, kFlag372 + 4);  // taken apart from the items
    none(kDisplayTitle, kDisplayTitle + 20);
    none(kDescription, kDescription + 256);
}

TEST_F(StyleMixTest, CompoundsWriteExactlyTheListedItems) {
    auto a = Patterned(0, 1, 2);
    auto b = Patterned(1, 2, 3);
    auto old = Patterned(2, 2, 4);

    auto common = std::make_unique<MusicStyle>(*old);
    CompoundRecords(*a, *a, true, *common);
    ExpectListedFrom(*common, *a, *old);
    EXPECT_EQ(common->flag372, a->flag372);
    EXPECT_EQ(DisplayTitle(*common), "Compound Common");
    EXPECT_EQ(Text(*common, kDescription, 256), "No music style is defined.");
    EXPECT_TRUE(TonicChordCode.Is("CMPS"));  // the set-up ran for the written key

    auto variance = std::make_unique<MusicStyle>(*old);
    CompoundRecords(*a, *b, false, *variance);
    ExpectListedFrom(*variance, *a, *old);
    EXPECT_EQ(variance->flag372, a->flag372);
    EXPECT_EQ(DisplayTitle(*variance), "Compound Variance");

    // The other way round nothing is written but the titles.
    auto none = std::make_unique<MusicStyle>(*old);
    CompoundRecords(*a, *b, true, *none);
    ExpectListedFrom(*none, *old, *old);
    EXPECT_EQ(none->flag372, old->flag372);
    CompoundRecords(*a, *a, false, *none);
    ExpectListedFrom(*none, *old, *old);
}

TEST_F(StyleMixTest, CompoundsCompareGroupedItemsFieldByField) {
    auto a = Patterned(0, 1, 2);
    auto b = std::make_unique<MusicStyle>(*a);
    auto old = Patterned(2, 2, 4);
    b->blockLength += 1;                // one field of the block group
    b->melodyTableDirection[3] += 1;    // the second row of the melody table
    // Texts are equal up to their terminator, whatever follows it.
    SetFieldText(a->knowledgeBase, "PATTERN.DB2");
    SetFieldText(b->knowledgeBase, "PATTERN.DB2");
    b->knowledgeBase[100] = 'x';

    auto variance = std::make_unique<MusicStyle>(*old);
    CompoundRecords(*a, *b, false, *variance);
    EXPECT_EQ(variance->blockLength, a->blockLength);
    EXPECT_EQ(variance->chordsInBlock, old->chordsInBlock);
    EXPECT_EQ(variance->imitationOfPhrase, old->imitationOfPhrase);
    EXPECT_EQ(0, std::memcmp(variance->table17544, old->table17544, 44));
    EXPECT_EQ(0, std::memcmp(variance->melodyTableDirection, a->melodyTableDirection, 32));
    EXPECT_EQ(0, std::memcmp(variance->melodyTableInterval, old->melodyTableInterval, 32));
    EXPECT_EQ(0, std::memcmp(variance->knowledgeBase, old->knowledgeBase, 128));

    auto common = std::make_unique<MusicStyle>(*old);
    CompoundRecords(*a, *b, true, *common);
    EXPECT_EQ(common->blockLength, old->blockLength);
    EXPECT_EQ(common->chordsInBlock, a->chordsInBlock);
    EXPECT_EQ(0, std::memcmp(common->melodyTableInterval, a->melodyTableInterval, 32));
    // The text goes with its terminator; the old bytes behind it stay.
    EXPECT_EQ(FieldText(common->knowledgeBase), "PATTERN.DB2");
    EXPECT_EQ(0, std::memcmp(common->knowledgeBase + 12, old->knowledgeBase + 12, 116));
}

TEST_F(StyleMixTest, UnterminatedTextsStayInTheirFields) {
    auto a = Patterned(0, 1, 2);
    auto b = std::make_unique<MusicStyle>(*a);
    auto old = Patterned(2, 2, 4);
    std::memset(a->knowledgeBase, 'P', 128);
    std::memset(b->knowledgeBase, 'P', 128);
    // Read past its field, the first text would run into the second, which
    // differs between the files.
    SetFieldText(a->resolutionKnowledgeBase, "RESOLUT.DB");
    SetFieldText(b->resolutionKnowledgeBase, "RESOLUT.DB2");
    auto common = std::make_unique<MusicStyle>(*old);
    CompoundRecords(*a, *b, true, *common);
    EXPECT_EQ(0, std::memcmp(common->knowledgeBase, a->knowledgeBase, 128));
    EXPECT_EQ(0, std::memcmp(common->resolutionKnowledgeBase, old->resolutionKnowledgeBase, 128));

    std::memset(b->knowledgeBase, 'Q', 128);
    SetFieldText(b->resolutionKnowledgeBase, "RESOLUT.DB");
    auto variance = std::make_unique<MusicStyle>(*old);
    CompoundRecords(*a, *b, false, *variance);
    EXPECT_EQ(0, std::memcmp(variance->knowledgeBase, a->knowledgeBase, 128));
    EXPECT_EQ(0, std::memcmp(variance->resolutionKnowledgeBase, old->resolutionKnowledgeBase, 128));
}

TEST_F(StyleMixTest, EveryMixedByteIsTheOldOrTheGivenOne) {
    auto old = Patterned(0, 2, 3);
    auto given = Patterned(1, 1, 4);
    for (int seed : {1, 7, 42, 1234, 99999}) {
        // The 107 tosses, drawn ahead from the same seed.
        SeedRandomWith(seed);
        std::vector<int> tosses;
        for (int i = 0; i < 108; ++i) tosses.push_back(RandomInRange(1, 2));

        SetWorkingStyle(*old);
        SeedRandomWith(seed);
        MixStyles(*given);
        EXPECT_EQ(RandomInRange(1, 2), tosses[107]) << "107 draws, seed " << seed;
        auto mixed = std::make_unique<MusicStyle>();
        GetWorkingStyle(*mixed);
        EXPECT_EQ(DisplayTitle(*mixed), "Mixed Style");
        EXPECT_EQ(mixed->flag372, given->flag372);

        std::vector<bool> listed = ListedBytes();
        for (std::size_t i = 0; i < sizeof(MusicStyle); ++i) {
            if (InTitles(i)) continue;
            const std::uint8_t got = Bytes(*mixed)[i];
            ASSERT_TRUE(got == Bytes(*old)[i] || (listed[i] && got == Bytes(*given)[i]))
                << "byte " << i << " seed " << seed;
        }
        // Each item comes whole from the side its toss chose; the tune length
        // is tossed twice and taken on either.
        const auto items = MixItemTable();
        for (std::size_t n = 0; n < items.size(); ++n) {
            const MixItem& item = items[n];
            bool taken = tosses[n] == 1;
            if (item.offset == 396) taken = tosses[19] == 1 || tosses[40] == 1;
            const MusicStyle& from = taken ? *given : *old;
            EXPECT_EQ(0, std::memcmp(Bytes(*mixed) + item.offset, Bytes(from) + item.offset,
                                     item.size))
                << "item " << n + 1 << " seed " << seed;
        }
    }
}

TEST_F(StyleMixTest, MixingWithItselfChangesOnlyTheTitles) {
    auto style = style_samples::VariedStyle();
    SetWorkingStyle(*style);
    auto before = std::make_unique<MusicStyle>();
    GetWorkingStyle(*before);
    SeedRandomWith(5);
    MixStyles(WorkingStyle);
    const int next = RandomInRange(1, 1000);
    SeedRandomWith(5);
    for (int i = 0; i < 107; ++i) RandomInRange(1, 2);
    EXPECT_EQ(next, RandomInRange(1, 1000));
    auto mixed = std::make_unique<MusicStyle>();
    GetWorkingStyle(*mixed);
    for (std::size_t i = 0; i < sizeof(MusicStyle); ++i) {
        if (InTitles(i)) continue;
        ASSERT_EQ(Bytes(*mixed)[i], Bytes(*before)[i]) << "byte " << i;
    }
    EXPECT_EQ(Text(*mixed, kDescription, 256), "No music style is defined.");
}

TEST_F(StyleMixTest, CompoundsThroughTheFileDialog) {
    auto shell = std::make_shared<RecordingShellServices>();
    SetShellServices(shell);
    const std::string path = ScratchDir() + "/compound.dat";
    ASSERT_EQ(SaveStyleFile(*style_samples::VariedStyle(), path), 0);
    auto loaded = Patterned(2, 2, 4);
    ASSERT_EQ(LoadStyleFile(*loaded, path), kStyleLoaded);
    auto old = Patterned(2, 1, 4);
    auto working = std::make_unique<MusicStyle>();
    auto run = [&](void (*operation)(), const std::string& first, const std::string& second) {
        SetWorkingStyle(*old);
        for (const std::string& file : {first, second}) {
            if (file.empty()) {
                Chooser().QueueCancel();
                break;
            }
            Chooser().QueueFile(file);
        }
        operation();
        GetWorkingStyle(*working);
    };

    // A file with itself: Common writes every item, Variance none.
    run(CompoundCommon, path, path);
    ExpectListedFrom(*working, *loaded, *old);
    EXPECT_EQ(working->flag372, loaded->flag372);
    EXPECT_EQ(working->key, 2);
    EXPECT_TRUE(TonicChordCode.Is("AmPs"));
    EXPECT_EQ(shell->Count(RecordingShellServices::Kind::WaitCursorOn), 1);
    EXPECT_EQ(shell->Count(RecordingShellServices::Kind::WaitCursorOff), 1);
    run(CompoundVariance, path, path);
    ExpectListedFrom(*working, *old, *old);
    EXPECT_EQ(working->flag372, old->flag372);
    EXPECT_EQ(DisplayTitle(*working), "Compound Variance");
    EXPECT_EQ(Sink().Count(), 0u);

    // A cancelled or failed choice changes nothing at all.
    auto untouched = std::make_unique<MusicStyle>();
    SetWorkingStyle(*old);
    GetWorkingStyle(*untouched);
    const std::string missing = ScratchDir() + "/no_such_style.dat";
    for (auto [first, second] : {std::pair{std::string(), path}, std::pair{path, std::string()},
                                 std::pair{path, missing}}) {
        run(CompoundCommon, first, second);
        EXPECT_EQ(0, std::memcmp(working.get(), untouched.get(), sizeof(MusicStyle)));
    }
    EXPECT_EQ(Sink().Texts(),
              std::vector<std::string>{"ZAWCFF0101A3 Loading parameter is failed!"});
}

TEST_F(StyleMixTest, ReadersSeeTheOldOrTheWholeMixedStyle) {
    SetWorkingStyle(*Patterned(0, 2, 3));
    auto old = std::make_unique<MusicStyle>();
    GetWorkingStyle(*old);
    auto given = Patterned(1, 1, 4);
    SeedRandomWith(3);
    MixStyles(*given);
    auto mixed = std::make_unique<MusicStyle>();
    GetWorkingStyle(*mixed);

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        auto seen = std::make_unique<MusicStyle>();
        while (!stop) {
            GetWorkingStyle(*seen);
            if (std::memcmp(seen.get(), old.get(), sizeof(MusicStyle)) != 0 &&
                std::memcmp(seen.get(), mixed.get(), sizeof(MusicStyle)) != 0)
                ++torn;
            ++reads;
        }
    });
    for (int round = 0; round < 300 || reads < 100; ++round) {
        SetWorkingStyle(*old);
        SeedRandomWith(3);
        MixStyles(*given);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}
