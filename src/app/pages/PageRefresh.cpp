#include "app/pages/PageRefresh.h"

#include <QTimer>

TPageRefresh::TPageRefresh(TTabSheet* ASheet, std::function<void()> ARefresh)
    : FSheet(ASheet), FRefresh(std::move(ARefresh)) {
  QObject::connect(FSheet->PageControl(), &QTabWidget::currentChanged, FSheet, [this] {
    if (Shown()) FRefresh();
  });
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
