#include "ui/IdAntiFreeze.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "ui/Application.h"

namespace {

// Qt dispatches a whole pass of waiting events at once. During one pass, this
// application event filter delivers the first waiting event itself, with the
// filter out of the way for everything sent while it is handled, and takes a
// copy of each later one instead of letting it through.
class TOneEventFilter : public QObject {
 public:
  TOneEventFilter() { QCoreApplication::instance()->installEventFilter(this); }
  // Posts the events that were kept back again, in the order they came.
  ~TOneEventFilter() override {
    QCoreApplication::instance()->removeEventFilter(this);
    for (auto& [Receiver, Event] : FDeferred)
      if (Receiver) QCoreApplication::postEvent(Receiver, Event.release());
  }

 protected:
  bool eventFilter(QObject* Receiver, QEvent* Event) override {
    if (FDelivering > 0) return false;
    if (FDelivered) {
      std::unique_ptr<QEvent> Copy = Deferrable(*Event);
      if (Copy) {
        FDeferred.emplace_back(Receiver, std::move(Copy));
        return true;
      }
    } else {
      FDelivered = true;
    }
    ++FDelivering;
    QCoreApplication::instance()->notify(Receiver, Event);
    --FDelivering;
    return true;
  }

 private:
  // A faithful copy of an event that may wait for a later pass, or none.
  static std::unique_ptr<QEvent> Deferrable(const QEvent& Event) {
    if (Event.type() == QEvent::DeferredDelete) return nullptr;
    std::unique_ptr<QEvent> Copy(Event.clone());
    const QEvent& Copied = *Copy;
    if (typeid(Copied) != typeid(Event)) return nullptr;
    return Copy;
  }

  int FDelivering = 0;
  bool FDelivered = false;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> FDeferred;
};

}  // namespace

void HandleOneMessage() {
  const TOneEventFilter Filter;
  QCoreApplication::processEvents();
}

void TIdAntiFreeze::PumpMessages() {
  // The socket code waiting below must never see an exception from here.
  try {
    if (ApplicationHasPriority())
      QCoreApplication::processEvents();
    else
      HandleOneMessage();
  } catch (...) {
    HandleException();
  }
}
