#include "app/pages/StatisticsPage.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <algorithm>
#include <cstdio>

#include "app/pages/PageRefresh.h"
#include "app/pages/PageTexts.h"
#include "outputs/Export.h"
#include "ui/Application.h"
#include "ui/SaveDialog.h"

namespace {

// Shown for a figure that the session cannot give yet.
constexpr const char* NoValue = "\xE2\x80\x93";

// Under a minute in seconds with one decimal, "4.0 s"; longer as "1:02:03".
std::string DurationText(std::int64_t AMicroseconds) {
  const std::int64_t Tenths = std::max<std::int64_t>(AMicroseconds, 0) / 100000;
  char Text[48];
  if (Tenths < 600) {
    std::snprintf(Text, sizeof Text, "%lld%s%lld s", static_cast<long long>(Tenths / 10),
                  DecimalSeparator().c_str(), static_cast<long long>(Tenths % 10));
  } else {
    const std::int64_t Seconds = Tenths / 10;
    std::snprintf(Text, sizeof Text, "%lld:%02lld:%02lld", static_cast<long long>(Seconds / 3600),
                  static_cast<long long>(Seconds / 60 % 60), static_cast<long long>(Seconds % 60));
  }
  return Text;
}

// A value label's text, which a screen reader hears after its caption.
void ShowValue(const TStatisticsPage::TFigure& AFigure, const std::string& AText) {
  AFigure.Value->SetCaption(AText);
  AFigure.Value->setAccessibleName(AFigure.Caption->accessibleName() + QStringLiteral(": ") +
                                   QString::fromStdString(AText));
}

void AddColumns(TListView* AList, std::initializer_list<std::pair<const char*, int>> AColumns) {
  for (const auto& [Caption, Width] : AColumns) AList->Columns()->Add(Caption, Width, taCenter);
}

void SetOutageRow(TListItem ARow, const TOutage& AOutage) {
  ARow.SetCaption(TimeText(AOutage.Start));
  TSubItems Texts = ARow.SubItems();
  const std::string Cells[] = {TimeText(AOutage.End),
                               DurationText(AOutage.End.UnixUs - AOutage.Start.UnixUs),
                               std::to_string(AOutage.Lost)};
  for (int Index = 0; Index < 3; ++Index) {
    if (Index < Texts.Count())
      Texts.Set(Index, Cells[Index]);
    else
      Texts.Add(Cells[Index]);
  }
}

// A list shows the latest rows the session holds, newest first.
void TrimToRecent(TListItems* ARows) {
  while (ARows->Count() > static_cast<int>(TPingSession::RecentLimit))
    ARows->Delete(ARows->Count() - 1);
}

}  // namespace

TStatisticsPage::TStatisticsPage(TForm1* AForm, TMonitor* AMonitor)
    : TComponent(AForm), FForm(AForm), FMonitor(AMonitor) {
  SetName("StatisticsPage");
  TabSheet5 = new TTabSheet(this, AForm->PageControl1);
  TabSheet5->SetCaption("Statistics");
  FRefresh = std::make_unique<TPageRefresh>(TabSheet5, [this] { Refresh(); });
  CreateFigures();
  CreateLists();
  auto* const Layout = new QVBoxLayout(TabSheet5);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->addWidget(PanelFigures);
  auto* const Lists = new QHBoxLayout;
  Lists->addWidget(ListViewOutages, 3);
  Lists->addWidget(ListViewTtl, 1);
  Layout->addLayout(Lists, 1);

  FMonitor->Subscribe(this);
  QObject::connect(AForm->cbHost, &QComboBox::currentTextChanged, TabSheet5,
                   [this] { FRefresh->Schedule(); });
  BitBtnExport->OnClick = [this](TComponent* Sender) { BitBtnExportClick(Sender); };
  Refresh();
}

TStatisticsPage::~TStatisticsPage() { FMonitor->Unsubscribe(this); }

