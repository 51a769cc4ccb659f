// Where the scanner gets its shell object: the system's where it answers the Title, the
// built-in title shell elsewhere.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "WinTestSupport.h"
#include "win/framework/Raii.h"
#include "win/ShellFactory.h"
#include "win/TitleQuery.h"

namespace qm::win::test {
namespace {

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class ShellFactoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        ResetShellObjectFactory();
    }
    void TearDown() override { ::CoUninitialize(); }
    TempFolder dir_;
};

TEST_F(ShellFactoryTest, SystemShellProbeFindsWhetherTheTitleCanBeAsked) {
    EXPECT_EQ(SystemShellAnswersTitle(), !RunningUnderWine());
    if (!RunningUnderWine()) return;
    // Wine's Shell.Application gives folder and item objects, but its folders name no column
    // and its items answer no ExtendedProperty: nothing there is known to be the Title, so no
    // column is asked at all.
    ComPtr<IDispatch> shell = CreateSystemShellObject();
    ASSERT_TRUE(WriteText(dir_ / "probe.avi", ""));
    EXPECT_EQ(AskShellTitle(shell.Get(), dir_.Path(), "probe.avi").kind,
              ShellTitleAnswer::TitleUnnamed);
}

// The built-in title shell stands in where the system's cannot answer, so the default object
// answers under every system.
TEST_F(ShellFactoryTest, DefaultShellObjectAnswersUnderThisSystem) {
    ASSERT_TRUE(WriteText(dir_ / "plain.txt", ""));
    ComPtr<IDispatch> shell = CreateShellObject();
    ASSERT_TRUE(shell);
    EXPECT_EQ(ReadShellTitle(shell.Get(), dir_.Path(), "plain.txt"), "");
}

}  // namespace
}  // namespace qm::win::test
