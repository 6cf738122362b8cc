#include "outputs/AttemptFormat.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <vector>

namespace {

using TRow = std::vector<std::string>;

// A strict reader of RFC 4180 records, ended by CR LF: what a spreadsheet or a
// script reads back from the file.
std::vector<TRow> ReadCsv(const std::string& AText) {
  std::vector<TRow> Rows;
  TRow Row;
  std::string Field;
  bool Quoted = false;
  for (std::size_t At = 0; At < AText.size(); ++At) {
    const char Char = AText[At];
    if (Quoted) {
      if (Char != '"') {
        Field += Char;
      } else if (At + 1 < AText.size() && AText[At + 1] == '"') {
        Field += '"';
        ++At;
      } else {
        Quoted = false;
      }
    } else if (Char == '"') {
      EXPECT_TRUE(Field.empty()) << "a quote inside an unquoted field";
      Quoted = true;
    } else if (Char == ',') {
      Row.push_back(std::move(Field));
      Field.clear();
    } else if (Char == '\r' && At + 1 < AText.size() && AText[At + 1] == '\n') {
      Row.push_back(std::move(Field));
      Field.clear();
      Rows.push_back(std::move(Row));
      Row.clear();
      ++At;
    } else {
      EXPECT_NE(Char, '\n') << "a bare line feed outside quotes";
      Field += Char;
    }
  }
  EXPECT_FALSE(Quoted);
  EXPECT_TRUE(Row.empty() && Field.empty()) << "the last record is not ended";
  return Rows;
}

TAttempt Reply() {
  TAttempt Attempt;
  Attempt.Sent = {1'773'000'000'123'456, 3600};
  Attempt.Address = "127.0.0.1";
  Attempt.Bytes = 84;
  Attempt.Sequence = 3489;
  Attempt.Ttl = 64;
  Attempt.RoundTripUs = 42;
  return Attempt;
}

struct THostile {
  const char* Name;
  std::string Bytes;
  std::string Read;  // as a reader of the file gets it back
};

const THostile HostileHosts[] = {
    {"plain", "127.0.0.1", "127.0.0.1"},
    {"quotes", "a\"b\"\"", "a\"b\"\""},
    {"commas", "one,two,", "one,two,"},
    {"new_lines", "up\r\ndown\nend\r", "up\r\ndown\nend\r"},
    {"control_bytes", std::string("t\tz\x01\x1f\x7f") + '\0' + "!",
     std::string("t\tz\x01\x1f\x7f") + '\0' + "!"},
    {"backslash", "c:\\hosts\\", "c:\\hosts\\"},
    {"utf8", "h\xC3\xB6st\xE2\x82\xAC\xF0\x9F\x98\x80", "h\xC3\xB6st\xE2\x82\xAC\xF0\x9F\x98\x80"},
    {"not_utf8", "bad\xFF\xC3", "bad\xEF\xBF\xBD\xEF\xBF\xBD"},
};

class HostileHost : public testing::TestWithParam<THostile> {};

}  // namespace

TEST_P(HostileHost, CsvReadsBackAsWrittenWithEveryOtherField) {
  const std::string Text = CsvHeader() + CsvRecord(Reply(), GetParam().Bytes);
  const std::vector<TRow> Rows = ReadCsv(Text);
  ASSERT_EQ(Rows.size(), 2u);
  EXPECT_EQ(Rows[0], TRow(std::begin(AttemptFields), std::end(AttemptFields)));
  EXPECT_EQ(Rows[1], (TRow{"2026-03-08T21:00:00.123+01:00", GetParam().Read, "127.0.0.1", "reply",
                           "84", "0", "3489", "64", "42", ""}));
}

TEST_P(HostileHost, JsonLineParsesToTheSameFields) {
  const std::string Line = JsonLine(Reply(), GetParam().Bytes);
  ASSERT_EQ(Line.back(), '\n');
  ASSERT_EQ(Line.find('\n'), Line.size() - 1) << "one line per attempt";
  QJsonParseError Error{};
  const QJsonDocument Document = QJsonDocument::fromJson(QByteArray::fromStdString(Line), &Error);
  ASSERT_EQ(Error.error, QJsonParseError::NoError) << Line;
  const QJsonObject Object = Document.object();
  EXPECT_EQ(Object.value("host").toString().toStdString(), GetParam().Read);
  EXPECT_EQ(Object.value("time").toString(), "2026-03-08T21:00:00.123+01:00");
  EXPECT_EQ(Object.value("outcome").toString(), "reply");
  EXPECT_EQ(Object.value("round_trip_us").toInteger(), 42);
  EXPECT_EQ(Object.value("sequence").toInteger(), 3489);
  EXPECT_EQ(Object.size(), static_cast<qsizetype>(std::size(AttemptFields)));
}

INSTANTIATE_TEST_SUITE_P(Hosts, HostileHost, testing::ValuesIn(HostileHosts),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(AttemptFormat, WritesControlCharactersAsEscapesInJson) {
  const std::string Line = JsonLine(Reply(), std::string("a\x01\x7f\"\\\n", 6));
  EXPECT_NE(Line.find(R"("host":"a\u0001\u007f\"\\\n")"), std::string::npos) << Line;
}

TEST(AttemptFormat, ReplacesEachByteOutsideWellFormedUtf8) {
  const struct {
    std::string In, Out;
  } Cases[] = {
      {"", ""},
      {"\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBF", "\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBF"},
      {"\x80", "\xEF\xBF\xBD"},                                  // a stray continuation byte
      {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // an overlong NUL
      {"\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // overlong
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // past U+10FFFF
      {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},                                  // cut at the end
      {"\xE2\x82"
       "A",
       "\xEF\xBF\xBD\xEF\xBF\xBD"
       "A"},  // cut by another character
      {"\xF5\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& Case : Cases) EXPECT_EQ(Utf8Text(Case.In), Case.Out);
}

TEST(AttemptFormat, TimeStampsCarryTheirZone) {
  const struct {
    TWallTime When;
    const char* Text;
  } Cases[] = {
      {{0, 0}, "1970-01-01T00:00:00.000+00:00"},
      {{-1, 0}, "1969-12-31T23:59:59.999+00:00"},
      {{1'709'208'000'000'000, 19'800}, "2024-02-29T17:30:00.000+05:30"},
      {{1'709'208'000'999'999, -18'000}, "2024-02-29T07:00:00.999-05:00"},
      {{951'782'400'000'000, -3'600}, "2000-02-28T23:00:00.000-01:00"},
  };
  for (const auto& Case : Cases) EXPECT_EQ(IsoTimeStamp(Case.When), Case.Text);
}

TEST(AttemptFormat, ChoosesTheFormatByTheFileName) {
  for (const char* Name : {"a.jsonl", "b.JSONL", "c.ndjson", "d.Json"})
    EXPECT_EQ(ExportFormatFor(Name), TExportFormat::JsonLines) << Name;
  for (const char* Name : {"a.csv", "b", "c.jsonl.txt", "json", ".csv"})
    EXPECT_EQ(ExportFormatFor(Name), TExportFormat::Csv) << Name;
}
