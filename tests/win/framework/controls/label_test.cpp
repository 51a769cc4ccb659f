// Labels drawn by their parent, sized to their text.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win/framework/FrameworkTestSupport.h"

namespace qm::win::test {
namespace {

TEST_F(FrameworkTest, LabelsSizeToTheirTextInTheirOwnFont) {
    const int before = form->Over.Width();
    EXPECT_GT(before, 0);
    form->Over.SetCaption(std::string("Over, and a good deal longer"));
    EXPECT_GT(form->Over.Width(), before);
    EXPECT_EQ(form->Over.CaptionAnsi(), "Over, and a good deal longer");
    EXPECT_EQ(form->Over.FontColor(), RGB(0, 0, 128));
    // An empty caption keeps the height of a line.
    const int height = form->Over.Height();
    form->Over.SetCaption(std::wstring());
    EXPECT_EQ(form->Over.Height(), height);
    EXPECT_GT(form->Over.Width(), 0);
}

}  // namespace
}  // namespace qm::win::test
