// The "Statistics" page, added after the window's designed pages: for the
// host in the host box, its session's counts, loss, round trips to the
// microsecond and their spread, the outages and the TTL changes, and the
// export of its attempts to a file. Every host text pinged has a session of
// its own until Clear Data ends them all. It follows the window's echo client
// and its Clear Data button without changing what they do, and lives as long
// as the window.
#pragma once

#include <functional>
#include <map>
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

  // The session of the host text in the host box; an empty one when that
  // host has not been pinged since the data were last cleared.
  const TPingSession& Session() const;

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
  // Takes an attempt to AHost whose name did not resolve, with the message
  // shown for it; it is in the record and the log but was not sent.
  void RecordUnresolved(const std::string& AHost, const std::string& AMessage);

  void BitBtnExportClick(TComponent* Sender);

 private:
  void CreateFigures();
  void CreateLists();
  TFigure NewFigure(const std::string& ACaption, const std::string& AName, int ALeft, int ATop);
  void Record(const std::string& AHost, const TAttempt& AAttempt);
  void ClearSessions(TWallTime AStart);
  // Empties the lists when the host in the box is not the one they show.
  void FollowHost();
  void ScheduleRefresh();
  bool Shown() const;
  void RefreshOutages();
  void RefreshTtlChanges();

  TForm1* FForm;
  // By host text, byte for byte; FNone stands for a host without attempts.
  std::map<std::string, TPingSession> FSessions;
  TPingSession FNone;
  // The host whose session the lists show, and the rows they show of its
  // outages and TTL changes.
  std::string FShownHost;
  std::size_t FShownOutages = 0;
  std::size_t FShownTtlChanges = 0;
  bool FRefreshPending = false;
};
