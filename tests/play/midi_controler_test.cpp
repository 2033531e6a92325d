#include "play/midi_controler.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/test_support.h"

using testing_support::Midi;
using testing_support::Sink;
using Kind = platform::RecordedMidiMessage::Kind;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::vector<Bytes> Sent(Kind kind) {
    std::vector<Bytes> out;
    for (const auto& m : Midi().Messages(kind))
        out.push_back(m.bytes);
    return out;
}

const char* const kCantOpenBox = "MDCT07000001 Can not open Midi device!";

}  // namespace

TEST(MidiControler, OpensTheMapperOrFallsBackAndReportsFailures) {
    {
        MidiControler controler(platform::kMidiMapper);
        EXPECT_TRUE(controler.IsOpen());
        EXPECT_EQ(Midi().OpenCount(), 1);
        controler.Close();
        EXPECT_FALSE(controler.IsOpen());
        EXPECT_EQ(Midi().OpenCount(), 0);
        controler.Close();  // closing a closed device does nothing
    }
    EXPECT_EQ(Sink().Count(), 0u);

    // A mapper that cannot be opened falls back to device 0.
    Midi().SetDevices({"A", "B"});
    Midi().SetOpenFails(platform::kMidiMapper, true);
    {
        MidiControler controler(platform::kMidiMapper);
        EXPECT_TRUE(controler.IsOpen());
        auto opens = Midi().Messages(Kind::Open);
        ASSERT_EQ(opens.size(), 2u);
        EXPECT_EQ(opens[1].device, 0);
    }
    // Any other device that fails is reported every time.
    Midi().SetOpenFails(1, true);
    MidiControler failing(1);
    EXPECT_FALSE(failing.IsOpen());
    MidiControler outOfRange(7);
    EXPECT_FALSE(outOfRange.IsOpen());
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{kCantOpenBox, kCantOpenBox}));
    Sink().Clear();

    // With no device at all the message comes once per run.
    Midi().SetDevices({});
    MidiControler::ResetNoDeviceWarning();
    MidiControler first(platform::kMidiMapper);
    MidiControler second(platform::kMidiMapper);
    EXPECT_FALSE(first.IsOpen());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{kCantOpenBox});
    // Sending on a closed controler sends nothing; the program and block
    // senders say it failed.
    first.NoteOn(60, 100, 0);
    first.ProgramChange(1, 0);
    EXPECT_EQ(first.SendSysEx(3, Bytes{0xF0, 0x01, 0xF7}.data()), 0);
    EXPECT_EQ(Sink().Count(), 3u);
    EXPECT_EQ(Sink().Texts()[1], "MDCT07000003 Can not change tone with Midi device!");
    EXPECT_EQ(Sink().Texts()[2], "MDCT07000004 Can not send system exclusive with midi device!");
}

TEST(MidiControler, ChannelMessagesAndTheirBytes) {
    MidiControler controler(platform::kMidiMapper);
    controler.NoteOn(60, 100, 3);
    controler.NoteOn(61, 0x80 | 5, 3);  // bit 7 set: full velocity
    controler.NoteOff(60, 3);
    controler.ProgramChange(24, 15);
    controler.ControlChange(64, 7, 9);             // value, controller, channel
    controler.SendShortMessage(0x40, 0x00, 0xE2);  // second, first, status
    EXPECT_EQ(Sent(Kind::Short), (std::vector<Bytes>{{0x93, 60, 100},
                                                     {0x93, 61, 127},
                                                     {0x83, 60, 0},
                                                     {0xCF, 24},
                                                     {0xB9, 7, 64},
                                                     {0xE2, 0x00, 0x40}}));
    EXPECT_EQ(Sink().Count(), 0u);
    Midi().Clear();

    controler.AllNotesOff();
    std::vector<Bytes> expected;
    for (std::uint8_t c = 0; c < 16; ++c)
        expected.push_back({static_cast<std::uint8_t>(0xB0 | c), 123, 0});
    EXPECT_EQ(Sent(Kind::Short), expected);
    Midi().Clear();

    // A channel outside 0..15 would turn into another status: refused.
    controler.NoteOn(60, 100, 16);
    controler.ControlChange(0, 7, 255);
    controler.ProgramChange(1, -1);
    EXPECT_TRUE(Sent(Kind::Short).empty());
    EXPECT_EQ(Sink().Texts(),
              std::vector<std::string>(3, "MDCT07000005 Invalid parameter in Midi!"));
    Sink().Clear();

    // A device that fails to take a program change is reported.
    Midi().SetSendsFail(true);
    controler.ProgramChange(1, 0);
    controler.NoteOn(60, 100, 0);
    EXPECT_EQ(Sink().Texts(),
              std::vector<std::string>{"MDCT07000003 Can not change tone with Midi device!"});
}

