#include "ui/Image.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <vector>

#include "app/window/AboutPicture.h"
#include "support/OffscreenApplication.h"
#include "ui/Shape.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

void Put(TBytes& Out, std::uint32_t Value, int Size) {
  for (int I = 0; I < Size; ++I) Out.push_back(static_cast<std::uint8_t>(Value >> (8 * I)));
}

// The headers of a bitmap file with the colour table and pixels that follow.
TBytes Headers(int Width, int Height, int BitsPerPixel, std::uint32_t TableBytes,
               std::uint32_t PixelBytes) {
  TBytes Out{'B', 'M'};
  Put(Out, 54 + TableBytes + PixelBytes, 4);
  Put(Out, 0, 4);
  Put(Out, 54 + TableBytes, 4);
  Put(Out, 40, 4);
  Put(Out, static_cast<std::uint32_t>(Width), 4);
  Put(Out, static_cast<std::uint32_t>(Height), 4);
  Put(Out, 1, 2);
  Put(Out, static_cast<std::uint32_t>(BitsPerPixel), 2);
  Put(Out, 0, 4);  // BI_RGB
  Put(Out, PixelBytes, 4);
  Out.resize(54, 0);  // resolution, colours used and important: none given
  return Out;
}

// A 24-bit bitmap of the given rows (top row first), stored top-down or bottom-up.
TBytes Bitmap24(const std::vector<std::vector<QRgb>>& Rows, bool TopDown = false) {
  const int Width = static_cast<int>(Rows.front().size());
  const int Height = static_cast<int>(Rows.size());
  const std::uint32_t Stride = (Width * 3 + 3) & ~3;
  TBytes Out = Headers(Width, TopDown ? -Height : Height, 24, 0, Stride * Height);
  for (int Index = 0; Index < Height; ++Index) {
    for (const QRgb Pixel : Rows[TopDown ? Index : Height - 1 - Index]) {
      Out.push_back(static_cast<std::uint8_t>(qBlue(Pixel)));
      Out.push_back(static_cast<std::uint8_t>(qGreen(Pixel)));
      Out.push_back(static_cast<std::uint8_t>(qRed(Pixel)));
    }
    Out.resize(Out.size() + Stride - Width * 3, 0);
  }
  return Out;
}

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

TBytes AboutPicture() {
  const std::span<const std::uint8_t> Bytes = AboutPictureBitmap();
  return {Bytes.begin(), Bytes.end()};
}

// The About page's card: a white shape with a black outline and the image over
// it, both filling the card; the image centres its picture, as designed.
struct TAboutCard : TOffscreenApplication, testing::Test {
  TAboutCard() {
    Card->resize(500, 250);
    Shape->SetAlign(alClient);
    Image->SetAlign(alClient);
    Image->SetCenter(true);
    Card->show();
  }

  QImage Grab() const { return Card->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  void ExpectRefused(std::span<const std::uint8_t> Bytes) {
    const QImage Before = Image->Picture();
    try {
      Image->LoadPicture(Bytes);
      ADD_FAILURE() << "a bitmap of " << Bytes.size() << " bytes was taken";
    } catch (const EInvalidGraphic& E) {
      EXPECT_EQ(E.Message(), "Bitmap image is not valid");
    }
    EXPECT_EQ(Image->Picture(), Before);
  }

  TComponent Owner{nullptr};
  std::unique_ptr<QWidget> Card = std::make_unique<QWidget>();
  TShape* Shape = new TShape(&Owner, Card.get());
  TImage* Image = new TImage(&Owner, Card.get());
};

}  // namespace

TEST_F(TAboutCard, LoadsTheAboutPicture) {
  EXPECT_TRUE(Image->Picture().isNull());
  Image->LoadPicture(AboutPictureBitmap());
  EXPECT_EQ(Image->Picture().size(), QSize(425, 160));
}

TEST_F(TAboutCard, RefusesBytesThatAreNotABitmapAndKeepsThePicture) {
  Image->LoadPicture(AboutPictureBitmap());
  const std::string Junk = "This is not a picture, only some text that is long enough for headers.";
  ExpectRefused({reinterpret_cast<const std::uint8_t*>(Junk.data()), Junk.size()});
  ExpectRefused({});
  ExpectRefused(TBytes(54, 0));
  TBytes Signed = AboutPicture();
  Signed[1] = 'A';
  ExpectRefused(Signed);
}

TEST_F(TAboutCard, RefusesABitmapCutShort) {
  const TBytes Whole = AboutPicture();
  for (const std::size_t Size :
       {std::size_t{20}, std::size_t{54}, std::size_t{1000}, Whole.size() - 1})
    ExpectRefused({Whole.data(), Size});
}

