#include "platform/winsock/SelectSets.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/SocketRegistry.h"

namespace quorvel::winsock {
namespace {

struct Watched {
  TFDSet* set;
  short wanted;
};

// Microseconds to wait, -1 for no end; negative fields are refused.
int WaitTime(const TTimeVal* timeout, std::int64_t* microseconds) {
  if (timeout == nullptr) {
    *microseconds = -1;
    return 0;
  }
  if (timeout->tv_sec < 0 || timeout->tv_usec < 0) return WSAEINVAL;
  *microseconds = std::int64_t{timeout->tv_sec} * 1'000'000 + timeout->tv_usec;
  return 0;
}

}  // namespace

int SelectReady(TFDSet* read, TFDSet* write, TFDSet* except, const TTimeVal* timeout, int* ready) {
  const Watched watched[] = {
      {read, kPollReadable}, {write, kPollWritable}, {except, kPollExceptional}};
  std::array<PollEntry, kMaxPollEntries> entries;
  int count = 0;
  for (const Watched& w : watched) {
    if (w.set == nullptr) continue;
    if (w.set->fd_count > FD_SETSIZE_WS) return WSAEINVAL;
    for (std::uint32_t i = 0; i < w.set->fd_count; ++i) {
      const TSocket handle = w.set->fd_array[i];
      if (FindSocket(handle).type == 0) return WSAENOTSOCK;
      entries[count++] = {static_cast<int>(handle), w.wanted, false};
    }
  }
  if (count == 0) return WSAEINVAL;
  std::int64_t microseconds = 0;
  if (const int error = WaitTime(timeout, &microseconds)) return error;

  const PosixResult polled = PosixPoll(entries.data(), count, microseconds);
  if (polled.error != 0) return polled.error;

  // Entries were laid out set by set, so each set keeps its own order.
  const PollEntry* entry = entries.data();
  for (const Watched& w : watched) {
    if (w.set == nullptr) continue;
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < w.set->fd_count; ++i, ++entry) {
      if (entry->ready) w.set->fd_array[kept++] = w.set->fd_array[i];
    }
    w.set->fd_count = kept;
  }
  *ready = polled.value;
  return 0;
}

bool InSet(TSocket handle, const TFDSet* set) {
  if (set == nullptr) return false;
  const std::uint32_t count = std::min<std::uint32_t>(set->fd_count, FD_SETSIZE_WS);
  return std::find(set->fd_array, set->fd_array + count, handle) != set->fd_array + count;
}

}  // namespace quorvel::winsock
