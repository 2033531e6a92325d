#include "midi/midi_event.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "midi/event_pool.h"
#include "midi/music_data.h"
#include "midi/sysex.h"
#include "midi/track_data.h"
#include "tests/support/test_support.h"

using testing_support::ScratchDir;
using testing_support::Sink;

namespace {
std::vector<std::uint8_t> Bytes(const MusicEvent& e) {
    return std::vector<std::uint8_t>(e.GetData(), e.GetData() + e.DataLength());
}
}  // namespace

TEST(MusicEventData, BlocksArePaddedAndCopiesKeepEveryByte) {
    MusicEvent e;
    EXPECT_EQ(e.GetData(), nullptr);
    const std::uint8_t text[] = {'a', 'b', 'c'};
    e.SetData(text, 3);
    EXPECT_EQ(e.DataLength(), 3);
    EXPECT_EQ(e.BlockSize(), 11);
    EXPECT_STREQ(reinterpret_cast<const char*>(e.GetData()), "abc");  // terminated by the padding
    for (int i = 3; i < 11; ++i)
        EXPECT_EQ(e.GetDataByte(i), 0);

    e.SetData(text, 0);  // n = 0 keeps the old data
    EXPECT_EQ(Bytes(e), std::vector<std::uint8_t>({'a', 'b', 'c'}));
    EXPECT_EQ(Sink().Count(), 0u);

    std::vector<std::uint8_t> big(300);
    for (int i = 0; i < 300; ++i)
        big[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    e.SetData(big.data(), 300);
    EXPECT_EQ(Bytes(e), big);  // kept although reported
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0].substr(0, 12), "MUEV06000001");
    e.SetData(big.data(), 300);
    EXPECT_EQ(Sink().Count(), 2u);  // once per call

    MusicEvent copy;
    copy.CopyFrom(e);
    EXPECT_EQ(Bytes(copy), big);
    EXPECT_NE(copy.GetData(), e.GetData());

    // Storing a block's own bytes into it (inline and heap blocks).
    MusicEvent self;
    self.SetData(text, 3);
    self.SetData(self.GetData() + 1, 2);
    EXPECT_EQ(Bytes(self), std::vector<std::uint8_t>({'b', 'c'}));
    e.SetData(e.GetData() + 100, 50);
    EXPECT_EQ(e.GetDataByte(0), 100);
    EXPECT_EQ(e.DataLength(), 50);
}

TEST(MusicEventData, AccessorsStayInsideTheBlock) {
    MusicEvent empty;
    // No block: reads give 0 or null, stores are refused with a code.
    EXPECT_EQ(empty.GetDataByte(0), 0);
    EXPECT_EQ(empty.GetDataAt(0), nullptr);
    EXPECT_EQ(empty.SetDataByte(0, 7), 0);
    EXPECT_EQ(empty.SetDataByte(20, 7), 0);
    std::uint8_t buffer[4];
    EXPECT_EQ(empty.CopyDataTo(buffer), 0);
    EXPECT_EQ(Sink().Count(), 5u);
    for (const auto& text : Sink().Texts())
        EXPECT_EQ(text, "MUEV06000002 Error occured in event data!");
    Sink().Clear();

    MusicEvent e;
    std::vector<std::uint8_t> data(40, 0x55);
    e.SetData(data.data(), 40);
    // A smaller block shrinks the data the accessors may reach.
    e.ReserveData(4);
    EXPECT_EQ(e.DataLength(), 4);
    EXPECT_EQ(e.BlockSize(), 12);
    EXPECT_EQ(e.GetDataByte(3), 0x55);
    EXPECT_EQ(e.GetDataByte(4), 0);  // padding
    EXPECT_EQ(e.GetDataByte(12), 0);
    EXPECT_EQ(Sink().Count(), 1u);  // position 12 lies past the block
    std::vector<std::uint8_t> out(64, 0xEE);
    EXPECT_EQ(e.CopyDataTo(out.data()), 4);
    EXPECT_EQ(out[4], 0xEE);

    // A larger block keeps the data and zero-fills the rest.
    e.ReserveData(30);
    EXPECT_EQ(e.DataLength(), 4);
    EXPECT_EQ(e.BlockSize(), 38);
    EXPECT_EQ(e.GetDataByte(37), 0);

    // Storing past the block grows it; the data length stays.
    Sink().Clear();
    EXPECT_EQ(e.SetDataByte(100, 9), 1);
    EXPECT_EQ(e.BlockSize(), 109);
    EXPECT_EQ(e.GetDataByte(100), 9);
    EXPECT_EQ(e.GetDataByte(0), 0x55);
    EXPECT_EQ(e.DataLength(), 4);
    EXPECT_EQ(e.SetDataByte(-1, 9), 0);
    EXPECT_EQ(Sink().Count(), 1u);
}

