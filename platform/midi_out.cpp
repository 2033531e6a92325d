#include "platform/midi_out.h"

#include <vector>

#include "platform/alsa_midi_out.h"
#include "platform/software_synth.h"

namespace platform {

int ShortMessageLength(std::uint8_t status) {
    if (status < 0x80) return 0;
    switch (status & 0xF0) {
        case 0xC0:
        case 0xD0:
            return 2;
        case 0xF0:
            break;
        default:
            return 3;
    }
    switch (status) {
        case 0xF1:
        case 0xF3:
            return 2;
        case 0xF2:
            return 3;
        case 0xF6:
        case 0xF8:
        case 0xF9:
        case 0xFA:
        case 0xFB:
        case 0xFC:
        case 0xFD:
        case 0xFE:
        case 0xFF:
            return 1;
        default:
            return 0;  // F0 and F7 frame long messages; F4 and F5 are undefined
    }
}

// ---- MidiOut ----

MidiOut::MidiOut(std::unique_ptr<MidiOutBackend> backend, std::string name)
    : backend_(std::move(backend)), name_(std::move(name)) {}

MidiOut::~MidiOut() {
    Close();
}

bool MidiOut::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return backend_ != nullptr;
}

MidiOutResult MidiOut::ShortMessage(std::uint32_t packed) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!backend_) return MidiOutResult::InvalidHandle;
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(packed),
                                   static_cast<std::uint8_t>(packed >> 8),
                                   static_cast<std::uint8_t>(packed >> 16)};
    int length = ShortMessageLength(bytes[0]);
    if (length == 0) return MidiOutResult::InvalidParam;
    return backend_->SendShort(bytes, length);
}

MidiOutResult MidiOut::PrepareHeader(MidiOutHeader& header) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!backend_) return MidiOutResult::InvalidHandle;
    if (!header.data || header.length == 0) return MidiOutResult::InvalidParam;
    header.prepared = true;
    header.done = false;
    return MidiOutResult::Ok;
}

MidiOutResult MidiOut::LongMessage(MidiOutHeader& header) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!backend_) return MidiOutResult::InvalidHandle;
    if (!header.prepared) return MidiOutResult::Unprepared;
    if (!header.data || header.length == 0) return MidiOutResult::InvalidParam;
    MidiOutResult result = backend_->SendLong(header.data, header.length);
    header.done = true;
    return result;
}

MidiOutResult MidiOut::UnprepareHeader(MidiOutHeader& header) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!backend_) return MidiOutResult::InvalidHandle;
    header.prepared = false;
    return MidiOutResult::Ok;
}

MidiOutResult MidiOut::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!backend_) return MidiOutResult::InvalidHandle;
    backend_->OnReset();
    MidiOutResult sustain = SendOnEveryChannel(64);
    MidiOutResult notes = SendOnEveryChannel(123);
    return sustain != MidiOutResult::Ok ? sustain : notes;
}

MidiOutResult MidiOut::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!backend_) return MidiOutResult::InvalidHandle;
    // Nothing may go on sounding once the device is let go: All Notes Off,
    // then All Sound Off for the releases still ringing.
    SendOnEveryChannel(123);
    SendOnEveryChannel(120);
    backend_.reset();
    return MidiOutResult::Ok;
}

MidiOutResult MidiOut::SendOnEveryChannel(std::uint8_t controller) {
    MidiOutResult result = MidiOutResult::Ok;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(0xB0 | channel), controller, 0};
        MidiOutResult sent = backend_->SendShort(bytes, 3);
        if (result == MidiOutResult::Ok) result = sent;
    }
    return result;
}

// ---- The real system ----

namespace {

class SystemMidiOut : public MidiOutSystem {
public:
    int DeviceCount() override {
        std::lock_guard<std::mutex> lock(mutex_);
        Relist();
        return static_cast<int>(1 + ports_.size());
    }

    MidiOutResult DeviceName(int id, std::string* name) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!listed_) Relist();
        if (id == 0) {
            *name = kSoftwareSynthName;
        } else if (id > 0 && static_cast<std::size_t>(id) <= ports_.size()) {
            *name = ports_[id - 1].name;
        } else {
            return MidiOutResult::BadDeviceId;
        }
        return MidiOutResult::Ok;
    }

    MidiOutResult Open(int id, std::unique_ptr<MidiOutBackend>* backend,
                       std::string* name) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!listed_) Relist();
        if (id == kMidiMapper || id == 0) {
            *backend = OpenSoftwareSynth();
            *name = kSoftwareSynthName;
            return *backend ? MidiOutResult::Ok : MidiOutResult::NoMemory;
        }
        if (id < 0 || static_cast<std::size_t>(id) > ports_.size())
            return MidiOutResult::BadDeviceId;
        *backend = OpenSequencerPort(ports_[id - 1]);
        *name = ports_[id - 1].name;
        return *backend ? MidiOutResult::Ok : MidiOutResult::Error;
    }

private:
    void Relist() {
        ports_ = ListSequencerPorts();
        listed_ = true;
    }

    std::mutex mutex_;
    bool listed_ = false;
    std::vector<SequencerPort> ports_;
};

std::mutex g_systemMutex;

std::shared_ptr<MidiOutSystem>& InstalledSystem() {
    static std::shared_ptr<MidiOutSystem> system;
    return system;
}

}  // namespace

std::shared_ptr<MidiOutSystem> MakeSystemMidiOut() {
    return std::make_shared<SystemMidiOut>();
}

std::shared_ptr<MidiOutSystem> SetMidiOutSystem(std::shared_ptr<MidiOutSystem> system) {
    if (!system) system = MakeSystemMidiOut();
    std::lock_guard<std::mutex> lock(g_systemMutex);
    std::shared_ptr<MidiOutSystem> old = InstalledSystem();
    InstalledSystem() = std::move(system);
    return old;
}

std::shared_ptr<MidiOutSystem> GetMidiOutSystem() {
    std::lock_guard<std::mutex> lock(g_systemMutex);
    // The real system is made on first use, so a program (or test) that
    // installs its own never looks for sequencers.
    if (!InstalledSystem()) InstalledSystem() = MakeSystemMidiOut();
    return InstalledSystem();
}

int MidiOutGetNumDevs() {
    return GetMidiOutSystem()->DeviceCount();
}

MidiOutResult MidiOutGetDevName(int id, std::string* name) {
    if (!name) return MidiOutResult::InvalidParam;
    if (id == kMidiMapper) {
        *name = kMidiMapperName;
        return MidiOutResult::Ok;
    }
    return GetMidiOutSystem()->DeviceName(id, name);
}

MidiOutResult MidiOutOpen(std::unique_ptr<MidiOut>* device, int id) {
    if (!device) return MidiOutResult::InvalidParam;
    device->reset();
    std::unique_ptr<MidiOutBackend> backend;
    std::string name;
    MidiOutResult result = GetMidiOutSystem()->Open(id, &backend, &name);
    if (result != MidiOutResult::Ok) return result;
    if (!backend) return MidiOutResult::Error;
    *device = std::make_unique<MidiOut>(std::move(backend), std::move(name));
    return MidiOutResult::Ok;
}

}  // namespace platform
