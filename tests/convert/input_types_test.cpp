#include "convert/input_types.h"

#include <gtest/gtest.h>

#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfm_data.h"
#include "tests/convert/mfm_test_util.h"
#include "tests/convert/mobile_test_util.h"
#include "tests/convert/smaf_test_util.h"
#include "tests/convert/smf_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A file whose first bytes tell its kind goes to that kind's row whatever
// its extension says, and a ringtone row reads it back into notes without a
// word; bytes that tell nothing leave the choice to the extension, and a
// file that neither tells is a tune.
TEST(InputTypes, FirstBytesDecideAndTheExtensionFallsBack) {
    const auto model = mfi_test::MakeModel({{false, 1, 100, {{0, 60, 96, 100}, {96, 64, 96, 100}}}});
    MFiData mfi(*model, mfi_voice::kMelo4);
    mfi.Serialise(0);
    MFMData mfm(*mfm_test::MakeModel({{0, false, 1, 100, 64, {{0, 60, 48, 100}}}}));
    mfm.Serialise();
    const Bytes midi = smf_builder::TwoTrackSong();
    Bytes prefixed(128, 0);
    prefixed.insert(prefixed.end(), midi.begin(), midi.end());
    const Bytes unknown(64, 0xFF);
    // A RIFF file that is no WAVE: a MIDI file in an RMID "data" chunk.
    Bytes rmid = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a', 0, 0, 0, 0};
    WriteLittleEndian32(&rmid[16], static_cast<std::uint32_t>(midi.size()));
    rmid.insert(rmid.end(), midi.begin(), midi.end());
    WriteLittleEndian32(&rmid[4], static_cast<std::uint32_t>(rmid.size() - 8));
    struct Row {
        Bytes bytes;
        const char* extension;
        const char* type;
        InputYield yields;
    };
    const std::vector<Row> rows = {
        {smaf_test::Image(mfi), "mmf", "MFi", InputYield::Ringtone},
        {smaf_test::WriteCompact(*model, 4), "mld", "SMAF", InputYield::Ringtone},
        {smaf_test::Image(mfm), "pmd", "MFM", InputYield::Ringtone},
        {midi, "wav", "SMF", InputYield::Tune},
        {prefixed, "mfm", "SMF", InputYield::Tune},
        {smf_builder::ToneWav(8000, 64), "mid", "WAV", InputYield::Wave},
        {rmid, "mid", "SMF", InputYield::Tune},
        {unknown, "mfm", "MFM", InputYield::Ringtone},
        {unknown, "pmd", "MFi", InputYield::Ringtone},
        {{}, "mmf", "SMAF", InputYield::Ringtone},
        {unknown, "wav", "WAV", InputYield::Wave},
        {unknown, "txt", "SMF", InputYield::Tune},
    };
    for (const Row& r : rows) {
        const InputType& type = FindInputType(r.bytes, r.extension);
        const std::string name = std::string(type.name) + " as ." + r.extension;
        EXPECT_STREQ(type.name, r.type) << name;
        EXPECT_EQ(type.yields, r.yields) << name;
        EXPECT_EQ(type.read != nullptr, r.yields == InputYield::Ringtone) << name;
        if (!type.read || !type.sniff(r.bytes)) continue;
        ReadLog log;
        const std::unique_ptr<MobileData> back = type.read(r.bytes, log);
        ASSERT_NE(back, nullptr) << name;
        EXPECT_FALSE(mobile_test::ModelNotes(*back).empty()) << name;
        EXPECT_TRUE(log.Empty()) << name;
    }
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

}  // namespace
