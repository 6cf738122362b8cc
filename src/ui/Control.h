// The base of every control of the window: a component that is also a widget,
// placed in pixels relative to its parent or aligned to one of the parent's
// sides. Aligned controls are stacked in the order they were aligned: the first
// top-aligned control sits at the top edge, the first bottom-aligned one at the
// bottom edge, and so on inwards; the client-aligned control takes what is left.
#pragma once

#include <QWidget>
#include <vector>

#include "rtl/Classes.h"
#include "ui/Graphics.h"

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The shapes of the mouse pointer, with the framework's numbers.
enum TCursor : int {
  crDefault = 0,
  crArrow = -2,
  crIBeam = -4,
  crHourGlass = -11,
  crHSplit = -14,
  crVSplit = -15,
  crHandPoint = -21,
};

QCursor ToQCursor(TCursor Cursor);

class TControl : public TComponent {
 public:
  // Self is the widget that this control is; it must outlive the control part.
  TControl(TComponent* AOwner, QWidget* Self);
  ~TControl() override;

  QWidget* Widget() const { return FWidget; }

  TAlign Align() const { return FAlign; }
  // Aligning hands the control's placement to its parent; alNone takes it back
  // at the position it has then.
  void SetAlign(TAlign Value);

  // Position relative to the parent's top left corner. An aligned control keeps
  // the extent that its alignment leaves to it (the height of a top-aligned
  // control, for example); the parent realigns its controls at once.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  int Left() const { return FWidget->x(); }
  int Top() const { return FWidget->y(); }
  int Width() const { return FWidget->width(); }
  int Height() const { return FWidget->height(); }
  void SetWidth(int Value) { SetBounds(Left(), Top(), Value, Height()); }
  void SetHeight(int Value) { SetBounds(Left(), Top(), Width(), Value); }
  // The narrowest the control may be made, by its parent's alignment or by the
  // user sizing the window.
  void SetMinWidth(int Value);

  bool Enabled() const { return FWidget->isEnabled(); }
  void SetEnabled(bool Value) { FWidget->setEnabled(Value); }
  bool Visible() const { return !FWidget->isHidden(); }
  void SetVisible(bool Value) { FWidget->setVisible(Value); }

  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);

  // The face is shared with the parent; these change the style and colour only.
  TFontStyles FontStyle() const;
  void SetFontStyle(TFontStyles Value);
  void SetFontColor(TColor Value);

  // The background; clBtnFace follows the desktop's palette.
  void SetColor(TColor Value);

  // The place in the keyboard order among the controls of the same parent
  // (0 first); the form turns these into its focus chain. -1: not in the order.
  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int Value) { FTabOrder = Value; }
  // The widgets directly inside the control in the order the keyboard walks
  // them: by default its children in their tab orders (see ChildrenInTabOrder).
  virtual std::vector<QWidget*> KeyboardOrder() const;

 private:
  QWidget* FWidget;
  TAlign FAlign = alNone;
  TCursor FCursor = crDefault;
  int FTabOrder = -1;
};

// The control part of a widget made by the framework, or null for a plain widget.
TControl* ControlOf(const QWidget* Widget);

// The widgets directly inside Parent in their tab orders; those without one
// (not in the order, or no control of ours) follow in the order they were made.
std::vector<QWidget*> ChildrenInTabOrder(const QWidget* Parent);
