#include "ui/Label.h"

#include <QMouseEvent>

#include "ui/Application.h"

TLabel::TLabel(TComponent* AOwner, QWidget* AParent) : QLabel(AParent), TControl(AOwner, this) {
  setTextFormat(Qt::PlainText);
  SetAlignment(taLeftJustify);
}

std::string TLabel::Caption() const { return text().toLocal8Bit().toStdString(); }

void TLabel::SetCaption(const std::string& Value) {
  setText(QString::fromLocal8Bit(Value));
  AdjustBounds();
}

void TLabel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  // Labels keep their text at the top when they are taller than it.
  setAlignment((ToQtAlignment(Value) & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
}

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!FAutoSize) return;
  const QSize Size = sizeHint();
  const int NewLeft = FAlignment == taRightJustify ? Left() + Width() - Size.width() : Left();
  SetBounds(NewLeft, Top(), Size.width(), Size.height());
}

void TLabel::changeEvent(QEvent* Event) {
  QLabel::changeEvent(Event);
  if (Event->type() == QEvent::FontChange) AdjustBounds();
}

void TLabel::enterEvent(QEnterEvent* Event) {
  QLabel::enterEvent(Event);
  CallEvent(OnMouseEnter, this);
}

void TLabel::leaveEvent(QEvent* Event) {
  QLabel::leaveEvent(Event);
  CallEvent(OnMouseLeave, this);
}

void TLabel::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(Event);
    return;
  }
  FPressed = true;
  Event->accept();
}

void TLabel::mouseReleaseEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton || !FPressed) {
    QLabel::mouseReleaseEvent(Event);
    return;
  }
  FPressed = false;
  Event->accept();
  if (rect().contains(Event->position().toPoint())) CallEvent(OnClick, this);
}
