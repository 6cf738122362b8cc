#include "app/window/AboutPicture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

namespace {

constexpr std::size_t PixelOffset = 54;
constexpr std::size_t Stride = 1276;  // 425 pixels of 3 bytes, padded to 4

std::uint32_t Le16(std::span<const std::uint8_t> Bytes, std::size_t At) {
  return Bytes[At] | (Bytes[At + 1] << 8);
}

std::uint32_t Le32(std::span<const std::uint8_t> Bytes, std::size_t At) {
  return Le16(Bytes, At) | (Le16(Bytes, At + 2) << 16);
}

bool Near(const QColor& Actual, int Red, int Green, int Blue) {
  constexpr int Tolerance = 3;
  return std::abs(Actual.red() - Red) <= Tolerance &&
         std::abs(Actual.green() - Green) <= Tolerance &&
         std::abs(Actual.blue() - Blue) <= Tolerance;
}

}  // namespace

TEST(AboutPicture, HeadersAreThoseOfAnUncompressed425By160BitmapOf24Bits) {
  const std::span<const std::uint8_t> Bytes = AboutPictureBitmap();
  ASSERT_EQ(Bytes.size(), 204214U);
  EXPECT_EQ(Bytes[0], 'B');
  EXPECT_EQ(Bytes[1], 'M');
  EXPECT_EQ(Le32(Bytes, 2), 204214U);  // file size
  EXPECT_EQ(Le32(Bytes, 6), 0U);       // reserved
  EXPECT_EQ(Le32(Bytes, 10), 54U);     // pixel offset
  EXPECT_EQ(Le32(Bytes, 14), 40U);     // information header size
  EXPECT_EQ(Le32(Bytes, 18), 425U);    // width
  EXPECT_EQ(Le32(Bytes, 22), 160U);    // height, positive: bottom-up
  EXPECT_EQ(Le16(Bytes, 26), 1U);      // planes
  EXPECT_EQ(Le16(Bytes, 28), 24U);     // bits per pixel
  EXPECT_EQ(Le32(Bytes, 30), 0U);      // BI_RGB
  EXPECT_EQ(Le32(Bytes, 34), 160U * Stride);
  EXPECT_EQ(Le32(Bytes, 46), 0U);  // no colour table
}

TEST(AboutPicture, EveryRowEndsInAZeroPaddingByte) {
  const std::span<const std::uint8_t> Bytes = AboutPictureBitmap();
  ASSERT_EQ(Bytes.size(), PixelOffset + 160 * Stride);
  for (std::size_t Row = 0; Row < 160; ++Row)
    ASSERT_EQ(Bytes[PixelOffset + Row * Stride + Stride - 1], 0) << "row " << Row;
}

TEST(AboutPicture, DecodesToTheStoredPixelsBlueGreenRedFromTheBottomRowUp) {
  const std::span<const std::uint8_t> Bytes = AboutPictureBitmap();
  const QImage Picture = QImage::fromData(Bytes.data(), static_cast<int>(Bytes.size()), "BMP");
  ASSERT_EQ(Picture.size(), QSize(425, 160));
  int Mismatches = 0;
  for (int Y = 0; Y < 160; ++Y)
    for (int X = 0; X < 425; ++X) {
      const std::size_t At = PixelOffset + static_cast<std::size_t>(159 - Y) * Stride + 3 * X;
      if (Picture.pixel(X, Y) != qRgb(Bytes[At + 2], Bytes[At + 1], Bytes[At])) ++Mismatches;
    }
  EXPECT_EQ(Mismatches, 0);
}

TEST(AboutPicture, TheGradientRunsFromDeepBlueAtTheTopLeftToSeaBlueAtTheBottomRight) {
  const std::span<const std::uint8_t> Bytes = AboutPictureBitmap();
  const QImage Picture = QImage::fromData(Bytes.data(), static_cast<int>(Bytes.size()), "BMP");
  EXPECT_TRUE(Near(Picture.pixelColor(0, 0), 16, 48, 82))
      << Picture.pixelColor(0, 0).name().toStdString();
  EXPECT_TRUE(Near(Picture.pixelColor(424, 159), 30, 110, 132))
      << Picture.pixelColor(424, 159).name().toStdString();
}
