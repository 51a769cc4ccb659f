// Panels, and forms, that fit their visible children.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "win/framework/FrameworkTestSupport.h"
#include "win/framework/controls/Control.h"

namespace qm::win::test {
namespace {

TEST_F(FrameworkTest, PanelFitsItsVisibleChildrenInsideItsBorder) {
    form->Back.SetAutoSize(true);
    // The box of the visible children starts at the client area's corner; hidden ones stay.
    EXPECT_EQ(form->Over.Left(), 0);
    EXPECT_EQ(form->Over.Top(), 0);
    EXPECT_EQ(form->Under.Top(), 10);
    EXPECT_EQ(form->Box.Top(), 54);
    RECT box;
    ::GetWindowRect(form->Box.Handle(), &box);
    ::MapWindowPoints(nullptr, form->Back.Handle(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 54);
    EXPECT_EQ(form->Hidden.Left(), 200);
    RECT client;
    ::GetClientRect(form->Back.Handle(), &client);
    int right = 0;
    for (Control* c : {static_cast<Control*>(&form->Over), static_cast<Control*>(&form->Under),
                       static_cast<Control*>(&form->Box), static_cast<Control*>(&form->Throwing)})
        right = std::max(right, static_cast<int>(c->Bounds().right));
    EXPECT_EQ(client.right, right);
    EXPECT_EQ(client.bottom, form->Throwing.Bounds().bottom);
    EXPECT_EQ(form->Back.Width(), client.right + 20);
    EXPECT_EQ(form->Back.Height(), client.bottom + 20);

    // A label that grows makes the panel grow with it.
    form->Under.SetCaption(std::string(80, 'W'));
    ::GetClientRect(form->Back.Handle(), &client);
    EXPECT_EQ(client.right, form->Under.Bounds().right);

    // The form fits its only child, the panel.
    form->SetAutoSize(true);
    EXPECT_EQ(form->Back.Left(), 0);
    EXPECT_EQ(form->Back.Top(), 0);
    EXPECT_EQ(form->ClientWidth(), form->Back.Width());
    EXPECT_EQ(form->ClientHeight(), form->Back.Height());
}

}  // namespace
}  // namespace qm::win::test
