// A traced route as text for files and the log: one record per router heard
// at each hop shown (a hop that never answered has one, its address "???"),
// with the hop's counts and the router's round trips; CSV with a header line,
// or JSON Lines, one object a record; and one JSON line per ended round.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/Route.h"

// The names of a record's fields, in their order in every format.
inline constexpr const char* RouteFields[] = {
    "hop",     "address", "name",    "sent",     "lost",     "loss_percent",    "received",
    "last_ms", "avg_ms",  "best_ms", "worst_ms", "stdev_ms", "unreachable_code"};

std::string RouteCsv(const TRoute& ARoute);
std::string RouteJsonLines(const TRoute& ARoute);
// Round ARound of ARoute as one line: its time, host, address, round and
// its records as an array "hops".
std::string RouteRoundLine(const TRoute& ARoute, std::uint64_t ARound, TWallTime AAt);

// Saves the route whole or not at all to AFileName, in the format its name
// asks for (ExportFormatFor). Raises what SaveFileWhole raises.
void SaveRouteExport(const std::string& AFileName, const TRoute& ARoute);
