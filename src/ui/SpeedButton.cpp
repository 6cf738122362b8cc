#include "ui/SpeedButton.h"

#include <QAccessibleWidget>

#include "ui/Application.h"

namespace {

// What a screen reader learns of a speed button and does with it. Its press
// and toggle actions are a click, as the mouse gives one, so a toggle that an
// assistive tool works does what it draws.
class TSpeedButtonAccessible : public QAccessibleWidget {
 public:
  explicit TSpeedButtonAccessible(TSpeedButton* AButton)
      : QAccessibleWidget(AButton, QAccessible::Button) {}

  QString text(QAccessible::Text AKind) const override {
    switch (AKind) {
      case QAccessible::Name:
        return Button().accessibleName().isEmpty() ? Button().text() : Button().accessibleName();
      case QAccessible::Accelerator:
        return Button().shortcut().toString(QKeySequence::NativeText);
      default:
        return QAccessibleWidget::text(AKind);
    }
  }
  // A toggle is heard as a box that is checked or not, a plain one as a button.
  QAccessible::Role role() const override {
    return Button().isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
  }
  QAccessible::State state() const override {
    QAccessible::State State = QAccessibleWidget::state();
    State.checkable = Button().isCheckable();
    State.checked = Button().isChecked();
    State.pressed = Button().isDown();
    return State;
  }
  QStringList actionNames() const override {
    if (!Button().isCheckable()) return {pressAction()};
    return {pressAction(), toggleAction()};
  }
  void doAction(const QString& AName) override {
    if (Button().isEnabled() && actionNames().contains(AName)) Button().click();
  }
  QStringList keyBindingsForAction(const QString& AName) const override {
    if (Button().shortcut().isEmpty() || !actionNames().contains(AName)) return {};
    return {text(QAccessible::Accelerator)};
  }

 private:
  TSpeedButton& Button() const { return static_cast<TSpeedButton&>(*widget()); }
};

QAccessibleInterface* SpeedButtonFactory(const QString&, QObject* AObject) {
  if (auto* Button = dynamic_cast<TSpeedButton*>(AObject))
    return new TSpeedButtonAccessible(Button);
  return nullptr;
}

}  // namespace

TSpeedButton::TSpeedButton(TComponent* AOwner, QWidget* AParent)
    : QToolButton(AParent), TControl(AOwner, this) {
  static const bool Accessible = (QAccessible::installFactory(SpeedButtonFactory), true);
  (void)Accessible;
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QToolButton::clicked, this, [this] { CallEvent(OnClick, this); });
}

std::string TSpeedButton::Caption() const { return text().toLocal8Bit().toStdString(); }

void TSpeedButton::SetCaption(const std::string& Value) {
  // Qt gives a button its new caption's mnemonic as its shortcut; a caption
  // without one keeps the shortcut the button had.
  const QKeySequence Shortcut = shortcut();
  setText(QString::fromLocal8Bit(Value));
  if (shortcut().isEmpty()) setShortcut(Shortcut);
}

void TSpeedButton::SetGroupIndex(int Value) {
  if (Value == FGroupIndex) return;
  FGroupIndex = Value;
  // A button that is not checkable cannot be down; one that becomes checkable starts up.
  setCheckable(Value != 0);
  setChecked(false);
}

void TSpeedButton::SetAllowAllUp(bool Value) {
  FAllowAllUp = Value;
  for (TSpeedButton* const Mate : GroupMates()) Mate->FAllowAllUp = Value;
}

void TSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0 || Value == Down()) return;
  if (Value)
    PutDown();
  else if (FAllowAllUp)
    setChecked(false);
}

void TSpeedButton::nextCheckState() {
  // Called by a click on a button of a group, before the clicked signal.
  if (!Down())
    PutDown();
  else if (FAllowAllUp)
    setChecked(false);
}

std::vector<TSpeedButton*> TSpeedButton::GroupMates() const {
  std::vector<TSpeedButton*> Result;
  if (FGroupIndex == 0 || parentWidget() == nullptr) return Result;
  for (QObject* const Child : parentWidget()->children()) {
    auto* const Button = dynamic_cast<TSpeedButton*>(Child);
    if (Button != nullptr && Button != this && Button->FGroupIndex == FGroupIndex)
      Result.push_back(Button);
  }
  return Result;
}

void TSpeedButton::PutDown() {
  for (TSpeedButton* const Mate : GroupMates()) Mate->setChecked(false);
  setChecked(true);
}
