#include "ui/BitBtn.h"

#include "ui/Application.h"

TBitBtn::TBitBtn(TComponent* AOwner, QWidget* AParent)
    : QPushButton(AParent), TControl(AOwner, this) {
  // Some styles keep buttons out of the focus on click; this one always takes it.
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QPushButton::clicked, this, [this] { CallEvent(OnClick, this); });
}

std::string TBitBtn::Caption() const { return text().toLocal8Bit().toStdString(); }

void TBitBtn::SetCaption(const std::string& Value) { setText(QString::fromLocal8Bit(Value)); }
