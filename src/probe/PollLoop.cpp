#include "probe/PollLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "probe/SystemError.h"

namespace quorvel::probe {

void PollOnce(std::span<Driven* const> parts, TimePoint limit) {
  std::vector<pollfd> watched;
  std::vector<Driven*> owners;
  TimePoint wake = limit;
  for (Driven* part : parts) {
    for (const int fd : part->Descriptors()) {
      watched.push_back({fd, POLLIN, 0});
      owners.push_back(part);
    }
    if (const std::optional<TimePoint> deadline = part->NextDeadline())
      wake = std::min(wake, *deadline);
  }
  // To the nanosecond: poll's milliseconds would make every probe late.
  const auto wait = std::max(wake - Clock::now(), Clock::duration::zero());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
  const timespec timeout{static_cast<time_t>(seconds.count()),
                         static_cast<long>((wait - seconds).count())};
  if (::ppoll(watched.data(), watched.size(), &timeout, nullptr) < 0 && errno != EINTR)
    throw SystemError("ppoll", errno);
  TimePoint now = Clock::now();
  for (std::size_t i = 0; i < watched.size(); ++i)
    if (watched[i].revents != 0) owners[i]->HandleReadable(watched[i].fd, now);
  now = Clock::now();
  for (Driven* part : parts) part->HandleTime(now);
}

bool PollUntil(std::span<Driven* const> parts, TimePoint limit, const std::function<bool()>& done) {
  while (!done()) {
    if (Clock::now() >= limit) return false;
    PollOnce(parts, limit);
  }
  return true;
}

}  // namespace quorvel::probe
