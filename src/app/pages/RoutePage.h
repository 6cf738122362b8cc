// The "Route" page, after the pages beyond the design: traces the route to
// the host in "Trace to" and keeps every hop's loss and round trips live,
// one row per router heard at a hop ("???" for a hop that never answers),
// the route's changes with their time, and the export of the route to a
// file. The tracer runs on the window's loop through socket notifiers and a
// timer, so nothing waits on the window's thread; the page lays itself out.
#pragma once

#include <memory>
#include <string>

#include "app/pages/PageRefresh.h"
#include "app/window/Unit1.h"
#include "monitor/RouteTracer.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTableWidget;
class TProbeDriver;

class TRoutePage : public TComponent {
 public:
  // The hop table's columns.
  enum TColumn {
    colHop,
    colAddress,
    colName,
    colLoss,
    colSent,
    colLast,
    colAvg,
    colBest,
    colWorst,
    colStdDev,
    colRecent,
    ColumnCount
  };

  // Adds the page to AForm's pages; the model, which must outlive the page,
  // hears of the route's changes and rounds.
  TRoutePage(TForm1* AForm, TMonitor* AMonitor);
  ~TRoutePage() override;

  TTabSheet* TabSheetRoute;
  QLineEdit* edTraceTo;
  QSpinBox* seInterval;
  QSpinBox* seMaxHops;
  TBitBtn* BitBtnStart;
  TBitBtn* BitBtnStop;
  TBitBtn* BitBtnExport;
  QLabel* lbStatus;
  QTableWidget* TableHops;
  QListWidget* ListChanges;

  // The tracer, made at the first start; null before.
  const TRouteTracer* Tracer() const { return FTracer.get(); }

  // Shows the route now. A change asks for this once per pass of the event
  // loop while the page is shown, and showing it does.
  void Refresh();

  void BitBtnStartClick(TComponent* Sender);
  void BitBtnStopClick(TComponent* Sender);
  void BitBtnExportClick(TComponent* Sender);

 private:
  void CreateControls();
  void ShowStatus(const TRoute* ARoute);
  void ShowHops(const TRoute& ARoute);
  void ShowChanges(const TRoute& ARoute);

  TForm1* FForm;
  TMonitor* FMonitor;
  std::unique_ptr<TRouteTracer> FTracer;
  TProbeDriver* FDriver = nullptr;
  std::string FFailure;
  std::unique_ptr<TPageRefresh> FRefresh;
};
