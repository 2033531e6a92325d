// The division check and the rewriting of an SMF buffer as format 0.
#include "midi/smf_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/shell_services.h"
#include "midi/f0_data.h"
#include "smf_test_util.h"
#include "tests/support/test_support.h"
#include "track_test_util.h"

using smf_test::Bytes;
using smf_test::Chunk;
using smf_test::Header;
using smf_test::Join;
using testing_support::Sink;

TEST(SmfChecks, DivisionMustBeATickCount) {
    MidiData song;
    for (int division : {1, 0x7FFF, 0, -1, 0x8000}) {
        song.division = division;
        EXPECT_EQ(CheckSmfDivision(song), division == 1 || division == 0x7FFF) << division;
    }
    EXPECT_EQ(CheckedSmfDivision, 0x7FFF);  // refused ones are not kept
    EXPECT_EQ(Sink().Count(), 3u);
    EXPECT_EQ(Sink().Texts().at(0), "ZAWCFF010103 This Format is not supported!");
}

// The last track may end at the file's last byte; a length of one byte more
// runs past the end of the file.
TEST(SmfChecks, TheLastTrackMayEndAtTheLastByte) {
    const Bytes events = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const struct {
        Bytes whole;
        int tracks;
    } kFiles[] = {{Join({Header(0, 1, 96), Chunk(events)}), 1},
                  {Join({Header(1, 2, 96), Chunk(events), Chunk(events)}), 2}};
    for (const auto& f : kFiles) {
        EXPECT_EQ(FindSmfDamage(f.whole).problem, SmfProblem::kNone) << f.tracks;
        Bytes over = f.whole;
        WriteBigEndian32(&over[over.size() - events.size() - 4],
                         static_cast<std::uint32_t>(events.size() + 1));
        const SmfDamage past = FindSmfDamage(over);
        EXPECT_EQ(past.problem, SmfProblem::kChunkPastEnd) << f.tracks;
        EXPECT_EQ(past.track, f.tracks);
    }
}

TEST(SmfChecks, BufferRewrittenAsFormat0) {
    const Bytes format1 =
        Join({Header(1, 2, 96),
              Chunk({0x00, 0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7, 0x00,
                     0x90, 60,   100,  0x60, 0x80, 60,   0x40, 0x00, 0xFF, 0x2F, 0x00}),
              Chunk({0x00, 0x91, 64, 100, 0x60, 0x81, 64, 0x40, 0x00, 0xFF, 0x2F, 0x00})});
    std::vector<std::uint8_t> buffer(0x1000);
    std::copy(format1.begin(), format1.end(), buffer.begin());
    std::size_t length = format1.size();
    ASSERT_EQ(ConvertSmfBufferToFormat0(buffer.data(), buffer.size(), &length), 1);
    MidiF0Data merged(buffer.data(), static_cast<int>(length));
    EXPECT_EQ(track_test::Describe(*merged.Track()), "0:SX1 0:N0/60/96 0:N1/64/96 96:EOT");

    // Format 0 behind a 128-byte block: the block goes, the length follows.
    const Bytes image(buffer.begin(), buffer.begin() + static_cast<long>(length));
    std::fill(buffer.begin(), buffer.end(), 0);
    std::copy(image.begin(), image.end(), buffer.begin() + 128);
    length = image.size() + 128;
    ASSERT_EQ(ConvertSmfBufferToFormat0(buffer.data(), buffer.size(), &length), 1);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(length)), image);

    // A length beyond the buffer and bytes that are no SMF are refused.
    length = 0x2000;
    EXPECT_EQ(ConvertSmfBufferToFormat0(buffer.data(), buffer.size(), &length), 0);
    std::fill(buffer.begin(), buffer.end(), 0x55);
    length = 300;
    EXPECT_EQ(ConvertSmfBufferToFormat0(buffer.data(), buffer.size(), &length), 0);
}
