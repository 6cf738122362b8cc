// The route's records as CSV, JSON Lines and the log's round line: a router
// with a name that needs quoting, a silent hop, and an unreachable end.
#include "outputs/RouteExport.h"

#include <gtest/gtest.h>

namespace {

struct RouteExport : testing::Test {
  RouteExport() {
    R.Record({1, THopAnswer::TimeExceeded, "192.0.2.1", 0, 1500, {}});
    R.Record({1, THopAnswer::TimeExceeded, "192.0.2.1", 0, 2500, {}});
    R.Name("192.0.2.1", "r1, \"edge\"");
    R.Record({2, THopAnswer::TimeOut, "", 0, 0, {}});
    R.Record({3, THopAnswer::Unreachable, "192.0.2.3", 13, 42, {}});
  }
  TRoute R{"host", "198.51.100.7", 30, {}};
};

TEST_F(RouteExport, WritesOneRecordPerRouterAndOneForASilentHop) {
  EXPECT_EQ(RouteCsv(R),
            "hop,address,name,sent,lost,loss_percent,received,last_ms,avg_ms,best_ms,worst_ms,"
            "stdev_ms,unreachable_code\r\n"
            "1,192.0.2.1,\"r1, \"\"edge\"\"\",2,0,0.00,2,2.500,2.000,1.500,2.500,0.500,\r\n"
            "2,???,,1,1,100.00,0,,,,,,\r\n"
            "3,192.0.2.3,,1,0,0.00,1,0.042,0.042,0.042,0.042,0.000,13\r\n");
  const std::string Json = RouteJsonLines(R);
  EXPECT_EQ(Json.substr(0, Json.find('\n')),
            "{\"hop\":1,\"address\":\"192.0.2.1\",\"name\":\"r1, \\\"edge\\\"\",\"sent\":2,"
            "\"lost\":0,\"loss_percent\":0.00,\"received\":2,\"last_ms\":2.500,\"avg_ms\":2.000,"
            "\"best_ms\":1.500,\"worst_ms\":2.500,\"stdev_ms\":0.500,\"unreachable_code\":null}");
  EXPECT_NE(Json.find("{\"hop\":2,\"address\":\"???\",\"name\":\"\",\"sent\":1,\"lost\":1,"
                      "\"loss_percent\":100.00,\"received\":0,\"last_ms\":null"),
            std::string::npos);
  EXPECT_EQ(std::count(Json.begin(), Json.end(), '\n'), 3);
  const std::string Line = RouteRoundLine(R, 7, {0, 3600});
  EXPECT_EQ(Line.substr(0, Line.find("{\"hop\"")),
            "{\"time\":\"1970-01-01T01:00:00.000+01:00\",\"route\":\"host\",\"address\":"
            "\"198.51.100.7\",\"round\":7,\"hops\":[");
  EXPECT_EQ(std::count(Line.begin(), Line.end(), '\n'), 1);
}

}  // namespace
