#include "ui/CheckBox.h"

#include "ui/Application.h"

TCheckBox::TCheckBox(TComponent* AOwner, QWidget* AParent)
    : QCheckBox(AParent), TControl(AOwner, this) {
  // Toggled comes with every change of the state, from the user or from the program.
  connect(this, &QCheckBox::toggled, this, [this] { CallEvent(OnClick, this); });
}

std::string TCheckBox::Caption() const { return text().toLocal8Bit().toStdString(); }

void TCheckBox::SetCaption(const std::string& Value) { setText(QString::fromLocal8Bit(Value)); }