TStatisticsPage::TFigure TStatisticsPage::NewFigure(const std::string& ACaption,
                                                    const std::string& AName) {
  TFigure Figure{new TLabel(this, PanelFigures), new TLabel(this, PanelFigures)};
  Figure.Caption->SetFontStyle({fsBold});
  Figure.Caption->SetCaption(ACaption);
  Figure.Caption->setAccessibleName(QString::fromStdString(AName));
  return Figure;
}

void TStatisticsPage::CreateFigures() {
  PanelFigures = new TPanel(this, TabSheet5);
  PanelFigures->SetName("PanelFigures");
  PanelFigures->SetBevelOuter(bvNone);
  PanelFigures->SetTabOrder(0);
  PanelFigures->setAccessibleName(QStringLiteral("Session figures"));
  lbSession = new TLabel(this, PanelFigures);
  BitBtnExport = new TBitBtn(this, PanelFigures);
  BitBtnExport->SetCaption("Export\xE2\x80\xA6");
  BitBtnExport->SetTabOrder(0);
  BitBtnExport->setAccessibleDescription(
      QStringLiteral("Saves the session's attempts as CSV or JSON Lines"));
  // Three columns of a caption and its value, four rows each, below the
  // session's line and its export button.
  auto* const Grid = new QGridLayout(PanelFigures);
  Grid->addWidget(lbSession, 0, 0, 1, 6);
  Grid->addWidget(BitBtnExport, 0, 6, Qt::AlignRight);
  const TFigure Columns[3][4] = {
      {lbSent = NewFigure("Sent:", "Sent"), lbReceived = NewFigure("Received:", "Received"),
       lbLost = NewFigure("Lost:", "Lost"), lbLoss = NewFigure("Loss:", "Loss")},
      {lbMin = NewFigure("Min:", "Minimum round trip"),
       lbMean = NewFigure("Mean:", "Mean round trip"),
       lbMax = NewFigure("Max:", "Maximum round trip"),
       lbStdDev = NewFigure("Std dev:", "Standard deviation")},
      {lbJitter = NewFigure("Jitter:", "Jitter"), lbP50 = NewFigure("p50:", "50th percentile"),
       lbP95 = NewFigure("p95:", "95th percentile"), lbP99 = NewFigure("p99:", "99th percentile")}};
  for (int Column = 0; Column < 3; ++Column) {
    for (int Row = 0; Row < 4; ++Row) {
      Grid->addWidget(Columns[Column][Row].Caption, Row + 1, Column * 2);
      Grid->addWidget(Columns[Column][Row].Value, Row + 1, Column * 2 + 1);
    }
    Grid->setColumnStretch(Column * 2 + 1, 1);
  }
}

void TStatisticsPage::CreateLists() {
  // Made in their keyboard order, which a new control joins at the end.
  ListViewOutages = new TListView(this, TabSheet5);
  ListViewTtl = new TListView(this, TabSheet5);
  for (TListView* const List : {ListViewOutages, ListViewTtl}) {
    List->SetGridLines(true);
    List->SetRowSelect(true);
    List->SetReadOnly(true);
    List->SetMultiSelect(false);
  }
  AddColumns(ListViewOutages,
             {{"Outage from", 118}, {"Until", 118}, {"Duration", 60}, {"Lost", 45}});
  AddColumns(ListViewTtl, {{"TTL since", 118}, {"TTL", 40}});
  ListViewOutages->setAccessibleName(QStringLiteral("Outages"));
  ListViewTtl->setAccessibleName(QStringLiteral("TTL changes"));
  ListViewOutages->SetTabOrder(1);
  ListViewTtl->SetTabOrder(2);
}

void TStatisticsPage::AttemptRecorded(const TPingSession&, const TAttempt&) {
  FRefresh->Schedule();
}

void TStatisticsPage::SessionsCleared(TWallTime) {
  FShownHost.clear();
  ClearLists();
  FRefresh->Schedule();
}

void TStatisticsPage::SessionEnded(const std::string& AHost) {
  // The lists count what they showed of the ended session, not of the next.
  if (AHost == FShownHost) SessionsCleared({});
}

const TPingSession& TStatisticsPage::Session() const {
  return FMonitor->Session(FForm->cbHost->Text());
}

