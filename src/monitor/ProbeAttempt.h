// The model's record of one probe of the concurrent probe engine, for every
// engine user that records in the model (the watched targets, the service).
#pragma once

#include "monitor/Attempt.h"
#include "probe/Engine.h"

// AOutcome as an attempt: its finer outcomes mapped to the nearest of the
// model's (a packet too big or a refused header cannot get there, so they
// are unreachable), the datagram's bytes with its IP header as the designed
// client counts them, and the wall clock when it went out.
TAttempt AttemptOf(const quorvel::probe::Outcome& AOutcome);
