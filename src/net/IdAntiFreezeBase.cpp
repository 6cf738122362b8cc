#include "net/IdAntiFreezeBase.h"

#include <chrono>
#include <future>

#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"

TIdAntiFreezeBase* CurrentAntiFreeze = nullptr;

TIdAntiFreezeBase::TIdAntiFreezeBase(TComponent* AOwner) : TIdBaseComponent(AOwner) {
  if (!Designing()) {
    CurrentAntiFreeze = this;
  } else if (CurrentAntiFreeze != nullptr) {
    throw EIdException(RSOnlyOneAntiFreeze);
  }
}

TIdAntiFreezeBase::~TIdAntiFreezeBase() { CurrentAntiFreeze = nullptr; }

bool TIdAntiFreezeBase::InUse() {
  if (CurrentAntiFreeze == nullptr) return false;
  if (!IsMainThread()) return false;
  return CurrentAntiFreeze->Active();
}

void TIdAntiFreezeBase::PumpIfDue(bool AIdle, bool AOverride) {
  if (!InUse()) return;
  if (AIdle || !CurrentAntiFreeze->OnlyWhenIdle() || AOverride) CurrentAntiFreeze->PumpMessages();
}

void TIdAntiFreezeBase::RunResponsively(const std::function<void()>& AWork) {
  if (!InUse() || CurrentAntiFreeze->IdleTimeOut() <= 0) {
    AWork();
    return;
  }
  // The work holds only what this frame holds, and the frame waits for its end
  // whatever the steps in between do.
  std::future<void> Done = std::async(std::launch::async, AWork);
  std::int32_t Slice = CurrentAntiFreeze->IdleTimeOut();
  while (Done.wait_for(std::chrono::milliseconds(Slice)) != std::future_status::ready) {
    PumpIfDue(true, false);
    // A component that went or was given no length leaves the last one.
    if (CurrentAntiFreeze != nullptr && CurrentAntiFreeze->IdleTimeOut() > 0)
      Slice = CurrentAntiFreeze->IdleTimeOut();
  }
  Done.get();
}
