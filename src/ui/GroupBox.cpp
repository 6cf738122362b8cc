#include "ui/GroupBox.h"

TGroupBox::TGroupBox(TComponent* AOwner, QWidget* AParent)
    : QGroupBox(AParent), TControl(AOwner, this) {}

std::string TGroupBox::Caption() const { return title().toLocal8Bit().toStdString(); }

void TGroupBox::SetCaption(const std::string& Value) { setTitle(QString::fromLocal8Bit(Value)); }
