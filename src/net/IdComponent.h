// Network components: each one is a user of the one shared stack, which the
// first of them creates and the last of them frees.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "net/IdBaseComponent.h"
#include "net/IdStack.h"

// The one stack of the process, or none while no network component exists.
extern std::unique_ptr<TIdStack> SharedStack;
// Guards StackUserCount and the creation and freeing of SharedStack.
extern std::mutex StackLock;
// The number of live network components.
std::int32_t StackUserCount();

enum class TIdStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText
};

using TIdStatusEvent =
    std::function<void(TComponent* ASender, TIdStatus AStatus, const std::string& AStatusText)>;

// Holds one use of the shared stack for as long as it lives. It is a base
// before the component itself, so the stack exists before the component is
// built and is given back only after the component and what it owns are gone.
class TIdStackUser {
 protected:
  TIdStackUser();
  ~TIdStackUser();

 public:
  TIdStackUser(const TIdStackUser&) = delete;
  TIdStackUser& operator=(const TIdStackUser&) = delete;
};

class TIdComponent : private TIdStackUser, public TIdBaseComponent {
 public:
  explicit TIdComponent(TComponent* AOwner) : TIdBaseComponent(AOwner) {}

  TIdStatusEvent OnStatus;
};
