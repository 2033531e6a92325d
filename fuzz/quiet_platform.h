// Fuzz targets run the readers' error paths thousands of times a second: the
// boxes go nowhere and the pause after each error costs no time.
#pragma once

#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/message_sink.h"

namespace fuzz_support {

class DiscardingSink : public platform::MessageSink {
public:
    int Show(platform::BoxKind, const std::string&) override { return platform::kIdOk; }
};

inline void QuietPlatform() {
    static const bool installed = [] {
        platform::SetMessageSink(std::make_shared<DiscardingSink>());
        platform::SetClock(std::make_shared<platform::FakeClock>());
        return true;
    }();
    (void)installed;
}

}  // namespace fuzz_support
