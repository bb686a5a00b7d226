// Where the configuration dialog opens: centred over its parent and kept
// inside the work area, or on the work area under the pointer.
#include "tests/support/config_dialog_session.h"

namespace {

class ConfigDialogPlacement : public ConfigDialog {
protected:
    RECT workArea{};

    void SetUp() override
    {
        ConfigDialog::SetUp();
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    }

    RECT DialogRect()
    {
        RECT rect{};
        GetWindowRect(dialog, &rect);
        return rect;
    }
};

TEST_F(ConfigDialogPlacement, CentresOverTheParentInsideTheWorkArea)
{
    const LONG left = workArea.left;
    const LONG top = workArea.top;
    const LONG right = workArea.right;
    const LONG bottom = workArea.bottom;
    enum Edge { kCentred, kAtLeft, kAtRight, kAtTop, kAtBottom };
    struct Case {
        const char* name;
        RECT parent;
        Edge horizontal, vertical;
    };
    const Case cases[] = {
        // Parents larger than the dialog, so centring alone keeps it inside.
        {"inside", {left + 10, top + 10, right - 30, bottom - 20}, kCentred, kCentred},
        {"odd sizes", {left + 11, top + 13, right - 22, bottom - 9}, kCentred, kCentred},
        {"beyond the right edge", {right - 60, top + 20, right + 240, top + 420}, kAtRight, kCentred},
        {"beyond the top-left corner", {left - 300, top - 300, left + 20, top + 20}, kAtLeft, kAtTop},
        {"a strip along the bottom", {left + 40, bottom - 10, left + 440, bottom + 20}, kCentred, kAtBottom},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, c.parent.left, c.parent.top,
                                      c.parent.right - c.parent.left, c.parent.bottom - c.parent.top, nullptr,
                                      nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        RECT anchor{};
        GetWindowRect(parent, &anchor);
        Open(parent);
        EXPECT_EQ(GetParent(dialog), parent) << "the parent owns the dialog";
        const RECT rect = DialogRect();
        const LONG w = rect.right - rect.left;
        const LONG h = rect.bottom - rect.top;
        ASSERT_LT(w, right - left);
        ASSERT_LT(h, bottom - top);
        if (c.horizontal == kCentred && c.vertical == kCentred) {
            ASSERT_GT(anchor.right - anchor.left, w) << "the case needs a parent larger than the dialog";
            ASSERT_GT(anchor.bottom - anchor.top, h);
        }

        const LONG centredX = anchor.left + (anchor.right - w - anchor.left) / 2;
        const LONG centredY = anchor.top + (anchor.bottom - h - anchor.top) / 2;
        const LONG expectedX = c.horizontal == kAtLeft ? left : c.horizontal == kAtRight ? right - w : centredX;
        const LONG expectedY = c.vertical == kAtTop ? top : c.vertical == kAtBottom ? bottom - h : centredY;
        EXPECT_EQ(rect.left, expectedX);
        EXPECT_EQ(rect.top, expectedY);
        EXPECT_GE(rect.left, left);
        EXPECT_LE(rect.right, right);
        EXPECT_GE(rect.top, top);
        EXPECT_LE(rect.bottom, bottom);

        Click(dialog, IDCANCEL);
        ExpectClosed();
        DestroyWindow(parent);
    }
}

TEST_F(ConfigDialogPlacement, WithoutAParentCentresOnTheWorkAreaUnderThePointer)
{
    Start();
    SetCursorPos((workArea.left + workArea.right) / 2, (workArea.top + workArea.bottom) / 2);
    Open(nullptr);
    const RECT rect = DialogRect();
    const LONG w = rect.right - rect.left;
    const LONG h = rect.bottom - rect.top;
    EXPECT_EQ(rect.left, workArea.left + (workArea.right - w - workArea.left) / 2);
    EXPECT_EQ(rect.top, workArea.top + (workArea.bottom - h - workArea.top) / 2);
}

}  // namespace
