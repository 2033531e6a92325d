// A MIDI output system for tests: its devices keep every message sent to
// them with the time of the installed clock, and opening or sending can be
// made to fail.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_out.h"

namespace platform {

struct RecordedMidiMessage {
    enum class Kind {
        Open,   // the device was opened (no bytes)
        Short,  // a short message of 1 to 3 bytes
        Long,   // a long message as sent
        Reset,  // a reset began (its messages follow as Short)
        Close,  // the device was released, after its closing messages
    };
    Kind kind;
    int device;  // the id opened; the mapper records the device it opened
    Nanoseconds time;
    std::vector<std::uint8_t> bytes;
};

class RecordingMidiOut : public MidiOutSystem {
public:
    // Devices named "Recording MIDI Out 0", "Recording MIDI Out 1", ...
    explicit RecordingMidiOut(int deviceCount = 1);

    int DeviceCount() override;
    MidiOutResult DeviceName(int id, std::string* name) override;
    // The mapper opens device 0.
    MidiOutResult Open(int id, std::unique_ptr<MidiOutBackend>* backend,
                       std::string* name) override;

    void SetDevices(const std::vector<std::string>& names);
    // Makes opening this id (kMidiMapper included) fail, or work again.
    void SetOpenFails(int id, bool fails);
    // Makes every short and long message fail with Error (still recorded).
    void SetSendsFail(bool fails);

    std::vector<RecordedMidiMessage> Messages() const;
    // Only the messages of one kind.
    std::vector<RecordedMidiMessage> Messages(RecordedMidiMessage::Kind kind) const;
    // Devices open now.
    int OpenCount() const;
    void Clear();

    // What the system shares with the devices it opened, which may outlive it.
    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace platform
