#include "compose/compose_tune.h"

// Placeholder until the whole-tune driver lands: nothing is composed.
int ComposeOneTune(std::uint8_t*, std::size_t* length) {
    *length = 0;
    return 0;
}
