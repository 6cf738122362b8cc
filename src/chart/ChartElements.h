// The groups of settings a chart is drawn with: title, legend, background
// gradient and walls. Each group asks its chart to repaint when a setting changes.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "ui/Graphics.h"

class TChartElement {
 public:
  TChartElement(std::function<void()> AOnChange, bool AVisible)
      : FOnChange(std::move(AOnChange)), FVisible(AVisible) {}

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { Assign(FVisible, Value); }

 protected:
  template <class T>
  void Assign(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    FOnChange();
  }

 private:
  std::function<void()> FOnChange;
  bool FVisible;
};

class TChartTitle : public TChartElement {
 public:
  using TChartElement::TChartElement;
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value) { Assign(FText, Value); }

 private:
  std::string FText = "TChart";
};

class TChartLegend : public TChartElement {
 public:
  using TChartElement::TChartElement;
};

// A vertical blend over the whole control: EndColor at the top edge, StartColor
// at the bottom edge.
class TChartGradient : public TChartElement {
 public:
  using TChartElement::TChartElement;
  TColor StartColor() const { return FStartColor; }
  void SetStartColor(TColor Value) { Assign(FStartColor, Value); }
  TColor EndColor() const { return FEndColor; }
  void SetEndColor(TColor Value) { Assign(FEndColor, Value); }

 private:
  TColor FStartColor = clWhite;
  TColor FEndColor = clYellow;
};

// A wall of the plotting box; a clear wall shows only its frame.
class TChartWall : public TChartElement {
 public:
  TChartWall(std::function<void()> AOnChange, TColor AColor, TBrushStyle AStyle)
      : TChartElement(std::move(AOnChange), true), FColor(AColor), FBrushStyle(AStyle) {}
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { Assign(FColor, Value); }
  TBrushStyle BrushStyle() const { return FBrushStyle; }
  void SetBrushStyle(TBrushStyle Value) { Assign(FBrushStyle, Value); }

 private:
  TColor FColor;
  TBrushStyle FBrushStyle;
};
