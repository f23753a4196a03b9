// Proves the display runner: the test command starts an X server with a
// window manager, and tests labelled "display" reach it.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

TEST(X11Connection, ReachesTheServerAndItsWindowManager) {
    int screenIndex = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenIndex);
    ASSERT_EQ(xcb_connection_has_error(c), 0) << "no X server on $DISPLAY";
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    ASSERT_NE(screen, nullptr);
    EXPECT_GT(screen->width_in_pixels, 0);

    // A running window manager announces itself through _NET_SUPPORTING_WM_CHECK.
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof(name) - 1, name), nullptr);
    ASSERT_NE(atom, nullptr);
    ASSERT_NE(atom->atom, XCB_ATOM_NONE) << "no window manager has set the atom";
    xcb_get_property_reply_t* prop = xcb_get_property_reply(
        c, xcb_get_property(c, 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(xcb_get_property_value_length(prop), 4) << "no window manager is running";
    free(prop);
    free(atom);
    xcb_disconnect(c);
}
