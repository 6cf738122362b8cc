#include "ui/PageControl.h"

#include <QTabBar>

#include "rtl/SysUtils.h"

TPageControl::TPageControl(TComponent* AOwner, QWidget* AParent)
    : QTabWidget(AParent), TControl(AOwner, this) {}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= count())
    throw Exception(Format("List index out of bounds (%d)", {Index}));
  return dynamic_cast<TTabSheet*>(widget(Index));
}

TTabSheet* TPageControl::ActivePage() const { return dynamic_cast<TTabSheet*>(currentWidget()); }

void TPageControl::SetActivePage(TTabSheet* Value) {
  if (Value == nullptr || Value->PageControl() != this)
    throw Exception("The tab sheet is not a page of this page control");
  setCurrentWidget(Value);
}

void TPageControl::SetActivePageIndex(int Value) { SetActivePage(Pages(Value)); }

std::vector<QWidget*> TPageControl::KeyboardOrder() const {
  std::vector<QWidget*> Result{tabBar()};
  for (int Index = 0; Index < count(); ++Index) Result.push_back(widget(Index));
  return Result;
}

TTabSheet::TTabSheet(TComponent* AOwner, TPageControl* APageControl)
    : QWidget(APageControl), TControl(AOwner, this), FPageControl(APageControl) {
  if (FPageControl == nullptr) throw Exception("A tab sheet needs a page control");
  FPageControl->addTab(this, QString());
}

void TTabSheet::SetCaption(const std::string& Value) {
  FCaption = Value;
  // A lone "&" would mark the Alt letter of the tab; doubled, it shows.
  QString Text = QString::fromLocal8Bit(Value);
  FPageControl->setTabText(PageIndex(), Text.replace(u'&', QStringLiteral("&&")));
}
