#include "platform/winsock/Resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/winsock/ErrorMap.h"
#include "platform/winsock/HostEntryStore.h"

namespace quorvel::winsock {
namespace {

// Lookups allocate; running out of memory is an error, never an exception
// escaping through the exports.
template <typename Entry, typename Lookup>
Entry* Guarded(int* error, Lookup lookup) {
  try {
    return lookup();
  } catch (const std::bad_alloc&) {
    *error = WSAENOBUFS;
    return nullptr;
  }
}

// uname rather than gethostname: the library exports a function of that name.
utsname ThisHost() {
  utsname names{};
  uname(&names);
  return names;
}

struct AddrInfoDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

THostEnt* Resolve(const char* name, int* error) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;  // one entry per address, not per socket type
  hints.ai_flags = AI_CANONNAME;
  addrinfo* raw = nullptr;
  const int status = getaddrinfo(name, nullptr, &hints, &raw);
  if (status != 0) {
    *error = WsaErrorFromAddrInfo(status, errno);
    return nullptr;
  }
  const std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);
  std::vector<std::uint32_t> addresses;
  for (const addrinfo* info = list.get(); info != nullptr; info = info->ai_next) {
    const std::uint32_t address =
        reinterpret_cast<const sockaddr_in*>(info->ai_addr)->sin_addr.s_addr;
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
      addresses.push_back(address);
    }
  }
  const char* canonical = list->ai_canonname != nullptr ? list->ai_canonname : name;
  return StoreHostEntry(canonical, addresses);
}

// The reentrant service calls want a buffer of unknown size: grow it while
// they ask for more, up to a bound.
template <typename Lookup>
TServEnt* LookUpService(Lookup lookup, int* error) {
  constexpr std::size_t kLargestBuffer = 1 << 16;
  for (std::size_t size = 1024; size <= kLargestBuffer; size *= 2) {
    std::vector<char> buffer(size);
    servent entry{};
    servent* found = nullptr;
    const int status = lookup(&entry, buffer.data(), buffer.size(), &found);
    if (status == ERANGE) continue;
    if (status != 0 || found == nullptr) break;
    std::vector<std::string> aliases;
    for (char** alias = entry.s_aliases; *alias != nullptr; ++alias) aliases.emplace_back(*alias);
    return StoreServiceEntry(entry.s_name, aliases, entry.s_proto,
                             static_cast<std::uint16_t>(entry.s_port));
  }
  *error = WSANO_DATA;
  return nullptr;
}

}  // namespace

THostEnt* HostByName(const char* name, int* error) {
  if (name == nullptr) {
    *error = WSAEFAULT;
    return nullptr;
  }
  return Guarded<THostEnt>(
      error, [&] { return Resolve(*name == '\0' ? ThisHost().nodename : name, error); });
}

THostEnt* HostByAddress(std::uint32_t address, int* error) {
  return Guarded<THostEnt>(error, [&]() -> THostEnt* {
    sockaddr_in posix{};
    posix.sin_family = AF_INET;
    posix.sin_addr.s_addr = address;
    char name[NI_MAXHOST];
    const int status = getnameinfo(reinterpret_cast<const sockaddr*>(&posix), sizeof posix, name,
                                   sizeof name, nullptr, 0, NI_NAMEREQD);
    if (status != 0) {
      *error = WsaErrorFromAddrInfo(status, errno);
      return nullptr;
    }
    return StoreHostEntry(name, {address});
  });
}

TServEnt* ServiceByName(const char* name, const char* protocol, int* error) {
  if (name == nullptr) {
    *error = WSAEFAULT;
    return nullptr;
  }
  return Guarded<TServEnt>(error, [&] {
    return LookUpService(
        [&](servent* entry, char* buffer, std::size_t size, servent** found) {
          return getservbyname_r(name, protocol, entry, buffer, size, found);
        },
        error);
  });
}

TServEnt* ServiceByPort(int port, const char* protocol, int* error) {
  return Guarded<TServEnt>(error, [&] {
    return LookUpService(
        [&](servent* entry, char* buffer, std::size_t size, servent** found) {
          return getservbyport_r(port, protocol, entry, buffer, size, found);
        },
        error);
  });
}

int CopyHostName(char* buffer, int length) {
  const utsname host = ThisHost();
  const std::size_t size = std::strlen(host.nodename) + 1;
  if (buffer == nullptr || length < 0 || size > static_cast<std::size_t>(length)) return WSAEFAULT;
  std::memcpy(buffer, host.nodename, size);
  return 0;
}

std::uint32_t ParseAddress(const char* text) {
  in_addr address{};
  if (text == nullptr || inet_aton(text, &address) == 0) return INADDR_NONE_WS;
  return address.s_addr;
}

}  // namespace quorvel::winsock
