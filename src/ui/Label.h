// The text label of the window: a caption in plain text ("&" and "<" are shown
// as they are), which also serves as a link: it reports clicks and the mouse
// pointer coming in and going out, so the window can underline it meanwhile.
#pragma once

#include <QLabel>
#include <string>

#include "ui/Alignment.h"
#include "ui/Control.h"

class TLabel : public QLabel, public TControl {
 public:
  explicit TLabel(TComponent* AOwner, QWidget* AParent = nullptr);

  std::string Caption() const;
  void SetCaption(const std::string& Value);

  // Where the text sits across the label; it always starts at the top.
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);

  // On (the default), the label takes the size of its text when it is turned on
  // and whenever the caption or the font changes; a right-justified label keeps
  // its right edge, others their left one. Off, the label keeps its bounds.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);

  // A transparent label shows its parent behind the text. SetColor paints the
  // background again.
  bool Transparent() const { return !autoFillBackground(); }
  void SetTransparent(bool Value) { setAutoFillBackground(!Value); }

  // A click is a press and a release of the left button, both on the label.
  TNotifyEvent OnClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  void changeEvent(QEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  void AdjustBounds();

  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FPressed = false;
};
