#include "app/window/WindowMonitor.h"

#include "ui/Application.h"

TMonitor* NewWindowMonitor(TForm1* AForm) {
  auto* const Monitor = new TMonitor(AForm);
  Monitor->Follow(AForm->IdIcmpClient);
  AForm->OnDataCleared = [Monitor](TComponent*) { Monitor->Clear(); };
  Monitor->OnError = [] { HandleException(); };
  return Monitor;
}
