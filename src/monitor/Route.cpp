#include "monitor/Route.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

void THopFigures::Add(std::uint64_t AMicroseconds) {
  FLast = AMicroseconds;
  FBest = FCount == 0 ? AMicroseconds : std::min(FBest, AMicroseconds);
  FWorst = std::max(FWorst, AMicroseconds);
  ++FCount;
  const auto Value = static_cast<double>(AMicroseconds);
  const double Delta = Value - FMean;
  FMean += Delta / static_cast<double>(FCount);
  FSquares += Delta * (Value - FMean);
}

double THopFigures::StandardDeviation() const {
  return FCount == 0 ? 0 : std::sqrt(FSquares / static_cast<double>(FCount));
}

double THop::LossPercent() const {
  return FSent == 0 ? 0 : 100.0 * static_cast<double>(FLost) / static_cast<double>(FSent);
}

std::vector<THopSample> THop::Samples() const {
  const std::size_t Held = std::min(FSampleCount, SampleLimit);
  std::vector<THopSample> Result;
  Result.reserve(Held);
  for (std::size_t Index = FSampleCount - Held; Index < FSampleCount; ++Index)
    Result.push_back(FSamples[Index % SampleLimit]);
  return Result;
}

TRouter& THop::Heard(const std::string& AAddress, bool& ANew) {
  const auto Found = std::find_if(FRouters.begin(), FRouters.end(),
                                  [&](const TRouter& R) { return R.Address == AAddress; });
  ANew = Found == FRouters.end();
  if (!ANew) return *Found;
  if (FRouters.size() < RouterLimit) {
    FRouters.push_back(TRouter{AAddress, {}, {}, 0});
    return FRouters.back();
  }
  TRouter& Oldest =
      *std::min_element(FRouters.begin(), FRouters.end(),
                        [](const TRouter& A, const TRouter& B) { return A.LastSeen < B.LastSeen; });
  Oldest = TRouter{AAddress, {}, {}, 0};
  return Oldest;
}

void THop::Sample(THopSample ASample) { FSamples[FSampleCount++ % SampleLimit] = ASample; }

TRoute::TRoute(std::string AHost, std::string AAddress, int AMaxHops, TWallTime AStart)
    : FHost(std::move(AHost)), FAddress(std::move(AAddress)), FStart(AStart) {
  const int Hops = std::clamp(AMaxHops, 1, HopLimit);
  FHops.reserve(static_cast<std::size_t>(Hops));
  for (int Number = 1; Number <= Hops; ++Number) FHops.emplace_back(Number);
}

int TRoute::Shown() const {
  if (FEnd > 0) return FEnd;
  for (int Number = MaxHops(); Number > 0; --Number)
    if (!Hop(Number).Routers().empty()) return Number;
  return 0;
}

TRoute::TRecorded TRoute::Record(const TRouteProbe& AProbe) {
  TRecorded Result;
  // A probe sent before the end was known counts no more beyond it.
  if (AProbe.Hop < 1 || AProbe.Hop > ProbeLimit()) return Result;
  Result.Counted = true;
  THop& H = HopAt(AProbe.Hop);
  ++H.FSent;
  if (AProbe.Answer == THopAnswer::TimeOut || AProbe.Answer == THopAnswer::Error) {
    ++H.FLost;
    H.Sample({0, true});
    return Result;
  }
  const auto Latest =
      std::max_element(H.FRouters.begin(), H.FRouters.end(),
                       [](const TRouter& A, const TRouter& B) { return A.LastSeen < B.LastSeen; });
  const std::string Previous = Latest == H.FRouters.end() ? std::string() : Latest->Address;
  const std::string KnownName = NameOf(AProbe.Address);
  TRouter& Router = H.Heard(AProbe.Address, Result.NewRouter);
  if (Result.NewRouter) Router.Name = KnownName;
  Router.LastSeen = H.FSent;
  Router.Figures.Add(AProbe.RoundTripUs);
  H.Sample({static_cast<std::uint32_t>(std::min<std::uint64_t>(
                AProbe.RoundTripUs, std::numeric_limits<std::uint32_t>::max())),
            false});
  if (Result.NewRouter && !Previous.empty()) {
    Result.Changed = true;
    ++FChangeCount;
    FChanges.push_back(TRouteChange{AProbe.At, AProbe.Hop, Previous, AProbe.Address});
    if (FChanges.size() > ChangeLimit) FChanges.pop_front();
  }
  switch (AProbe.Answer) {
    case THopAnswer::Unreachable:
      H.FUnreachable = AProbe.Code;
      FEnd = AProbe.Hop;
      break;
    case THopAnswer::Reply:
      H.FUnreachable.reset();
      FEnd = AProbe.Hop;
      break;
    default:
      H.FUnreachable.reset();
      // A router where the route ended: it grew, so every hop is probed again.
      if (AProbe.Hop == FEnd) FEnd = 0;
      break;
  }
  return Result;
}

void TRoute::Name(const std::string& AAddress, const std::string& AName) {
  for (THop& H : FHops)
    for (TRouter& Router : H.FRouters)
      if (Router.Address == AAddress) Router.Name = AName;
}

std::string TRoute::NameOf(const std::string& AAddress) const {
  for (const THop& H : FHops)
    for (const TRouter& Router : H.FRouters)
      if (Router.Address == AAddress && !Router.Name.empty()) return Router.Name;
  return {};
}
