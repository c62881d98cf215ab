#pragma once

#include <chrono>
#include <limits>

namespace BenchTiming {

using Clock = std::chrono::steady_clock;

[[nodiscard]] inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The fastest of `repetitions` runs: on a shared machine the slower runs
// measure the neighbours, not the code. `run` returns its own elapsed seconds
// so that it can keep setup and result checks out of the timed part.
template<typename Run>
[[nodiscard]] double bestOf(int repetitions, Run &&run)
{
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < repetitions; ++i) {
        const double seconds = run();
        if (seconds < best)
            best = seconds;
    }
    return best;
}

} // namespace BenchTiming
