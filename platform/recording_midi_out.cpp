#include "platform/recording_midi_out.h"

#include <mutex>
#include <set>

namespace platform {

struct RecordingMidiOut::State {
    std::mutex mutex;
    std::vector<std::string> names;
    std::set<int> failingOpens;
    bool sendsFail = false;
    int open = 0;
    std::vector<RecordedMidiMessage> messages;

    void Record(RecordedMidiMessage::Kind kind, int device, const std::uint8_t* bytes,
                std::size_t length) {
        Nanoseconds now = GetClock()->Now();
        std::lock_guard<std::mutex> lock(mutex);
        messages.push_back({kind, device, now, std::vector<std::uint8_t>(bytes, bytes + length)});
    }
};

namespace {

using Kind = RecordedMidiMessage::Kind;

class RecordingBackend : public MidiOutBackend {
public:
    RecordingBackend(std::shared_ptr<RecordingMidiOut::State> state, int device)
        : state_(std::move(state)), device_(device) {}

    ~RecordingBackend() override {
        state_->Record(Kind::Close, device_, nullptr, 0);
        std::lock_guard<std::mutex> lock(state_->mutex);
        --state_->open;
    }

    MidiOutResult SendShort(const std::uint8_t* bytes, int length) override {
        state_->Record(Kind::Short, device_, bytes, static_cast<std::size_t>(length));
        return Result();
    }

    MidiOutResult SendLong(const std::uint8_t* bytes, std::size_t length) override {
        state_->Record(Kind::Long, device_, bytes, length);
        return Result();
    }

    void OnReset() override { state_->Record(Kind::Reset, device_, nullptr, 0); }

private:
    MidiOutResult Result() {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->sendsFail ? MidiOutResult::Error : MidiOutResult::Ok;
    }

    std::shared_ptr<RecordingMidiOut::State> state_;
    int device_;
};

}  // namespace

RecordingMidiOut::RecordingMidiOut(int deviceCount) : state_(std::make_shared<State>()) {
    for (int i = 0; i < deviceCount; ++i)
        state_->names.push_back("Recording MIDI Out " + std::to_string(i));
}

int RecordingMidiOut::DeviceCount() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return static_cast<int>(state_->names.size());
}

MidiOutResult RecordingMidiOut::DeviceName(int id, std::string* name) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (id < 0 || static_cast<std::size_t>(id) >= state_->names.size())
        return MidiOutResult::BadDeviceId;
    *name = state_->names[id];
    return MidiOutResult::Ok;
}

MidiOutResult RecordingMidiOut::Open(int id, std::unique_ptr<MidiOutBackend>* backend,
                                     std::string* name) {
    int device = id == kMidiMapper ? 0 : id;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->names.empty()) return MidiOutResult::NoDriver;
        if (device < 0 || static_cast<std::size_t>(device) >= state_->names.size())
            return MidiOutResult::BadDeviceId;
        if (state_->failingOpens.count(id)) return MidiOutResult::Error;
        *name = state_->names[device];
        ++state_->open;
    }
    state_->Record(Kind::Open, device, nullptr, 0);
    *backend = std::make_unique<RecordingBackend>(state_, device);
    return MidiOutResult::Ok;
}

void RecordingMidiOut::SetDevices(const std::vector<std::string>& names) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->names = names;
}

void RecordingMidiOut::SetOpenFails(int id, bool fails) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (fails) {
        state_->failingOpens.insert(id);
    } else {
        state_->failingOpens.erase(id);
    }
}

void RecordingMidiOut::SetSendsFail(bool fails) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->sendsFail = fails;
}

std::vector<RecordedMidiMessage> RecordingMidiOut::Messages() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->messages;
}

std::vector<RecordedMidiMessage> RecordingMidiOut::Messages(RecordedMidiMessage::Kind kind) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::vector<RecordedMidiMessage> out;
    for (const RecordedMidiMessage& m : state_->messages) {
        if (m.kind == kind) out.push_back(m);
    }
    return out;
}

int RecordingMidiOut::OpenCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->open;
}

void RecordingMidiOut::Clear() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->messages.clear();
}

}  // namespace platform
