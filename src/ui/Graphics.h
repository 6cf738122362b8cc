// Colours as the window's and the chart's settings name them: 0x00BBGGRR values,
// the system's button-face colour, the marker for "the series' own colour", the
// palette that colours points by their index; and the styles of a font.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>
#include <initializer_list>

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
// System colours carry the high bit; they follow the desktop's palette.
inline constexpr TColor clBtnFace = 0x8000000F;
// A point added with this colour takes its series' colour.
inline constexpr TColor clDefault = 0x20000000;

// The colour to paint with; system colours are looked up in Palette.
QColor ToQColor(TColor Color, const QPalette& Palette);

// The colour of the point at Index in a series that colours each point.
TColor PaletteColor(int Index);

// How a brush fills: bsClear leaves the inside unpainted, so what lies behind
// shows through.
enum TBrushStyle { bsSolid, bsClear };

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles; the empty set is the plain style.
class TFontStyles {
 public:
  TFontStyles() = default;
  TFontStyles(std::initializer_list<TFontStyle> Styles) {
    for (const TFontStyle Style : Styles) FBits |= Bit(Style);
  }
  bool Contains(TFontStyle Style) const { return (FBits & Bit(Style)) != 0; }
  TFontStyles With(TFontStyle Style) const {
    TFontStyles Result = *this;
    Result.FBits |= Bit(Style);
    return Result;
  }
  bool operator==(const TFontStyles&) const = default;

 private:
  static unsigned Bit(TFontStyle Style) { return 1U << static_cast<unsigned>(Style); }
  unsigned FBits = 0;
};
