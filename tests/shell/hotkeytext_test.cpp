#include "shell/hotkeys/hotkeytext.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;

namespace {

TEST(HotkeyText, NamesModifiersInAFixedOrderThenTheKey) {
    const struct {
        int modifiers;
        int key;
        const char* text;
    } cases[] = {
        {12, 'Z', "WIN+SHIFT+Z"}, // the default main hotkey
        {0, 'A', "A"},
        {1, '7', "ALT+7"},
        {2, 112, "CTRL+F1"},
        {4, 135, "SHIFT+F24"},
        {8, 32, "WIN+Space"},
        {3, 'K', "ALT+CTRL+K"},
        {6, 'K', "CTRL+SHIFT+K"},
        {9, 'K', "WIN+ALT+K"},
        {5, 'K', "ALT+SHIFT+K"},
        {10, 'K', "WIN+CTRL+K"},
        {7, 'K', "ALT+CTRL+SHIFT+K"},
        {11, 'K', "WIN+ALT+CTRL+K"},
        {13, 'K', "WIN+ALT+SHIFT+K"},
        {14, 'K', "WIN+CTRL+SHIFT+K"},
        {15, 'K', "WIN+ALT+CTRL+SHIFT+K"},
        {0, 19, "Pause"},
        {2, 19, "CTRL+Pause"},
        {0, 103, "Num 7"},
        {1, 33, "ALT+PgUp"},
        {2, 186, "CTRL+;"},
        {8, 226, "WIN+<"},
        {0, -1, "None"}, // no hotkey, whatever the flags say
        {15, -1, "None"},
        {2, 255, "CTRL+Key 255"}, // no key of that code here
        {16, 'Q', "Q"},           // flags beyond Win name nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotkeyText(c.modifiers, c.key), s(c.text))
            << "modifiers " << c.modifiers << ", key " << c.key;
}

} // namespace
