// The notebook of the window: a row of tabs over a stack of pages, one page
// shown at a time. A page is a tab sheet; controls on it are placed in pixels
// from its top left corner or aligned to its sides (alClient fills it).
#pragma once

#include <QTabWidget>
#include <string>

#include "ui/Control.h"

class TTabSheet;

// An index or page that is not one of the control's raises Exception and
// changes nothing.
class TPageControl : public QTabWidget, public TControl {
 public:
  explicit TPageControl(TComponent* AOwner, QWidget* AParent = nullptr);

  int PageCount() const { return count(); }
  TTabSheet* Pages(int Index) const;

  // The page shown; null while there is none. The first page added is shown.
  TTabSheet* ActivePage() const;
  void SetActivePage(TTabSheet* Value);
  int ActivePageIndex() const { return currentIndex(); }
  void SetActivePageIndex(int Value);

  // The tabs, then the pages in their order: only the page shown is on the
  // screen, so the keyboard goes from the tabs into it and on out of it.
  std::vector<QWidget*> KeyboardOrder() const override;
};

class TTabSheet : public QWidget, public TControl {
 public:
  // Adds the sheet as the last page of APageControl, with an empty tab; without
  // a page control it raises Exception.
  TTabSheet(TComponent* AOwner, TPageControl* APageControl);

  TPageControl* PageControl() const { return FPageControl; }
  // The sheet's place among the pages.
  int PageIndex() const { return FPageControl->indexOf(this); }

  // The text of the sheet's tab; "&" is shown as it is.
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);

 private:
  TPageControl* FPageControl;
  std::string FCaption;
};
