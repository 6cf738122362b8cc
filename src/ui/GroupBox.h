// The framed box with a caption in its top edge that groups the controls
// inside it. Its children are placed in pixels from its own top left corner.
#pragma once

#include <QGroupBox>
#include <string>

#include "ui/Control.h"

class TGroupBox : public QGroupBox, public TControl {
 public:
  explicit TGroupBox(TComponent* AOwner, QWidget* AParent = nullptr);

  std::string Caption() const;
  void SetCaption(const std::string& Value);
};
