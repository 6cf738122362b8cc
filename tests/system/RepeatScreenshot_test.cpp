// A live repeat on a real display: the program pings the loopback every 100 ms
// under an X server, and the window as the server shows it is saved as a PNG
// for the README. The file to write comes in QUORVEL_SCREENSHOT.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include "app/window/MainWindowTest.h"
#include "support/RawSockets.h"

TEST(RepeatScreenshot, ShowsALiveRepeatAsTheDisplayShowsIt) {
  if (!PingsAllowed()) GTEST_SKIP() << kPingsRefused;
  const QString File = qEnvironmentVariable("QUORVEL_SCREENSHOT");
  ASSERT_FALSE(File.isEmpty()) << "QUORVEL_SCREENSHOT names the picture to write";
  const THostFolder History;
  int Argc = 1;
  char Program[] = "quorvel";
  char* Argv[] = {Program, nullptr};
  TApplication App(Argc, Argv);
  ASSERT_NE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
  App.CreateForm(Form1);
  Form1->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));

  Form1->cbHost->SetText("127.0.0.1");
  // Quicker than the box's least interval allows a user, so that the chart
  // fills within seconds.
  Form1->speRepeat->SetMinValue(100);
  Form1->speRepeat->setFocus();
  Form1->speRepeat->SetText("100");
  QTest::mouseClick(Form1->spbRepPing, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([] { return Form1->ListView1->Items()->Count() >= 40; }, 20000));
  // The picture shows the repeat still running.
  QApplication::processEvents();
  const QPixmap Picture = Form1->screen()->grabWindow(Form1->winId());
  QTest::mouseClick(Form1->spbRepPing, Qt::LeftButton);

  ASSERT_EQ(Picture.size(), Form1->size());
  ASSERT_TRUE(Picture.save(File, "PNG")) << File.toStdString();
  const QImage Saved(File);
  EXPECT_EQ(Saved.size(), Form1->size());
  // The chart's top edge carries the light yellow of its gradient.
  const QPoint ChartTop = Form1->Chart1->mapTo(Form1, QPoint(Form1->Chart1->width() / 2, 0));
  EXPECT_EQ(Saved.pixelColor(ChartTop), QColor(255, 255, 128));
  EXPECT_TRUE(Form1->ListViewError->Items()->Count() == 0);
}
