// The chart beside the Hosts page's table: the recent round trips of the
// selected targets over the wall clock, a mark at the time of every lost
// probe, a fixed or automatic Y range, and the text of what the mouse
// points at. It reads the model's recent attempts when it paints, so it
// holds nothing that grows.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "monitor/Attempt.h"

class THostsChart : public QWidget {
 public:
  struct TSeries {
    std::string Host;
    const std::deque<TAttempt>* Attempts;
  };
  using TSource = std::function<std::vector<TSeries>()>;

  THostsChart(QWidget* AParent, TSource ASource);

  // The top of the Y range in microseconds; none: the largest round trip shown.
  void SetYMaxUs(std::optional<std::uint64_t> AMaxUs);
  std::optional<std::uint64_t> YMaxUs() const { return FYMaxUs; }

  // What lies nearest to APosition: "12:00:01.250 127.0.0.1 0.042 ms", or
  // "... lost" for a lost probe; empty where the chart shows nothing.
  QString PointText(QPoint APosition) const;

  // Told the text of what the mouse points at, empty when it leaves.
  std::function<void(const QString&)> OnPointed;

 protected:
  void paintEvent(QPaintEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void leaveEvent(QEvent* AEvent) override;

 private:
  struct TView;
  TView View(const std::vector<TSeries>& ASeries) const;

  TSource FSource;
  std::optional<std::uint64_t> FYMaxUs;
};
