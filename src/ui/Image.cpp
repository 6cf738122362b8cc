#include "ui/Image.h"

#include <QByteArrayView>
#include <QPainter>
#include <climits>
#include <cstdlib>

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;

std::uint32_t Le16(std::span<const std::uint8_t> Bytes, std::size_t At) {
  return static_cast<std::uint32_t>(Bytes[At] | (Bytes[At + 1] << 8));
}

std::uint32_t Le32(std::span<const std::uint8_t> Bytes, std::size_t At) {
  return Le16(Bytes, At) | (Le16(Bytes, At + 2) << 16);
}

// Whether the headers describe a bitmap whose colour table and pixels all lie
// within Bytes. The image reader fills rows that are missing instead of
// refusing them, so a bitmap cut short is caught here.
bool IsWholeBitmap(std::span<const std::uint8_t> Bytes) {
  if (Bytes.size() < FileHeaderSize + InfoHeaderSize || Bytes.size() > INT_MAX) return false;
  if (Bytes[0] != 'B' || Bytes[1] != 'M') return false;
  const std::uint64_t PixelOffset = Le32(Bytes, 10);
  const std::uint64_t HeaderSize = Le32(Bytes, 14);
  const auto Width = static_cast<std::int32_t>(Le32(Bytes, 18));
  const auto Height = static_cast<std::int32_t>(Le32(Bytes, 22));
  const std::uint32_t Planes = Le16(Bytes, 26);
  const std::uint32_t BitsPerPixel = Le16(Bytes, 28);
  const std::uint32_t Compression = Le32(Bytes, 30);
  const std::uint64_t ColoursUsed = Le32(Bytes, 46);
  const bool Masked = Compression == BI_BITFIELDS && (BitsPerPixel == 16 || BitsPerPixel == 32);
  if (HeaderSize < InfoHeaderSize || Width <= 0 || Height == 0 || Planes != 1 ||
      (Compression != BI_RGB && !Masked))
    return false;

  std::uint64_t TableSize = 0;
  switch (BitsPerPixel) {
    case 1:
    case 4:
    case 8:
      if (ColoursUsed > (1U << BitsPerPixel)) return false;
      TableSize = 4 * (ColoursUsed != 0 ? ColoursUsed : 1U << BitsPerPixel);
      break;
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  // The three channel masks follow a 40-byte header; longer headers hold them.
  if (Masked && HeaderSize == InfoHeaderSize) TableSize = 12;
  const std::uint64_t Stride = (static_cast<std::uint64_t>(Width) * BitsPerPixel + 31) / 32 * 4;
  const std::uint64_t PixelBytes =
      Stride * static_cast<std::uint64_t>(std::abs(std::int64_t{Height}));
  return PixelOffset >= FileHeaderSize + HeaderSize + TableSize &&
         PixelOffset + PixelBytes <= Bytes.size();
}

}  // namespace

TImage::TImage(TComponent* AOwner, QWidget* AParent) : QWidget(AParent), TControl(AOwner, this) {}

void TImage::LoadPicture(std::span<const std::uint8_t> Dib) {
  QImage Picture;
  if (IsWholeBitmap(Dib))
    Picture = QImage::fromData(QByteArrayView(reinterpret_cast<const char*>(Dib.data()),
                                              static_cast<qsizetype>(Dib.size())),
                               "BMP");
  if (Picture.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
  FPicture = std::move(Picture);
  UpdateFace();
}

void TImage::SetCenter(bool Value) {
  FCenter = Value;
  update();
}

void TImage::SetStretch(bool Value) {
  FStretch = Value;
  update();
}

void TImage::SetTransparent(bool Value) {
  FTransparent = Value;
  UpdateFace();
}

void TImage::UpdateFace() {
  if (!FTransparent || FPicture.isNull()) {
    FFace = FPicture;
  } else {
    FFace = FPicture.convertToFormat(QImage::Format_ARGB32);
    const QRgb Key = FFace.pixel(0, FFace.height() - 1);
    for (int Y = 0; Y < FFace.height(); ++Y) {
      auto* const Line = reinterpret_cast<QRgb*>(FFace.scanLine(Y));
      for (int X = 0; X < FFace.width(); ++X)
        if (Line[X] == Key) Line[X] = qRgba(0, 0, 0, 0);
    }
  }
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  if (FFace.isNull()) return;
  QPainter Painter(this);
  if (FStretch)
    Painter.drawImage(rect(), FFace);
  else if (FCenter)
    Painter.drawImage(QPoint((width() - FFace.width()) / 2, (height() - FFace.height()) / 2),
                      FFace);
  else
    Painter.drawImage(QPoint(0, 0), FFace);
}
