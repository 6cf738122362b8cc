// The base of the engine's components: a framework component and no more.
#pragma once

#include "rtl/Classes.h"

class TIdBaseComponent : public TComponent {
 public:
  using TComponent::TComponent;
};
