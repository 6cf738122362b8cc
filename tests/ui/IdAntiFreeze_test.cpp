#include "ui/IdAntiFreeze.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "net/IdIcmpClient.h"
#include "net/IdSocketHandle.h"
#include "net/RecordingStack.h"
#include "support/OffscreenApplication.h"
#include "support/TestNetwork.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Timer.h"

namespace {

constexpr QEvent::Type Waiting1 = static_cast<QEvent::Type>(QEvent::User + 1);
constexpr QEvent::Type Waiting2 = static_cast<QEvent::Type>(QEvent::User + 2);
constexpr QEvent::Type Waiting3 = static_cast<QEvent::Type>(QEvent::User + 3);
constexpr QEvent::Type Stamped = static_cast<QEvent::Type>(QEvent::User + 4);

// Records the types of the events it is given and runs OnEvent for each.
class TRecorder : public QObject {
 public:
  std::vector<int> Types;
  std::function<void(QEvent*)> OnEvent;

 protected:
  bool event(QEvent* Event) override {
    if (Event->type() < QEvent::User) return QObject::event(Event);
    Types.push_back(Event->type() - QEvent::User);
    if (OnEvent) OnEvent(Event);
    return true;
  }
};

// An event posted from another thread with the time it was posted.
class TStampedEvent : public QEvent {
 public:
  explicit TStampedEvent(qint64 APosted) : QEvent(Stamped), Posted(APosted) {}
  TStampedEvent* clone() const override { return new TStampedEvent(*this); }
  qint64 Posted;
};

// A window that notes when it was painted.
class TPaintRecorder : public QWidget {
 public:
  explicit TPaintRecorder(const QElapsedTimer& AClock) : FClock(AClock) {}
  std::vector<qint64> Paints;

 protected:
  void paintEvent(QPaintEvent*) override { Paints.push_back(FClock.elapsed()); }

 private:
  const QElapsedTimer& FClock;
};

qint64 LargestGap(const std::vector<qint64>& ATimes, qint64 AStart, qint64 AEnd) {
  qint64 Gap = 0;
  qint64 Last = AStart;
  for (const qint64 Time : ATimes) {
    Gap = std::max(Gap, Time - Last);
    Last = Time;
  }
  return std::max(Gap, AEnd - Last);
}

// The longest delay from a request (a repaint asked for) to the first
// handling at or after it (the paint); requests too close to AEnd to be
// answered before it are left out.
qint64 LongestDelay(const std::vector<qint64>& ARequests, const std::vector<qint64>& AHandled,
                    qint64 AEnd, qint64 AMargin) {
  qint64 Delay = 0;
  for (const qint64 Request : ARequests) {
    if (Request > AEnd - AMargin) break;
    const auto Next = std::lower_bound(AHandled.begin(), AHandled.end(), Request);
    Delay = std::max(Delay, Next == AHandled.end() ? AEnd - Request : *Next - Request);
  }
  return Delay;
}

// The current responsive-waiting component on a queue that starts empty.
struct AntiFreezeStep : TOffscreenApplication, testing::Test {
  AntiFreezeStep() { QCoreApplication::processEvents(); }
  void PostThree() {
    for (const QEvent::Type Type : {Waiting1, Waiting2, Waiting3})
      QCoreApplication::postEvent(&Recorder, new QEvent(Type));
  }

  TIdAntiFreeze AntiFreeze{nullptr};
  TRecorder Recorder;
};

// A slow machine only makes handling late: this is the designed longest
// wait for a step, with room for the scheduler.
constexpr qint64 LongestGapMs = 250 + 70;

}  // namespace

// ---- The two steps

TEST_F(AntiFreezeStep, WithPriorityAStepHandlesEveryWaitingEvent) {
  PostThree();
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(Recorder.Types, (std::vector<int>{1, 2, 3}));
}

TEST_F(AntiFreezeStep, WithoutPriorityAStepHandlesExactlyOneAndTheOthersWaitInOrder) {
  AntiFreeze.SetApplicationHasPriority(false);
  PostThree();
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(Recorder.Types, std::vector<int>{1});
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(Recorder.Types, (std::vector<int>{1, 2}));
  QCoreApplication::processEvents();
  EXPECT_EQ(Recorder.Types, (std::vector<int>{1, 2, 3}));
}

TEST_F(AntiFreezeStep, WithoutPriorityAnEmptyQueueReturnsAtOnce) {
  AntiFreeze.SetApplicationHasPriority(false);
  QTimer Later;
  Later.start(2000);  // waiting for it would block
  QElapsedTimer Clock;
  Clock.start();
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_LT(Clock.elapsed(), 50);
  EXPECT_TRUE(Recorder.Types.empty());
}

