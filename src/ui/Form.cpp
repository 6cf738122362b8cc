#include "ui/Form.h"

#include <QCloseEvent>
#include <vector>

#include "ui/AlignLayout.h"
#include "ui/Application.h"

namespace {

// The widgets that take the focus from the keyboard, in the keyboard order:
// depth first through the parents, each in the order its control gives.
void CollectFocusChain(const QWidget* Parent, std::vector<QWidget*>& Chain) {
  const TControl* const Control = ControlOf(Parent);
  for (QWidget* const Widget :
       Control != nullptr ? Control->KeyboardOrder() : ChildrenInTabOrder(Parent)) {
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

bool TForm::focusNextPrevChild(bool Next) {
  // Widgets that hand the focus on (a field's edit box to the field, the page
  // control to its tabs) are walked as the one that takes it.
  std::vector<QWidget*> Chain;
  CollectFocusChain(this, Chain);
  std::erase_if(Chain, [](const QWidget* Widget) { return Widget->focusProxy() != nullptr; });
  const int Count = static_cast<int>(Chain.size());
  // The focused control, or the innermost one that holds the focus; without
  // one, the walk starts at either end.
  const QWidget* const Focused = focusWidget();
  int Current = Next ? -1 : Count;
  for (int Index = 0; Index < Count; ++Index)
    if (Focused != nullptr && (Chain[Index] == Focused || Chain[Index]->isAncestorOf(Focused)))
      Current = Index;
  // Hidden controls (those of the pages not shown among them) and disabled
  // ones are passed over; the walk goes round from the last to the first.
  for (int Step = 1; Step <= Count; ++Step) {
    QWidget* const Candidate = Chain[((Current + (Next ? Step : -Step)) % Count + Count) % Count];
    if (Candidate->isVisibleTo(this) && Candidate->isEnabled()) {
      Candidate->setFocus(Next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
  return false;
}

void TForm::DoCreate() { CallEvent(OnCreate, this); }

void TForm::DoDestroy() { CallEvent(OnDestroy, this); }

void TForm::closeEvent(QCloseEvent* Event) {
  // The window only hides; the application frees it after the loop.
  Event->accept();
  if (Application != nullptr && Application->MainForm() == this) Application->Terminate();
}
