// Forms and panels route a click to the graphic child under the pointer.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "win/framework/FrameworkTestSupport.h"
#include "win/framework/controls/Control.h"

namespace qm::win::test {
namespace {

TEST_F(FrameworkTest, ClicksGoToTheTopmostVisibleLabelUnderThePointer) {
    HWND back = form->Back.Handle();
    const RECT over = form->Over.Bounds();
    const RECT under = form->Under.Bounds();
    ASSERT_LT(over.top, under.top);
    ASSERT_GT(over.bottom, under.top) << "the labels must overlap for this test";
    // Where both lie, the later one (Over) takes the click.
    Click(back, under.left + 2, under.top + 1, under.left + 2, under.top + 1);
    // Below Over, only Under.
    Click(back, under.left + 2, under.bottom - 1, under.left + 2, under.bottom - 1);
    // Pressed on Under, released elsewhere: no click.
    Click(back, under.left + 2, under.bottom - 1, 290, 5);
    // A hidden label takes no clicks.
    const RECT hidden = form->Hidden.Bounds();
    Click(back, hidden.left + 1, hidden.top + 1, hidden.left + 1, hidden.top + 1);
    const std::vector<Control*> expected = {&form->Over, &form->Under};
    EXPECT_EQ(form->clicks, expected);
}

}  // namespace
}  // namespace qm::win::test
