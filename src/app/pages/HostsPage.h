// The "Hosts" page, after "Statistics": many targets, IPv4 and IPv6, watched
// side by side on the probe engine, each at its own interval and time-out,
// with their figures in a table, their recent round trips and losses on a
// chart beside the selected rows, and a list of the times they went down and
// came back, which the desktop's notifications and the tray icon tell too.
// The targets are kept in "targets.txt" beside the host history. The page
// can open as a window of its own and goes back when that window closes.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <memory>
#include <string>
#include <vector>

#include "app/window/Unit1.h"
#include "monitor/Monitor.h"
#include "monitor/Targets.h"

class QSystemTrayIcon;
class QTimer;
class TDesktopNotifier;
class TProbeDriver;
class THostsChart;
class THostsTable;

// The targets file: "targets.txt" in the folder of the host history.
std::string TargetFileName();

class THostsPage : public TComponent, public TMonitorSubscriber {
 public:
  // Adds the page to AForm's pages, watching its targets through AMonitor,
  // which must outlive it, and restores the targets of the targets file.
  // ANotifier, when given, is told of every change of a target's health;
  // the page takes it.
  THostsPage(TForm1* AForm, TMonitor* AMonitor, const quorvel::probe::EngineOptions& AOptions,
             TDesktopNotifier* ANotifier = nullptr);
  ~THostsPage() override;

  TTabSheet* TabSheet6;
  // What the tab holds, or the page's own window while it is open.
  QWidget* PanelHosts;
  QLineEdit* edHost;
  QPushButton* btnAdd;
  QSpinBox* speInterval;
  QSpinBox* speTimeOut;
  QSpinBox* speDownAfter;
  QSpinBox* speUpAfter;
  QSpinBox* speLossPercent;
  QSpinBox* speSlowMs;
  QPushButton* btnApply;
  QTableView* tvHosts;
  QPushButton* btnRemove;
  QPushButton* btnPause;
  QPushButton* btnClear;
  QPushButton* btnExport;
  QPushButton* btnWindow;
  QLabel* lbStatus;
  THostsChart* Chart;
  QCheckBox* chbFixedY;
  QSpinBox* speYMax;
  QLabel* lbPointed;
  TListView* ListViewEvents;

  const TTargets& Targets() const { return *FTargets; }
  // Whether the page shows in a window of its own.
  bool InWindow() const;

  void btnAddClick();
  void btnApplyClick();
  void btnRemoveClick();
  void btnPauseClick();
  void btnClearClick();
  void btnExportClick();
  void btnWindowClick();

  void AttemptRecorded(const TPingSession& ASession, const TAttempt& AAttempt) override;
  void HealthChanged(const TPingSession& ASession) override;
  void SessionsCleared(TWallTime AStart) override;

 private:
  void CreateControls();
  QWidget* CreateSettings();
  QWidget* CreateButtons();
  QWidget* CreateChart();
  void LoadTargets();
  void SaveTargets();
  TTargetSettings NewSettings(const std::string& AHost) const;
  std::vector<std::string> SelectedHosts() const;
  void Resolved(const TTarget& ATarget);
  void AddEvent(const std::string& AHost, THealthEvent AEvent, TWallTime AAt);
  void ShowTray();
  void SelectionChanged();
  void Frame();
  void BackFromWindow();

  TForm1* FForm;
  TMonitor* FMonitor;
  TDesktopNotifier* FNotifier;
  std::unique_ptr<TTargets> FTargets;
  TProbeDriver* FDriver = nullptr;
  THostsTable* FTable = nullptr;
  QTimer* FFrameTimer = nullptr;
  QSystemTrayIcon* FTray = nullptr;
  QWidget* FWindow = nullptr;
  QLabel* FInWindowNote = nullptr;
  // The file could not be read: it is left as it is, and nothing is saved over it.
  bool FFileUnread = false;
  // Something changed since the last frame.
  bool FDirty = false;
};