TEST_F(AntiFreezeStep, WhatTheOneEventSendsOnItsWayIsHandledWithIt) {
  AntiFreeze.SetApplicationHasPriority(false);
  TRecorder Other;
  Recorder.OnEvent = [&](QEvent* Event) {
    if (Event->type() != Waiting1) return;
    QEvent Sent(Waiting3);
    QCoreApplication::sendEvent(&Other, &Sent);
  };
  QCoreApplication::postEvent(&Recorder, new QEvent(Waiting1));
  QCoreApplication::postEvent(&Recorder, new QEvent(Waiting2));
  TIdAntiFreezeBase::PumpIfDue(true, false);
  EXPECT_EQ(Recorder.Types, std::vector<int>{1});
  EXPECT_EQ(Other.Types, std::vector<int>{3});
}

TEST_F(AntiFreezeStep, AnEventWhoseReceiverIsGoneIsDroppedNotDelivered) {
  AntiFreeze.SetApplicationHasPriority(false);
  auto Doomed = std::make_unique<TRecorder>();
  Recorder.OnEvent = [&](QEvent*) { Doomed.reset(); };
  QCoreApplication::postEvent(&Recorder, new QEvent(Waiting1));
  QCoreApplication::postEvent(Doomed.get(), new QEvent(Waiting2));
  TIdAntiFreezeBase::PumpIfDue(true, false);
  QCoreApplication::processEvents();
  EXPECT_EQ(Recorder.Types, std::vector<int>{1});
}

