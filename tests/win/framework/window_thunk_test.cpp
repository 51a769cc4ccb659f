// The exception firewall of the framework's window procedures.
#include <windows.h>

#include <gtest/gtest.h>

#include "win/framework/FrameworkTestSupport.h"

namespace qm::win::test {
namespace {

TEST_F(FrameworkTest, AnErrorInAHandlerIsShownOnceAndTheProgramGoesOn) {
    ErrorRecorder errors;
    form->throwWhat = 1;
    ::SendMessageW(form->Throwing.Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(errors.messages[0], L"ボタンのエラー");

    // Something that is no exception class at all is still caught and shown.
    form->throwWhat = 2;
    ::SendMessageW(form->Throwing.Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_FALSE(errors.messages[1].empty());

    form->throwWhat = 0;
    ::SendMessageW(form->Throwing.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form->throwingClicks, 3);
    EXPECT_EQ(errors.messages.size(), 2u);
    EXPECT_TRUE(::IsWindow(form->Handle()));
}

}  // namespace
}  // namespace qm::win::test
