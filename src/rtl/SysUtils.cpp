#include "rtl/SysUtils.h"

#include <algorithm>
#include <limits>

namespace {

char UpperAscii(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

int DigitValue(char C, bool Hex) {
  if (C >= '0' && C <= '9') return C - '0';
  if (!Hex) return -1;
  const char U = UpperAscii(C);
  return (U >= 'A' && U <= 'F') ? U - 'A' + 10 : -1;
}

}  // namespace

std::string Format(std::string_view Fmt, std::initializer_list<TFormatArg> Args) {
  std::string Result;
  auto Next = Args.begin();
  auto Fail = [Fmt]() {
    return EConvertError("Format '" + std::string(Fmt) + "' invalid or incompatible with argument");
  };
  for (std::size_t I = 0; I < Fmt.size(); ++I) {
    if (Fmt[I] != '%') {
      Result += Fmt[I];
      continue;
    }
    if (++I == Fmt.size()) throw Fail();
    const char Directive = Fmt[I];
    if (Directive == '%') {
      Result += '%';
      continue;
    }
    if (Next == Args.end()) throw Fail();
    if (Directive == 'd' && std::holds_alternative<std::int64_t>(*Next)) {
      Result += IntToStr(std::get<std::int64_t>(*Next));
    } else if (Directive == 's' && std::holds_alternative<std::string_view>(*Next)) {
      Result += std::get<std::string_view>(*Next);
    } else {
      throw Fail();
    }
    ++Next;
  }
  return Result;
}

std::string IntToStr(std::int64_t Value) { return std::to_string(Value); }

std::optional<std::int64_t> TryStrToInt64(std::string_view Text) {
  std::size_t I = 0;
  while (I < Text.size() && Text[I] == ' ') ++I;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) Negative = Text[I++] == '-';
  bool Hex = false;
  if (I < Text.size() && (Text[I] == '$' || Text[I] == 'x' || Text[I] == 'X')) {
    Hex = true;
    ++I;
  } else if (I + 1 < Text.size() && Text[I] == '0' && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
    Hex = true;
    I += 2;
  }
  if (I == Text.size()) return std::nullopt;

  // Accumulate as a magnitude so that the most negative value still fits.
  const std::uint64_t Base = Hex ? 16 : 10;
  const std::uint64_t Limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (Negative ? 1 : 0);
  std::uint64_t Magnitude = 0;
  for (; I < Text.size(); ++I) {
    const int Digit = DigitValue(Text[I], Hex);
    if (Digit < 0) return std::nullopt;
    if (Magnitude > (Limit - static_cast<std::uint64_t>(Digit)) / Base) return std::nullopt;
    Magnitude = Magnitude * Base + static_cast<std::uint64_t>(Digit);
  }
  if (Negative) return static_cast<std::int64_t>(0 - Magnitude);
  return static_cast<std::int64_t>(Magnitude);
}

std::string UpperCase(std::string_view Text) {
  std::string Result(Text);
  std::transform(Result.begin(), Result.end(), Result.begin(), UpperAscii);
  return Result;
}

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
           return UpperAscii(X) == UpperAscii(Y);
         });
}
