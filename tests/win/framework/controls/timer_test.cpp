// Window timers of a form.
#include <windows.h>

#include <gtest/gtest.h>

#include "win/framework/FrameworkTestSupport.h"

namespace qm::win::test {
namespace {

TEST_F(FrameworkTest, WindowTimerTicksUntilItsHandlerDisablesIt) {
    form->stopAfter = 3;
    form->Tick.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return form->ticks >= 3; }));
    EXPECT_FALSE(form->Tick.Enabled());
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(form->ticks, 3);
    form->stopAfter = 0;
    form->Tick.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return form->ticks >= 4; }));
}

}  // namespace
}  // namespace qm::win::test
