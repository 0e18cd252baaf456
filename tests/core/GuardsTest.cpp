#include "core/BusyGuard.h"
#include "core/TryStep.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

TEST(BusyGuard, ClearsTheFlagOnEveryExitIncludingExceptions)
{
    bool busy = false;
    {
        BusyGuard guard(busy);
        EXPECT_TRUE(busy);
    }
    EXPECT_FALSE(busy);
    try {
        BusyGuard guard(busy);
        throw std::runtime_error("fails inside");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(busy);
}

TEST(TryStep, SwallowsAFailingStepAndReportsIt)
{
    int done = 0;
    std::string logged;
    EXPECT_TRUE(TryStep([&] { ++done; }));
    EXPECT_FALSE(TryStep([] { throw std::runtime_error("step 2"); }));
    EXPECT_FALSE(TryStep([] { throw std::runtime_error("step 3"); },
                         [&](const std::exception& e) { logged = e.what(); }));
    EXPECT_FALSE(TryStep([] { throw 42; }));
    EXPECT_TRUE(TryStep([&] { ++done; }));
    EXPECT_EQ(done, 2);
    EXPECT_EQ(logged, "step 3");
}
