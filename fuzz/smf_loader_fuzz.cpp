// Looks for damage in arbitrary bytes, loads them as a MIDI file, converts
// the held tune to format 0 and back and writes it: no read or write may
// leave the bytes or the blocks.
#include <cstdint>
#include <memory>

#include "midi/file_loader.h"
#include "midi/smf_checks.h"
#include "platform/clock.h"
#include "platform/message_sink.h"

namespace {

// Boxes are dropped and pauses return at once.
class QuietSink : public platform::MessageSink {
public:
    int Show(platform::BoxKind, const std::string&) override { return 1; }
};

void Quiet() {
    static bool done = false;
    if (done) return;
    done = true;
    platform::SetMessageSink(std::make_shared<QuietSink>());
    platform::SetClock(std::make_shared<platform::FakeClock>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Quiet();
    FindSmfDamage(std::span<const std::uint8_t>(data, size));
    MidiFileLoader loader;
    loader.LoadImage(data, size);
    if (!loader.Tune1()) return 0;
    if (loader.ConvertToFormat0(1)) {
        loader.Tune0()->ConvertToNoteOnOff();
        loader.Tune0()->WriteSmf();
    }
    return 0;
}
