#include "play/midi_controler.h"

#include <cstring>

#include "core/utilities.h"

namespace {

const CodeText kControlerTable[] = {
    {mdct::kCantOpen, "Can not open Midi device!"},
    {mdct::kCantClose, "Can not close Midi device!"},
    {mdct::kCantChangeTone, "Can not change tone with Midi device!"},
    {mdct::kCantSendSysEx, "Can not send system exclusive with midi device!"},
    {mdct::kInvalidParameter, "Invalid parameter in Midi!"},
};

constexpr ClassReporter kControlerReporter("MDCT", kControlerTable,
                                           "Error occured in MidiControler!");

// "Can not open Midi device!" for a system without any device: once a run.
OnceWarning& NoDeviceWarning() {
    static OnceWarning warning(kControlerReporter);
    return warning;
}

const std::uint8_t kGmSystemOnBlock[] = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

}  // namespace

void MidiControler::ErrorMsg(std::uint32_t code) {
    kControlerReporter.Show(code);
}

void MidiControler::ResetNoDeviceWarning() {
    NoDeviceWarning().Reset();
}

MidiControler::MidiControler(int deviceId) {
    Open(deviceId);
}

MidiControler::~MidiControler() = default;

void MidiControler::Open(int deviceId) {
    handle_.reset();
    if (platform::MidiOutGetNumDevs() == 0) {
        NoDeviceWarning().Show(mdct::kCantOpen);
        return;
    }
    platform::MidiOutResult result = platform::MidiOutOpen(&handle_, deviceId);
    if (result != platform::MidiOutResult::Ok && deviceId == platform::kMidiMapper)
        result = platform::MidiOutOpen(&handle_, 0);
    if (result != platform::MidiOutResult::Ok) {
        handle_.reset();
        ErrorMsg(mdct::kCantOpen);
    }
}

void MidiControler::Close() {
    if (!handle_) return;
    if (handle_->Reset() != platform::MidiOutResult::Ok) ErrorMsg(mdct::kCantClose);
    if (handle_->Close() != platform::MidiOutResult::Ok) ErrorMsg(mdct::kCantClose);
    handle_.reset();
}

platform::MidiOutResult MidiControler::Send(int status, int data1, int data2) {
    if (!handle_) return platform::MidiOutResult::InvalidHandle;
    return handle_->ShortMessage(platform::PackShortMessage(static_cast<std::uint8_t>(status),
                                                            static_cast<std::uint8_t>(data1),
                                                            static_cast<std::uint8_t>(data2)));
}

platform::MidiOutResult MidiControler::SendChannelMessage(int status, int channel, int data1,
                                                          int data2) {
    // A channel outside 0..15 would change the status byte into another
    // message (255, "no channel", into a system reset).
    if (channel < 0 || channel > 15) {
        ErrorMsg(mdct::kInvalidParameter);
        return platform::MidiOutResult::InvalidParam;
    }
    return Send(status | channel, data1, data2);
}

void MidiControler::NoteOn(int note, int velocity, int channel) {
    if (velocity & 0x80) velocity = 127;
    SendChannelMessage(0x90, channel, note, velocity);
}

void MidiControler::NoteOff(int note, int channel) {
    SendChannelMessage(0x80, channel, note, 0);
}

void MidiControler::ProgramChange(int program, int channel) {
    platform::MidiOutResult result = SendChannelMessage(0xC0, channel, program, 0);
    if (result != platform::MidiOutResult::Ok && result != platform::MidiOutResult::InvalidParam)
        ErrorMsg(mdct::kCantChangeTone);
}

void MidiControler::ControlChange(int value, int controller, int channel) {
    SendChannelMessage(0xB0, channel, controller, value);
}

void MidiControler::SendShortMessage(int data2, int data1, int status) {
    Send(status, data1, data2);
}

int MidiControler::SendSysEx(int length, const std::uint8_t* bytes) {
    if (!bytes || length < 1 || length > kSysExBufferSize) return 0;
    std::uint8_t buffer[kSysExBufferSize];
    std::size_t size = 0;
    if (bytes[0] == 0xF0 || bytes[0] == 0xF7) {
        // The length count of a stored block is a variable-length number;
        // the bytes sent are those that follow it, never more than it says
        // nor more than the block holds.
        std::uint32_t count = 0;
        int used = ReadVarLen(bytes + 1, static_cast<std::size_t>(length - 1), &count);
        if (used == 0) {
            ErrorMsg(mdct::kInvalidParameter);
            return 0;
        }
        std::size_t available = static_cast<std::size_t>(length - 1 - used);
        std::size_t body = count < available ? count : available;
        if (bytes[0] == 0xF0) buffer[size++] = 0xF0;
        std::memcpy(buffer + size, bytes + 1 + used, body);
        size += body;
    } else {
        std::memcpy(buffer, bytes, static_cast<std::size_t>(length));
        size = static_cast<std::size_t>(length);
    }
    if (size == 0) return 0;
    platform::MidiOutHeader header{buffer, size};
    bool sent = handle_ && handle_->PrepareHeader(header) == platform::MidiOutResult::Ok &&
                handle_->LongMessage(header) == platform::MidiOutResult::Ok;
    if (handle_) handle_->UnprepareHeader(header);
    if (!sent) {
        ErrorMsg(mdct::kCantSendSysEx);
        return 0;
    }
    return 1;
}

void MidiControler::AllNotesOff() {
    for (int channel = 0; channel < 16; ++channel)
        ControlChange(0, 123, channel);
}

void MidiControler::SendGmSystemOn() {
    SendSysEx(sizeof kGmSystemOnBlock, kGmSystemOnBlock);
}
