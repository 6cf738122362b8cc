#include "app/pages/HostsPage.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <set>

#include "app/pages/HostsChart.h"
#include "app/pages/HostsTable.h"
#include "app/pages/PageTexts.h"
#include "app/pages/ProbeDriver.h"
#include "app/window/HostStore.h"
#include "outputs/DesktopNotifier.h"
#include "outputs/Export.h"
#include "outputs/TargetFile.h"
#include "ui/Application.h"
#include "ui/SaveDialog.h"

namespace {

// A frame of the table and the chart: thirty a second and more.
constexpr int FrameMs = 30;
// The newest events shown; older ones leave.
constexpr int MaxEvents = 1000;

QString Text(const std::string& AText) { return QString::fromStdString(AText); }

QString EventText(THealthEvent AEvent) {
  switch (AEvent) {
    case THealthEvent::Down:
      return QStringLiteral("down");
    case THealthEvent::Up:
      return QStringLiteral("back up");
    case THealthEvent::SlowBegan:
      return QStringLiteral("slow replies");
    case THealthEvent::SlowEnded:
      return QStringLiteral("replies in time again");
    case THealthEvent::FirstUp:
      break;
  }
  return QStringLiteral("up");
}

QSpinBox* NewSpin(QWidget* AParent, const char* AName, int AMin, int AMax, int AValue,
                  const char* AZero = nullptr) {
  auto* const Spin = new QSpinBox(AParent);
  Spin->setRange(AMin, AMax);
  Spin->setValue(AValue);
  Spin->setAccessibleName(QString::fromUtf8(AName));
  if (AZero != nullptr) Spin->setSpecialValueText(QString::fromUtf8(AZero));
  return Spin;
}

QPushButton* NewButton(QWidget* AParent, const char* ACaption, const char* ADescription) {
  auto* const Button = new QPushButton(QString::fromUtf8(ACaption), AParent);
  Button->setAccessibleDescription(QString::fromUtf8(ADescription));
  return Button;
}

// A click's handler, whose exception shows in the error box.
void Guarded(const std::function<void()>& AClick) { CallEvent(AClick); }

// The page's own window: closing it puts the page back in its tab.
class THostsWindow : public QWidget {
 public:
  explicit THostsWindow(std::function<void()> AOnClose) : FOnClose(std::move(AOnClose)) {
    setWindowTitle(QStringLiteral("Quorvel \u2013 Hosts"));
    setAttribute(Qt::WA_DeleteOnClose);
    new QVBoxLayout(this);
  }

 protected:
  void closeEvent(QCloseEvent* AEvent) override {
    FOnClose();
    AEvent->accept();
  }

 private:
  std::function<void()> FOnClose;
};

}  // namespace

std::string TargetFileName() {
  return (std::filesystem::path(HostFileName()).parent_path() / "targets.txt").string();
}

THostsPage::THostsPage(TForm1* AForm, TMonitor* AMonitor,
                       const quorvel::probe::EngineOptions& AOptions, TDesktopNotifier* ANotifier)
    : TComponent(AForm),
      FForm(AForm),
      FMonitor(AMonitor),
      FNotifier(ANotifier),
      FTargets(std::make_unique<TTargets>(*AMonitor, AOptions)) {
  SetName("HostsPage");
  TabSheet6 = new TTabSheet(this, AForm->PageControl1);
  TabSheet6->SetCaption("Hosts");
  CreateControls();
  if (FNotifier != nullptr) FNotifier->setParent(TabSheet6);
  FTargets->OnResolved = [this](const TTarget& ATarget) { Resolved(ATarget); };
  FDriver = new TProbeDriver(TabSheet6, *FTargets);
  FFrameTimer = new QTimer(TabSheet6);
  FFrameTimer->setInterval(FrameMs);
  QObject::connect(FFrameTimer, &QTimer::timeout, TabSheet6, [this] { Frame(); });
  FFrameTimer->start();
  if (QSystemTrayIcon::isSystemTrayAvailable()) FTray = new QSystemTrayIcon(TabSheet6);
  FMonitor->Subscribe(this);
  if (FTargets->Kind(quorvel::wire::Family::kIpv4) == quorvel::probe::SocketKind::kNone)
    lbStatus->setText(QStringLiteral(
        "This user may not send pings: every probe will fail. Allow them through the echo "
        "helper (sudo setcap cap_net_raw+ep on quorvel-icmp-helper beside the program) or "
        "for the users of every group (sudo sysctl -w "
        "net.ipv4.ping_group_range=\"0 2147483647\")."));
  LoadTargets();
}

