#include "net/IdAntiFreezeBase.h"

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
