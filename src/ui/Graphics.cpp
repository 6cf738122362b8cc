#include "ui/Graphics.h"

#include <array>

QColor ToQColor(TColor Color, const QPalette& Palette) {
  if (Color == clBtnFace) return Palette.color(QPalette::Button);
  return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                static_cast<int>((Color >> 16) & 0xFF));
}

TColor PaletteColor(int Index) {
  // Red and green first: a two-point average line ends in green, its series' colour.
  static constexpr std::array<TColor, 15> Colors = {clRed,  clGreen,   clYellow, clBlue,   clWhite,
                                                    clGray, clFuchsia, clTeal,   clNavy,   clMaroon,
                                                    clLime, clOlive,   clPurple, clSilver, clAqua};
  return Colors[static_cast<std::size_t>(Index) % Colors.size()];
}
