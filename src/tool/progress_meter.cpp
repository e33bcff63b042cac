#include "tool/progress_meter.h"

#include "tool/console_text.h"

#include <cstdio>

namespace {

constexpr int kBarWidth = 24;

std::string Duration(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

std::string ProgressText(std::size_t done, std::size_t total, double seconds,
                         const std::string& what) {
    const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    const int filled = static_cast<int>(share * kBarWidth);
    std::string text = "[";
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    char figures[160];
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    std::snprintf(figures, sizeof figures, "] %zu/%zu %s, %.1f/s", done, total, what.c_str(), rate);
    text += figures;
    if (rate > 0 && done < total) {
        text += ", ";
        text += Duration(static_cast<double>(total - done) / rate);
        text += " left";
    }
    return text;
}

ProgressMeter::ProgressMeter(std::size_t total, std::string what, bool enabled)
    : total_(total), what_(std::move(what)), enabled_(enabled),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

ProgressMeter::~ProgressMeter() {
    Clear();
}

void ProgressMeter::Update(std::size_t done) {
    if (!enabled_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && done < total_ && now - lastDraw_ < std::chrono::milliseconds(100)) {
        return;
    }
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    // "\r" returns to the line's start and "\x1b[K" clears what a longer
    // earlier text left behind.
    std::string line = "\r";
    line += ProgressText(done, total_, seconds, what_);
    line += "\x1b[K";
    WriteText(stderr, line);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressMeter::Clear() {
    if (drawn_) {
        WriteText(stderr, "\r\x1b[K");
        std::fflush(stderr);
        drawn_ = false;
    }
}
