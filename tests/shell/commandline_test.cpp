#include "shell/commandline.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;

namespace {

// What a first start does, in one line: its flags, its text action and its path.
QString describe(const FirstStart& f) {
    QStringList parts;
    if (f.exitAtOnce) parts << s("exit");
    if (f.silent) parts << s("silent");
    if (f.safeMode) parts << s("safemode");
    if (f.wizard) parts << s("wizard");
    switch (f.textAction) {
    case FirstStart::Text::None:
        break;
    case FirstStart::Text::Execute:
        parts << s("execute:") + f.text;
        break;
    case FirstStart::Text::Input:
        parts << s("input:") + f.text;
        break;
    case FirstStart::Text::InputSelectAll:
        parts << s("select:") + f.text;
        break;
    }
    if (!f.sentPath.isEmpty()) parts << s("path:") + f.sentPath;
    return parts.join(u' ');
}

struct Case {
    QStringList args;
    const char* first;
    int number;
    const char* text;
};

TEST(CommandLine, FirstAndSecondStartOfEverySwitch) {
    const Case cases[] = {
        {{}, "", message::Open, ""},
        {{s("-exit")}, "exit", message::Close, ""},
        {{s("-exit"), s("more")}, "exit", message::Close, ""},
        {{s("-EXIT")}, "path:/w/-EXIT", message::SendTo, "/w/-EXIT"},
        // The text is every argument after the switch, joined with one blank;
        // blanks inside an argument stay.
        {{s("-r"), s("ls"), s("-l  a"), s("\"q\"")},
         "execute:ls -l  a \"q\"",
         message::Command,
         "ls -l  a \"q\""},
        {{s("-r")}, "", message::Open, ""},
        // Only the second argument decides whether there is text.
        {{s("-r"), s("  "), s("x")}, "", message::Open, ""},
        {{s("-i")}, "input:", message::Open, ""},
        {{s("-i"), s("   ")}, "input:   ", message::Open, ""},
        {{s("-i"), s("two"), s("words")}, "input:two words", message::Input, "two words"},
        {{s("-I"), s("all of it")}, "select:all of it", message::InputSelect, "all of it"},
        {{s("-R"), s("x")}, "path:/w/-R", message::SendTo, "/w/-R"},
        {{s("-s")}, "silent", message::Open, ""},
        {{s("-S")}, "path:/w/-S", message::SendTo, "/w/-S"},
        {{s("-SafeMode")}, "safemode", message::Open, ""},
        {{s("-wizard"), s("x")}, "wizard", message::Open, ""},
        {{s("docs/a b.txt"), s("other")},
         "path:/w/docs/a b.txt",
         message::SendTo,
         "/w/docs/a b.txt"},
        {{s("/abs/../x/")}, "path:/x", message::SendTo, "/x"},
        {{s("file:///tmp/a%20b")}, "path:/tmp/a b", message::SendTo, "/tmp/a b"},
        {{s("")}, "", message::Open, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u'|').toStdString());
        const CommandLine line = parseCommandLine(c.args, s("/w"));
        EXPECT_EQ(describe(line.first), s(c.first));
        EXPECT_EQ(line.second.number, c.number);
        EXPECT_EQ(line.second.text, s(c.text));
    }
}

} // namespace
