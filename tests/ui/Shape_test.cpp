#include "ui/Shape.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "support/OffscreenApplication.h"

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);

// A blue card with a shape aligned to fill it, as the About page has it.
struct TShapeOnCard : TOffscreenApplication, testing::Test {
  TShapeOnCard() {
    Card->resize(60, 40);
    QPalette Palette = Card->palette();
    Palette.setColor(QPalette::Window, Blue);
    Card->setPalette(Palette);
    Card->setAutoFillBackground(true);
    Shape->SetAlign(alClient);
    Card->show();
  }

  // The pixels of Picture inside Area that differ from what a figure Outer with
  // an outline PenWidth thick in PenColour and Inside within it would show;
  // outside Outer the card shows.
  static int Mismatches(const QImage& Picture, const QRect& Outer, int PenWidth,
                        const QColor& PenColour, const QColor& Inside) {
    const QRect Inner = Outer.adjusted(PenWidth, PenWidth, -PenWidth, -PenWidth);
    int Result = 0;
    for (int Y = 0; Y < Picture.height(); ++Y)
      for (int X = 0; X < Picture.width(); ++X) {
        const QColor Expected = Inner.isValid() && Inner.contains(X, Y) ? Inside
                                : Outer.contains(X, Y)                  ? PenColour
                                                                        : Blue;
        if (Picture.pixelColor(X, Y) != Expected) ++Result;
      }
    return Result;
  }

  TComponent Owner{nullptr};
  std::unique_ptr<QWidget> Card = std::make_unique<QWidget>();
  TShape* Shape = new TShape(&Owner, Card.get());
};

}  // namespace

TEST_F(TShapeOnCard, TheDesignedShapeIsWhiteWithAOnePixelBlackOutline) {
  EXPECT_EQ(Shape->geometry(), QRect(0, 0, 60, 40));
  EXPECT_EQ(Mismatches(Shape->grab().toImage(), QRect(0, 0, 60, 40), 1, Black, White), 0);
}

TEST_F(TShapeOnCard, AlignedToTheClientItFollowsTheCardsSize) {
  Card->resize(90, 70);
  EXPECT_EQ(Shape->geometry(), QRect(0, 0, 90, 70));
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(0, 0, 90, 70), 1, Black, White), 0);
}

TEST_F(TShapeOnCard, AWiderPenStaysInsideTheBounds) {
  Shape->SetPen({clRed, 3});
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(0, 0, 60, 40), 3, Red, White), 0);
}

TEST_F(TShapeOnCard, AClearBrushShowsWhatLiesBehind) {
  Shape->SetBrush({clWhite, bsClear});
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(0, 0, 60, 40), 1, Black, Blue), 0);
}

TEST_F(TShapeOnCard, APenOfNoWidthDrawsNoOutline) {
  Shape->SetPen({clBlack, 0});
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(0, 0, 60, 40), 0, Black, White), 0);
  Shape->SetPen({clBlack, -4});
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(0, 0, 60, 40), 0, Black, White), 0);
}

TEST_F(TShapeOnCard, APenWiderThanTheFigureCoversIt) {
  Shape->SetAlign(alNone);
  Shape->SetBounds(0, 0, 5, 5);
  Shape->SetPen({clRed, 10});
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(0, 0, 5, 5), 3, Red, White), 0);
}

TEST_F(TShapeOnCard, ASquareIsCentredInTheControl) {
  Shape->SetShape(stSquare);
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(10, 0, 40, 40), 1, Black, White), 0);
  Card->resize(30, 50);
  EXPECT_EQ(Mismatches(Card->grab().toImage(), QRect(0, 10, 30, 30), 1, Black, White), 0);
}
