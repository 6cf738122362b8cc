// The report lists at their largest, in a shown 447 x 200 view: the reply log full
// at 10 001 rows and the unbounded error log at 100 000. One reply is a row
// inserted at the top and the bottom one deleted, then a pass of the event loop;
// one frame is the view painted into an image. Each also reports the heap that a
// row takes, view included.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <string>

#include "rtl/SysUtils.h"
#include "support/OffscreenApplication.h"
#include "ui/ListView.h"

namespace {

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// A log of Rows rows of Columns texts each, like the program's: an address, short
// numbers, and in the error log's seventh column a message.
struct TShownLog : TOffscreenApplication {
  TShownLog(int Rows, int Columns) : FColumns(Columns) {
    for (int Column = 0; Column < Columns; ++Column)
      Log->Columns()->Add("Column " + IntToStr(Column + 1), Column == 0 ? 100 : 60,
                          Column == 0 ? taLeftJustify : taCenter);
    Log->setGeometry(0, 0, 447, 200);
    Window->resize(447, 200);
    Window->show();
    QApplication::processEvents();
    const std::size_t Before = HeapInUse();
    for (int I = 0; I < Rows; ++I) AddRow();
    BytesPerRow = static_cast<double>(HeapInUse() - Before) / Rows;
    QApplication::processEvents();
  }

  void AddRow() {
    TListItem Item = Log->Items()->Insert(0);
    Item.SetCaption("127.0.0.1");
    TSubItems SubItems = Item.SubItems();
    for (const std::string& Text : {std::string("32"), std::string("0"), IntToStr(++Sequence),
                                    std::string("1"), std::string("64")})
      SubItems.Add(Text);
    if (FColumns == 7) SubItems.Add("Destination host unreachable");
  }

  int FColumns;
  int Sequence = 0;
  double BytesPerRow = 0;
  std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
  TListView* Log = new TListView(nullptr, Window.get());
};

void BM_InsertTopDeleteBottom(benchmark::State& State) {
  TShownLog Shown(static_cast<int>(State.range(0)), static_cast<int>(State.range(1)));
  TListItems* Items = Shown.Log->Items();
  for (auto _ : State) {
    Shown.AddRow();
    Items->Delete(Items->Count() - 1);
    QApplication::processEvents();
  }
  if (Items->Count() != State.range(0)) State.SkipWithError("the row count drifted");
  State.counters["bytes_per_row"] = Shown.BytesPerRow;
}
BENCHMARK(BM_InsertTopDeleteBottom)
    ->Args({10001, 6})
    ->Args({100000, 7})
    ->ArgNames({"rows", "columns"})
    ->Unit(benchmark::kMicrosecond);

// One frame of the full list: only the rows in sight are painted.
void BM_PaintView(benchmark::State& State) {
  TShownLog Shown(static_cast<int>(State.range(0)), static_cast<int>(State.range(1)));
  QImage Image(Shown.Log->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : State) {
    Shown.Log->render(&Image);
    benchmark::DoNotOptimize(Image.constBits());
  }
}
BENCHMARK(BM_PaintView)
    ->Args({10001, 6})
    ->Args({100000, 7})
    ->ArgNames({"rows", "columns"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
