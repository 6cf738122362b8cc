// The "Statistics" page, added after the window's designed pages: the current
// session's counts, loss, round trips to the microsecond and their spread,
// the outages and the TTL changes, and the export of its attempts to a file.
// It follows the window's echo client and its Clear Data button without
// changing what they do, and lives as long as the window.
#pragma once

#include <functional>
#include <string>

#include "app/Unit1.h"
#include "stats/PingSession.h"

class TStatisticsPage : public TComponent {
 public:
  // Adds the page to AForm's pages and records every attempt of its echo
  // client from now on.
  explicit TStatisticsPage(TForm1* AForm);

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

  const TPingSession& Session() const { return FSession; }

  // Called with every attempt once the session has it; an exception it
  // raises is shown and the attempt stays recorded.
  std::function<void(const TAttempt& AAttempt, const std::string& AHost)> OnAttempt;

  // Shows the session's figures and lists now. Recording asks for this once
  // per pass of the event loop while the page is shown, and showing it does.
  void Refresh();

  // Takes one attempt to AHost that took ARoundTripUs; the window's echo
  // client hands every attempt here as it reports it.
  void Record(const std::string& AHost, const TReplyStatus& AReplyStatus,
              std::uint64_t ARoundTripUs);

  void BitBtnExportClick(TComponent* Sender);

 private:
  void CreateFigures();
  void CreateLists();
  TFigure NewFigure(const std::string& ACaption, const std::string& AName, int ALeft, int ATop);
  void StartSession(TWallTime AStart);
  void ScheduleRefresh();
  bool Shown() const;
  void RefreshOutages();
  void RefreshTtlChanges();

  TForm1* FForm;
  TPingSession FSession;
  // The rows that the lists show of the session's outages and TTL changes.
  std::size_t FShownOutages = 0;
  std::size_t FShownTtlChanges = 0;
  bool FRefreshPending = false;
};
