#pragma once

// The XKB extension's xcb header, usable from C++: it names a member
// "explicit", a keyword of C++.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit
