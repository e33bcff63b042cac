// The portable sine and cosine against values worked out to 400 bits for
// angles that need every bit of the reduction, and against the C runtime
// (rounded to float, as the viewer's matrices are) for the angles of the
// clock's first seconds.
#include "render/sine_cosine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(SineCosine, WithinTwoUlpsOfTheTruthAndAFloatUlpOfTheRuntime) {
    const struct {
        float angle;
        double sine, cosine;
    } cases[] = {
        {0x1.4484cp-100f, 1.0000000031710769e-30, 1.0},
        {-0x1.99999ap-4f, -0.0998334181294999, 0.9950041651292624},    // the view's tilt
        {0x1.921fb6p+1f, -8.742278000372475e-08, -0.9999999999999962}, // next to pi
        {1000000.0f, -0.34999350217129294, 0.9367521275331447},
        {0x1.0624dep+22f, 0.9342302834722966, -0.3566704044959047}, // the clock's last turn
        {0x1.5af1d8p+66f, 0.6565766778545903, 0.7542592830701055},
        {0x1.fffffep+127f, -0.5218765233336585, 0.8530210398303042}, // the largest float
        {0x1.f37c8ap+95f, 1.0, -1.6147697982476211e-09}, // nearest to k pi/2: 29 bits cancel
    };
    auto close = [](double seen, double truth) {
        return std::fabs(seen - truth) <= 2 * std::ldexp(1.0, std::ilogb(truth) - 52);
    };
    for (const auto& c : cases) {
        for (const float sign : {1.0f, -1.0f}) {
            const SineCosine seen = SineCosineOf(sign * c.angle);
            EXPECT_TRUE(close(seen.sine, sign * c.sine)) << sign * c.angle << ": " << seen.sine;
            EXPECT_TRUE(close(seen.cosine, c.cosine)) << sign * c.angle << ": " << seen.cosine;
        }
    }
    for (const float bad : {INFINITY, -INFINITY, NAN}) {
        EXPECT_TRUE(std::isnan(SineCosineOf(bad).sine) && std::isnan(SineCosineOf(bad).cosine));
    }
    // Clock ticks (milliseconds times 0.001) and arbitrary angles, rounded
    // to float: one float apart only where the true value lies within a
    // double's rounding of a float's midpoint, which is rare.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> turn(-100.0f, 100.0f);
    int equal = 0;
    for (int i = 0; i < 20000; ++i) {
        const float angle = i % 2 == 0 ? static_cast<float>(i) * 0.001f : turn(random);
        const SineCosine seen = SineCosineOf(angle);
        for (const auto& [ours, runtime] : {std::pair{seen.sine, std::sin(double{angle})},
                                            {seen.cosine, std::cos(double{angle})}}) {
            const auto a = static_cast<float>(ours), b = static_cast<float>(runtime);
            ASSERT_TRUE(a == b || std::nextafter(a, b) == b) << angle << ": " << a << " " << b;
            equal += a == b;
        }
    }
    EXPECT_GE(equal, 40000 - 4);
}

} // namespace
