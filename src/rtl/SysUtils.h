// The runtime's base exception and the text conversions the engine uses:
// integer parsing, message formatting and ASCII case rules.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The base of every failure the program raises; the message is what the user sees.
class Exception : public std::exception {
 public:
  explicit Exception(std::string AMessage) : FMessage(std::move(AMessage)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string AMessage) { FMessage = std::move(AMessage); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// Raised for a format text whose directives do not match its arguments.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

using TFormatArg = std::variant<std::int64_t, std::string_view>;

// Fills "%d" (integer) and "%s" (text) directives in order; "%%" is a percent sign.
std::string Format(std::string_view Fmt, std::initializer_list<TFormatArg> Args);

std::string IntToStr(std::int64_t Value);

// The program's integer conversion: leading blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X". The whole text
// must convert and fit in 64 bits; otherwise there is no value.
std::optional<std::int64_t> TryStrToInt64(std::string_view Text);

// Case rules of the program's texts: ASCII letters only, other bytes unchanged.
std::string UpperCase(std::string_view Text);
bool SameText(std::string_view A, std::string_view B);
