// Component ownership: an owner frees the components it owns, and a component
// that is freed leaves its owner's list.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TComponent;

// The plain notification event: the sender only.
using TNotifyEvent = std::function<void(TComponent* Sender)>;

class TComponent {
 public:
  explicit TComponent(TComponent* AOwner);
  virtual ~TComponent();

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(Index); }

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }

  // Whether the component lives in a form designer rather than in the running
  // program. A component made by an owner in design mode is in design mode too.
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool Value) { FDesigning = Value; }

 private:
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::string FName;
  bool FDesigning = false;
};
