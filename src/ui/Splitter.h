// The splitter: a bar between aligned controls that the user drags to resize
// the control beside it. Only top and bottom splitters resize: a bottom-aligned
// splitter the shown bottom-aligned control it was placed against (aligned just
// before it), a top-aligned one likewise the top-aligned control above it, also
// while that control is collapsed; aligned otherwise it does nothing.
// The control's height stays between MinSize and the height that leaves MinSize
// to the client-aligned control (MinSize wins when the two cross); with
// AutoSnap, a drag to MinSize or less collapses the control to height 0, and a
// drag from there opens it again. The splitter takes no focus.
#pragma once

#include <QPointer>
#include <QWidget>

#include "rtl/Classes.h"
#include "ui/Control.h"

// How a drag shows itself: rsNone not at all until the button is released,
// rsLine and rsPattern by a solid or hatched line over the parent that follows
// the pointer, rsUpdate by resizing the control as the pointer moves.
enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };

class TSplitter : public QWidget, public TControl {
 public:
  // Three pixels thick, with the vertical-resize pointer; MinSize 30,
  // AutoSnap on, rsPattern.
  explicit TSplitter(TComponent* AOwner, QWidget* AParent = nullptr);
  ~TSplitter() override;

  int MinSize() const { return FMinSize; }
  // Negative sizes count as 0.
  void SetMinSize(int Value);
  bool AutoSnap() const { return FAutoSnap; }
  void SetAutoSnap(bool Value) { FAutoSnap = Value; }
  TResizeStyle ResizeStyle() const { return FResizeStyle; }
  void SetResizeStyle(TResizeStyle Value) { FResizeStyle = Value; }

  // Called when a drag has ended and the control has its new height.
  TNotifyEvent OnMoved;

 protected:
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  // The control that the splitter was placed against, or null.
  TControl* ResizedControl() const;
  // The tallest the control may be: what the parent's height leaves beside the
  // other top and bottom controls, less MinSize for the client-aligned one.
  int MaxSize(const TControl* Control) const;
  // The control's height with the pointer at PointerY (in the parent), after
  // the limits and the snap.
  int SizeAt(int PointerY) const;
  // Shows that the drag has reached NewSize, as the resize style says.
  void Track(int NewSize);
  void ShowLine();
  void EndDrag();

  int FMinSize = 30;
  bool FAutoSnap = true;
  TResizeStyle FResizeStyle = rsPattern;

  // The drag under way, if FDragging: the control, the pointer's y in the
  // parent at the press, the control's height then and its edge that stays.
  bool FDragging = false;
  QPointer<QWidget> FControl;
  int FDownY = 0;
  int FStartSize = 0;
  int FFixedEdge = 0;
  int FMaxSize = 0;
  int FNewSize = 0;
  // The line over the parent; the parent frees it if it goes first.
  QPointer<QWidget> FLine;
};
