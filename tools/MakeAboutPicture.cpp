// The build's painter of the About page's picture: echo rings around a host,
// a response-time curve and the program's name over a calm gradient, drawn on
// the offscreen platform and written as a C++ source holding the bytes of a
// device-independent bitmap file (24 bits per pixel, rows bottom-up).
//
//   MakeAboutPicture <output.cpp>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int PictureWidth = 425;
constexpr int PictureHeight = 160;
constexpr double Pi = 3.14159265358979323846;

const QColor Mint(127, 227, 212);
const QColor Deep(16, 48, 82);
const QColor Sea(30, 110, 132);

QFont SansSerif(int PixelSize, QFont::Weight Weight) {
  QFont Font(QStringLiteral("Sans Serif"));
  Font.setStyleHint(QFont::SansSerif);
  Font.setPixelSize(PixelSize);
  Font.setWeight(Weight);
  return Font;
}

void PaintBackground(QPainter& Painter) {
  QLinearGradient Gradient(0, 0, PictureWidth, PictureHeight);
  Gradient.setColorAt(0, Deep);
  Gradient.setColorAt(1, Sea);
  Painter.fillRect(0, 0, PictureWidth, PictureHeight, Gradient);
  // The faint grid of a chart behind everything.
  Painter.setPen(QPen(QColor(255, 255, 255, 14), 1));
  for (int Y = 20; Y < PictureHeight; Y += 20) Painter.drawLine(0, Y, PictureWidth, Y);
}

// Echo requests spreading from the host at Centre, fainter the further they go.
void PaintEchoRings(QPainter& Painter, const QPointF& Centre) {
  QRadialGradient Glow(Centre, 60);
  Glow.setColorAt(0, QColor(127, 227, 212, 70));
  Glow.setColorAt(1, QColor(127, 227, 212, 0));
  Painter.setPen(Qt::NoPen);
  Painter.setBrush(Glow);
  Painter.drawEllipse(Centre, 60, 60);
  constexpr int Rings = 5;
  for (int Ring = 1; Ring <= Rings; ++Ring) {
    const double Radius = 8.0 + 14.0 * Ring;
    Painter.setPen(QPen(QColor(255, 255, 255, 200 - 34 * Ring), 2.2, Qt::SolidLine, Qt::RoundCap));
    Painter.setBrush(Qt::NoBrush);
    // Arcs towards the right, where the replies come from; angles in 1/16 degree.
    Painter.drawArc(QRectF(Centre.x() - Radius, Centre.y() - Radius, 2 * Radius, 2 * Radius),
                    -55 * 16, 110 * 16);
  }
  Painter.setPen(QPen(Qt::white, 2));
  Painter.setBrush(Mint);
  Painter.drawEllipse(Centre, 6.5, 6.5);
}

