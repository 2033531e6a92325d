// Held while a style editor works on WorkingStyle and a catalogue entry (the
// style selection, the edit panel's tone definition). A compose run replaces
// WorkingStyle for every tune, so nothing may start one meanwhile: the timer
// asks StyleEditHeld() before it starts a run. Guards nest.
#pragma once

class StyleEditGuard {
public:
    StyleEditGuard();
    ~StyleEditGuard();
    StyleEditGuard(const StyleEditGuard&) = delete;
    StyleEditGuard& operator=(const StyleEditGuard&) = delete;
};

// True while at least one StyleEditGuard lives (any thread may ask).
bool StyleEditHeld();