void TStatisticsPage::ClearLists() {
  ListViewOutages->Items()->Clear();
  ListViewTtl->Items()->Clear();
  FShownOutages = 0;
  FShownTtlChanges = 0;
}

void TStatisticsPage::FollowHost() {
  const std::string Host = FForm->cbHost->Text();
  if (Host == FShownHost) return;
  FShownHost = Host;
  ClearLists();
}

void TStatisticsPage::Refresh() {
  FollowHost();
  const TPingSession& S = Session();
  lbSession->SetCaption("Session since " + TimeText(S.Start()) +
                        (FShownHost.empty() ? std::string() : ", host " + FShownHost));
  ShowValue(lbSent, std::to_string(S.Sent()));
  ShowValue(lbReceived, std::to_string(S.Received()));
  ShowValue(lbLost, std::to_string(S.Lost()));
  ShowValue(lbLoss, S.Sent() == 0 ? NoValue : PercentText(S.LossPercent()));
  const TRoundTripStatistics& Trips = S.RoundTrips();
  const bool Any = Trips.Count() > 0;
  ShowValue(lbMin, Any ? MsText(static_cast<double>(Trips.Min())) : NoValue);
  ShowValue(lbMean, Any ? MsText(Trips.Mean()) : NoValue);
  ShowValue(lbMax, Any ? MsText(static_cast<double>(Trips.Max())) : NoValue);
  ShowValue(lbStdDev, Any ? MsText(Trips.StandardDeviation()) : NoValue);
  const std::optional<double> Spread = Trips.Jitter();
  ShowValue(lbJitter, Spread ? MsText(*Spread) : NoValue);
  for (const auto& [Figure, Percent] : {std::pair{lbP50, 50}, {lbP95, 95}, {lbP99, 99}}) {
    const std::optional<std::uint64_t> Value = Trips.Percentile(Percent);
    ShowValue(Figure, Value ? MsText(static_cast<double>(*Value)) : NoValue);
  }
  RefreshOutages();
  RefreshTtlChanges();
}

void TStatisticsPage::RefreshOutages() {
  // The newest outage may have grown since it was shown; later ones go on
  // top. Outages that left the session's memory unshown are passed over.
  const TPingSession& S = Session();
  const std::uint64_t Held = S.OutageCount() - S.Outages().size();
  const auto Outage = [&](std::uint64_t ANumber) -> const TOutage& {
    return S.Outages()[static_cast<std::size_t>(ANumber - Held)];
  };
  TListItems* const Rows = ListViewOutages->Items();
  if (FShownOutages > Held) SetOutageRow(Rows->Item(0), Outage(FShownOutages - 1));
  for (FShownOutages = std::max(FShownOutages, Held); FShownOutages < S.OutageCount();
       ++FShownOutages)
    SetOutageRow(Rows->Insert(0), Outage(FShownOutages));
  TrimToRecent(Rows);
}

void TStatisticsPage::RefreshTtlChanges() {
  const TPingSession& S = Session();
  const std::uint64_t Held = S.TtlChangeCount() - S.TtlChanges().size();
  for (FShownTtlChanges = std::max(FShownTtlChanges, Held); FShownTtlChanges < S.TtlChangeCount();
       ++FShownTtlChanges) {
    const TTtlChange& Change = S.TtlChanges()[static_cast<std::size_t>(FShownTtlChanges - Held)];
    TListItem Row = ListViewTtl->Items()->Insert(0);
    Row.SetCaption(TimeText(Change.At));
    Row.SubItems().Add(std::to_string(Change.Ttl));
  }
  TrimToRecent(ListViewTtl->Items());
}

void TStatisticsPage::BitBtnExportClick(TComponent*) {
  const std::optional<std::string> FileName =
      PromptSaveFile(FForm, {"Export the session", "quorvel-session.csv",
                             "CSV (*.csv);;JSON Lines (*.jsonl);;All files (*)"});
  if (!FileName) return;
  SaveExport(*FileName, *FMonitor, Session());
}
