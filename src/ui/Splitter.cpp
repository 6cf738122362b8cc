#include "ui/Splitter.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/AlignLayout.h"
#include "ui/Application.h"

namespace {

constexpr int DefaultThickness = 3;

// The line a drag shows over the parent, solid or hatched; the pointer goes
// through it to the splitter.
class TSplitLine : public QWidget {
 public:
  TSplitLine(QWidget* Parent, Qt::BrushStyle Style) : QWidget(Parent), FStyle(Style) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent* /*Event*/) override {
    QPainter Painter(this);
    Painter.fillRect(rect(), QBrush(palette().color(QPalette::WindowText), FStyle));
  }

 private:
  Qt::BrushStyle FStyle;
};

bool SpansTheWidth(TAlign Align) { return Align == alTop || Align == alBottom; }

}  // namespace

TSplitter::TSplitter(TComponent* AOwner, QWidget* AParent)
    : QWidget(AParent), TControl(AOwner, this) {
  resize(width(), DefaultThickness);
  SetCursor(crVSplit);
  setFocusPolicy(Qt::NoFocus);
}

TSplitter::~TSplitter() { delete FLine; }

void TSplitter::SetMinSize(int Value) { FMinSize = std::max(Value, 0); }

TControl* TSplitter::ResizedControl() const {
  if (!SpansTheWidth(Align()) || parentWidget() == nullptr) return nullptr;
  // A control collapsed to height 0 is still the one to open again, though the
  // next control of the stack then touches the splitter too.
  const QWidget* const Against = TAlignLayout::Of(parentWidget())->PlacedAgainst(this);
  return Against != nullptr ? ControlOf(Against) : nullptr;
}

int TSplitter::MaxSize(const TControl* Control) const {
  int Result = parentWidget()->contentsRect().height() - FMinSize + Control->Height();
  for (QObject* const Child : parentWidget()->children()) {
    auto* const Widget = qobject_cast<QWidget*>(Child);
    const TControl* const Other = Widget != nullptr ? ControlOf(Widget) : nullptr;
    if (Other != nullptr && SpansTheWidth(Other->Align()) && !Widget->isHidden())
      Result -= Other->Height();
  }
  return Result;
}

int TSplitter::SizeAt(int PointerY) const {
  const int Moved = Align() == alBottom ? FDownY - PointerY : PointerY - FDownY;
  const int Size = std::max(std::min(FStartSize + Moved, FMaxSize), FMinSize);
  return FAutoSnap && Size <= FMinSize ? 0 : Size;
}

void TSplitter::mousePressEvent(QMouseEvent* Event) {
  QWidget::mousePressEvent(Event);
  if (Event->button() != Qt::LeftButton) return;
  TControl* const Control = ResizedControl();
  if (Control == nullptr) return;
  FDragging = true;
  FControl = Control->Widget();
  FDownY = mapToParent(Event->position().toPoint()).y();
  FStartSize = Control->Height();
  FFixedEdge = Align() == alBottom ? Control->Top() + Control->Height() : Control->Top();
  FMaxSize = MaxSize(Control);
  Track(SizeAt(FDownY));
}

void TSplitter::mouseMoveEvent(QMouseEvent* Event) {
  QWidget::mouseMoveEvent(Event);
  if (FDragging) Track(SizeAt(mapToParent(Event->position().toPoint()).y()));
}

void TSplitter::mouseReleaseEvent(QMouseEvent* Event) {
  QWidget::mouseReleaseEvent(Event);
  if (!FDragging || Event->button() != Qt::LeftButton) return;
  Track(SizeAt(mapToParent(Event->position().toPoint()).y()));
  if (FControl != nullptr) ControlOf(FControl)->SetHeight(FNewSize);
  EndDrag();
  CallEvent(OnMoved, this);
}

void TSplitter::Track(int NewSize) {
  FNewSize = NewSize;
  switch (FResizeStyle) {
    case rsUpdate:
      if (FControl != nullptr) ControlOf(FControl)->SetHeight(NewSize);
      break;
    case rsLine:
    case rsPattern:
      ShowLine();
      break;
    default:
      break;
  }
}

void TSplitter::ShowLine() {
  if (FLine == nullptr) {
    FLine = new TSplitLine(parentWidget(),
                           FResizeStyle == rsPattern ? Qt::Dense4Pattern : Qt::SolidPattern);
    FLine->show();
  }
  // Where the splitter will sit once the control has its new height.
  const int LineTop =
      Align() == alBottom ? FFixedEdge - FNewSize - Height() : FFixedEdge + FNewSize;
  FLine->setGeometry(Left(), LineTop, Width(), Height());
  FLine->raise();
}

void TSplitter::EndDrag() {
  FDragging = false;
  FControl = nullptr;
  delete FLine;
}
