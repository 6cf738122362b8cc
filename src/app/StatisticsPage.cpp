#include "app/StatisticsPage.h"

#include <QDateTime>
#include <QLocale>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/AtomicFile.h"
#include "app/LogFormat.h"
#include "stats/AttemptFormat.h"
#include "ui/Application.h"
#include "ui/SaveDialog.h"

namespace {

// Shown for a figure that the session cannot give yet.
constexpr const char* NoValue = "\xE2\x80\x93";

TOutcome OutcomeOf(TReplyStatusKind AStatus) {
  switch (AStatus) {
    case rsEcho:
      return TOutcome::Reply;
    case rsTimeOut:
      return TOutcome::TimeOut;
    case rsErrorUnreachable:
      return TOutcome::Unreachable;
    case rsErrorTTLExceeded:
      return TOutcome::TtlExceeded;
    case rsError:
      break;
  }
  return TOutcome::Error;
}

std::string DecimalSeparator() { return LogSeparators(QLocale()).Decimal; }

// Microseconds as milliseconds with three decimals: "0.042 ms".
std::string MsText(double AMicroseconds) {
  const auto Us = static_cast<unsigned long long>(std::llround(std::max(AMicroseconds, 0.0)));
  char Decimals[8];
  std::snprintf(Decimals, sizeof Decimals, "%03llu", Us % 1000);
  return std::to_string(Us / 1000) + DecimalSeparator() + Decimals + " ms";
}

// Two decimals, as integers: the C library's own formatting of a fraction
// follows the process's locale, whatever separator the page chose.
std::string PercentText(double APercent) {
  const auto Hundredths =
      static_cast<unsigned long long>(std::llround(std::clamp(APercent, 0.0, 100.0) * 100));
  char Decimals[4];
  std::snprintf(Decimals, sizeof Decimals, "%02llu", Hundredths % 100);
  return std::to_string(Hundredths / 100) + DecimalSeparator() + Decimals + " %";
}

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

// A wall time as the error log writes its time stamps, in its own zone.
std::string TimeText(TWallTime AWhen) {
  const QDateTime When =
      QDateTime::fromMSecsSinceEpoch(AWhen.UnixUs / 1000, Qt::OffsetFromUTC, AWhen.UtcOffset);
  return TimeStampText(When, LogSeparators(QLocale()).Time);
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

}  // namespace

TStatisticsPage::TStatisticsPage(TForm1* AForm)
    : TComponent(AForm), FForm(AForm), FNone(WallClockNow()) {
  SetName("StatisticsPage");
  TabSheet5 = new TTabSheet(this, AForm->PageControl1);
  TabSheet5->SetCaption("Statistics");
  CreateFigures();
  CreateLists();

  // The designed handlers run first and as they were; the page follows them.
  const TOnReplyEvent Reply = AForm->IdIcmpClient->OnReply;
  AForm->IdIcmpClient->OnReply = [this, Reply](TComponent* ASender, const TReplyStatus& AStatus) {
    Reply(ASender, AStatus);
    // The host as the ping used it; the box may have changed while it waited.
    Record(FForm->IdIcmpClient->Host(), AStatus, FForm->IdIcmpClient->RoundTripUs());
  };
  AForm->IdIcmpClient->OnUnresolved = [this](TComponent*, const std::string& AMessage) {
    RecordUnresolved(FForm->IdIcmpClient->Host(), AMessage);
  };
  const TNotifyEvent Clear = AForm->BitBtnClearData->OnClick;
  AForm->BitBtnClearData->OnClick = [this, Clear](TComponent* Sender) {
    Clear(Sender);
    ClearSessions(WallClockNow());
  };
  QObject::connect(AForm->cbHost, &QComboBox::currentTextChanged, TabSheet5,
                   [this] { ScheduleRefresh(); });
  BitBtnExport->OnClick = [this](TComponent* Sender) { BitBtnExportClick(Sender); };
  QObject::connect(AForm->PageControl1, &QTabWidget::currentChanged, TabSheet5, [this] {
    if (Shown()) Refresh();
  });
  Refresh();
}

TStatisticsPage::TFigure TStatisticsPage::NewFigure(const std::string& ACaption,
                                                    const std::string& AName, int ALeft, int ATop) {
  TFigure Figure{new TLabel(this, PanelFigures), new TLabel(this, PanelFigures)};
  Figure.Caption->SetAutoSize(false);
  Figure.Caption->SetFontStyle({fsBold});
  Figure.Caption->SetCaption(ACaption);
  Figure.Caption->SetBounds(ALeft, ATop, 62, 13);
  Figure.Caption->setAccessibleName(QString::fromStdString(AName));
  Figure.Value->SetAutoSize(false);
  Figure.Value->SetBounds(ALeft + 64, ATop, 96, 13);
  return Figure;
}

void TStatisticsPage::CreateFigures() {
  PanelFigures = new TPanel(this, TabSheet5);
  PanelFigures->SetName("PanelFigures");
  PanelFigures->SetBevelOuter(bvNone);
  PanelFigures->SetHeight(96);
  PanelFigures->SetAlign(alTop);
  PanelFigures->SetTabOrder(0);
  PanelFigures->setAccessibleName(QStringLiteral("Session figures"));
  lbSession = new TLabel(this, PanelFigures);
  lbSession->SetAutoSize(false);
  lbSession->SetBounds(6, 8, 440, 13);
  BitBtnExport = new TBitBtn(this, PanelFigures);
  BitBtnExport->SetCaption("Export\xE2\x80\xA6");
  BitBtnExport->SetBounds(466, 3, 90, 24);
  BitBtnExport->SetTabOrder(0);
  BitBtnExport->setAccessibleDescription(
      QStringLiteral("Saves the session's attempts as CSV or JSON Lines"));
  const int Rows[] = {30, 46, 62, 78};
  lbSent = NewFigure("Sent:", "Sent", 6, Rows[0]);
  lbReceived = NewFigure("Received:", "Received", 6, Rows[1]);
  lbLost = NewFigure("Lost:", "Lost", 6, Rows[2]);
  lbLoss = NewFigure("Loss:", "Loss", 6, Rows[3]);
  lbMin = NewFigure("Min:", "Minimum round trip", 176, Rows[0]);
  lbMean = NewFigure("Mean:", "Mean round trip", 176, Rows[1]);
  lbMax = NewFigure("Max:", "Maximum round trip", 176, Rows[2]);
  lbStdDev = NewFigure("Std dev:", "Standard deviation", 176, Rows[3]);
  lbJitter = NewFigure("Jitter:", "Jitter", 346, Rows[0]);
  lbP50 = NewFigure("p50:", "50th percentile", 346, Rows[1]);
  lbP95 = NewFigure("p95:", "95th percentile", 346, Rows[2]);
  lbP99 = NewFigure("p99:", "99th percentile", 346, Rows[3]);
}

void TStatisticsPage::CreateLists() {
  // Made in their keyboard order, which a new control joins at the end; the
  // list at the right side is aligned first, so the other takes what is left.
  ListViewOutages = new TListView(this, TabSheet5);
  ListViewTtl = new TListView(this, TabSheet5);
  ListViewTtl->SetWidth(180);
  ListViewTtl->SetAlign(alRight);
  ListViewOutages->SetAlign(alClient);
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

void TStatisticsPage::Record(const std::string& AHost, const TReplyStatus& AReplyStatus,
                             std::uint64_t ARoundTripUs) {
  TWallTime Sent = WallClockNow();
  Sent.UnixUs -= static_cast<std::int64_t>(ARoundTripUs);
  Record(AHost, TAttempt{Sent,
                         AReplyStatus.FromAddress,
                         OutcomeOf(AReplyStatus.Status),
                         AReplyStatus.ByteCount,
                         AReplyStatus.MessageType,
                         AReplyStatus.SequenceNumber,
                         AReplyStatus.Ttl,
                         ARoundTripUs,
                         {}});
}

void TStatisticsPage::RecordUnresolved(const std::string& AHost, const std::string& AMessage) {
  Record(AHost, TAttempt{WallClockNow(), {}, TOutcome::Unresolved, 0, 0, 0, 0, 0, AMessage});
}

void TStatisticsPage::Record(const std::string& AHost, const TAttempt& AAttempt) {
  FSessions.try_emplace(AHost, AAttempt.Sent).first->second.Record(AHost, AAttempt);
  CallEvent(OnAttempt, AAttempt, AHost);
  ScheduleRefresh();
}

const TPingSession& TStatisticsPage::Session() const {
  const auto Found = FSessions.find(FForm->cbHost->Text());
  return Found == FSessions.end() ? FNone : Found->second;
}

void TStatisticsPage::ClearSessions(TWallTime AStart) {
  FSessions.clear();
  FNone = TPingSession(AStart);
  FShownHost.clear();
  ListViewOutages->Items()->Clear();
  ListViewTtl->Items()->Clear();
  FShownOutages = 0;
  FShownTtlChanges = 0;
  ScheduleRefresh();
}

void TStatisticsPage::FollowHost() {
  const std::string Host = FForm->cbHost->Text();
  if (Host == FShownHost) return;
  FShownHost = Host;
  ListViewOutages->Items()->Clear();
  ListViewTtl->Items()->Clear();
  FShownOutages = 0;
  FShownTtlChanges = 0;
}

bool TStatisticsPage::Shown() const { return FForm->PageControl1->ActivePage() == TabSheet5; }

void TStatisticsPage::ScheduleRefresh() {
  // A hidden page is brought up to date when it is shown.
  if (FRefreshPending || !Shown()) return;
  FRefreshPending = true;
  QTimer::singleShot(0, TabSheet5, [this] {
    FRefreshPending = false;
    if (Shown()) Refresh();
  });
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
  // The newest outage may have grown since it was shown; later ones go on top.
  const std::vector<TOutage>& Outages = Session().Outages();
  TListItems* const Rows = ListViewOutages->Items();
  if (FShownOutages > 0) SetOutageRow(Rows->Item(0), Outages[FShownOutages - 1]);
  for (; FShownOutages < Outages.size(); ++FShownOutages)
    SetOutageRow(Rows->Insert(0), Outages[FShownOutages]);
}

void TStatisticsPage::RefreshTtlChanges() {
  const std::vector<TTtlChange>& Changes = Session().TtlChanges();
  for (; FShownTtlChanges < Changes.size(); ++FShownTtlChanges) {
    TListItem Row = ListViewTtl->Items()->Insert(0);
    Row.SetCaption(TimeText(Changes[FShownTtlChanges].At));
    Row.SubItems().Add(std::to_string(Changes[FShownTtlChanges].Ttl));
  }
}

void TStatisticsPage::BitBtnExportClick(TComponent*) {
  const std::optional<std::string> FileName =
      PromptSaveFile(FForm, {"Export the session", "quorvel-session.csv",
                             "CSV (*.csv);;JSON Lines (*.jsonl);;All files (*)"});
  if (!FileName) return;
  SaveFileWhole(*FileName, ExportText(Session(), ExportFormatFor(*FileName)));
}
