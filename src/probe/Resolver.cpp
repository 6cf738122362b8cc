#include "probe/Resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "probe/SystemError.h"

namespace quorvel::probe {
namespace {

// Names looked up at once: a slow one does not hold up the next.
constexpr int kWorkers = 2;

// What a worker looks up: a name, or the name of an address.
struct Job {
  std::uint64_t id = 0;
  std::string name;
  std::optional<wire::IpAddress> address;
};

void Fail(Resolution& resolution, int error) {
  resolution.error = error;
  resolution.message = error == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(error);
}

Resolution Lookup(std::uint64_t id, const std::string& name) {
  Resolution resolution{id, name, {}, 0, {}};
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;  // one entry per address
  addrinfo* found = nullptr;
  const int error = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (error != 0) {
    Fail(resolution, error);
    return resolution;
  }
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    wire::IpAddress address;
    if (entry->ai_family == AF_INET) {
      const auto* v4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
      address = wire::IpAddress::V4(std::span<const std::uint8_t, 4>(
          reinterpret_cast<const std::uint8_t*>(&v4->sin_addr), 4));
    } else if (entry->ai_family == AF_INET6) {
      const auto* v6 = reinterpret_cast<const sockaddr_in6*>(entry->ai_addr);
      address = wire::IpAddress::V6(std::span<const std::uint8_t, 16>(v6->sin6_addr.s6_addr, 16));
    } else {
      continue;
    }
    if (std::find(resolution.addresses.begin(), resolution.addresses.end(), address) ==
        resolution.addresses.end())
      resolution.addresses.push_back(address);
  }
  ::freeaddrinfo(found);
  return resolution;
}

Resolution ReverseLookup(std::uint64_t id, const wire::IpAddress& address) {
  Resolution resolution{id, {}, {address}, 0, {}};
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (address.family == wire::Family::kIpv4) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    v4->sin_family = AF_INET;
    std::memcpy(&v4->sin_addr, address.bytes.data(), 4);
    length = sizeof *v4;
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    v6->sin6_family = AF_INET6;
    std::memcpy(&v6->sin6_addr, address.bytes.data(), 16);
    length = sizeof *v6;
  }
  char host[NI_MAXHOST] = {};
  const int error = ::getnameinfo(reinterpret_cast<const sockaddr*>(&storage), length, host,
                                  sizeof host, nullptr, 0, NI_NAMEREQD);
  if (error != 0)
    Fail(resolution, error);
  else
    resolution.name = host;
  return resolution;
}

}  // namespace

class Resolver::Impl {
 public:
  explicit Impl(ResolutionHandler onResolved) : onResolved_(std::move(onResolved)) {
    ready_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (ready_ < 0) throw SystemError("eventfd", errno);
    for (int i = 0; i < kWorkers; ++i)
      workers_.emplace_back([this](const std::stop_token& stop) { Work(stop); });
  }

  ~Impl() {
    for (std::jthread& worker : workers_) worker.request_stop();
    wake_.notify_all();
    workers_.clear();
    ::close(ready_);
  }

  std::uint64_t Queue(Job job) {
    const std::lock_guard lock(mutex_);
    job.id = next_++;
    waiting_.push_back(std::move(job));
    wake_.notify_one();
    return waiting_.back().id;
  }

  bool Cancel(std::uint64_t id) {
    const std::lock_guard lock(mutex_);
    const auto waiting = std::find_if(waiting_.begin(), waiting_.end(),
                                      [id](const Job& entry) { return entry.id == id; });
    if (waiting != waiting_.end()) {
      waiting_.erase(waiting);
      return true;
    }
    const auto done = std::find_if(done_.begin(), done_.end(),
                                   [id](const Resolution& entry) { return entry.id == id; });
    if (done != done_.end()) {
      done_.erase(done);
      return true;
    }
    return looking_.erase(id) > 0 && cancelled_.insert(id).second;
  }

  int Descriptor() const { return ready_; }

  void HandleReadable() {
    std::uint64_t count = 0;
    if (::read(ready_, &count, sizeof count) < 0 && errno != EAGAIN)
      throw SystemError("read", errno);
    std::deque<Resolution> done;
    {
      const std::lock_guard lock(mutex_);
      done.swap(done_);
    }
    for (const Resolution& resolution : done)
      if (onResolved_) onResolved_(resolution);
  }

 private:
  void Work(std::stop_token stop) {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop.stop_requested() || !waiting_.empty(); });
        if (stop.stop_requested()) return;
        job = std::move(waiting_.front());
        waiting_.pop_front();
        looking_.insert(job.id);
      }
      Resolution resolution =
          job.address ? ReverseLookup(job.id, *job.address) : Lookup(job.id, job.name);
      const std::lock_guard lock(mutex_);
      looking_.erase(job.id);
      if (cancelled_.erase(job.id) > 0) continue;
      done_.push_back(std::move(resolution));
      const std::uint64_t one = 1;
      if (::write(ready_, &one, sizeof one) < 0) {
        // The counter cannot overflow at one a name; nothing else can fail.
      }
    }
  }

  ResolutionHandler onResolved_;
  int ready_ = -1;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t next_ = 1;
  std::deque<Job> waiting_;
  std::set<std::uint64_t> looking_;
  std::set<std::uint64_t> cancelled_;
  std::deque<Resolution> done_;
  std::vector<std::jthread> workers_;
};

Resolver::Resolver(ResolutionHandler onResolved)
    : impl_(std::make_unique<Impl>(std::move(onResolved))) {}
Resolver::~Resolver() = default;
std::uint64_t Resolver::Resolve(const std::string& name) { return impl_->Queue({0, name, {}}); }
std::uint64_t Resolver::ResolveAddress(const wire::IpAddress& address) {
  return impl_->Queue({0, {}, address});
}
bool Resolver::Cancel(std::uint64_t id) { return impl_->Cancel(id); }
std::vector<int> Resolver::Descriptors() const { return {impl_->Descriptor()}; }
void Resolver::HandleReadable(int, TimePoint) { impl_->HandleReadable(); }

}  // namespace quorvel::probe
