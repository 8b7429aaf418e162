#include "core/platform/TerminationSignals.h"

#include "kit/EventWait.h"

#include <gtest/gtest.h>

// Each signal reaches the event loop, not the handler's caller; the object's
// end gives the signal back to the system.
TEST(TerminationSignals, EachSignalArrivesThroughTheEventLoop) {
    for (const int number : core::TerminationSignals::kSignals) {
        QList<int> received;
        {
            core::TerminationSignals handlers;
            QObject::connect(&handlers, &core::TerminationSignals::received, [&](int n) { received << n; });
            ASSERT_EQ(std::raise(number), 0);
            EXPECT_TRUE(received.isEmpty() && waitUntil([&] { return !received.isEmpty(); })) << number;
        }
        EXPECT_EQ(received, QList<int>{number});
        EXPECT_EQ(std::signal(number, SIG_DFL), SIG_DFL) << number;
    }
}
