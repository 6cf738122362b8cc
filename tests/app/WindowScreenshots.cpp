// Pictures of the main window for the README: each page at the designed client
// size and at a larger one, grabbed from the window as the program makes it.
// Run under a display (or the offscreen platform) with the folder to write to.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "app/Unit1.h"
#include "ui/Application.h"

int main(int Argc, char** Argv) {
  if (Argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", Argv[0]);
    return 2;
  }
  const QString Folder = QString::fromLocal8Bit(Argv[1]);
  TApplication App(Argc, Argv);
  App.CreateForm(Form1);
  Form1->Show();
  // A few replies and errors as a ping session would leave them.
  for (int Reply = 1; Reply <= 40; ++Reply) {
    TListItem Item = Form1->ListView1->Items()->Insert(0);
    Item.SetCaption("127.0.0.1");
    const int Milliseconds = 1 + (Reply * 7) % 13;
    for (const int Value : {52, 0, Reply, Milliseconds, 64})
      Item.SubItems().Add(std::to_string(Value));
    Form1->Series1->AddXY(Reply, Milliseconds);
  }
  Form1->Series2->CheckDataSource();
  const struct {
    int Width, Height;
    const char* Name;
  } Sizes[] = {{574, 455, "designed"}, {800, 600, "large"}};
  for (const auto& Size : Sizes) {
    Form1->SetClientSize(Size.Width, Size.Height);
    for (int Page = 0; Page < Form1->PageControl1->PageCount(); ++Page) {
      Form1->PageControl1->SetActivePageIndex(Page);
      QApplication::processEvents();
      const QString File =
          QDir(Folder).filePath(QStringLiteral("page%1-%2.png").arg(Page + 1).arg(Size.Name));
      if (!Form1->grab().save(File)) {
        std::fprintf(stderr, "cannot write %s\n", File.toLocal8Bit().constData());
        return 1;
      }
    }
  }
  return 0;
}
