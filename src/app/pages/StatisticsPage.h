// The "Statistics" page, added after the window's designed pages: for the
// host in the host box, its session's counts, loss, round trips to the
// microsecond and their spread, the outages and the TTL changes, and the
// export of its attempts to a file. Every host text pinged has a session of
// its own in the model until Clear Data ends them all; the page subscribes to
// the model, shows it and lays itself out, and lives as long as the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/pages/PageRefresh.h"
#include "app/window/Unit1.h"
#include "monitor/Monitor.h"

class TStatisticsPage : public TComponent, public TMonitorSubscriber {
 public:
  // Adds the page to AForm's pages, showing the sessions of AMonitor, which
  // must outlive it.
  TStatisticsPage(TForm1* AForm, TMonitor* AMonitor);
  ~TStatisticsPage() override;

  // The figures of one row of the page: a bold caption and its value.
  struct TFigure {
    TLabel* Caption;
    TLabel* Value;
  };

  TTabSheet* TabSheet5;
  TPanel* PanelFigures;
  TLabel* lbSession;
  TBitBtn* BitBtnExport;
  TFigure lbSent, lbReceived, lbLost, lbLoss;
  TFigure lbMin, lbMean, lbMax, lbStdDev;
  TFigure lbJitter, lbP50, lbP95, lbP99;
  TListView* ListViewOutages;
  TListView* ListViewTtl;

  // The session of the host text in the host box; an empty one when that
  // host has not been pinged since the data were last cleared.
  const TPingSession& Session() const;

  // Shows the session's figures and lists now. A new attempt asks for this
  // once per pass of the event loop while the page is shown, and showing it does.
  void Refresh();

  void AttemptRecorded(const TPingSession& ASession, const TAttempt& AAttempt) override;
  void SessionsCleared(TWallTime AStart) override;
  void SessionEnded(const std::string& AHost) override;

  void BitBtnExportClick(TComponent* Sender);

 private:
  void CreateFigures();
  void CreateLists();
  TFigure NewFigure(const std::string& ACaption, const std::string& AName);
  // Empties the lists when the host in the box is not the one they show.
  void FollowHost();
  void ClearLists();
  void RefreshOutages();
  void RefreshTtlChanges();

  TForm1* FForm;
  TMonitor* FMonitor;
  // The host whose session the lists show, and how many of its outages and
  // TTL changes they have shown.
  std::string FShownHost;
  std::uint64_t FShownOutages = 0;
  std::uint64_t FShownTtlChanges = 0;
  std::unique_ptr<TPageRefresh> FRefresh;
};
