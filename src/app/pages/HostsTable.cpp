#include "app/pages/HostsTable.h"

#include <QPixmap>

#include "app/pages/PageTexts.h"

namespace {

// Shown for a figure that a target cannot give yet.
const QString NoValue = QStringLiteral("\u2013");

QString Text(const std::string& AText) { return QString::fromStdString(AText); }

QString Ms(std::optional<double> AUs) { return AUs ? Text(MsNumber(*AUs)) : NoValue; }

template <class TNumber>
std::optional<double> Us(std::optional<TNumber> AUs) {
  return AUs ? std::optional<double>(static_cast<double>(*AUs)) : std::nullopt;
}

QString Cell(const TTarget& ATarget, const TPingSession& ASession, int AColumn) {
  const TRoundTripStatistics& Trips = ASession.RoundTrips();
  const bool Any = Trips.Count() > 0;
  switch (AColumn) {
    case 0:
      return Text(ATarget.Settings.Host);
    case 1:
      if (ATarget.Address) return Text(quorvel::wire::ToText(*ATarget.Address));
      if (!ATarget.Problem.empty()) return QStringLiteral("not found");
      return ATarget.Settings.Paused ? NoValue : QStringLiteral("looking up\u2026");
    case 2:
      return QString::number(ASession.Sent());
    case 3:
      return ASession.Sent() == 0 ? NoValue : Text(PercentNumber(ASession.LossPercent()));
    case 4:
      if (ASession.Attempts().empty()) return NoValue;
      if (ASession.Attempts().back().Outcome != TOutcome::Reply) return QStringLiteral("lost");
      return Ms(static_cast<double>(ASession.Attempts().back().RoundTripUs));
    case 5:
      return Any ? Ms(Trips.Mean()) : NoValue;
    case 6:
      return Any ? Ms(static_cast<double>(Trips.Min())) : NoValue;
    case 7:
      return Any ? Ms(static_cast<double>(Trips.Max())) : NoValue;
    case 8:
      return Ms(Trips.Jitter());
    default:
      return Ms(Us(Trips.Percentile(95)));
  }
}

}  // namespace

QColor HealthColour(const TTargetHealth& AHealth, bool APaused) {
  if (APaused) return Qt::gray;
  if (AHealth.State() == THealthState::Down) return {210, 0, 0};
  if (AHealth.Slow()) return {230, 140, 0};
  if (AHealth.State() == THealthState::Up) return {0, 160, 60};
  return Qt::gray;
}

THostsTable::THostsTable(QObject* AParent, const TTargets& ATargets)
    : QAbstractTableModel(AParent), FTargets(ATargets) {}

int THostsTable::rowCount(const QModelIndex& AParent) const {
  return AParent.isValid() ? 0 : static_cast<int>(FTargets.Targets().size());
}

int THostsTable::columnCount(const QModelIndex& AParent) const {
  return AParent.isValid() ? 0 : Columns;
}

QVariant THostsTable::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const {
  if (AOrientation == Qt::Horizontal && ARole == Qt::DisplayRole && ASection >= 0 &&
      ASection < Columns)
    return QString::fromUtf8(Captions[ASection]);
  return QAbstractTableModel::headerData(ASection, AOrientation, ARole);
}

QVariant THostsTable::data(const QModelIndex& AIndex, int ARole) const {
  const TTarget& T = FTargets.Targets().at(static_cast<std::size_t>(AIndex.row()));
  const TPingSession& S = FTargets.Monitor().Session(T.Settings.Host);
  if (ARole == Qt::DisplayRole) return Cell(T, S, AIndex.column());
  if (ARole == Qt::TextAlignmentRole && AIndex.column() >= 2)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (AIndex.column() == 0 && ARole == Qt::DecorationRole)
    return Icon(HealthColour(S.Health(), T.Settings.Paused));
  if (AIndex.column() == 0 && ARole == Qt::ToolTipRole)
    return T.Settings.Paused ? QStringLiteral("paused")
                             : QString::fromUtf8(HealthStateName(S.Health().State())) +
                                   (S.Health().Slow() ? QStringLiteral(", slow") : QString());
  return {};
}

const QIcon& THostsTable::Icon(const QColor& AColour) const {
  // One icon a colour: a colour as the decoration would make a new pixmap,
  // and a new entry in the pixmap cache, at every paint of every row.
  const auto [At, Fresh] = FIcons.try_emplace(AColour.rgb());
  if (Fresh) {
    QPixmap Swatch(12, 12);
    Swatch.fill(AColour);
    At->second = QIcon(Swatch);
  }
  return At->second;
}

void THostsTable::Appended() {
  const int Row = rowCount({}) - 1;
  beginInsertRows({}, Row, Row);
  endInsertRows();
}

void THostsTable::Removing(int ARow) { beginRemoveRows({}, ARow, ARow); }

void THostsTable::Removed() { endRemoveRows(); }

void THostsTable::Changed() {
  if (rowCount({}) > 0) emit dataChanged(index(0, 0), index(rowCount({}) - 1, Columns - 1));
}