TEST(MidiEventValues, PitchBendTempoAndMasterVolume) {
    MidiEvent e;
    EXPECT_EQ(e.channel, kNoChannel);
    EXPECT_EQ(e.SetPitchBendValue(20000), 0);
    EXPECT_EQ(e.value, 127);
    EXPECT_EQ(e.note, 127);
    EXPECT_EQ(e.SetPitchBendValue(8192), 1);
    EXPECT_EQ(e.value, 64);
    EXPECT_EQ(e.note, 0);
    EXPECT_EQ(e.GetPitchBendValue(), 8192);
    EXPECT_EQ(e.SetPitchBendValue(-5), 0);
    EXPECT_EQ(e.GetPitchBendValue(), 0);

    e.SetTempo(500000);
    EXPECT_EQ(e.kind, 0xFF);
    EXPECT_EQ(e.subtype, 0x51);
    EXPECT_EQ(e.value, 500000);
    EXPECT_EQ(Bytes(e), std::vector<std::uint8_t>({0x07, 0xA1, 0x20}));

    e.SetMasterVolume(100);
    EXPECT_EQ(e.kind, 0xF0);
    EXPECT_EQ(e.subtype, 1);
    EXPECT_EQ(e.value, 100);
    EXPECT_EQ(Bytes(e),
              std::vector<std::uint8_t>({0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00, 100, 0xF7}));

    e.SetControlChange(3, 7, 90);
    EXPECT_EQ(e.kind, 0xB0);
    EXPECT_EQ(e.channel, 3);
    EXPECT_EQ(Bytes(e).size(), 9u);  // the data block is left as it was
    e.SetNoteOff(4, 60);
    EXPECT_EQ(e.kind, 0x80);
    EXPECT_EQ(e.note, 60);
    e.Clear();
    EXPECT_EQ(e.kind, 0);
}

TEST(MidiEventValues, CopiesComparisonsAndTexts) {
    MidiEvent a(12);
    a.kind = 0xFF;
    a.subtype = 4;
    a.channel = 5;
    const std::uint8_t name[] = "Piano SC-88 B";
    a.SetData(name, 13);
    MidiEvent b(a);
    EXPECT_EQ(b.channel, 5);
    EXPECT_EQ(b.delta, 12);
    EXPECT_NE(b.GetData(), a.GetData());
    EXPECT_EQ(b.IsEqual(a), 1);
    EXPECT_EQ(a.IsSc88ModeText(), 1);
    b.GetData()[0] = 'X';  // data bytes are not compared
    EXPECT_EQ(b.IsEqual(a), 1);
    b.delta = 13;
    EXPECT_EQ(b.IsEqual(a), 0);

    MidiEvent c(&a);
    EXPECT_EQ(c.IsEqual(a), 1);
    MidiEvent d;
    d.Assign(nullptr);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "MDEV00000000 Error occurred in MidiEvent!");
    EXPECT_EQ(d.kind, 0);
    d.Assign(&a);
    EXPECT_EQ(d.IsEqual(a), 1);

    // MusicEvent::CopyFrom leaves the channel alone.
    MidiEvent e;
    e.channel = 2;
    e.MusicEvent::CopyFrom(a);
    EXPECT_EQ(e.channel, 2);

    const std::uint8_t plain[] = "Piano";
    e.SetData(plain, 5);
    EXPECT_EQ(e.IsSc88ModeText(), 0);
    const std::uint8_t port[] = "88B";
    e.SetData(port, 3);
    EXPECT_EQ(e.IsSc88ModeText(), 1);
}

