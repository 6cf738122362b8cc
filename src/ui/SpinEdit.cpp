#include "ui/SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QStyleOptionSpinBox>
#include <limits>

#include "rtl/SysUtils.h"
#include "ui/MessageBeep.h"

namespace {

// A held arrow adds its first step this long after the press, then one per period.
constexpr int RepeatDelayMs = 400;
constexpr int RepeatPeriodMs = 100;

// What typing may enter; control characters (backspace, escape)
// pass too. Pasted text is not filtered.
bool IsTypeable(QChar Char) {
  return (Char >= u'0' && Char <= u'9') || Char == u'+' || Char == u'-' ||
         QString(Char) == QLocale().decimalPoint() || Char.category() == QChar::Other_Control;
}

bool IsEnter(const QKeyEvent* Event) {
  return Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
}

}  // namespace

TSpinEdit::TSpinEdit(TComponent* AOwner, QWidget* AParent)
    : QAbstractSpinBox(AParent), TControl(AOwner, this) {
  lineEdit()->setText(QStringLiteral("0"));
  // Taken by Tab and a click only: the wheel is no way to step the field.
  setFocusPolicy(Qt::StrongFocus);
  // A coarse timer may fire up to 5% early; the repeat delays are exact.
  FRepeatTimer.setTimerType(Qt::PreciseTimer);
  FRepeatTimer.callOnTimeout([this] { RepeatStep(); });
}

int TSpinEdit::Value() const {
  const std::optional<std::int64_t> Number = TryStrToInt64(Text());
  if (!Number || *Number < std::numeric_limits<int>::min() ||
      *Number > std::numeric_limits<int>::max())
    return FMinValue;
  return static_cast<int>(*Number);
}

void TSpinEdit::SetValue(int AValue) { SetText(IntToStr(Clamped(AValue))); }

std::string TSpinEdit::Text() const { return lineEdit()->text().toLocal8Bit().toStdString(); }

void TSpinEdit::SetText(const std::string& AText) {
  lineEdit()->setText(QString::fromLocal8Bit(AText));
}

int TSpinEdit::Clamped(long long AValue) const {
  // A step past the 32-bit limits of a field without a range stops at the limit.
  long long Result = AValue;
  if (FMinValue != FMaxValue) {
    if (Result < FMinValue)
      Result = FMinValue;
    else if (Result > FMaxValue)
      Result = FMaxValue;
  }
  if (Result < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (Result > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(Result);
}

void TSpinEdit::stepBy(int Steps) {
  SetText(IntToStr(
      Clamped(static_cast<long long>(Value()) + static_cast<long long>(Steps) * FIncrement)));
}

QValidator::State TSpinEdit::validate(QString&, int&) const {
  // Typing is filtered key by key; whatever else reaches the text (a paste) stays.
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
  // At a limit a step is still taken; it just leaves the value where it is.
  return StepUpEnabled | StepDownEnabled;
}

void TSpinEdit::keyPressEvent(QKeyEvent* Event) {
  // Keys held with Ctrl are the editing shortcuts (cut, copy, paste, undo), not typing.
  const bool Shortcut = Event->modifiers().testFlag(Qt::ControlModifier);
  bool Refused = IsEnter(Event);
  if (!Shortcut)
    for (const QChar Char : Event->text()) Refused = Refused || !IsTypeable(Char);
  if (Refused) {
    MessageBeep(0);
    Event->accept();
    return;
  }
  // Up and Down step by one increment, whatever the modifiers; Page Up and
  // Page Down do not step at all.
  switch (Event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      stepBy(Event->key() == Qt::Key_Up ? 1 : -1);
      Event->accept();
      return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      Event->ignore();
      return;
    default:
      QAbstractSpinBox::keyPressEvent(Event);
  }
}

void TSpinEdit::wheelEvent(QWheelEvent* Event) { Event->ignore(); }

void TSpinEdit::focusOutEvent(QFocusEvent* Event) {
  QAbstractSpinBox::focusOutEvent(Event);
  // Text that is not an integer stays as typed; it reads as MinValue.
  if (!TryStrToInt64(Text())) return;
  const int Read = Value();
  if (Clamped(Read) != Read) SetValue(Read);
}

int TSpinEdit::ArrowAt(const QPoint& Position) const {
  QStyleOptionSpinBox Option;
  initStyleOption(&Option);
  switch (style()->hitTestComplexControl(QStyle::CC_SpinBox, &Option, Position, this)) {
    case QStyle::SC_SpinBoxUp:
      return 1;
    case QStyle::SC_SpinBoxDown:
      return -1;
    default:
      return 0;
  }
}

void TSpinEdit::mousePressEvent(QMouseEvent* Event) {
  const int Arrow = Event->button() == Qt::LeftButton ? ArrowAt(Event->position().toPoint()) : 0;
  if (Arrow == 0) {
    QAbstractSpinBox::mousePressEvent(Event);
    return;
  }
  // The arrows step on release, so a click is one step; holding adds more.
  setFocus(Qt::MouseFocusReason);
  FPressedArrow = Arrow;
  FPointerOverArrow = true;
  FRepeatTimer.start(RepeatDelayMs);
  Event->accept();
}

void TSpinEdit::mouseMoveEvent(QMouseEvent* Event) {
  if (FPressedArrow != 0) FPointerOverArrow = ArrowAt(Event->position().toPoint()) == FPressedArrow;
  QAbstractSpinBox::mouseMoveEvent(Event);
}

void TSpinEdit::mouseReleaseEvent(QMouseEvent* Event) {
  if (FPressedArrow == 0 || Event->button() != Qt::LeftButton) {
    QAbstractSpinBox::mouseReleaseEvent(Event);
    return;
  }
  const int Arrow = FPressedArrow;
  StopRepeat();
  if (ArrowAt(Event->position().toPoint()) == Arrow) stepBy(Arrow);
  Event->accept();
}

void TSpinEdit::changeEvent(QEvent* Event) {
  // A field disabled while an arrow is held stops stepping.
  if (Event->type() == QEvent::EnabledChange && !isEnabled()) StopRepeat();
  QAbstractSpinBox::changeEvent(Event);
}

void TSpinEdit::RepeatStep() {
  FRepeatTimer.setInterval(RepeatPeriodMs);
  if (FPointerOverArrow) stepBy(FPressedArrow);
}

void TSpinEdit::StopRepeat() {
  FRepeatTimer.stop();
  FPressedArrow = 0;
  FPointerOverArrow = false;
}
