// The system beep that refused input gives. Tests replace the sound with a hook
// of their own, so they can count beeps on a silent machine.
#pragma once

#include <functional>

using TMessageBeepHook = std::function<void(unsigned int Type)>;

// Sounds the beep of the given kind (0 is the default beep).
void MessageBeep(unsigned int Type);

// Makes MessageBeep call Hook instead of sounding; an empty hook restores the
// sound. Returns the hook it replaces.
TMessageBeepHook SetMessageBeepHook(TMessageBeepHook Hook);
