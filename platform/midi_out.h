// MIDI output devices: the list of devices, opening one (or the mapper), and
// the messages sent to an open device. Devices 0..n-1 are what the installed
// MIDI output system lists; the mapper (-1) opens the system's default one.
// The real system lists the built-in software synthesizer first and then
// every ALSA sequencer port that accepts output; tests install a recording
// system instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

// Results of the MIDI output calls. The numbers are the ones the device
// selection reports by code, so they are fixed.
enum class MidiOutResult : int {
    Ok = 0,
    Error = 1,          // the device failed
    BadDeviceId = 2,    // no device with that id
    InvalidHandle = 5,  // the device is closed
    NoDriver = 6,       // no device at all
    NoMemory = 7,
    InvalidParam = 11,  // a message or header that cannot be sent
    Unprepared = 64,    // a long message whose header is not prepared
};

// The device id that opens the default device.
constexpr int kMidiMapper = -1;
// Name listed for the mapper.
constexpr const char* kMidiMapperName = "MIDI MAPPER";

// A short message packed as status | first data byte << 8 | second << 16.
constexpr std::uint32_t PackShortMessage(std::uint8_t status, std::uint8_t data1,
                                         std::uint8_t data2) {
    return static_cast<std::uint32_t>(status) | (static_cast<std::uint32_t>(data1) << 8) |
           (static_cast<std::uint32_t>(data2) << 16);
}

// Bytes of a short message with this status (1 to 3), or 0 when the status
// cannot be sent as a short message (a data byte, or F0, F4, F5, F7).
int ShortMessageLength(std::uint8_t status);

// The buffer of a long (system-exclusive) message. It is prepared before it
// is sent and unprepared afterwards; sending completes before LongMessage
// returns, so `done` is set at once.
struct MidiOutHeader {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
    bool prepared = false;
    bool done = false;
};

// What one kind of device does with the bytes; the open device (MidiOut)
// checks every call before it reaches here, and serialises the calls.
class MidiOutBackend {
public:
    virtual ~MidiOutBackend() = default;
    // One complete short message of 1 to 3 bytes, status first.
    virtual MidiOutResult SendShort(const std::uint8_t* bytes, int length) = 0;
    // One long message as given (normally F0 ... F7).
    virtual MidiOutResult SendLong(const std::uint8_t* bytes, std::size_t length) = 0;
    // Told before a reset's messages are sent. A backend is released by
    // destroying it, after the closing messages.
    virtual void OnReset() {}
};

// One open MIDI output device. Calls may come from any thread. Closing (or
// destroying) it sends All Notes Off and All Sound Off on every channel first.
class MidiOut {
public:
    MidiOut(std::unique_ptr<MidiOutBackend> backend, std::string name);
    ~MidiOut();
    MidiOut(const MidiOut&) = delete;
    MidiOut& operator=(const MidiOut&) = delete;

    const std::string& Name() const { return name_; }
    bool IsOpen() const;

    MidiOutResult ShortMessage(std::uint32_t packed);
    MidiOutResult PrepareHeader(MidiOutHeader& header);
    MidiOutResult LongMessage(MidiOutHeader& header);
    MidiOutResult UnprepareHeader(MidiOutHeader& header);
    // Silences the device: sustain off and All Notes Off on every channel.
    MidiOutResult Reset();
    // Silences the device and releases it; every later call gives
    // InvalidHandle.
    MidiOutResult Close();

private:
    MidiOutResult SendOnEveryChannel(std::uint8_t controller);

    mutable std::mutex mutex_;
    std::unique_ptr<MidiOutBackend> backend_;
    std::string name_;
};

// A set of devices: the real one, or a test's.
class MidiOutSystem {
public:
    virtual ~MidiOutSystem() = default;
    // Looks the devices up again and gives their number.
    virtual int DeviceCount() = 0;
    // Name of device 0..count-1 as listed by the last DeviceCount.
    virtual MidiOutResult DeviceName(int id, std::string* name) = 0;
    // Opens device id of the last listing, or the default one for kMidiMapper.
    virtual MidiOutResult Open(int id, std::unique_ptr<MidiOutBackend>* backend,
                               std::string* name) = 0;
};

// The real system: the software synthesizer (device 0, and the mapper) and
// the ALSA sequencer's output ports.
std::shared_ptr<MidiOutSystem> MakeSystemMidiOut();

// Installs a system; nullptr restores the real one. Returns the one replaced.
std::shared_ptr<MidiOutSystem> SetMidiOutSystem(std::shared_ptr<MidiOutSystem> system);
std::shared_ptr<MidiOutSystem> GetMidiOutSystem();

// ---- The calls the players use, on the installed system ----

// Number of devices; the mapper is not counted.
int MidiOutGetNumDevs();
// Name of a device; kMidiMapper gives "MIDI MAPPER".
MidiOutResult MidiOutGetDevName(int id, std::string* name);
// Opens a device (kMidiMapper for the default one). On failure *device is
// null and the result says why.
MidiOutResult MidiOutOpen(std::unique_ptr<MidiOut>* device, int id);

}  // namespace platform