TEST_F(TAboutCard, RefusesHeadersThatDescribeNoBitmap) {
  const auto Patched = [](std::size_t At, std::uint32_t Value, int Size) {
    TBytes Bytes = AboutPicture();
    TBytes Field;
    Put(Field, Value, Size);
    std::copy(Field.begin(), Field.end(), Bytes.begin() + static_cast<std::ptrdiff_t>(At));
    return Bytes;
  };
  ExpectRefused(Patched(14, 12, 4));     // an information header too short
  ExpectRefused(Patched(18, 0, 4));      // no width
  ExpectRefused(Patched(18, 426, 4));    // wider than the bytes hold
  ExpectRefused(Patched(22, 0, 4));      // no height
  ExpectRefused(Patched(22, -161U, 4));  // taller than the bytes hold, top-down
  ExpectRefused(Patched(26, 0, 2));      // no planes
  ExpectRefused(Patched(28, 23, 2));     // 23 bits per pixel
  ExpectRefused(Patched(30, 1, 4));      // run-length coding
  ExpectRefused(Patched(30, 3, 4));      // channel masks, which 24 bits cannot have
  ExpectRefused(Patched(10, 20, 4));     // pixels inside the headers
  ExpectRefused(Patched(10, 55, 4));     // pixels that would run past the end
}

TEST_F(TAboutCard, ReadsTopDownBitmapsAndColourTables) {
  Image->LoadPicture(Bitmap24({{Red, Green}, {Blue, White}}, true));
  EXPECT_EQ(Image->Picture().pixel(0, 0), Red);
  EXPECT_EQ(Image->Picture().pixel(1, 1), White);
  Image->LoadPicture(Bitmap24({{Red, Green}, {Blue, White}}));
  EXPECT_EQ(Image->Picture().pixel(0, 0), Red);

  // Three pixels of 8 bits over a table of 256 greys: rows take 4 bytes.
  TBytes Grey = Headers(3, 2, 8, 1024, 8);
  for (std::uint32_t Level = 0; Level < 256; ++Level) Put(Grey, Level * 0x010101, 4);
  for (const std::uint8_t Index : {10, 20, 30, 0, 40, 50, 60, 0}) Grey.push_back(Index);
  Image->LoadPicture(Grey);
  EXPECT_EQ(Image->Picture().pixel(0, 1), qRgb(10, 10, 10));
  EXPECT_EQ(Image->Picture().pixel(2, 0), qRgb(60, 60, 60));
  Grey.pop_back();
  ExpectRefused(Grey);
  // A table that would run into the pixels.
  TBytes Short = Headers(3, 2, 8, 16, 8);
  Short.resize(Short.size() + 24, 0);
  ExpectRefused(Short);
}

TEST_F(TAboutCard, ACentredPictureShowsOverTheShapeWithTheShapeAroundIt) {
  Image->LoadPicture(AboutPictureBitmap());
  const QImage Picture = Image->Picture().convertToFormat(QImage::Format_RGB32);
  const QImage Shown = Grab();
  const QPoint Origin((500 - 425) / 2, (250 - 160) / 2);
  EXPECT_EQ(Shown.copy(QRect(Origin, Picture.size())), Picture);
  for (const QPoint Around :
       {QPoint(5, 5), QPoint(Origin.x() - 1, 100), QPoint(Origin.x() + 425, 100),
        QPoint(250, Origin.y() - 1), QPoint(250, Origin.y() + 160), QPoint(494, 244)})
    EXPECT_EQ(Shown.pixel(Around), White) << Around.x() << "," << Around.y();
  EXPECT_EQ(Shown.pixel(0, 0), Black);
  EXPECT_EQ(Shown.pixel(499, 249), Black);
}

TEST_F(TAboutCard, APictureLargerThanTheControlLosesEqualPartsOnBothSides) {
  Image->LoadPicture(AboutPictureBitmap());
  Card->resize(401, 100);
  const QImage Picture = Image->Picture().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(Grab(), Picture.copy(12, 30, 401, 100));
}

TEST_F(TAboutCard, WithoutCentringThePictureSitsAtTheTopLeft) {
  Image->SetCenter(false);
  Image->LoadPicture(Bitmap24({{Red, Green}, {Blue, Red}}));
  const QImage Shown = Grab();
  EXPECT_EQ(Shown.pixel(0, 0), Red);
  EXPECT_EQ(Shown.pixel(1, 1), Red);
  EXPECT_EQ(Shown.pixel(2, 1), White);
  EXPECT_EQ(Shown.pixel(1, 2), White);
}

TEST_F(TAboutCard, AStretchedPictureFillsTheControl) {
  Image->SetStretch(true);
  Image->LoadPicture(Bitmap24({{Red, Green}, {Blue, White}}));
  const QImage Shown = Grab();
  EXPECT_EQ(Shown.pixel(0, 0), Red);
  EXPECT_EQ(Shown.pixel(249, 124), Red);
  EXPECT_EQ(Shown.pixel(250, 124), Green);
  EXPECT_EQ(Shown.pixel(249, 125), Blue);
  EXPECT_EQ(Shown.pixel(499, 249), White);
}

TEST_F(TAboutCard, ATransparentPictureLetsTheShapeShowWhereItHasItsBottomLeftColour) {
  Image->SetAlign(alNone);
  Image->SetBounds(10, 10, 2, 2);
  Image->SetCenter(false);
  Image->LoadPicture(Bitmap24({{Red, Blue}, {Blue, Green}}));
  Image->SetTransparent(true);
  QImage Shown = Grab();
  EXPECT_EQ(Shown.pixel(10, 10), Red);
  EXPECT_EQ(Shown.pixel(11, 10), White);
  EXPECT_EQ(Shown.pixel(10, 11), White);
  EXPECT_EQ(Shown.pixel(11, 11), Green);
  Image->SetTransparent(false);
  Shown = Grab();
  EXPECT_EQ(Shown.pixel(11, 10), Blue);
}