TEST(MidiEventValues, RingtoneEventsBecomeMidiEvents) {
    MusicEvent note(30);
    note.kind = 16;
    note.note = 64;
    note.velocity = 90;
    note.length = 48;
    MidiEvent e;
    e.SetFromMobileEvent(note, 3, 0);
    EXPECT_EQ(e.kind, 16);
    EXPECT_EQ(e.channel, 3);
    EXPECT_EQ(e.length, 48);
    EXPECT_EQ(e.delta, 30);
    e.SetFromMobileEvent(note, 3, 1);
    EXPECT_EQ(e.channel, 9);

    MusicEvent meta;
    meta.kind = 0xFF;
    auto convert = [&](int code, int value, int drum) {
        meta.subtype = code;
        meta.value = value;
        MidiEvent* out = new MidiEvent;
        out->SetFromMobileMeta(meta, 2, drum);
        return std::unique_ptr<MidiEvent>(out);
    };
    auto program = convert(33, 5, 0);
    EXPECT_EQ(program->kind, 0xC0);
    EXPECT_EQ(program->value, 5);
    EXPECT_EQ(convert(33, 5, 1)->kind, 0);
    auto volume = convert(35, 80, 0);
    EXPECT_EQ(volume->kind, 0xB0);
    EXPECT_EQ(volume->subtype, 7);
    EXPECT_EQ(convert(36, 64, 0)->subtype, 10);
    auto tempo = convert(37, 400000, 0);
    EXPECT_EQ(tempo->subtype, 0x51);
    EXPECT_EQ(tempo->value, 400000);
    auto bend = convert(39, 70, 0);
    EXPECT_EQ(bend->kind, 0xE0);
    EXPECT_EQ(bend->GetPitchBendValue(), 70 * 128);
    auto master = convert(65, 99, 0);
    EXPECT_EQ(master->subtype, 1);
    EXPECT_EQ(master->GetData()[7], 99);
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_EQ(convert(34, 0, 0)->kind, 0);
    EXPECT_EQ(convert(240, 0, 0)->kind, 0);
    EXPECT_EQ(convert(49, 0, 0)->kind, 0);
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_EQ(convert(99, 0, 0)->kind, 0);
    EXPECT_EQ(Sink().Texts().back(), "MDEV1D000003 MidiEventでinvalid command!");
    // An MSB past seven bits is reported and kept within the data range.
    auto wide = convert(39, 200, 0);
    EXPECT_EQ(Sink().Texts().back(), "MDEV1D000002 MidiEvent invalid value!");
    EXPECT_EQ(wide->value, 127);
    MusicEvent other;
    other.kind = 0xB0;
    e.SetFromMobileEvent(other, 1, 0);
    EXPECT_EQ(e.kind, 0);
}

TEST(MidiEventValues, RingtoneNotesOutsideTheMidiRangeFoldByOctaves) {
    MusicEvent note(0);
    note.kind = 16;
    MidiEvent e;
    // Every note lands in 0..127 on its own pitch class, as near as it can.
    for (int n : {-2147483647, -1000, -13, -1, 0, 64, 127, 128, 132, 139, 140, 5000, 2147483647}) {
        note.note = n;
        e.SetFromMobileEvent(note, 0, 0);
        EXPECT_GE(e.note, 0) << n;
        EXPECT_LE(e.note, 127) << n;
        EXPECT_EQ((static_cast<long long>(e.note) - n) % 12, 0) << n;
        if (n >= 0 && n <= 127) {
            EXPECT_EQ(e.note, n);
        } else if (n > 127) {
            EXPECT_GT(e.note, 127 - 12) << n;
        } else {
            EXPECT_LT(e.note, 12) << n;
        }
    }
    note.note = 132;
    e.SetFromMobileEvent(note, 0, 0);
    EXPECT_EQ(e.note, 120);  // C9 an octave down, not 4
}

