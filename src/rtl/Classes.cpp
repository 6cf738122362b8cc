#include "rtl/Classes.h"

#include <algorithm>

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner == nullptr) return;
  AOwner->InsertComponent(this);
  FDesigning = AOwner->Designing();
}

TComponent::~TComponent() {
  // The newest component goes first; each one leaves the list as it is freed.
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  std::erase(FComponents, AComponent);
  AComponent->FOwner = nullptr;
}
