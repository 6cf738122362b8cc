// The horizontal alignment of a control's text, as labels and list columns name it.
#pragma once

#include <Qt>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

inline Qt::Alignment ToQtAlignment(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify:
      return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}
