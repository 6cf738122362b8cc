// A plain poll loop over the engine's parts, for programs without a window
// (quorvel-monitor, the benchmarks, the tests).
#pragma once

#include <functional>
#include <span>

#include "probe/Driven.h"

namespace quorvel::probe {

// One round: waits until a descriptor is readable, the earliest deadline or
// `limit`, whichever is first; then hands readiness and time to every part.
// A failing poll (other than EINTR) raises SystemError naming it.
void PollOnce(std::span<Driven* const> parts, TimePoint limit);

// Rounds until `done` returns true or `limit` has passed; true when done.
bool PollUntil(std::span<Driven* const> parts, TimePoint limit, const std::function<bool()>& done);

}  // namespace quorvel::probe
