// What the platform's HTTP request object lacks where the tests run, so that
// the tests of those features are skipped there with the reason.
#pragma once

namespace skinwall::testing {

// Under Wine the object accepts time-outs, a proxy and certificate options
// but does not act on them.
bool RunningUnderWine();

}  // namespace skinwall::testing
