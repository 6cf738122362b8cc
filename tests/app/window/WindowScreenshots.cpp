// Pictures of the main window for the README: each page at the designed client
// size and at a larger one, and the chart's looks, grabbed from the window as
// the program makes it. Run under a display (or the offscreen platform) with
// the folder to write to.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

#include "app/pages/HostsPage.h"
#include "app/pages/RoutePage.h"
#include "app/pages/StatisticsPage.h"
#include "app/window/HostStore.h"
#include "app/window/Unit1.h"
#include "app/window/WindowMonitor.h"
#include "ui/Application.h"

namespace {

// Grabs the window as it stands now into Folder/Name.png.
bool SavePicture(const QString& Folder, const QString& Name) {
  QApplication::processEvents();
  const QString File = QDir(Folder).filePath(Name + QStringLiteral(".png"));
  if (Form1->grab().save(File)) return true;
  std::fprintf(stderr, "cannot write %s\n", File.toLocal8Bit().constData());
  return false;
}

// A few replies as a ping session would leave them.
void AddReplies() {
  for (int Reply = 1; Reply <= 40; ++Reply) {
    TListItem Item = Form1->ListView1->Items()->Insert(0);
    Item.SetCaption("127.0.0.1");
    const int Milliseconds = 1 + (Reply * 7) % 13;
    for (const int Value : {52, 0, Reply, Milliseconds, 64})
      Item.SubItems().Add(std::to_string(Value));
    Form1->Series1->AddXY(Reply, Milliseconds);
  }
  Form1->Series2->CheckDataSource();
}

// A session on the Statistics page: replies of a few tenths of a millisecond,
// two outages and a change of route.
void AddAttempts(TMonitor& AMonitor) {
  for (int Attempt = 1; Attempt <= 60; ++Attempt) {
    const bool Lost = (Attempt >= 20 && Attempt < 23) || Attempt == 41;
    const auto Sequence = static_cast<std::uint16_t>(3488 + Attempt);
    const TReplyStatus Status =
        Lost ? TReplyStatus{0, "0.0.0.0", 0, Sequence, 1000, 0, rsTimeOut}
             : TReplyStatus{84,    "127.0.0.1",
                            0,     Sequence,
                            0,     Attempt < 30 ? std::uint8_t{64} : std::uint8_t{63},
                            rsEcho};
    AMonitor.RecordEcho("127.0.0.1", Status, Lost ? 1'000'000u : 30u + (Attempt * 37u) % 190u);
  }
}

}  // namespace

int main(int Argc, char** Argv) {
  if (Argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", Argv[0]);
    return 2;
  }
  const QString Folder = QString::fromLocal8Bit(Argv[1]);
  // The pictures show a first run, with no history of the user's.
  const QTemporaryDir HistoryFolder;
  SetHostFolder(HistoryFolder.path().toStdString());
  TApplication App(Argc, Argv);
  App.CreateForm(Form1);
  TMonitor* const Monitor = NewWindowMonitor(Form1);
  new TStatisticsPage(Form1, Monitor);
  new THostsPage(Form1, Monitor, {}, nullptr);
  new TRoutePage(Form1, Monitor);
  Form1->Show();
  AddReplies();
  AddAttempts(*Monitor);
  const struct {
    int Width, Height;
    const char* Name;
  } Sizes[] = {{574, 455, "designed"}, {800, 600, "large"}};
  for (const auto& Size : Sizes) {
    Form1->SetClientSize(Size.Width, Size.Height);
    for (int Page = 0; Page < Form1->PageControl1->PageCount(); ++Page) {
      Form1->PageControl1->SetActivePageIndex(Page);
      if (!SavePicture(Folder, QStringLiteral("page%1-%2").arg(Page + 1).arg(Size.Name))) return 1;
    }
  }
  // The chart's looks, switched as the settings page switches them.
  Form1->SetClientSize(574, 455);
  Form1->PageControl1->SetActivePageIndex(0);
  const struct {
    bool View3D, Gradient;
    const char* Name;
  } Looks[] = {
      {true, true, "chart-3d"}, {true, false, "chart-3d-plain"}, {false, false, "chart-2d-plain"}};
  for (const auto& Look : Looks) {
    Form1->chb3D->SetChecked(Look.View3D);
    Form1->chbGradient->SetChecked(Look.Gradient);
    if (!SavePicture(Folder, QString::fromLatin1(Look.Name))) return 1;
  }
  return 0;
}
