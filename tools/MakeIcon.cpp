// The build's renderer of the program's icon: the drawn SVG as PNG files at
// the sizes that an icon theme looks up, <folder>/<N>x<N>/quorvel.png, so
// desktops that take no SVG still show it sharp.
//
//   MakeIcon <icon.svg> <folder> <size>...
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

namespace {

// Sizes beyond this are no icon a theme would use.
constexpr int MaxSize = 1024;

bool RenderPng(QSvgRenderer& Renderer, int Size, const QString& Folder) {
  QImage Image(Size, Size, QImage::Format_ARGB32_Premultiplied);
  Image.fill(Qt::transparent);
  QPainter Painter(&Image);
  Painter.setRenderHint(QPainter::Antialiasing);
  Renderer.render(&Painter);
  Painter.end();
  const QString SizeFolder = QStringLiteral("%1/%2x%2").arg(Folder).arg(Size);
  return QDir().mkpath(SizeFolder) &&
         Image.save(SizeFolder + QStringLiteral("/quorvel.png"), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <icon.svg> <folder> <size>...\n", argv[0]);
    return 2;
  }
  QSvgRenderer Renderer(QString::fromLocal8Bit(argv[1]));
  if (!Renderer.isValid()) {
    std::fprintf(stderr, "%s: %s is no SVG picture that can be drawn\n", argv[0], argv[1]);
    return 1;
  }
  const QString Folder = QString::fromLocal8Bit(argv[2]);
  for (int I = 3; I < argc; ++I) {
    bool Ok = false;
    const int Size = QString::fromLocal8Bit(argv[I]).toInt(&Ok);
    if (!Ok || Size < 1 || Size > MaxSize) {
      std::fprintf(stderr, "%s: size %s is not a whole number from 1 to %d\n", argv[0], argv[I],
                   MaxSize);
      return 2;
    }
    if (!RenderPng(Renderer, Size, Folder)) {
      std::fprintf(stderr, "%s: cannot write the %d-pixel icon into %s\n", argv[0], Size, argv[2]);
      return 1;
    }
  }
  return 0;
}
