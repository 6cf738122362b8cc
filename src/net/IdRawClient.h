// A raw-socket component whose receive time-out is part of its public face.
#pragma once

#include "net/IdRawBase.h"

class TIdRawClient : public TIdRawBase {
 public:
  using TIdRawBase::ReceiveTimeout;
  using TIdRawBase::SetReceiveTimeout;
  using TIdRawBase::TIdRawBase;
};
