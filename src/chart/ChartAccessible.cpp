#include "chart/ChartAccessible.h"

#include <QAccessibleWidget>

#include "chart/Chart.h"
#include "chart/ChartSeries.h"

namespace {

QString Number(double Value) { return QString::number(Value, 'g', 12); }

QString Name(const TChartValueList& Values) { return QString::fromStdString(Values.Name()); }

QString SeriesDescription(const TChartSeries& Series) {
  const QString Title = QString::fromStdString(Series.Name());
  if (Series.Count() == 0) return QStringLiteral("%1: no points").arg(Title);
  const TChartValueList& X = Series.XValues();
  const TChartValueList& Y = Series.YValues();
  const int Newest = Series.Count() - 1;
  return QStringLiteral("%1: %2 points, %3 from %4 to %5, %6 from %7 to %8, newest %3 %9 %6 %10")
      .arg(Title, QString::number(Series.Count()), Name(X), Number(X.MinValue()),
           Number(X.MaxValue()), Name(Y), Number(Y.MinValue()), Number(Y.MaxValue()),
           Number(X[Newest]))
      .arg(Number(Y[Newest]));
}

class TChartAccessible : public QAccessibleWidget {
 public:
  explicit TChartAccessible(TChart* Chart) : QAccessibleWidget(Chart, QAccessible::Chart) {}

  QString text(QAccessible::Text Kind) const override {
    const auto& Chart = static_cast<const TChart&>(*widget());
    switch (Kind) {
      case QAccessible::Name:
        if (!Chart.accessibleName().isEmpty()) return Chart.accessibleName();
        return Chart.Name().empty() ? QStringLiteral("Chart")
                                    : QString::fromStdString(Chart.Name());
      case QAccessible::Description:
        return ChartDescription(Chart);
      case QAccessible::Value:
        return Chart.SeriesCount() > 0 ? SeriesDescription(*Chart.Series(0)) : QString();
      default:
        return QAccessibleWidget::text(Kind);
    }
  }
};

QAccessibleInterface* ChartFactory(const QString&, QObject* Object) {
  if (auto* Chart = dynamic_cast<TChart*>(Object)) return new TChartAccessible(Chart);
  return nullptr;
}

}  // namespace

void InstallChartAccessibility() {
  static const bool Installed = (QAccessible::installFactory(ChartFactory), true);
  (void)Installed;
}

QString PointText(const TChartSeries& Series, int Index) {
  return QStringLiteral("%1: %2\n%3: %4")
      .arg(Name(Series.XValues()), Number(Series.XValues()[Index]), Name(Series.YValues()),
           Number(Series.YValues()[Index]));
}

QString ChartDescription(const TChart& Chart) {
  QStringList Lines;
  for (int I = 0; I < Chart.SeriesCount(); ++I) Lines << SeriesDescription(*Chart.Series(I));
  return Lines.join('\n');
}
