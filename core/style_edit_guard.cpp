#include "core/style_edit_guard.h"

#include <atomic>

namespace {

std::atomic<int> g_holders{0};

}  // namespace

StyleEditGuard::StyleEditGuard() {
    ++g_holders;
}

StyleEditGuard::~StyleEditGuard() {
    --g_holders;
}

bool StyleEditHeld() {
    return g_holders.load() > 0;
}
