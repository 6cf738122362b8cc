#include "app/pages/RoutePage.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>

#include "app/pages/PageRefresh.h"
#include "app/pages/PageTexts.h"
#include "app/pages/ProbeDriver.h"
#include "outputs/RouteExport.h"
#include "platform/kernel/Library.h"
#include "ui/SaveDialog.h"
#include "wire/HelperMessages.h"

namespace {

// Shown for a figure that the router cannot give yet.
constexpr const char* NoValue = "\xE2\x80\x93";
// A sample of the recent round trips that was lost.
constexpr int LostSample = -1;
constexpr int SampleRole = Qt::UserRole;

// Paints a hop's recent round trips as bars, the highest as tall as the
// cell, and each lost probe as a red bar across it.
class TRecentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* APainter, const QStyleOptionViewItem& AOption,
             const QModelIndex& AIndex) const override {
    QStyledItemDelegate::paint(APainter, AOption, AIndex);
    const QVariantList Samples = AIndex.data(SampleRole).toList();
    if (Samples.isEmpty()) return;
    int Highest = 1;
    for (const QVariant& Sample : Samples) Highest = std::max(Highest, Sample.toInt());
    const QRect Area = AOption.rect.adjusted(2, 2, -2, -2);
    const double Width = static_cast<double>(Area.width()) / THop::SampleLimit;
    APainter->save();
    for (int Index = 0; Index < Samples.size(); ++Index) {
      const int Value = Samples[Index].toInt();
      const double Height =
          Value == LostSample ? Area.height()
                              : std::max(1.0, static_cast<double>(Value) * Area.height() / Highest);
      const QRectF Bar(Area.left() + Index * Width, Area.bottom() + 1 - Height,
                       std::max(1.0, Width - 1), Height);
      APainter->fillRect(Bar, Value == LostSample ? QColor(Qt::red) : AOption.palette.highlight());
    }
    APainter->restore();
  }
};

QTableWidgetItem* Cell(const std::string& AText) {
  auto* const Item = new QTableWidgetItem(QString::fromStdString(AText));
  Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return Item;
}

}  // namespace

TRoutePage::TRoutePage(TForm1* AForm, TMonitor* AMonitor)
    : TComponent(AForm), FForm(AForm), FMonitor(AMonitor) {
  SetName("RoutePage");
  TabSheetRoute = new TTabSheet(this, AForm->PageControl1);
  TabSheetRoute->SetCaption("Route");
  FRefresh = std::make_unique<TPageRefresh>(TabSheetRoute, [this] { Refresh(); });
  CreateControls();
  Refresh();
}

TRoutePage::~TRoutePage() {
  // The driver serves the tracer; it goes first.
  delete FDriver;
}

