#include "outputs/AttemptFormat.h"

#include <array>
#include <cstdio>

#include "rtl/SysUtils.h"

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at AAt, or 0 when there is none.
std::size_t SequenceLength(const unsigned char* AAt, std::size_t ALeft) {
  const unsigned char Lead = AAt[0];
  if (Lead < 0x80) return 1;
  std::size_t Length = 0;
  // The second byte's range rules out overlong forms, surrogates and code
  // points beyond U+10FFFF.
  unsigned char Low = 0x80;
  unsigned char High = 0xBF;
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    if (Lead == 0xE0) Low = 0xA0;
    if (Lead == 0xED) High = 0x9F;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    if (Lead == 0xF0) Low = 0x90;
    if (Lead == 0xF4) High = 0x8F;
  } else {
    return 0;
  }
  if (ALeft < Length || AAt[1] < Low || AAt[1] > High) return 0;
  for (std::size_t Index = 2; Index < Length; ++Index)
    if (AAt[Index] < 0x80 || AAt[Index] > 0xBF) return 0;
  return Length;
}

// Days since 1970-01-01 as a civil date (the proleptic Gregorian calendar).
struct TCivilDate {
  std::int64_t Year;
  unsigned Month, Day;
};

TCivilDate CivilFromDays(std::int64_t ADays) {
  const std::int64_t Shifted = ADays + 719468;
  const std::int64_t Era = (Shifted >= 0 ? Shifted : Shifted - 146096) / 146097;
  const auto DayOfEra = static_cast<unsigned>(Shifted - Era * 146097);
  const unsigned YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const unsigned DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const unsigned MonthIndex = (5 * DayOfYear + 2) / 153;
  const unsigned Day = DayOfYear - (153 * MonthIndex + 2) / 5 + 1;
  const unsigned Month = MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9;
  return {static_cast<std::int64_t>(YearOfEra) + Era * 400 + (Month <= 2 ? 1 : 0), Month, Day};
}

std::int64_t FloorDiv(std::int64_t A, std::int64_t B) { return A / B - (A % B < 0 ? 1 : 0); }

}  // namespace

std::string CsvField(std::string_view AText) {
  std::string Text = Utf8Text(AText);
  if (Text.find_first_of(",\"\r\n") == std::string::npos) return Text;
  std::string Quoted = "\"";
  for (const char Char : Text) {
    if (Char == '"') Quoted += '"';
    Quoted += Char;
  }
  return Quoted + '"';
}

std::string JsonString(std::string_view AText) {
  std::string Result = "\"";
  for (const char Char : Utf8Text(AText)) {
    const auto Byte = static_cast<unsigned char>(Char);
    if (Char == '"' || Char == '\\') {
      Result += '\\';
      Result += Char;
    } else if (Char == '\n') {
      Result += "\\n";
    } else if (Char == '\r') {
      Result += "\\r";
    } else if (Char == '\t') {
      Result += "\\t";
    } else if (Byte < 0x20 || Byte == 0x7F) {
      std::array<char, 8> Escape;
      std::snprintf(Escape.data(), Escape.size(), "\\u%04x", Byte);
      Result += Escape.data();
    } else {
      Result += Char;
    }
  }
  return Result + '"';
}

namespace {

// The attempt's fields in their order, texts as the format writes them.
template <class TQuote>
std::array<std::string, std::size(AttemptFields)> Fields(const TAttempt& AAttempt,
                                                         std::string_view AHost, TQuote Quote) {
  return {Quote(IsoTimeStamp(AAttempt.Sent)),
          Quote(AHost),
          Quote(AAttempt.Address),
          Quote(OutcomeName(AAttempt.Outcome)),
          IntToStr(AAttempt.Bytes),
          IntToStr(AAttempt.Type),
          IntToStr(AAttempt.Sequence),
          IntToStr(AAttempt.Ttl),
          std::to_string(AAttempt.RoundTripUs),
          Quote(AAttempt.Message)};
}

bool EndsWithNoCase(std::string_view AText, std::string_view ASuffix) {
  return AText.size() >= ASuffix.size() &&
         SameText(AText.substr(AText.size() - ASuffix.size()), ASuffix);
}

}  // namespace

