#include "ui/Form.h"

#include <QCloseEvent>
#include <algorithm>
#include <vector>

#include "ui/AlignLayout.h"
#include "ui/Application.h"

namespace {

// The controls directly inside Parent that are in the keyboard order, in it.
std::vector<QWidget*> OrderedChildren(const QWidget* Parent) {
  std::vector<std::pair<int, QWidget*>> Ordered;
  for (QObject* const Child : Parent->children()) {
    auto* const Widget = qobject_cast<QWidget*>(Child);
    if (Widget == nullptr || Widget->isWindow()) continue;
    const TControl* const Control = ControlOf(Widget);
    Ordered.emplace_back(
        Control != nullptr && Control->TabOrder() >= 0 ? Control->TabOrder() : INT_MAX, Widget);
  }
  std::stable_sort(Ordered.begin(), Ordered.end(),
                   [](const auto& A, const auto& B) { return A.first < B.first; });
  std::vector<QWidget*> Result;
  for (const auto& Entry : Ordered) Result.push_back(Entry.second);
  return Result;
}

void CollectFocusChain(const QWidget* Parent, std::vector<QWidget*>& Chain) {
  for (QWidget* const Widget : OrderedChildren(Parent)) {
    if (Widget->focusPolicy() & Qt::TabFocus) Chain.push_back(Widget);
    CollectFocusChain(Widget, Chain);
  }
}

}  // namespace

TForm::TForm(TComponent* AOwner) : QWidget(nullptr), TControl(AOwner, this) {
  // The designed face: a sans-serif one at a character height of 11 pixels.
  // Liberation Sans is as narrow as the designed face, so the designed fixed
  // label widths hold their captions; any sans-serif face stands in without it.
  QFont Font(QStringLiteral("Liberation Sans"));
  Font.setStyleHint(QFont::SansSerif);
  Font.setPixelSize(11);
  setFont(Font);
  SetColor(clBtnFace);
}

std::string TForm::Caption() const { return windowTitle().toLocal8Bit().toStdString(); }

void TForm::SetCaption(const std::string& Value) { setWindowTitle(QString::fromLocal8Bit(Value)); }

void TForm::SetPosition(int ALeft, int ATop) { move(ALeft, ATop); }

void TForm::SetClientSize(int AWidth, int AHeight) {
  resize(AWidth, AHeight);
  // A hidden window hears of no resize; its controls follow the new size now.
  if (auto* Layout = dynamic_cast<TAlignLayout*>(layout())) Layout->Realign();
}

void TForm::Show() { show(); }

void TForm::ApplyTabOrder() {
  // The chain starts at the form, so the first control is the one that a new
  // window focuses first. Qt links only widgets that take the focus, so the
  // form takes it while its link is made.
  std::vector<QWidget*> Chain{this};
  CollectFocusChain(this, Chain);
  const Qt::FocusPolicy Policy = focusPolicy();
  setFocusPolicy(Qt::TabFocus);
  for (std::size_t Index = 1; Index < Chain.size(); ++Index)
    QWidget::setTabOrder(Chain[Index - 1], Chain[Index]);
  setFocusPolicy(Policy);
}

void TForm::DoCreate() { CallEvent(OnCreate, this); }

void TForm::DoDestroy() { CallEvent(OnDestroy, this); }

void TForm::closeEvent(QCloseEvent* Event) {
  // The window only hides; the application frees it after the loop.
  Event->accept();
  if (Application != nullptr && Application->MainForm() == this) Application->Terminate();
}
