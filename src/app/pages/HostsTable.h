// The Hosts page's table: a row per watched target, in the order they were
// added, with its address and its session's figures, read from the model
// whenever the view shows them, and its state as a colour beside the host.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <map>

#include "monitor/Targets.h"

// The colour of a target's state: red down, orange slow, green up, grey
// unknown or paused.
QColor HealthColour(const TTargetHealth& AHealth, bool APaused);

class THostsTable : public QAbstractTableModel {
 public:
  static constexpr const char* Captions[] = {"Host",   "Address", "Sent",   "Lost %",    "Last ms",
                                             "Avg ms", "Min ms",  "Max ms", "Jitter ms", "p95 ms"};
  static constexpr int Columns = 10;

  // Shows ATargets, which must outlive the table.
  THostsTable(QObject* AParent, const TTargets& ATargets);

  int rowCount(const QModelIndex& AParent) const override;
  int columnCount(const QModelIndex& AParent) const override;
  QVariant headerData(int ASection, Qt::Orientation AOrientation, int ARole) const override;
  QVariant data(const QModelIndex& AIndex, int ARole) const override;

  // After a target was added at the end.
  void Appended();
  // Around the removal of the target in ARow.
  void Removing(int ARow);
  void Removed();
  // The figures of every row may have changed.
  void Changed();

 private:
  const QIcon& Icon(const QColor& AColour) const;

  const TTargets& FTargets;
  mutable std::map<QRgb, QIcon> FIcons;
};
