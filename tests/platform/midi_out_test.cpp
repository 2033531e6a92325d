#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/alsa_midi_out.h"
#include "platform/midi_out.h"
#include "platform/recording_midi_out.h"
#include "tests/support/test_support.h"

using namespace std::chrono_literals;
using platform::MidiOut;
using platform::MidiOutHeader;
using platform::MidiOutResult;
using platform::PackShortMessage;
using Kind = platform::RecordedMidiMessage::Kind;
using testing_support::Midi;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The short messages a device was sent, oldest first.
std::vector<Bytes> ShortBytes() {
    std::vector<Bytes> out;
    for (const auto& m : Midi().Messages(Kind::Short))
        out.push_back(m.bytes);
    return out;
}

// The same controller with value 0 on channels 0..15.
std::vector<Bytes> OnEveryChannel(std::uint8_t controller) {
    std::vector<Bytes> out;
    for (std::uint8_t c = 0; c < 16; ++c)
        out.push_back({static_cast<std::uint8_t>(0xB0 | c), controller, 0});
    return out;
}

std::vector<Bytes> Join(std::vector<Bytes> a, const std::vector<Bytes>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(MidiOut, ShortMessageLengthsByStatus) {
    EXPECT_EQ(platform::ShortMessageLength(0x00), 0);
    EXPECT_EQ(platform::ShortMessageLength(0x7F), 0);
    EXPECT_EQ(platform::ShortMessageLength(0x80), 3);
    EXPECT_EQ(platform::ShortMessageLength(0x9F), 3);
    EXPECT_EQ(platform::ShortMessageLength(0xB3), 3);
    EXPECT_EQ(platform::ShortMessageLength(0xC0), 2);
    EXPECT_EQ(platform::ShortMessageLength(0xDF), 2);
    EXPECT_EQ(platform::ShortMessageLength(0xE9), 3);
    EXPECT_EQ(platform::ShortMessageLength(0xF0), 0);
    EXPECT_EQ(platform::ShortMessageLength(0xF1), 2);
    EXPECT_EQ(platform::ShortMessageLength(0xF2), 3);
    EXPECT_EQ(platform::ShortMessageLength(0xF4), 0);
    EXPECT_EQ(platform::ShortMessageLength(0xF6), 1);
    EXPECT_EQ(platform::ShortMessageLength(0xF7), 0);
    EXPECT_EQ(platform::ShortMessageLength(0xF8), 1);
    EXPECT_EQ(platform::ShortMessageLength(0xFF), 1);
    EXPECT_EQ(PackShortMessage(0x90, 60, 100), 0x643C90u);
}

TEST(MidiOut, DeviceListNamesAndOpening) {
    Midi().SetDevices({"First", "Second"});
    EXPECT_EQ(platform::MidiOutGetNumDevs(), 2);
    std::string name;
    EXPECT_EQ(platform::MidiOutGetDevName(platform::kMidiMapper, &name), MidiOutResult::Ok);
    EXPECT_EQ(name, "MIDI MAPPER");
    EXPECT_EQ(platform::MidiOutGetDevName(1, &name), MidiOutResult::Ok);
    EXPECT_EQ(name, "Second");
    EXPECT_EQ(platform::MidiOutGetDevName(2, &name), MidiOutResult::BadDeviceId);
    EXPECT_EQ(platform::MidiOutGetDevName(-2, &name), MidiOutResult::BadDeviceId);
    EXPECT_EQ(platform::MidiOutGetDevName(0, nullptr), MidiOutResult::InvalidParam);

    // The mapper opens the system's default device, here device 0.
    std::unique_ptr<MidiOut> device;
    ASSERT_EQ(platform::MidiOutOpen(&device, platform::kMidiMapper), MidiOutResult::Ok);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->Name(), "First");
    EXPECT_EQ(Midi().OpenCount(), 1);
    std::unique_ptr<MidiOut> second;
    ASSERT_EQ(platform::MidiOutOpen(&second, 1), MidiOutResult::Ok);
    EXPECT_EQ(Midi().OpenCount(), 2);
    auto opens = Midi().Messages(Kind::Open);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].device, 0);
    EXPECT_EQ(opens[1].device, 1);

    // Failures leave no device behind.
    EXPECT_EQ(platform::MidiOutOpen(&second, 5), MidiOutResult::BadDeviceId);
    EXPECT_FALSE(second);
    Midi().SetOpenFails(platform::kMidiMapper, true);
    EXPECT_EQ(platform::MidiOutOpen(&second, platform::kMidiMapper), MidiOutResult::Error);
    EXPECT_EQ(platform::MidiOutOpen(&second, 0), MidiOutResult::Ok);
    Midi().SetOpenFails(platform::kMidiMapper, false);
    EXPECT_EQ(platform::MidiOutOpen(nullptr, 0), MidiOutResult::InvalidParam);
    device.reset();
    second.reset();
    EXPECT_EQ(Midi().OpenCount(), 0);

    Midi().SetDevices({});
    EXPECT_EQ(platform::MidiOutGetNumDevs(), 0);
    EXPECT_EQ(platform::MidiOutOpen(&device, platform::kMidiMapper), MidiOutResult::NoDriver);
    EXPECT_EQ(platform::MidiOutOpen(&device, 0), MidiOutResult::NoDriver);
}

