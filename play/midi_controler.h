// The wrapper of one MIDI output device through which the players send
// notes, controllers, programs and system-exclusive blocks.
#pragma once

#include <cstdint>
#include <memory>

#include "core/reporters.h"
#include "platform/midi_out.h"

namespace mdct {
constexpr std::uint32_t kCantOpen = 0x7000001;
constexpr std::uint32_t kCantClose = 0x7000002;
constexpr std::uint32_t kCantChangeTone = 0x7000003;
constexpr std::uint32_t kCantSendSysEx = 0x7000004;
constexpr std::uint32_t kInvalidParameter = 0x7000005;
}  // namespace mdct

// Largest system-exclusive block that is sent.
constexpr int kSysExBufferSize = 256;

class MidiControler {
public:
    explicit MidiControler(int deviceId);
    ~MidiControler();
    MidiControler(const MidiControler&) = delete;
    MidiControler& operator=(const MidiControler&) = delete;

    // Opens the device (platform::kMidiMapper for the mapper, which falls
    // back to device 0). On failure the device stays closed and
    // "Can not open Midi device!" is shown; when the system has no device at
    // all, only the first time in a run.
    void Open(int deviceId);
    // Resets and closes the device when it is open.
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // A velocity with bit 7 set is sent as 127.
    void NoteOn(int note, int velocity, int channel);
    void NoteOff(int note, int channel);
    void ProgramChange(int program, int channel);
    void ControlChange(int value, int controller, int channel);
    void SendShortMessage(int data2, int data1, int status);
    // Sends a block held as an event stores it: F0, its length count, the
    // message through F7 goes out as F0 and the message; an escaped packet
    // (F7, count, bytes) as its bytes; any other block as it is. Blocks
    // longer than kSysExBufferSize are not sent. 1 when sent.
    int SendSysEx(int length, const std::uint8_t* bytes);
    // Control change 123 (All Notes Off) on channels 0..15.
    void AllNotesOff();
    void SendGmSystemOn();

    static void ErrorMsg(std::uint32_t code);
    // Lets "Can not open Midi device!" for a system without devices be shown
    // again (once).
    static void ResetNoDeviceWarning();

private:
    // Sends a short message on a channel 0..15 (other channels are refused
    // with kInvalidParameter); the device's result.
    platform::MidiOutResult SendChannelMessage(int status, int channel, int data1, int data2);
    platform::MidiOutResult Send(int status, int data1, int data2);

    std::unique_ptr<platform::MidiOut> handle_;
};
