#include "win/framework/SystemFunction.h"

#include <gtest/gtest.h>

namespace qm::win::test {
namespace {

// A function the system has is found and answers as the imported one; a name or a module the
// system lacks gives null, for the caller's fallback.
TEST(SystemFunction, FindsWhatTheSystemHasAndNothingElse) {
    using ProcessIdFn = DWORD(WINAPI*)();
    const auto processId = SystemFunction<ProcessIdFn>(L"kernel32.dll", "GetCurrentProcessId");
    ASSERT_NE(processId, nullptr);
    EXPECT_EQ(processId(), ::GetCurrentProcessId());
    EXPECT_EQ(SystemFunction<ProcessIdFn>(L"kernel32.dll", "GetCurrentProcessIdEx"), nullptr);
    EXPECT_EQ(SystemFunction<ProcessIdFn>(L"no such module.dll", "GetCurrentProcessId"), nullptr);
}

}  // namespace
}  // namespace qm::win::test