std::string Utf8Text(const char* AText, std::size_t ALength) {
  std::string Result;
  Result.reserve(ALength);
  const auto* Bytes = reinterpret_cast<const unsigned char*>(AText);
  for (std::size_t At = 0; At < ALength;) {
    const std::size_t Length = SequenceLength(Bytes + At, ALength - At);
    if (Length == 0) {
      Result += Replacement;
      ++At;
    } else {
      Result.append(AText + At, Length);
      At += Length;
    }
  }
  return Result;
}

std::string IsoTimeStamp(TWallTime AWhen) {
  const std::int64_t LocalMs = FloorDiv(AWhen.UnixUs, 1000) + std::int64_t{AWhen.UtcOffset} * 1000;
  const std::int64_t Days = FloorDiv(LocalMs, 86400000);
  const std::int64_t MsOfDay = LocalMs - Days * 86400000;
  const TCivilDate Date = CivilFromDays(Days);
  const std::int32_t Offset = AWhen.UtcOffset < 0 ? -AWhen.UtcOffset : AWhen.UtcOffset;
  std::array<char, 48> Text;
  std::snprintf(Text.data(), Text.size(), "%04lld-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d",
                static_cast<long long>(Date.Year), Date.Month, Date.Day,
                static_cast<int>(MsOfDay / 3600000), static_cast<int>(MsOfDay / 60000 % 60),
                static_cast<int>(MsOfDay / 1000 % 60), static_cast<int>(MsOfDay % 1000),
                AWhen.UtcOffset < 0 ? '-' : '+', Offset / 3600, Offset / 60 % 60);
  return Text.data();
}

std::string OutcomeName(TOutcome AOutcome) {
  switch (AOutcome) {
    case TOutcome::Reply:
      return "reply";
    case TOutcome::TimeOut:
      return "timeout";
    case TOutcome::Unreachable:
      return "unreachable";
    case TOutcome::TtlExceeded:
      return "ttl-exceeded";
    case TOutcome::Unresolved:
      return "unresolved";
    case TOutcome::Error:
      break;
  }
  return "error";
}

std::string CsvHeader() {
  std::string Line;
  for (const char* const Field : AttemptFields)
    Line += (Line.empty() ? "" : ",") + std::string(Field);
  return Line + "\r\n";
}

std::string CsvRecord(const TAttempt& AAttempt, std::string_view AHost) {
  std::string Line;
  bool First = true;
  for (const std::string& Field : Fields(AAttempt, AHost, CsvField)) {
    if (!First) Line += ',';
    Line += Field;
    First = false;
  }
  return Line + "\r\n";
}

std::string HealthJsonLine(TWallTime AWhen, std::string_view AHost, THealthEvent AEvent,
                           const TTargetHealth& AHealth) {
  return "{\"time\":" + JsonString(IsoTimeStamp(AWhen)) + ",\"host\":" + JsonString(AHost) +
         ",\"event\":" + JsonString(HealthEventName(AEvent)) +
         ",\"state\":" + JsonString(HealthStateName(AHealth.State())) +
         ",\"previous\":" + JsonString(HealthStateName(AHealth.Previous())) +
         ",\"slow\":" + (AHealth.Slow() ? "true" : "false") + "}\n";
}

std::string JsonLine(const TAttempt& AAttempt, std::string_view AHost) {
  std::string Line = "{";
  std::size_t Index = 0;
  for (const std::string& Field : Fields(AAttempt, AHost, JsonString)) {
    if (Index > 0) Line += ',';
    Line += JsonString(AttemptFields[Index++]) + ':' + Field;
  }
  return Line + "}\n";
}

TExportFormat ExportFormatFor(std::string_view AFileName) {
  for (const std::string_view Suffix : {".jsonl", ".ndjson", ".json"})
    if (EndsWithNoCase(AFileName, Suffix)) return TExportFormat::JsonLines;
  return TExportFormat::Csv;
}