TEST(SysExHelpers, ChecksumPartBytesAndFixedBlocks) {
    std::uint8_t block[12];
    std::memcpy(block, kGsResetBlock, 12);
    block[10] = 0;
    SetRolandChecksum(block);
    EXPECT_EQ(block[10], 0x41);  // 40 00 7F 00
    const std::uint8_t zeros[12] = {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0, 0, 0, 0, 0xF7};
    std::memcpy(block, zeros, 12);
    SetRolandChecksum(block);
    EXPECT_EQ(block[10], 0x40);  // the formula: 128 - 0x40
    block[6] = 0x40;
    block[7] = 0x40;
    SetRolandChecksum(block);
    EXPECT_EQ(block[10], 0);  // a multiple of 128 gives 0
    SetRolandChecksum(nullptr);
    EXPECT_EQ(Sink().Texts().at(0), "MDSX36000001 Error occured in System Exclusive!");

    std::uint8_t b = 0;
    SetGsPartByte(9, &b, 0x10);
    EXPECT_EQ(b, 0x10);
    SetGsPartByte(0, &b, 0x10);
    EXPECT_EQ(b, 0x11);
    SetGsPartByte(8, &b, 0x10);
    EXPECT_EQ(b, 0x19);
    SetGsPartByte(10, &b, 0x10);
    EXPECT_EQ(b, 0x1A);
    SetGsPartByte(15, &b, 0x40);
    EXPECT_EQ(b, 0x4F);
    for (int ch = 0; ch < 16; ++ch) {
        SetGsPartByte(ch, &b, 0x40);
        EXPECT_EQ(GsPartChannel(b - 0x40), ch);
    }
    SetGsPartByte(3, nullptr, 0x10);
    EXPECT_EQ(Sink().Count(), 2u);

    EXPECT_EQ(RolandChecksum(kGsResetBlock + 6, 4), kGsResetBlock[10]);
    EXPECT_EQ(kXgSystemOnBlock[9], 0xF7);
    std::uint8_t volume[9];
    MakeMasterVolumeBlock(volume, 90);
    EXPECT_EQ(volume[7], 90);
}

