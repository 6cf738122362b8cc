// The attempts of a session as text for files: CSV (RFC 4180) and JSON Lines,
// one attempt a record, always valid UTF-8. Host texts are the user's bytes and
// need not be UTF-8: each byte that is not part of a well-formed UTF-8
// sequence is written as U+FFFD. JSON writes control characters as \u escapes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "monitor/Attempt.h"
#include "monitor/TargetHealth.h"

// AText with every byte outside a well-formed UTF-8 sequence (a stray
// continuation byte, a cut or overlong sequence, a surrogate, a code point
// beyond U+10FFFF) replaced by U+FFFD.
std::string Utf8Text(const char* AText, std::size_t ALength);
inline std::string Utf8Text(std::string_view AText) { return Utf8Text(AText.data(), AText.size()); }

// ISO 8601 with milliseconds and the zone: "2026-03-07T14:05:09.120+01:00".
std::string IsoTimeStamp(TWallTime AWhen);

// "reply", "timeout", "unreachable", "ttl-exceeded", "error" or "unresolved".
std::string OutcomeName(TOutcome AOutcome);

// One CSV field: quoted when it holds a comma, a quote, a CR or an LF, its
// quotes doubled.
std::string CsvField(std::string_view AText);
// A JSON string, quoted, with quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view AText);

// The names of the fields, in their order in both formats.
inline constexpr const char* AttemptFields[] = {"time",          "host",   "address",  "outcome",
                                                "bytes",         "type",   "sequence", "ttl",
                                                "round_trip_us", "message"};

// The CSV header line and one attempt's line, each ended by CR LF. A field
// holding a comma, a quote, a CR or an LF is quoted, its quotes doubled.
std::string CsvHeader();
std::string CsvRecord(const TAttempt& AAttempt, std::string_view AHost);

// One attempt as a JSON object on one line, ended by LF.
std::string JsonLine(const TAttempt& AAttempt, std::string_view AHost);

// A change of a host's health as one JSON object on one line, ended by LF:
// {"time":...,"host":...,"event":"down","state":"down","previous":"up","slow":false}.
// AWhen is the time of the attempt that changed it.
std::string HealthJsonLine(TWallTime AWhen, std::string_view AHost, THealthEvent AEvent,
                           const TTargetHealth& AHealth);

enum class TExportFormat { Csv, JsonLines };

// JSON Lines for a file name ending in ".jsonl", ".ndjson" or ".json" (in any
// case), CSV for every other.
TExportFormat ExportFormatFor(std::string_view AFileName);
