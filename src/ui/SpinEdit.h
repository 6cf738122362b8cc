// The numeric spin field: an edit box with up and down arrows whose text is read
// as a signed 32-bit integer. It clamps to its range when stepped, when its value
// is set and when it loses the focus, never when it is read. As a component it
// belongs to its owner; as a widget it sits in its parent. Either may free it first.
#pragma once

#include <QAbstractSpinBox>
#include <QTimer>
#include <string>

#include "ui/Control.h"

class TSpinEdit : public QAbstractSpinBox, public TControl {
 public:
  explicit TSpinEdit(TComponent* AOwner, QWidget* AParent = nullptr);

  // The integer in the text (what the program's integer conversion accepts,
  // within 32 bits), or MinValue when the text is not one. Not clamped.
  int Value() const;
  // Clamps to MinValue..MaxValue (unless the two are equal) and shows the result.
  void SetValue(int AValue);
  int MinValue() const { return FMinValue; }
  void SetMinValue(int AValue) { FMinValue = AValue; }
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int AValue) { FMaxValue = AValue; }
  int Increment() const { return FIncrement; }
  void SetIncrement(int AValue) { FIncrement = AValue; }
  std::string Text() const;
  void SetText(const std::string& AText);

  void stepBy(int Steps) override;

 protected:
  QValidator::State validate(QString& Input, int& Position) const override;
  StepEnabled stepEnabled() const override;
  void keyPressEvent(QKeyEvent* Event) override;
  // The wheel neither steps the field nor gives it the focus.
  void wheelEvent(QWheelEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  int Clamped(long long AValue) const;
  // +1 over the up arrow, -1 over the down arrow, 0 elsewhere.
  int ArrowAt(const QPoint& Position) const;
  void RepeatStep();
  void StopRepeat();

  int FMinValue = 0;
  int FMaxValue = 0;
  int FIncrement = 1;
  // The arrow held down with the mouse (+1 or -1), 0 when none is.
  int FPressedArrow = 0;
  bool FPointerOverArrow = false;
  QTimer FRepeatTimer;
};
