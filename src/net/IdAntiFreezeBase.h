// Responsive waiting: the component that lets socket waits on the main thread
// be cut into slices, with a processing step of the window between them.
#pragma once

#include <cstdint>
#include <functional>

#include "net/IdBaseComponent.h"

class TIdAntiFreezeBase : public TIdBaseComponent {
 public:
  // Becomes the current instance, replacing any earlier one. In design mode
  // the current instance is left as it is, and EIdException is raised when
  // there already is one.
  explicit TIdAntiFreezeBase(TComponent* AOwner);
  // Leaves no current instance, whether or not this one was it.
  ~TIdAntiFreezeBase() override;

  // Plain settings: reading and writing them has no side effect.
  bool Active() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }
  // True: a processing step handles every waiting event; false: at most one.
  bool ApplicationHasPriority() const { return FApplicationHasPriority; }
  void SetApplicationHasPriority(bool Value) { FApplicationHasPriority = Value; }
  // The longest slice of a socket wait between two steps, in milliseconds.
  std::int32_t IdleTimeOut() const { return FIdleTimeOut; }
  void SetIdleTimeOut(std::int32_t Value) { FIdleTimeOut = Value; }
  // True: step only after a slice that ended without data.
  bool OnlyWhenIdle() const { return FOnlyWhenIdle; }
  void SetOnlyWhenIdle(bool Value) { FOnlyWhenIdle = Value; }

  // Whether a wait on the calling thread is sliced and steps: there is an
  // active current instance and the caller is the main thread.
  static bool InUse();
  // Called by a wait after every slice; AIdle tells that the slice ended
  // without data, AOverride forces the step whatever the idle settings say.
  // Returns when the step has finished; raises nothing of its own.
  static void PumpIfDue(bool AIdle, bool AOverride);

  // Runs AWork to its end and raises what it raises. When a wait on the
  // calling thread would be sliced, AWork runs on a thread of its own while
  // this one takes a processing step after every slice of IdleTimeOut ms that
  // AWork has not ended in, as a socket wait does; otherwise it runs here.
  static void RunResponsively(const std::function<void()>& AWork);

  // One processing step of the window's events.
  virtual void PumpMessages() = 0;

 private:
  bool FActive = true;
  bool FApplicationHasPriority = true;
  std::int32_t FIdleTimeOut = 250;
  bool FOnlyWhenIdle = true;
};

// The instance that socket waits consult, or none. Its owner frees it.
extern TIdAntiFreezeBase* CurrentAntiFreeze;