void TRoutePage::CreateControls() {
  auto* const Top = new QHBoxLayout;
  const auto AddLabelled = [&](const char* ACaption, QWidget* AControl) {
    auto* const Label = new QLabel(QString::fromUtf8(ACaption), TabSheetRoute);
    Label->setBuddy(AControl);
    Top->addWidget(Label);
    Top->addWidget(AControl);
  };
  edTraceTo = new QLineEdit(TabSheetRoute);
  edTraceTo->setPlaceholderText(QStringLiteral("name, IPv4 or IPv6 address"));
  AddLabelled("&Trace to:", edTraceTo);
  seInterval = new QSpinBox(TabSheetRoute);
  seInterval->setRange(static_cast<int>(TRouteSettings::MinInterval.count()), 60000);
  seInterval->setSingleStep(100);
  seInterval->setValue(1000);
  AddLabelled("&Interval (ms):", seInterval);
  seMaxHops = new QSpinBox(TabSheetRoute);
  seMaxHops->setRange(1, TRoute::HopLimit);
  seMaxHops->setValue(TRoute::DefaultHops);
  AddLabelled("&Hops:", seMaxHops);
  Top->setStretchFactor(edTraceTo, 1);
  BitBtnStart = new TBitBtn(this, TabSheetRoute);
  BitBtnStart->SetCaption("Start");
  BitBtnStop = new TBitBtn(this, TabSheetRoute);
  BitBtnStop->SetCaption("Stop");
  BitBtnExport = new TBitBtn(this, TabSheetRoute);
  BitBtnExport->SetCaption("Export\xE2\x80\xA6");
  BitBtnExport->setAccessibleDescription(
      QStringLiteral("Saves the route with every hop's figures as CSV or JSON Lines"));
  for (TBitBtn* const Button : {BitBtnStart, BitBtnStop, BitBtnExport}) Top->addWidget(Button);
  BitBtnStart->OnClick = [this](TComponent* Sender) { BitBtnStartClick(Sender); };
  BitBtnStop->OnClick = [this](TComponent* Sender) { BitBtnStopClick(Sender); };
  BitBtnExport->OnClick = [this](TComponent* Sender) { BitBtnExportClick(Sender); };
  QObject::connect(edTraceTo, &QLineEdit::returnPressed, TabSheetRoute, [this] {
    if (BitBtnStart->isEnabled()) BitBtnStart->click();
  });

  lbStatus = new QLabel(TabSheetRoute);
  lbStatus->setWordWrap(true);
  TableHops = new QTableWidget(0, ColumnCount, TabSheetRoute);
  TableHops->setHorizontalHeaderLabels({"Hop", "Address", "Name", "Loss %", "Sent", "Last ms",
                                        "Avg ms", "Best ms", "Worst ms", "StDev ms", "Recent"});
  TableHops->setAccessibleName(QStringLiteral("Hops"));
  TableHops->verticalHeader()->hide();
  TableHops->setSelectionBehavior(QAbstractItemView::SelectRows);
  TableHops->setItemDelegateForColumn(colRecent, new TRecentDelegate(TableHops));
  TableHops->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  TableHops->horizontalHeader()->setSectionResizeMode(colRecent, QHeaderView::Stretch);
  ListChanges = new QListWidget(TabSheetRoute);
  ListChanges->setAccessibleName(QStringLiteral("Route changes"));
  ListChanges->setMaximumHeight(ListChanges->fontMetrics().height() * 5);

  auto* const Layout = new QVBoxLayout(TabSheetRoute);
  Layout->addLayout(Top);
  Layout->addWidget(lbStatus);
  Layout->addWidget(TableHops, 1);
  Layout->addWidget(new QLabel(QStringLiteral("Route changes:"), TabSheetRoute));
  Layout->addWidget(ListChanges);
}

void TRoutePage::BitBtnStartClick(TComponent*) {
  if (!FTracer) {
    // The window program never holds a raw socket: the datagram socket or
    // the echo helper beside the program carries the probes.
    quorvel::probe::EngineOptions Options;
    Options.helperPath = ExecutableFolder() + "/" + quorvel::wire::kHelperFileName;
    FTracer = std::make_unique<TRouteTracer>(FMonitor, Options);
    FTracer->OnChange = [this] { FRefresh->Schedule(); };
    FTracer->OnFailed = [this](const std::string& AMessage) { FFailure = AMessage; };
    FDriver = new TProbeDriver(TabSheetRoute, *FTracer);
  }
  FFailure.clear();
  FTracer->Start({edTraceTo->text().trimmed().toStdString(), seMaxHops->value(),
                  std::chrono::milliseconds(seInterval->value()), std::chrono::seconds(1)});
  FDriver->Rearm();
  Refresh();
}

void TRoutePage::BitBtnStopClick(TComponent*) {
  if (!FTracer) return;
  FTracer->Stop();
  FDriver->Rearm();
  Refresh();
}

void TRoutePage::BitBtnExportClick(TComponent*) {
  const TRoute* const Route = FTracer ? FTracer->Route() : nullptr;
  if (!Route) throw Exception("There is no route to export yet: start a trace first");
  const std::optional<std::string> FileName =
      PromptSaveFile(FForm, {"Export the route", "quorvel-route.csv",
                             "CSV (*.csv);;JSON Lines (*.jsonl);;All files (*)"});
  if (FileName) SaveRouteExport(*FileName, *Route);
}

void TRoutePage::Refresh() {
  const bool Running = FTracer && FTracer->Running();
  for (QWidget* const Setting :
       {static_cast<QWidget*>(edTraceTo), static_cast<QWidget*>(seInterval),
        static_cast<QWidget*>(seMaxHops)})
    Setting->setEnabled(!Running);
  BitBtnStart->setEnabled(!Running);
  BitBtnStop->setEnabled(Running);
  const TRoute* const Route = FTracer ? FTracer->Route() : nullptr;
  BitBtnExport->setEnabled(Route != nullptr);
  ShowStatus(Route);
  if (Route) {
    ShowHops(*Route);
    ShowChanges(*Route);
  } else {
    TableHops->setRowCount(0);
    ListChanges->clear();
  }
}

