#include "app/pages/HostsChart.h"

#include <QDateTime>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <cmath>

#include "app/pages/PageTexts.h"
#include "chart/ChartMap.h"

namespace {

// Room for the Y labels on the left and the time labels below.
constexpr int LeftMargin = 56;
constexpr int BottomMargin = 20;
constexpr int Margin = 6;
constexpr int LossMark = 5;
// Spacing of the time ticks, in milliseconds: the first that leaves room.
constexpr std::array<std::int64_t, 12> TickSteps = {100,   250,   500,   1000,   2000,   5000,
                                                    10000, 30000, 60000, 300000, 900000, 3600000};
constexpr int TickPixels = 80;

const std::array<QColor, 6> Colours = {QColor(0, 90, 200),  QColor(0, 140, 60),
                                       QColor(150, 0, 170), QColor(200, 120, 0),
                                       QColor(0, 150, 160), QColor(90, 90, 90)};

double Ms(TWallTime AWhen) { return static_cast<double>(AWhen.UnixUs) / 1000.0; }

QString ClockText(double AMs, std::int32_t AOffset, bool AMilliseconds) {
  return QDateTime::fromMSecsSinceEpoch(std::llround(AMs), Qt::OffsetFromUTC, AOffset)
      .toString(AMilliseconds ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

QString RoundTripText(std::uint64_t AUs) {
  return QString::fromStdString(MsText(static_cast<double>(AUs)));
}

// A Y label: the page's decimal separator, no grouping.
QString AxisText(double AMs) {
  QLocale Locale;
  Locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return Locale.toString(AMs, 'f', AMs < 10 ? 2 : 0) + QStringLiteral(" ms");
}

bool Lost(const TAttempt& AAttempt) { return AAttempt.Outcome != TOutcome::Reply; }

}  // namespace

// The ranges of what is shown now, and the map onto the plot.
struct THostsChart::TView {
  TChartMap Map;
  std::int32_t Offset = 0;
  bool Empty = true;
};

THostsChart::THostsChart(QWidget* AParent, TSource ASource)
    : QWidget(AParent), FSource(std::move(ASource)) {
  setMouseTracking(true);
  setMinimumHeight(120);
  setAccessibleName(QStringLiteral("Round trips of the selected hosts"));
}

void THostsChart::SetYMaxUs(std::optional<std::uint64_t> AMaxUs) {
  FYMaxUs = AMaxUs;
  update();
}

THostsChart::TView THostsChart::View(const std::vector<TSeries>& ASeries) const {
  double First = 0;
  double Last = 0;
  std::uint64_t Top = 0;
  std::int32_t Offset = 0;
  bool Any = false;
  for (const TSeries& S : ASeries) {
    if (S.Attempts->empty()) continue;
    First = Any ? std::min(First, Ms(S.Attempts->front().Sent)) : Ms(S.Attempts->front().Sent);
    Last = Any ? std::max(Last, Ms(S.Attempts->back().Sent)) : Ms(S.Attempts->back().Sent);
    Offset = S.Attempts->back().Sent.UtcOffset;
    Any = true;
    for (const TAttempt& A : *S.Attempts)
      if (!Lost(A)) Top = std::max(Top, A.RoundTripUs);
  }
  // A tenth above the largest, and never less than a millisecond.
  const double YTop = FYMaxUs ? static_cast<double>(*FYMaxUs) / 1000.0
                              : std::max(1.0, static_cast<double>(Top) / 1000.0 * 1.1);
  const QRect Plot(LeftMargin, Margin, std::max(width() - LeftMargin - Margin, 2),
                   std::max(height() - Margin - BottomMargin, 2));
  return {TChartMap(Plot, {First, std::max(Last, First + 1)}, {0, YTop}), Offset, !Any};
}

void THostsChart::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  Painter.fillRect(rect(), palette().base());
  const std::vector<TSeries> Series = FSource();
  const TView V = View(Series);
  const QRect Plot = V.Map.Plot();
  Painter.setPen(palette().text().color());
  Painter.drawRect(Plot.adjusted(0, 0, -1, -1));
  if (V.Empty) {
    Painter.drawText(Plot, Qt::AlignCenter,
                     QStringLiteral("Select hosts to see their round trips"));
    return;
  }
  // The Y range at its bottom, middle and top, in milliseconds.
  const double YTop = V.Map.PixelToY(Plot.top() + 0.5);
  for (const double Y : {0.0, YTop / 2, YTop}) {
    const QRectF Label(0, V.Map.YToPixel(Y) - 8, LeftMargin - 4, 16);
    Painter.drawText(Label, Qt::AlignRight | Qt::AlignVCenter, AxisText(Y));
  }
  // Wall-clock ticks, at the first step that leaves room for their labels.
  const double From = V.Map.PixelToX(Plot.left() + 0.5);
  const double To = V.Map.PixelToX(Plot.right() + 0.5);
  const double PerPixel = (To - From) / std::max(Plot.width(), 1);
  const std::int64_t Step = *std::find_if(TickSteps.begin(), TickSteps.end() - 1, [&](auto S) {
    return static_cast<double>(S) / PerPixel >= TickPixels;
  });
  const std::int64_t OffsetMs = std::int64_t{V.Offset} * 1000;
  for (std::int64_t Tick = (static_cast<std::int64_t>(From) + OffsetMs) / Step * Step + Step;
       Tick - OffsetMs <= To; Tick += Step) {
    const double X = V.Map.XToPixel(static_cast<double>(Tick - OffsetMs));
    Painter.drawLine(QPointF(X, Plot.bottom()), QPointF(X, Plot.bottom() + 3));
    Painter.drawText(QRectF(X - 40, Plot.bottom() + 3, 80, BottomMargin - 3), Qt::AlignCenter,
                     ClockText(static_cast<double>(Tick - OffsetMs), V.Offset, Step < 1000));
  }
  Painter.setClipRect(Plot);
  std::size_t Index = 0;
  for (const TSeries& S : Series) {
    const QColor Colour = Colours[Index++ % Colours.size()];
    QPolygonF Line;
    for (const TAttempt& A : *S.Attempts)
      if (!Lost(A)) Line << V.Map.ToPixel(Ms(A.Sent), static_cast<double>(A.RoundTripUs) / 1000.0);
    Painter.setPen(QPen(Colour, 0));
    Painter.drawPolyline(Line);
    if (Line.size() == 1) Painter.drawEllipse(Line.front(), 2, 2);
    // A lost probe is a red mark from the bottom at the time it went out.
    Painter.setPen(QPen(Qt::red, 0));
    for (const TAttempt& A : *S.Attempts) {
      if (!Lost(A)) continue;
      const double X = SnapToPixel(V.Map.XToPixel(Ms(A.Sent)));
      Painter.drawLine(QPointF(X, Plot.bottom() - 0.5), QPointF(X, Plot.bottom() - LossMark * 2));
    }
  }
}

QString THostsChart::PointText(QPoint APosition) const {
  const std::vector<TSeries> Series = FSource();
  const TView V = View(Series);
  if (V.Empty || !V.Map.Plot().contains(APosition)) return {};
  const TAttempt* Nearest = nullptr;
  const std::string* Host = nullptr;
  double Best = 0;
  for (const TSeries& S : Series)
    for (const TAttempt& A : *S.Attempts) {
      const double Y = Lost(A) ? V.Map.Plot().bottom()
                               : V.Map.YToPixel(static_cast<double>(A.RoundTripUs) / 1000.0);
      const double Distance =
          std::hypot(V.Map.XToPixel(Ms(A.Sent)) - APosition.x(), Y - APosition.y());
      if (Nearest == nullptr || Distance < Best) {
        Nearest = &A;
        Host = &S.Host;
        Best = Distance;
      }
    }
  if (Nearest == nullptr) return {};
  return ClockText(Ms(Nearest->Sent), Nearest->Sent.UtcOffset, true) + QLatin1Char(' ') +
         QString::fromStdString(*Host) + QLatin1Char(' ') +
         (Lost(*Nearest) ? QStringLiteral("lost") : RoundTripText(Nearest->RoundTripUs));
}

void THostsChart::mouseMoveEvent(QMouseEvent* AEvent) {
  const QString Text = PointText(AEvent->position().toPoint());
  QToolTip::showText(AEvent->globalPosition().toPoint(), Text, this);
  if (OnPointed) OnPointed(Text);
}

void THostsChart::leaveEvent(QEvent*) {
  if (OnPointed) OnPointed({});
}
