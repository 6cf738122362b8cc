#include "outputs/RouteExport.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "outputs/AtomicFile.h"
#include "outputs/AttemptFormat.h"

namespace {

using TRecord = std::array<std::optional<std::string>, std::size(RouteFields)>;

// AValue thousandths as a decimal number with three places, whatever the
// locale: "0.042".
std::string Thousandths(double AValue) {
  const auto Whole = static_cast<unsigned long long>(std::llround(std::max(AValue, 0.0)));
  std::array<char, 32> Text;
  std::snprintf(Text.data(), Text.size(), "%llu.%03llu", Whole / 1000, Whole % 1000);
  return Text.data();
}

std::string Percent(double APercent) {
  const auto Hundredths = static_cast<unsigned long long>(std::llround(APercent * 100));
  std::array<char, 32> Text;
  std::snprintf(Text.data(), Text.size(), "%llu.%02llu", Hundredths / 100, Hundredths % 100);
  return Text.data();
}

// The hop's records: one per router, or one without a router when none answered.
std::vector<TRecord> Records(const TRoute& ARoute) {
  std::vector<TRecord> Result;
  for (int Number = 1; Number <= ARoute.Shown(); ++Number) {
    const THop& Hop = ARoute.Hop(Number);
    TRecord Common{std::to_string(Number),
                   std::string("???"),
                   std::string(),
                   std::to_string(Hop.Sent()),
                   std::to_string(Hop.Lost()),
                   Percent(Hop.LossPercent()),
                   std::string("0")};
    if (const std::optional<std::uint8_t> Code = Hop.UnreachableCode())
      Common.back() = std::to_string(*Code);
    if (Hop.Routers().empty()) Result.push_back(Common);
    for (const TRouter& Router : Hop.Routers()) {
      TRecord Record = Common;
      const THopFigures& F = Router.Figures;
      Record[1] = Router.Address;
      Record[2] = Router.Name;
      Record[6] = std::to_string(F.Count());
      Record[7] = Thousandths(static_cast<double>(F.Last()));
      Record[8] = Thousandths(F.Mean());
      Record[9] = Thousandths(static_cast<double>(F.Best()));
      Record[10] = Thousandths(static_cast<double>(F.Worst()));
      Record[11] = Thousandths(F.StandardDeviation());
      Result.push_back(Record);
    }
  }
  return Result;
}

// Texts are the fields 1 and 2, the address and the name; the others are numbers.
bool IsText(std::size_t AIndex) { return AIndex == 1 || AIndex == 2; }

std::string JsonObject(const TRecord& ARecord) {
  std::string Object = "{";
  for (std::size_t Index = 0; Index < ARecord.size(); ++Index) {
    if (Index > 0) Object += ',';
    Object += JsonString(RouteFields[Index]) + ':';
    Object += !ARecord[Index] ? "null"
              : IsText(Index) ? JsonString(*ARecord[Index])
                              : *ARecord[Index];
  }
  return Object + '}';
}

}  // namespace

std::string RouteCsv(const TRoute& ARoute) {
  std::string Text;
  for (const char* const Field : RouteFields)
    Text += (Text.empty() ? "" : ",") + std::string(Field);
  Text += "\r\n";
  for (const TRecord& Record : Records(ARoute)) {
    for (std::size_t Index = 0; Index < Record.size(); ++Index)
      Text += (Index > 0 ? "," : "") + CsvField(Record[Index].value_or(""));
    Text += "\r\n";
  }
  return Text;
}

std::string RouteJsonLines(const TRoute& ARoute) {
  std::string Text;
  for (const TRecord& Record : Records(ARoute)) Text += JsonObject(Record) + '\n';
  return Text;
}

std::string RouteRoundLine(const TRoute& ARoute, std::uint64_t ARound, TWallTime AAt) {
  std::string Hops;
  for (const TRecord& Record : Records(ARoute))
    Hops += (Hops.empty() ? "" : ",") + JsonObject(Record);
  return "{\"time\":" + JsonString(IsoTimeStamp(AAt)) + ",\"route\":" + JsonString(ARoute.Host()) +
         ",\"address\":" + JsonString(ARoute.Address()) + ",\"round\":" + std::to_string(ARound) +
         ",\"hops\":[" + Hops + "]}\n";
}

void SaveRouteExport(const std::string& AFileName, const TRoute& ARoute) {
  SaveFileWhole(AFileName, ExportFormatFor(AFileName) == TExportFormat::Csv
                               ? RouteCsv(ARoute)
                               : RouteJsonLines(ARoute));
}