THostsPage::~THostsPage() {
  FMonitor->Unsubscribe(this);
  // The notifiers go before the sockets they watch, and the window with
  // the controls that read the targets.
  delete FDriver;
  delete FWindow;
}

void THostsPage::CreateControls() {
  PanelHosts = new QWidget(TabSheet6);
  PanelHosts->setAccessibleName(QStringLiteral("Hosts"));
  auto* const Page = new QVBoxLayout(TabSheet6);
  Page->setContentsMargins(0, 0, 0, 0);
  Page->addWidget(PanelHosts);
  FInWindowNote =
      new QLabel(QStringLiteral("The hosts are shown in a window of their own."), TabSheet6);
  FInWindowNote->hide();
  Page->addWidget(FInWindowNote);

  auto* const Layout = new QVBoxLayout(PanelHosts);
  auto* const AddRow = new QHBoxLayout;
  auto* const AddLabel = new QLabel(QStringLiteral("Add host:"), PanelHosts);
  edHost = new QLineEdit(PanelHosts);
  edHost->setAccessibleName(QStringLiteral("Add host"));
  edHost->setPlaceholderText(QStringLiteral("a name, an IPv4 or an IPv6 address"));
  edHost->setMaxLength(static_cast<int>(TTargetSettings::MaxHostBytes));
  AddLabel->setBuddy(edHost);
  btnAdd = NewButton(PanelHosts, "Add", "Watches the host with the settings below");
  AddRow->addWidget(AddLabel);
  AddRow->addWidget(edHost, 1);
  AddRow->addWidget(btnAdd);
  Layout->addLayout(AddRow);
  Layout->addWidget(CreateSettings());

  tvHosts = new QTableView(PanelHosts);
  tvHosts->setAccessibleName(QStringLiteral("Watched hosts"));
  FTable = new THostsTable(tvHosts, *FTargets);
  tvHosts->setModel(FTable);
  tvHosts->setSelectionBehavior(QAbstractItemView::SelectRows);
  tvHosts->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tvHosts->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvHosts->verticalHeader()->hide();
  tvHosts->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  tvHosts->horizontalHeader()->setStretchLastSection(true);

  auto* const Split = new QSplitter(Qt::Vertical, PanelHosts);
  auto* const Upper = new QSplitter(Qt::Horizontal, Split);
  Upper->addWidget(tvHosts);
  Upper->addWidget(CreateChart());
  Upper->setStretchFactor(0, 3);
  Upper->setStretchFactor(1, 2);
  ListViewEvents = new TListView(this, Split);
  ListViewEvents->setAccessibleName(QStringLiteral("Events"));
  ListViewEvents->SetGridLines(true);
  ListViewEvents->SetRowSelect(true);
  ListViewEvents->SetReadOnly(true);
  for (const auto& [Caption, Width] : {std::pair{"Time", 130}, {"Host", 200}, {"Event", 200}})
    ListViewEvents->Columns()->Add(Caption, Width, taLeftJustify);
  Split->addWidget(Upper);
  Split->addWidget(ListViewEvents);
  Split->setStretchFactor(0, 3);
  Split->setStretchFactor(1, 1);
  Layout->addWidget(Split, 1);
  Layout->addWidget(CreateButtons());

  QObject::connect(btnAdd, &QPushButton::clicked, TabSheet6,
                   [this] { Guarded([this] { btnAddClick(); }); });
  QObject::connect(edHost, &QLineEdit::returnPressed, TabSheet6,
                   [this] { Guarded([this] { btnAddClick(); }); });
  QObject::connect(tvHosts->selectionModel(), &QItemSelectionModel::selectionChanged, TabSheet6,
                   [this] { SelectionChanged(); });
  SelectionChanged();
}

