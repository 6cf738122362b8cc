#include "ui/GroupBox.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "support/OffscreenApplication.h"

TEST(GroupBox, KeepsItsCaptionAndPlacesChildrenFromItsOwnCorner) {
  StartOffscreenApplication();
  TComponent Form(nullptr);
  auto Window = std::make_unique<QWidget>();
  auto* const Box = new TGroupBox(&Form, Window.get());
  Box->SetBounds(8, 40, 300, 120);
  Box->SetCaption(" Data and Logs ");
  auto* const Child = new QLabel(Box);
  Child->setGeometry(12, 20, 50, 13);
  Window->resize(320, 200);
  Window->show();
  EXPECT_EQ(Box->Caption(), " Data and Logs ");
  EXPECT_EQ(Child->mapTo(Window.get(), QPoint(0, 0)), QPoint(20, 60));
}