TEST(MidiOut, ShortAndLongMessagesAreSentAndTimed) {
    std::unique_ptr<MidiOut> device;
    ASSERT_EQ(platform::MidiOutOpen(&device, 0), MidiOutResult::Ok);
    auto start = platform::GetClock()->Now();
    EXPECT_EQ(device->ShortMessage(PackShortMessage(0xC1, 5, 0)), MidiOutResult::Ok);
    testing_support::Clock().Advance(250ms);
    EXPECT_EQ(device->ShortMessage(PackShortMessage(0x91, 60, 100)), MidiOutResult::Ok);
    EXPECT_EQ(device->ShortMessage(PackShortMessage(0xFE, 0, 0)), MidiOutResult::Ok);
    // A data byte or a long-message status is no short message.
    EXPECT_EQ(device->ShortMessage(0x3C), MidiOutResult::InvalidParam);
    EXPECT_EQ(device->ShortMessage(0xF0), MidiOutResult::InvalidParam);
    auto shorts = Midi().Messages(Kind::Short);
    ASSERT_EQ(shorts.size(), 3u);
    EXPECT_EQ(shorts[0].bytes, (Bytes{0xC1, 5}));
    EXPECT_EQ(shorts[1].bytes, (Bytes{0x91, 60, 100}));
    EXPECT_EQ(shorts[2].bytes, (Bytes{0xFE}));
    EXPECT_EQ(shorts[0].time - start, 0ms);
    EXPECT_EQ(shorts[1].time - start, 250ms);

    // A long message goes only with a prepared header.
    const std::uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    MidiOutHeader header{gmOn, sizeof gmOn};
    EXPECT_EQ(device->LongMessage(header), MidiOutResult::Unprepared);
    EXPECT_EQ(device->PrepareHeader(header), MidiOutResult::Ok);
    EXPECT_TRUE(header.prepared);
    EXPECT_EQ(device->LongMessage(header), MidiOutResult::Ok);
    EXPECT_TRUE(header.done);
    EXPECT_EQ(device->UnprepareHeader(header), MidiOutResult::Ok);
    EXPECT_FALSE(header.prepared);
    MidiOutHeader empty{gmOn, 0};
    EXPECT_EQ(device->PrepareHeader(empty), MidiOutResult::InvalidParam);
    auto longs = Midi().Messages(Kind::Long);
    ASSERT_EQ(longs.size(), 1u);
    EXPECT_EQ(longs[0].bytes, Bytes(gmOn, gmOn + sizeof gmOn));

    // A device's failure comes back to the caller.
    Midi().SetSendsFail(true);
    EXPECT_EQ(device->ShortMessage(PackShortMessage(0x80, 60, 0)), MidiOutResult::Error);
    EXPECT_EQ(device->PrepareHeader(header), MidiOutResult::Ok);
    EXPECT_EQ(device->LongMessage(header), MidiOutResult::Error);
    EXPECT_EQ(device->Reset(), MidiOutResult::Error);
}

TEST(MidiOut, ResetAndCloseSilenceEveryChannel) {
    std::unique_ptr<MidiOut> device;
    ASSERT_EQ(platform::MidiOutOpen(&device, 0), MidiOutResult::Ok);
    EXPECT_TRUE(device->IsOpen());
    EXPECT_EQ(device->Reset(), MidiOutResult::Ok);
    EXPECT_EQ(Midi().Messages(Kind::Reset).size(), 1u);
    EXPECT_EQ(ShortBytes(), Join(OnEveryChannel(64), OnEveryChannel(123)));
    Midi().Clear();

    EXPECT_EQ(device->Close(), MidiOutResult::Ok);
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(ShortBytes(), Join(OnEveryChannel(123), OnEveryChannel(120)));
    auto all = Midi().Messages();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back().kind, Kind::Close);
    EXPECT_EQ(Midi().OpenCount(), 0);

    // A closed device refuses everything, a second close included.
    MidiOutHeader header{reinterpret_cast<const std::uint8_t*>("\xF0\xF7"), 2};
    EXPECT_EQ(device->ShortMessage(PackShortMessage(0x90, 1, 1)), MidiOutResult::InvalidHandle);
    EXPECT_EQ(device->PrepareHeader(header), MidiOutResult::InvalidHandle);
    EXPECT_EQ(device->LongMessage(header), MidiOutResult::InvalidHandle);
    EXPECT_EQ(device->UnprepareHeader(header), MidiOutResult::InvalidHandle);
    EXPECT_EQ(device->Reset(), MidiOutResult::InvalidHandle);
    EXPECT_EQ(device->Close(), MidiOutResult::InvalidHandle);
    Midi().Clear();

    // Letting go of an open device closes it the same way.
    ASSERT_EQ(platform::MidiOutOpen(&device, 0), MidiOutResult::Ok);
    device.reset();
    EXPECT_EQ(ShortBytes(), Join(OnEveryChannel(123), OnEveryChannel(120)));
    EXPECT_EQ(Midi().Messages(Kind::Close).size(), 1u);
}

TEST(MidiOut, RealSystemListsTheSoftwareSynthFirst) {
    auto recording = platform::SetMidiOutSystem(nullptr);
    int count = platform::MidiOutGetNumDevs();
    EXPECT_GE(count, 1);
    std::string name;
    EXPECT_EQ(platform::MidiOutGetDevName(0, &name), MidiOutResult::Ok);
    EXPECT_EQ(name, "Software Synthesizer (TimGM6mb)");
    EXPECT_EQ(platform::MidiOutGetDevName(count, &name), MidiOutResult::BadDeviceId);
    // Sequencer ports follow in the sequencer's order; a machine without a
    // sequencer simply has none.
    auto ports = platform::ListSequencerPorts();
    EXPECT_EQ(count, static_cast<int>(1 + ports.size()));
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(platform::MidiOutGetDevName(static_cast<int>(i + 1), &name), MidiOutResult::Ok);
        EXPECT_EQ(name, ports[i].name);
    }
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_TRUE(ports.empty());
    }
    platform::SetMidiOutSystem(recording);
}