QWidget* THostsPage::CreateSettings() {
  auto* const Box = new QWidget(PanelHosts);
  auto* const Row = new QHBoxLayout(Box);
  Row->setContentsMargins(0, 0, 0, 0);
  speInterval = NewSpin(Box, "Interval ms", 10, 3'600'000, 1000);
  speTimeOut = NewSpin(Box, "Time-out ms", 100, 60'000, 1000);
  speDownAfter = NewSpin(Box, "Down after losses", 1, 1000, 3);
  speUpAfter = NewSpin(Box, "Up after answers", 1, 1000, 2);
  speLossPercent = NewSpin(Box, "Down above loss %", 0, 100, 0, "off");
  speSlowMs = NewSpin(Box, "Slow above ms", 0, 60'000, 0, "off");
  for (QSpinBox* const Spin :
       {speInterval, speTimeOut, speDownAfter, speUpAfter, speLossPercent, speSlowMs}) {
    auto* const Caption = new QLabel(Spin->accessibleName() + QLatin1Char(':'), Box);
    Caption->setBuddy(Spin);
    Row->addWidget(Caption);
    Row->addWidget(Spin);
  }
  btnApply = NewButton(Box, "Apply to selected",
                       "Gives the selected hosts the interval, time-out and thresholds here");
  Row->addWidget(btnApply);
  Row->addStretch(1);
  QObject::connect(btnApply, &QPushButton::clicked, TabSheet6,
                   [this] { Guarded([this] { btnApplyClick(); }); });
  return Box;
}

QWidget* THostsPage::CreateButtons() {
  auto* const Box = new QWidget(PanelHosts);
  auto* const Row = new QHBoxLayout(Box);
  Row->setContentsMargins(0, 0, 0, 0);
  btnRemove = NewButton(Box, "Remove", "Stops watching the selected hosts");
  btnPause = NewButton(Box, "Pause", "Pauses or resumes the selected hosts");
  btnClear = NewButton(Box, "Clear", "Starts the figures of the selected hosts again");
  btnExport = NewButton(Box, "Export\u2026", "Saves every host's attempts as CSV or JSON Lines");
  btnWindow = NewButton(Box, "Open in window", "Shows the hosts in a window of their own");
  lbStatus = new QLabel(Box);
  lbStatus->setWordWrap(true);
  lbStatus->setAccessibleName(QStringLiteral("Status"));
  const std::pair<QPushButton*, void (THostsPage::*)()> Clicks[] = {
      {btnRemove, &THostsPage::btnRemoveClick},
      {btnPause, &THostsPage::btnPauseClick},
      {btnClear, &THostsPage::btnClearClick},
      {btnExport, &THostsPage::btnExportClick},
      {btnWindow, &THostsPage::btnWindowClick}};
  for (const auto& Entry : Clicks) {
    const auto Click = Entry.second;
    Row->addWidget(Entry.first);
    QObject::connect(Entry.first, &QPushButton::clicked, TabSheet6,
                     [this, Click] { Guarded([this, Click] { (this->*Click)(); }); });
  }
  Row->addWidget(lbStatus, 1);
  return Box;
}

QWidget* THostsPage::CreateChart() {
  auto* const Box = new QWidget(PanelHosts);
  auto* const Column = new QVBoxLayout(Box);
  Column->setContentsMargins(0, 0, 0, 0);
  Chart = new THostsChart(Box, [this] {
    std::vector<std::string> Hosts = SelectedHosts();
    // Without a selection, the first hosts show.
    if (Hosts.empty())
      for (const TTarget& T : FTargets->Targets())
        if (Hosts.size() < 6) Hosts.push_back(T.Settings.Host);
    std::vector<THostsChart::TSeries> Series;
    Series.reserve(Hosts.size());
    for (const std::string& Host : Hosts)
      Series.push_back({Host, &FMonitor->Session(Host).Attempts()});
    return Series;
  });
  auto* const Range = new QHBoxLayout;
  chbFixedY = new QCheckBox(QStringLiteral("Fixed Y range up to"), Box);
  speYMax = NewSpin(Box, "Y range ms", 1, 60'000, 100);
  speYMax->setSuffix(QStringLiteral(" ms"));
  speYMax->setEnabled(false);
  lbPointed = new QLabel(Box);
  lbPointed->setAccessibleName(QStringLiteral("Pointed at"));
  Range->addWidget(chbFixedY);
  Range->addWidget(speYMax);
  Range->addWidget(lbPointed, 1);
  Column->addWidget(Chart, 1);
  Column->addLayout(Range);
  const auto ApplyRange = [this] {
    speYMax->setEnabled(chbFixedY->isChecked());
    Chart->SetYMaxUs(chbFixedY->isChecked()
                         ? std::optional<std::uint64_t>(std::uint64_t(speYMax->value()) * 1000)
                         : std::nullopt);
  };
  QObject::connect(chbFixedY, &QCheckBox::toggled, Box, ApplyRange);
  QObject::connect(speYMax, &QSpinBox::valueChanged, Box, ApplyRange);
  Chart->OnPointed = [this](const QString& AText) { lbPointed->setText(AText); };
  return Box;
}

TTargetSettings THostsPage::NewSettings(const std::string& AHost) const {
  TTargetSettings Settings;
  Settings.Host = AHost;
  Settings.Interval = std::chrono::milliseconds(speInterval->value());
  Settings.TimeOut = std::chrono::milliseconds(speTimeOut->value());
  Settings.Rule.DownAfterLosses = static_cast<std::uint32_t>(speDownAfter->value());
  Settings.Rule.UpAfterAnswers = static_cast<std::uint32_t>(speUpAfter->value());
  Settings.Rule.DownLossPercent = speLossPercent->value();
  Settings.Rule.SlowAboveUs = static_cast<std::uint64_t>(speSlowMs->value()) * 1000;
  return Settings;
}

std::vector<std::string> THostsPage::SelectedHosts() const {
  std::set<int> Rows;
  for (const QModelIndex& Index : tvHosts->selectionModel()->selectedRows())
    Rows.insert(Index.row());
  std::vector<std::string> Hosts;
  for (const int Row : Rows)
    if (Row < static_cast<int>(FTargets->Targets().size()))
      Hosts.push_back(FTargets->Targets()[static_cast<std::size_t>(Row)].Settings.Host);
  return Hosts;
}

void THostsPage::btnAddClick() {
  const std::string Host = edHost->text().trimmed().toStdString();
  FTargets->Add(NewSettings(Host));
  FTable->Appended();
  FDriver->Rearm();
  edHost->clear();
  lbStatus->setText(QStringLiteral("Watching %1.").arg(Text(Host)));
  SaveTargets();
}

void THostsPage::btnApplyClick() {
  for (const std::string& Host : SelectedHosts()) {
    TTargetSettings Settings = NewSettings(Host);
    Settings.Paused = FTargets->Find(Host)->Settings.Paused;
    FTargets->Change(Settings);
  }
  FDriver->Rearm();
  FDirty = true;
  SaveTargets();
}

void THostsPage::btnRemoveClick() {
  for (const std::string& Host : SelectedHosts()) {
    const auto& All = FTargets->Targets();
    const auto Row = std::ranges::find(All, Host, [](const TTarget& T) { return T.Settings.Host; });
    FTable->Removing(static_cast<int>(Row - All.begin()));
    FTargets->Remove(Host);
    FTable->Removed();
  }
  FDriver->Rearm();
  SelectionChanged();
  ShowTray();
  SaveTargets();
}

void THostsPage::btnPauseClick() {
  const std::vector<std::string> Hosts = SelectedHosts();
  // One button for both: it resumes when every selected host is paused.
  const bool Resume = !Hosts.empty() && std::ranges::all_of(Hosts, [this](const std::string& H) {
    return FTargets->Find(H)->Settings.Paused;
  });
  for (const std::string& Host : Hosts) {
    TTargetSettings Settings = FTargets->Find(Host)->Settings;
    Settings.Paused = !Resume;
    FTargets->Change(Settings);
  }
  FDriver->Rearm();
  FDirty = true;
  SelectionChanged();
  SaveTargets();
}

void THostsPage::btnClearClick() {
  for (const std::string& Host : SelectedHosts()) FTargets->ClearFigures(Host);
  FDirty = true;
  ShowTray();
}

void THostsPage::btnExportClick() {
  const std::optional<std::string> FileName =
      PromptSaveFile(FForm, {"Export the hosts' attempts", "quorvel-hosts.csv",
                             "CSV (*.csv);;JSON Lines (*.jsonl);;All files (*)"});
  if (!FileName) return;
  std::vector<const TPingSession*> Sessions;
  for (const TTarget& T : FTargets->Targets()) {
    const TPingSession& S = FMonitor->Session(T.Settings.Host);
    if (S.AttemptCount() > 0) Sessions.push_back(&S);
  }
  SaveExport(*FileName, *FMonitor, Sessions);
}

bool THostsPage::InWindow() const { return FWindow != nullptr; }

void THostsPage::btnWindowClick() {
  if (FWindow != nullptr) {
    FWindow->close();
    return;
  }
  FWindow = new THostsWindow([this] { BackFromWindow(); });
  FWindow->layout()->addWidget(PanelHosts);
  FInWindowNote->show();
  btnWindow->setText(QStringLiteral("Back to the tab"));
  FWindow->resize(1000, 700);
  FWindow->show();
}

void THostsPage::BackFromWindow() {
  // The window deletes itself once closed; the page goes back before that.
  TabSheet6->layout()->addWidget(PanelHosts);
  PanelHosts->show();
  FInWindowNote->hide();
  btnWindow->setText(QStringLiteral("Open in window"));
  FWindow = nullptr;
}

void THostsPage::SelectionChanged() {
  const std::vector<std::string> Hosts = SelectedHosts();
  const bool Resume = !Hosts.empty() && std::ranges::all_of(Hosts, [this](const std::string& H) {
    return FTargets->Find(H)->Settings.Paused;
  });
  btnPause->setText(Resume ? QStringLiteral("Resume") : QStringLiteral("Pause"));
  for (QPushButton* const Button : {btnRemove, btnPause, btnClear, btnApply})
    Button->setEnabled(!Hosts.empty());
  Chart->update();
}

void THostsPage::Resolved(const TTarget& ATarget) {
  const QString Host = Text(ATarget.Settings.Host);
  if (!ATarget.Address)
    lbStatus->setText(QStringLiteral("%1 was not found: %2. It is looked up again.")
                          .arg(Host, Text(ATarget.Problem)));
  else if (ATarget.AddressCount > 1)
    lbStatus->setText(
        QStringLiteral("%1 has %2 addresses; watching %3, the one the system prefers.")
            .arg(Host)
            .arg(ATarget.AddressCount)
            .arg(Text(quorvel::wire::ToText(*ATarget.Address))));
  FDirty = true;
}

void THostsPage::AttemptRecorded(const TPingSession&, const TAttempt&) { FDirty = true; }

void THostsPage::SessionsCleared(TWallTime) { FDirty = true; }

void THostsPage::HealthChanged(const TPingSession& ASession) {
  // The window's own host has its health too; the page tells of its targets.
  if (FTargets->Find(ASession.Host()) == nullptr) return;
  for (const THealthEvent Event : HealthEvents(ASession.Health()))
    if (Told(Event)) AddEvent(ASession.Host(), Event, ASession.Attempts().back().Sent);
  if (FNotifier != nullptr) FNotifier->HealthChanged(ASession);
  ShowTray();
}

void THostsPage::AddEvent(const std::string& AHost, THealthEvent AEvent, TWallTime AAt) {
  TListItem Row = ListViewEvents->Items()->Insert(0);
  Row.SetCaption(TimeText(AAt));
  Row.SubItems().Add(AHost);
  Row.SubItems().Add(EventText(AEvent).toStdString());
  while (ListViewEvents->Items()->Count() > MaxEvents)
    ListViewEvents->Items()->Delete(ListViewEvents->Items()->Count() - 1);
}

void THostsPage::ShowTray() {
  if (FTray == nullptr) return;
  // The icon has the colour of the host in the worst state.
  const auto Rank = [](const TTargetHealth& AHealth) {
    return AHealth.State() == THealthState::Down ? 3
           : AHealth.Slow()                      ? 2
                                                 : AHealth.State() == THealthState::Up;
  };
  const TTargetHealth* Worst = nullptr;
  int Down = 0;
  for (const TTarget& T : FTargets->Targets()) {
    const TTargetHealth& H = FMonitor->Session(T.Settings.Host).Health();
    Down += H.State() == THealthState::Down;
    if (Worst == nullptr || Rank(H) > Rank(*Worst)) Worst = &H;
  }
  QPixmap Icon(32, 32);
  Icon.fill(Qt::transparent);
  QPainter Painter(&Icon);
  Painter.setRenderHint(QPainter::Antialiasing);
  Painter.setBrush(Worst != nullptr ? HealthColour(*Worst, false) : QColor(Qt::gray));
  Painter.setPen(Qt::NoPen);
  Painter.drawEllipse(2, 2, 28, 28);
  Painter.end();
  FTray->setIcon(QIcon(Icon));
  FTray->setToolTip(
      QStringLiteral("Quorvel: %1 of %2 hosts down").arg(Down).arg(FTargets->Targets().size()));
  FTray->setVisible(Worst != nullptr);
}

void THostsPage::Frame() {
  // Hidden, the page shows nothing; it catches up when it is shown again.
  if (!FDirty || !PanelHosts->isVisible()) return;
  FDirty = false;
  FTable->Changed();
  Chart->update();
}

void THostsPage::LoadTargets() {
  const std::string FileName = TargetFileName();
  if (!HostFileExists(FileName)) return;
  std::vector<TTargetSettings> Settings;
  try {
    Settings = LoadTargetFile(FileName);
  } catch (const Exception& E) {
    // Whatever it holds stays for the user to mend; this run saves nothing over it.
    FFileUnread = true;
    lbStatus->setText(
        Text(E.what()) +
        QStringLiteral(". It is left as it is, and the hosts watched now are not saved."));
    return;
  }
  for (const TTargetSettings& S : Settings) {
    FTargets->Add(S);
    FTable->Appended();
  }
  FDriver->Rearm();
}

void THostsPage::SaveTargets() {
  if (FFileUnread) return;
  std::vector<TTargetSettings> Settings;
  for (const TTarget& T : FTargets->Targets()) Settings.push_back(T.Settings);
  SaveTargetFile(TargetFileName(), Settings);
}