TEST(MidiControler, SystemExclusiveBlocksAreSentWithoutTheirLengthCount) {
    MidiControler controler(platform::kMidiMapper);
    controler.SendGmSystemOn();
    // An escaped packet goes out as its bytes.
    EXPECT_EQ(controler.SendSysEx(4, Bytes{0xF7, 0x02, 0xF3, 0x01}.data()), 1);
    // A block without a count goes out as it is.
    EXPECT_EQ(controler.SendSysEx(3, Bytes{0x41, 0x10, 0xF7}.data()), 1);
    // A two-byte count (a block read from a file) is skipped whole.
    Bytes big{0xF0, 0x81, 0x00};
    for (int i = 0; i < 127; ++i)
        big.push_back(static_cast<std::uint8_t>(i));
    big.push_back(0xF7);
    EXPECT_EQ(controler.SendSysEx(static_cast<int>(big.size()), big.data()), 1);
    // A count larger than the block sends only what the block holds.
    EXPECT_EQ(controler.SendSysEx(4, Bytes{0xF0, 0x40, 0x43, 0xF7}.data()), 1);
    auto longs = Sent(Kind::Long);
    ASSERT_EQ(longs.size(), 5u);
    EXPECT_EQ(longs[0], (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(longs[1], (Bytes{0xF3, 0x01}));
    EXPECT_EQ(longs[2], (Bytes{0x41, 0x10, 0xF7}));
    // F0 in place of the count's last byte, then the message.
    Bytes bigSent(big.begin() + 2, big.end());
    bigSent[0] = 0xF0;
    EXPECT_EQ(longs[3], bigSent);
    EXPECT_EQ(longs[4], (Bytes{0xF0, 0x43, 0xF7}));
    EXPECT_EQ(Sink().Count(), 0u);
    Midi().Clear();

    // Up to 256 bytes are sent; longer, empty or broken blocks are not.
    Bytes full(256, 0x10);
    EXPECT_EQ(controler.SendSysEx(256, full.data()), 1);
    Bytes tooLong(257, 0x10);
    EXPECT_EQ(controler.SendSysEx(257, tooLong.data()), 0);
    EXPECT_EQ(controler.SendSysEx(0, full.data()), 0);
    EXPECT_EQ(controler.SendSysEx(5, nullptr), 0);
    EXPECT_EQ(Sent(Kind::Long).size(), 1u);
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_EQ(controler.SendSysEx(3, Bytes{0xF0, 0x81, 0x82}.data()), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"MDCT07000005 Invalid parameter in Midi!"});
    Sink().Clear();

    Midi().SetSendsFail(true);
    EXPECT_EQ(controler.SendSysEx(3, Bytes{0x41, 0x10, 0xF7}.data()), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{
                                  "MDCT07000004 Can not send system exclusive with midi device!"});
}

TEST(MidiControler, CloseResetsThenReleasesAndReportsAFailingReset) {
    {
        MidiControler controler(platform::kMidiMapper);
        controler.NoteOn(60, 100, 0);
        Midi().Clear();
        controler.Close();
        auto all = Midi().Messages();
        ASSERT_FALSE(all.empty());
        EXPECT_EQ(all.front().kind, Kind::Reset);
        EXPECT_EQ(all.back().kind, Kind::Close);
        // Sustain off and All Notes Off from the reset, then All Notes Off
        // and All Sound Off from the close: 16 channels each.
        EXPECT_EQ(Sent(Kind::Short).size(), 64u);
        EXPECT_EQ(Sink().Count(), 0u);
    }
    MidiControler controler(platform::kMidiMapper);
    Midi().SetSendsFail(true);
    controler.Close();
    EXPECT_FALSE(controler.IsOpen());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"MDCT07000002 Can not close Midi device!"});
    EXPECT_EQ(Midi().OpenCount(), 0);
}
