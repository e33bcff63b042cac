// Progress of a long run on standard error: a bar with the items done out of
// the total, the rate and the time left, redrawn in place. Drawn only when
// standard error is a terminal, so that logs and pipes get no control
// characters; the commands print their plain lines either way.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

class ProgressMeter {
  public:
    // `what` names the items ("files", "pieces"). `enabled`: draw at all
    // (normally IsTerminal(stderr)).
    ProgressMeter(std::size_t total, std::string what, bool enabled);
    ~ProgressMeter();
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // `done` items are finished. Redraws at most ten times a second.
    void Update(std::size_t done);
    // Clears the bar, so that the lines printed next start on a clean line.
    void Clear();

  private:
    std::size_t total_;
    std::string what_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// The bar's text for `done` of `total` after `seconds`: exposed for tests.
std::string ProgressText(std::size_t done, std::size_t total, double seconds,
                         const std::string& what);