void TRoutePage::ShowStatus(const TRoute* ARoute) {
  std::string Text;
  if (!FFailure.empty()) {
    Text = FFailure;
  } else if (!ARoute) {
    Text = FTracer && FTracer->Running()
               ? "Looking up " + edTraceTo->text().toStdString() + "\xE2\x80\xA6"
               : "Type a host and click Start.";
  } else {
    Text = "Route to " + ARoute->Host() +
           (ARoute->Host() == ARoute->Address() ? "" : " (" + ARoute->Address() + ")") + ", " +
           std::to_string(ARoute->Rounds()) + " rounds since " + TimeText(ARoute->Start());
    if (ARoute->End() > 0) {
      const THop& End = ARoute->Hop(ARoute->End());
      Text += End.UnreachableCode() ? "; unreachable at hop " + std::to_string(End.Number()) +
                                          " (code " + std::to_string(*End.UnreachableCode()) + ")"
                                    : "; the target answers at hop " + std::to_string(End.Number());
    }
    if (!FTracer->Running()) Text += "; stopped";
  }
  lbStatus->setText(QString::fromStdString(Text));
}

void TRoutePage::ShowHops(const TRoute& ARoute) {
  int Row = 0;
  const auto SetRow = [&](const THop& AHop, const TRouter* ARouter) {
    if (Row >= TableHops->rowCount()) TableHops->insertRow(Row);
    const bool First = !ARouter || &AHop.Routers().front() == ARouter;
    const THopFigures* const F = ARouter ? &ARouter->Figures : nullptr;
    const bool Any = F && F->Count() > 0;
    const std::string Texts[ColumnCount] = {
        First ? std::to_string(AHop.Number()) : std::string(),
        ARouter ? ARouter->Address : "???",
        ARouter ? ARouter->Name : std::string(),
        AHop.Sent() == 0 ? NoValue : PercentNumber(AHop.LossPercent()),
        std::to_string(AHop.Sent()),
        Any ? MsNumber(static_cast<double>(F->Last())) : NoValue,
        Any ? MsNumber(F->Mean()) : NoValue,
        Any ? MsNumber(static_cast<double>(F->Best())) : NoValue,
        Any ? MsNumber(static_cast<double>(F->Worst())) : NoValue,
        Any ? MsNumber(F->StandardDeviation()) : NoValue,
        std::string()};
    for (int Column = 0; Column < ColumnCount; ++Column)
      TableHops->setItem(Row, Column, Cell(Texts[Column]));
    QVariantList Samples;
    int Lost = 0;
    for (const THopSample& Sample : AHop.Samples()) {
      Samples.append(Sample.Lost ? LostSample : static_cast<int>(Sample.RoundTripUs));
      Lost += Sample.Lost ? 1 : 0;
    }
    QTableWidgetItem* const Recent = TableHops->item(Row, colRecent);
    Recent->setData(SampleRole, Samples);
    Recent->setToolTip(QStringLiteral("The last %1 probes, %2 lost").arg(Samples.size()).arg(Lost));
    ++Row;
  };
  for (int Number = 1; Number <= ARoute.Shown(); ++Number) {
    const THop& Hop = ARoute.Hop(Number);
    if (Hop.Routers().empty()) SetRow(Hop, nullptr);
    for (const TRouter& Router : Hop.Routers()) SetRow(Hop, &Router);
  }
  TableHops->setRowCount(Row);
}

void TRoutePage::ShowChanges(const TRoute& ARoute) {
  ListChanges->clear();
  // Newest first.
  const std::deque<TRouteChange>& Changes = ARoute.Changes();
  for (std::size_t Left = Changes.size(); Left > 0; --Left) {
    const TRouteChange& Change = Changes[Left - 1];
    ListChanges->addItem(
        QString::fromStdString(TimeText(Change.At) + "  hop " + std::to_string(Change.Hop) + ": " +
                               Change.Previous + " \xE2\x86\x92 " + Change.Current));
  }
}