// A gentle series of round-trip times, one point every Step pixels.
void PaintResponseCurve(QPainter& Painter) {
  constexpr double Left = 142;
  constexpr double Right = PictureWidth - 18;
  constexpr double Base = 146;
  constexpr double Step = 11;
  QPainterPath Curve;
  std::vector<QPointF> Points;
  for (double X = Left; X <= Right; X += Step) {
    const double T = (X - Left) / (Right - Left);
    const double Spike = (T - 0.3) / 0.05;
    const double Time = 16 + 7 * std::sin(T * 2.2 * Pi + 0.4) + 2.5 * std::sin(T * 8.3 * Pi + 1.3) +
                        13 * std::exp(-Spike * Spike);
    Points.emplace_back(X, Base - Time);
  }
  Curve.moveTo(Points.front());
  for (std::size_t I = 1; I < Points.size(); ++I) Curve.lineTo(Points[I]);

  QPainterPath Area = Curve;
  Area.lineTo(Points.back().x(), Base);
  Area.lineTo(Points.front().x(), Base);
  Area.closeSubpath();
  QLinearGradient Fill(0, Base - 36, 0, Base);
  Fill.setColorAt(0, QColor(127, 227, 212, 110));
  Fill.setColorAt(1, QColor(127, 227, 212, 0));
  Painter.setPen(Qt::NoPen);
  Painter.fillPath(Area, Fill);

  Painter.setPen(QPen(Mint, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawPath(Curve);
  Painter.setPen(Qt::NoPen);
  Painter.setBrush(Qt::white);
  for (const QPointF& Point : Points) Painter.drawEllipse(Point, 1.8, 1.8);
  // The average line, dashed, as the chart draws it.
  Painter.setPen(QPen(QColor(255, 255, 255, 110), 1, Qt::DashLine));
  Painter.drawLine(QPointF(Left, Base - 17), QPointF(Right, Base - 17));
}

void PaintName(QPainter& Painter) {
  const QFont Name = SansSerif(40, QFont::Bold);
  Painter.setFont(Name);
  const QPointF Origin(142, 68);
  Painter.setPen(Mint);
  Painter.drawText(Origin, QStringLiteral("QK"));
  const double Gap = QFontMetricsF(Name).horizontalAdvance(QStringLiteral("QK "));
  Painter.setPen(Qt::white);
  Painter.drawText(Origin + QPointF(Gap, 0), QStringLiteral("Quorvel"));
  Painter.setFont(SansSerif(12, QFont::Normal));
  Painter.setPen(QColor(255, 255, 255, 190));
  Painter.drawText(Origin + QPointF(2, 24),
                   QStringLiteral("Echo requests, replies and response times"));
}

QImage PaintPicture() {
  QImage Picture(PictureWidth, PictureHeight, QImage::Format_RGB32);
  QPainter Painter(&Picture);
  Painter.setRenderHint(QPainter::Antialiasing);
  Painter.setRenderHint(QPainter::TextAntialiasing);
  PaintBackground(Painter);
  PaintEchoRings(Painter, QPointF(58, 80));
  PaintResponseCurve(Painter);
  PaintName(Painter);
  return Picture;
}

void PutLe16(std::vector<std::uint8_t>& Out, std::uint16_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

void PutLe32(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  PutLe16(Out, static_cast<std::uint16_t>(Value));
  PutLe16(Out, static_cast<std::uint16_t>(Value >> 16));
}

// The bitmap file: file header, information header (BI_RGB, no colour table),
// then the rows from the bottom one up, blue-green-red, each padded to 4 bytes.
std::vector<std::uint8_t> EncodeBitmap(const QImage& Picture) {
  constexpr std::uint32_t FileHeaderSize = 14;
  constexpr std::uint32_t InfoHeaderSize = 40;
  constexpr std::uint32_t PixelOffset = FileHeaderSize + InfoHeaderSize;
  const auto Width = static_cast<std::uint32_t>(Picture.width());
  const auto Height = static_cast<std::uint32_t>(Picture.height());
  const std::uint32_t Stride = (Width * 3 + 3) & ~3U;
  const std::uint32_t PixelBytes = Stride * Height;

  std::vector<std::uint8_t> Out;
  Out.reserve(PixelOffset + PixelBytes);
  Out.push_back('B');
  Out.push_back('M');
  PutLe32(Out, PixelOffset + PixelBytes);
  PutLe32(Out, 0);  // reserved
  PutLe32(Out, PixelOffset);
  PutLe32(Out, InfoHeaderSize);
  PutLe32(Out, Width);
  PutLe32(Out, Height);  // positive: bottom-up
  PutLe16(Out, 1);       // planes
  PutLe16(Out, 24);      // bits per pixel
  PutLe32(Out, 0);       // BI_RGB
  PutLe32(Out, PixelBytes);
  PutLe32(Out, 2835);  // 72 dots per inch, in dots per metre
  PutLe32(Out, 2835);
  PutLe32(Out, 0);  // colours used
  PutLe32(Out, 0);  // important colours
  for (int Y = Picture.height() - 1; Y >= 0; --Y) {
    for (int X = 0; X < Picture.width(); ++X) {
      const QRgb Pixel = Picture.pixel(X, Y);
      Out.push_back(static_cast<std::uint8_t>(qBlue(Pixel)));
      Out.push_back(static_cast<std::uint8_t>(qGreen(Pixel)));
      Out.push_back(static_cast<std::uint8_t>(qRed(Pixel)));
    }
    Out.resize(Out.size() + (Stride - Width * 3), 0);
  }
  return Out;
}

bool WriteSource(const char* Path, const std::vector<std::uint8_t>& Bytes) {
  std::ofstream Out(Path, std::ios::trunc);
  Out << "// Written by MakeAboutPicture. Do not edit.\n"
         "#include <cstddef>\n"
         "#include <cstdint>\n\n"
         "namespace quorvel::about_picture {\n"
         "extern const std::uint8_t Bytes[];\n"
         "extern const std::size_t Size;\n"
         "const std::uint8_t Bytes[] = {";
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    Out << (I % 20 == 0 ? "\n    " : " ") << static_cast<unsigned>(Bytes[I]) << ",";
  Out << "\n};\nconst std::size_t Size = sizeof(Bytes);\n}  // namespace quorvel::about_picture\n";
  Out.close();
  return static_cast<bool>(Out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
    return 2;
  }
  // No display is needed, nor wanted, at build time.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication Application(argc, argv);
  if (!WriteSource(argv[1], EncodeBitmap(PaintPicture()))) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
