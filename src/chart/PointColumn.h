// One column of per-point data (X values, Y values, colours, labels): contiguous,
// so a series draws from one array, and cheap to drop the first point from, as a
// chart that scrolls along with a bounded list does on every reply.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "rtl/SysUtils.h"

// Raised for a point index that a series does not hold.
class EChartError : public Exception {
 public:
  using Exception::Exception;
};

template <class T>
class TPointColumn {
 public:
  int Count() const { return static_cast<int>(FItems.size() - FFirst); }
  const T* Data() const { return FItems.data() + FFirst; }
  const T& operator[](int Index) const { return FItems[FFirst + static_cast<std::size_t>(Index)]; }

  void Insert(int Index, T Value) {
    FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(FFirst + Index), std::move(Value));
  }

  void Delete(int Index) {
    if (Index != 0) {
      FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(FFirst + Index));
      return;
    }
    // The first point is only skipped; the skipped ones are dropped together once
    // they make up half the storage, so each removal costs constant time on average.
    if (++FFirst * 2 >= FItems.size()) {
      FItems.erase(FItems.begin(), FItems.begin() + static_cast<std::ptrdiff_t>(FFirst));
      FFirst = 0;
    }
  }

  void Clear() {
    FItems.clear();
    FFirst = 0;
  }

 private:
  std::vector<T> FItems;
  std::size_t FFirst = 0;
};
