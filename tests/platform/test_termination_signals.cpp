#include "platform/TerminationSignals.h"
#include "support/GuiTestSupport.h"

#include <csignal>
#include <gtest/gtest.h>
#include <vector>

TEST(TerminationSignals, ArriveAsOrdinaryCallsOnTheEventLoop)
{
    testApplication();
    std::vector<int> got;
    installTerminationHandler([&](int sig) { got.push_back(sig); });
    ::raise(SIGHUP);
    EXPECT_TRUE(got.empty());   // nothing runs inside the signal handler itself
    ASSERT_TRUE(waitUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got.front(), SIGHUP);
    ::raise(SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return got.size() == 2; }));
    EXPECT_EQ(got.back(), SIGTERM);
}
