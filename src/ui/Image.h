// The image control: shows a picture read from a device-independent bitmap
// file image, at its natural size from the top left corner, centred, or
// stretched over the control. It paints nothing where the picture is not, so
// what lies behind it (the parent, a shape) shows there.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <span>

#include "rtl/SysUtils.h"
#include "ui/Control.h"

// Raised for bytes that are not a whole bitmap file image.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

class TImage : public QWidget, public TControl {
 public:
  explicit TImage(TComponent* AOwner, QWidget* AParent = nullptr);

  // The picture last loaded; a null image before the first.
  const QImage& Picture() const { return FPicture; }
  // Reads a bitmap file ("BM", a Windows information header of 40 bytes or
  // more, 1 to 32 bits per pixel, rows uncompressed or with channel masks).
  // Bytes that are not one, or are cut short, raise EInvalidGraphic and leave
  // the picture as it was.
  void LoadPicture(std::span<const std::uint8_t> Dib);

  // The picture at its natural size in the middle of the control; a picture
  // larger than the control loses equal parts on both sides.
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  // The picture scaled to the control's size; this wins over Center.
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  // The picture's pixels of the colour of its bottom left pixel are not drawn.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  void UpdateFace();

  QImage FPicture;
  // What is painted: the picture, with its transparent colour cleared when
  // Transparent is on.
  QImage FFace;
  bool FCenter = false;
  bool FStretch = false;
  bool FTransparent = false;
};
