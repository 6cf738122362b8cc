// Measures that several benchmarks share: the process's resident memory, and
// the delay between posting an event to the GUI thread and its handling.
#pragma once

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

// The resident memory of this process, in kilobytes; -1 when unknown.
inline long ResidentKilobytes() {
  std::ifstream Status("/proc/self/status");
  std::string Key;
  while (Status >> Key) {
    if (Key == "VmRSS:") {
      long Value = 0;
      Status >> Value;
      return Value;
    }
    Status.ignore(4096, '\n');
  }
  return -1;
}

inline constexpr QEvent::Type StampedEventType = static_cast<QEvent::Type>(QEvent::User + 1);

// An event that carries the time, on the recorder's clock, it was posted at.
class TStampedEvent : public QEvent {
 public:
  explicit TStampedEvent(qint64 APosted) : QEvent(StampedEventType), Posted(APosted) {}
  TStampedEvent* clone() const override { return new TStampedEvent(*this); }
  qint64 Posted;
};

// Notes how long each stamped event waited for its handling, in nanoseconds.
class TLatencyRecorder : public QObject {
 public:
  explicit TLatencyRecorder(const QElapsedTimer& AClock) : FClock(AClock) {}
  std::vector<qint64> Latencies;

 protected:
  bool event(QEvent* Event) override {
    if (Event->type() != StampedEventType) return QObject::event(Event);
    Latencies.push_back(FClock.nsecsElapsed() - static_cast<TStampedEvent*>(Event)->Posted);
    return true;
  }

 private:
  const QElapsedTimer& FClock;
};

// Posts a stamped event to the recorder every 7 ms from a thread of its own,
// as a user's input would come, until it is destroyed.
class TEventPoster {
 public:
  TEventPoster(TLatencyRecorder& ARecorder, const QElapsedTimer& AClock)
      : FThread([this, &ARecorder, &AClock] {
          while (FPosting) {
            QCoreApplication::postEvent(&ARecorder, new TStampedEvent(AClock.nsecsElapsed()));
            std::this_thread::sleep_for(std::chrono::milliseconds(7));
          }
        }) {}
  ~TEventPoster() {
    FPosting = false;
    FThread.join();
  }
  TEventPoster(const TEventPoster&) = delete;
  TEventPoster& operator=(const TEventPoster&) = delete;

 private:
  std::atomic<bool> FPosting = true;
  std::thread FThread;
};

// Reports the number of handled events and their median and worst delay.
inline void ReportEventDelays(benchmark::State& AState, std::vector<qint64> ALatencies) {
  std::sort(ALatencies.begin(), ALatencies.end());
  AState.counters["events"] = static_cast<double>(ALatencies.size());
  if (ALatencies.empty()) return;
  AState.counters["median_event_delay_ms"] =
      static_cast<double>(ALatencies[ALatencies.size() / 2]) / 1e6;
  AState.counters["worst_event_delay_ms"] = static_cast<double>(ALatencies.back()) / 1e6;
}
