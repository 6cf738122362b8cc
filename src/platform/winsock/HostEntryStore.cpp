#include "platform/winsock/HostEntryStore.h"

#include <array>
#include <cstring>

namespace quorvel::winsock {
namespace {

struct HostSlot {
  std::string name;
  std::vector<std::array<char, 4>> addresses;
  std::vector<char*> addressList;  // null-terminated
  char* noAliases[1] = {nullptr};
  THostEnt entry{};
};

struct ServiceSlot {
  std::string name;
  std::string protocol;
  std::vector<std::string> aliases;
  std::vector<char*> aliasList;  // null-terminated
  TServEnt entry{};
};

thread_local HostSlot hostSlot;
thread_local ServiceSlot serviceSlot;

}  // namespace

THostEnt* StoreHostEntry(const std::string& name, const std::vector<std::uint32_t>& addresses) {
  HostSlot& slot = hostSlot;
  slot.name = name;
  slot.addresses.resize(addresses.size());
  slot.addressList.clear();
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const std::uint32_t address = addresses[i];
    // Network order is the byte order in memory, so the bytes copy as they lie.
    std::memcpy(slot.addresses[i].data(), &address, sizeof address);
    slot.addressList.push_back(slot.addresses[i].data());
  }
  slot.addressList.push_back(nullptr);
  slot.entry = {slot.name.data(), slot.noAliases, AF_INET_WS, 4, slot.addressList.data()};
  return &slot.entry;
}

TServEnt* StoreServiceEntry(const std::string& name, const std::vector<std::string>& aliases,
                            const std::string& protocol, std::uint16_t port) {
  ServiceSlot& slot = serviceSlot;
  slot.name = name;
  slot.protocol = protocol;
  slot.aliases = aliases;
  slot.aliasList.clear();
  for (std::string& alias : slot.aliases) slot.aliasList.push_back(alias.data());
  slot.aliasList.push_back(nullptr);
  slot.entry = {slot.name.data(), slot.aliasList.data(), slot.protocol.data(),
                static_cast<std::int16_t>(port)};
  return &slot.entry;
}

}  // namespace quorvel::winsock