TEST(SysExHelpers, ClassesOfMessages) {
    auto classify = [](std::vector<std::uint8_t> bytes, int* value = nullptr,
                       int* channel = nullptr) {
        int v = -1, ch = -1;
        int cls = ClassifySysExBytes(bytes.data(), static_cast<int>(bytes.size()), &v, &ch);
        if (value) *value = v;
        if (channel) *channel = ch;
        return cls;
    };
    int value = 0, channel = 0;
    EXPECT_EQ(classify({0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x64, 0xF7}, &value), 1);
    EXPECT_EQ(value, 0x64);
    EXPECT_EQ(classify({0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x02, 0x00, 0x30, 0xF7}, &value), 40);
    EXPECT_EQ(value, 0x30);
    EXPECT_EQ(classify({0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), 9);
    auto gs = [&](int a1, int a2, int data) {
        std::vector<std::uint8_t> b = {0xF0,
                                       0x0A,
                                       0x41,
                                       0x10,
                                       0x42,
                                       0x12,
                                       0x40,
                                       static_cast<std::uint8_t>(a1),
                                       static_cast<std::uint8_t>(a2),
                                       static_cast<std::uint8_t>(data),
                                       0,
                                       0xF7};
        SetRolandChecksum(b.data());
        return classify(b, &value, &channel);
    };
    EXPECT_EQ(gs(0x00, 0x04, 0x55), 1);
    EXPECT_EQ(value, 0x55);
    EXPECT_EQ(gs(0x10, 0x15, 2), 18);
    EXPECT_EQ(channel, 9);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(gs(0x1A, 0x15, 1), 18);
    EXPECT_EQ(channel, 10);
    EXPECT_EQ(gs(0x43, 0x20, 1), 69);
    EXPECT_EQ(channel, 2);
    EXPECT_EQ(gs(0x01, 0x30, 4), 20);
    EXPECT_EQ(gs(0x01, 0x35, 4), 25);
    EXPECT_EQ(gs(0x01, 0x37, 4), 32);
    EXPECT_EQ(gs(0x01, 0x40, 4), 41);
    EXPECT_EQ(gs(0x01, 0x50, 4), 48);
    EXPECT_EQ(gs(0x01, 0x59, 4), 57);
    EXPECT_EQ(gs(0x01, 0x5A, 4), 64);
    EXPECT_EQ(gs(0x02, 0x00, 4), 65);
    EXPECT_EQ(gs(0x02, 0x03, 4), 68);
    EXPECT_EQ(gs(0x00, 0x7F, 0), 0);  // GS reset: no class
    EXPECT_EQ(channel, kNoChannel);
    EXPECT_EQ(classify({0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7}),
              19);
    EXPECT_EQ(classify({0xF0, 0x07, 0x43, 0x79, 0x06, 0x7F, 0x01, 0x02, 0xF7}), 127);
    EXPECT_EQ(classify(std::vector<std::uint8_t>(kXgSystemOnBlock, kXgSystemOnBlock + 10)), 0);
    // Messages cut short are never read past their end.
    EXPECT_EQ(classify({0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01}), 0);
    EXPECT_EQ(classify({0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x15}), 0);
    EXPECT_EQ(classify({0xF0}), 0);
}

TEST(FileImages, FormatDetectionLoadSaveAndLimits) {
    std::vector<std::uint8_t> image = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 96};
    EXPECT_EQ(MidiData::GetSmfFormat(image.data(), static_cast<int>(image.size())), 1);
    image[9] = 0;
    EXPECT_EQ(MidiData::GetSmfFormat(image.data(), static_cast<int>(image.size())), 0);
    image[8] = 1;
    EXPECT_EQ(MidiData::GetSmfFormat(image.data(), static_cast<int>(image.size())), -1);
    image[8] = 0;

    std::vector<std::uint8_t> prefixed(128, 0xAA);
    prefixed.insert(prefixed.end(), image.begin(), image.end());
    EXPECT_EQ(MidiData::GetSmfFormat(prefixed.data(), static_cast<int>(prefixed.size())), 0);
    EXPECT_EQ(std::memcmp(prefixed.data(), image.data(), image.size()), 0);
    std::vector<std::uint8_t> junk(200, 0x11);
    EXPECT_EQ(MidiData::GetSmfFormat(junk.data(), 200), -1);
    EXPECT_EQ(junk[0], 0x11);  // nothing moved
    EXPECT_EQ(MidiData::GetSmfFormat(junk.data(), 3), -1);

    std::string path = ScratchDir() + "/tune.mid";
    MidiData data(64);
    EXPECT_EQ(data.Capacity(), 64);
    std::memcpy(data.Data(), image.data(), image.size());
    EXPECT_EQ(data.SetLength(static_cast<int>(image.size())), 1);
    EXPECT_EQ(data.SetLength(65), 0);
    EXPECT_EQ(data.SaveFile(path), 1);
    MidiData loaded(64);
    loaded.noteMode = 2;
    EXPECT_EQ(loaded.LoadFile(path), 1);
    EXPECT_EQ(loaded.Length(), 14);
    EXPECT_EQ(loaded.noteMode, 0);
    EXPECT_EQ(loaded.timeSignatureOverride, 0);
    EXPECT_EQ(std::memcmp(loaded.Data(), image.data(), 14), 0);
    MidiData small(10);
    EXPECT_EQ(small.LoadFile(path), 0);  // larger than the capacity
    EXPECT_EQ(small.Length(), 0);

    Sink().Clear();
    EXPECT_EQ(loaded.CheckSizeLimit(14, "too big"), 1);
    EXPECT_EQ(loaded.CheckSizeLimit(13, "too big"), 0);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Boxes()[0].kind, platform::BoxKind::Info);
    EXPECT_EQ(Sink().Texts()[0], "too big");
}

TEST(EventPool, SlotsAreReusedAcrossThreads) {
    std::size_t before = event_pool::SlotsInUse();
    std::vector<void*> slots;
    for (int i = 0; i < 5000; ++i)
        slots.push_back(event_pool::Allocate());
    EXPECT_EQ(event_pool::SlotsInUse(), before + 5000);
    for (void* p : slots)
        std::memset(p, 0xAB, event_pool::kSlotSize);  // whole slots are usable
    // Freed on another thread: they join that thread's list and go back to
    // the shared stock when it ends.
    std::thread other([&] {
        for (void* p : slots)
            event_pool::Release(p);
    });
    other.join();
    EXPECT_EQ(event_pool::SlotsInUse(), before);
    std::vector<void*> again;
    for (int i = 0; i < 3000; ++i)
        again.push_back(event_pool::Allocate());
    for (void* p : again)
        event_pool::Release(p);
    EXPECT_EQ(event_pool::SlotsInUse(), before);

    // Events made and freed in bulk leave nothing behind.
    {
        MidiTrackData track;
        for (int i = 0; i < 1000; ++i)
            track.AddNote(0, 1, 60, 100, 10);
    }
    EXPECT_EQ(event_pool::SlotsInUse(), before);
}