TEST_F(AntiFreezeStep, AQuitRequestedInAStepOnlyMarksTheApplicationAsEnding) {
  int Argc = 1;
  char Name[] = "quorvel";
  char* Argv[] = {Name, nullptr};
  TApplication App(Argc, Argv);
  TIdComponent StackUser(nullptr);
  TIdSocketHandle Handle;
  Handle.Open(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  std::vector<std::string> Order;
  qint64 Waited = 0;
  Recorder.OnEvent = [&](QEvent*) { App.Terminate(); };
  QTimer::singleShot(0, [&] {
    QCoreApplication::postEvent(&Recorder, new QEvent(Waiting1));
    QElapsedTimer Clock;
    Clock.start();
    EXPECT_FALSE(Handle.WaitReadable(600));
    Waited = Clock.elapsed();
    Order.push_back("wait ended");
  });
  QCoreApplication::exec();
  Order.push_back("loop ended");
  EXPECT_TRUE(App.Terminated());
  EXPECT_EQ(Order, (std::vector<std::string>{"wait ended", "loop ended"}));
  EXPECT_GE(Waited, 600) << "the quit did not cut the wait short";
}

// ---- Waiting on a socket that never becomes readable

namespace {

// A UDP socket on loopback that nobody sends to, waited on from the window.
struct SlicedWaitOnTheWindow : AntiFreezeStep {
  SlicedWaitOnTheWindow() {
    StackClass = &RecordingStack::Create;
    StackUser = std::make_unique<TIdComponent>(nullptr);
    Silent.Open(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
    Clock.start();
  }
  ~SlicedWaitOnTheWindow() override {
    Silent.Close();
    StackUser.reset();
    StackClass = &TIdStackWindows::Create;
  }
  // Waits ATimeOut ms and returns how long it took.
  qint64 TimedWait(int ATimeOut) {
    const qint64 Start = Clock.elapsed();
    EXPECT_FALSE(Silent.WaitReadable(ATimeOut));
    return Clock.elapsed() - Start;
  }

  std::unique_ptr<TIdComponent> StackUser;
  TIdSocketHandle Silent;
  QElapsedTimer Clock;
};

}  // namespace

TEST_F(SlicedWaitOnTheWindow, EventsTicksAndPaintsComeAtLeastEvery250MsAndTheTimeOutHolds) {
  TPaintRecorder Window(Clock);
  Window.resize(100, 50);
  Window.show();
  QCoreApplication::processEvents();
  TTimer Timer(nullptr);
  std::vector<qint64> Ticks;
  Timer.SetInterval(40);
  Timer.OnTimer = [&](TComponent*) {
    Ticks.push_back(Clock.elapsed());
    Window.update();
  };
  std::vector<qint64> Latencies;
  Recorder.OnEvent = [&](QEvent* Event) {
    Latencies.push_back(Clock.elapsed() - static_cast<TStampedEvent*>(Event)->Posted);
  };
  std::atomic<bool> Posting = true;
  std::thread Poster([&] {
    while (Posting) {
      QCoreApplication::postEvent(&Recorder, new TStampedEvent(Clock.elapsed()));
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
  });
  Window.Paints.clear();
  const qint64 Start = Clock.elapsed();
  const qint64 Waited = TimedWait(1000);
  const qint64 End = Clock.elapsed();
  Posting = false;
  Poster.join();

  EXPECT_GE(Waited, 1000);
  EXPECT_LT(Waited, 1100);
  EXPECT_EQ(RecordingStack::Shared().SelectTimeOuts, (std::vector<int>{250, 250, 250, 250}));
  ASSERT_FALSE(Latencies.empty());
  EXPECT_LE(*std::max_element(Latencies.begin(), Latencies.end()), LongestGapMs);
  EXPECT_LE(LargestGap(Ticks, Start, End), LongestGapMs);
  // The platform paints on its next frame after the request, which the next
  // step delivers: a repaint asked for in one step comes by the next one.
  EXPECT_LE(LongestDelay(Ticks, Window.Paints, End, LongestGapMs), LongestGapMs);
  EXPECT_GE(Window.Paints.size(), 2u);
}

TEST_F(SlicedWaitOnTheWindow, AnExceptionFromAHandlerIsShownAndTheWaitCompletes) {
  std::vector<std::string> Boxes;
  SetMessageBoxHook([&](const std::string& Text, const std::string&, unsigned) {
    Boxes.push_back(Text);
    return IDOK;
  });
  TTimer Timer(nullptr);
  Timer.SetInterval(100);
  Timer.OnTimer = [&](TComponent*) {
    Timer.SetEnabled(false);
    throw Exception("Not enough timers available");
  };
  const qint64 Waited = TimedWait(600);
  SetMessageBoxHook({});
  EXPECT_EQ(Boxes, std::vector<std::string>{"Not enough timers available."});
  EXPECT_GE(Waited, 600);
  EXPECT_LT(Waited, 700);
  EXPECT_EQ(RecordingStack::Shared().SelectTimeOuts, (std::vector<int>{100, 250, 250}));
}

TEST_F(SlicedWaitOnTheWindow, AWaitStartedByAHandlerLeavesTheOuterTimeOutIntact) {
  TIdSocketHandle Inner;
  Inner.Open(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  TTimer Timer(nullptr);
  Timer.SetInterval(20);
  qint64 InnerWaited = 0;
  Timer.OnTimer = [&](TComponent*) {
    Timer.SetEnabled(false);
    const qint64 Start = Clock.elapsed();
    EXPECT_FALSE(Inner.WaitReadable(300));
    InnerWaited = Clock.elapsed() - Start;
  };
  const qint64 Waited = TimedWait(600);
  // The outer wait's 100, then the inner 50 and 250, then the outer 250 and 250.
  EXPECT_EQ(RecordingStack::Shared().SelectTimeOuts, (std::vector<int>{100, 50, 250, 250, 250}));
  EXPECT_GE(InnerWaited, 300);
  EXPECT_GE(Waited, 600 + 300) << "time in the step does not count against the wait";
  EXPECT_LT(Waited, 600 + 300 + 100);
}

// ---- A ping from the window to a target that ignores echo requests

TEST(SilentTarget, APingKeepsTheWindowHandlingEventsAndTimesOutOnTime) {
  if (!PingsAllowed()) GTEST_SKIP() << kPingsRefused;
  StartOffscreenApplication();
  quorvel::test::TestNetwork Net;
  Net.AddNamespace("t1", false);
  Net.Link("", "198.51.100.1/24", "t1", "198.51.100.2/24");
  Net.SetSysctl("t1", "ipv4/icmp_echo_ignore_all", "1");

  TIdAntiFreeze AntiFreeze(nullptr);
  TIdIcmpClient Client(nullptr);
  std::vector<TReplyStatus> Replies;
  Client.OnReply = [&](TComponent*, const TReplyStatus& AReply) { Replies.push_back(AReply); };
  QElapsedTimer Clock;
  Clock.start();
  std::vector<qint64> Ticks;
  TTimer Timer(nullptr);
  Timer.SetInterval(40);
  Timer.OnTimer = [&](TComponent*) { Ticks.push_back(Clock.elapsed()); };
  Client.SetHost("198.51.100.2");
  Client.SetReceiveTimeout(1000);
  const qint64 Start = Clock.elapsed();
  Client.PingHost();
  const qint64 End = Clock.elapsed();

  ASSERT_EQ(Replies.size(), 1u);
  EXPECT_EQ(Replies[0].Status, rsTimeOut);
  EXPECT_GE(Replies[0].RoundTripMs, 1000u);
  EXPECT_LT(End - Start, 1100);
  EXPECT_GE(Ticks.size(), 4u);
  EXPECT_LE(LargestGap(Ticks, Start, End), LongestGapMs);
}
