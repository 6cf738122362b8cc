#include "app/pages/PageRefresh.h"

#include <QTimer>

TPageRefresh::TPageRefresh(TTabSheet* ASheet, std::function<void()> ARefresh)
    : FSheet(ASheet), FRefresh(std::move(ARefresh)) {
  // Shown on the next pass of the loop, never within the switch: a page
  // whose neighbour goes as the window is destroyed switches to this one
  // then, when the window it would read is no longer whole.
  QObject::connect(FSheet->PageControl(), &QTabWidget::currentChanged, FSheet,
                   [this] { Schedule(); });
}

bool TPageRefresh::Shown() const { return FSheet->PageControl()->ActivePage() == FSheet; }

void TPageRefresh::Schedule() {
  if (FPending || !Shown()) return;
  FPending = true;
  QTimer::singleShot(0, FSheet, [this] {
    FPending = false;
    if (Shown()) FRefresh();
  });
}
