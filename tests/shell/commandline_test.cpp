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
        // A first start with "-toggle" is a normal, shown start.
        {{s("-toggle")}, "", message::Toggle, ""},
        {{s("-toggle"), s("more")}, "", message::Toggle, ""},
        // The text is every argument after the switch, joined with one blank;
        // blanks inside an argument stay.
        {{s("-r"), s("ls"), s("-l  a"), s("\"q\"")},
         "execute:ls -l  a \"q\"",
         message::Command,
         "ls -l  a \"q\""},
        {{s("-r")}, "", message::Open, ""},
        // A text may begin with "-": the default keyword "options" runs "lorvanta -r -s".
        {{s("-r"), s("-s")}, "execute:-s", message::Command, "-s"},
        {{s("-i"), s("--help")}, "input:--help", message::Input, "--help"},
        // Only the second argument decides whether there is text.
        {{s("-r"), s("  "), s("x")}, "", message::Open, ""},
        {{s("-i")}, "input:", message::Open, ""},
        {{s("-i"), s("   ")}, "input:   ", message::Open, ""},
        {{s("-i"), s("two"), s("words")}, "input:two words", message::Input, "two words"},
        {{s("-I"), s("all of it")}, "select:all of it", message::InputSelect, "all of it"},
        {{s("-s")}, "silent", message::Open, ""},
        {{s("-SafeMode")}, "safemode", message::Open, ""},
        {{s("-wizard"), s("x")}, "wizard", message::Open, ""},
        {{s("docs/a b.txt"), s("other")},
         "path:/w/docs/a b.txt",
         message::SendTo,
         "/w/docs/a b.txt"},
        {{s("/abs/../x/")}, "path:/x", message::SendTo, "/x"},
        {{s("file:///tmp/a%20b")}, "path:/tmp/a b", message::SendTo, "/tmp/a b"},
        {{s("")}, "", message::Open, ""},
        // "--" ends the switches: a path may then begin with "-".
        {{s("--"), s("-notes.txt")}, "path:/w/-notes.txt", message::SendTo, "/w/-notes.txt"},
        {{s("--"), s("-r"), s("x")}, "path:/w/-r", message::SendTo, "/w/-r"},
        {{s("--")}, "", message::Open, ""},
        {{s("./-notes.txt")}, "path:/w/-notes.txt", message::SendTo, "/w/-notes.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u'|').toStdString());
        const CommandLine line = parseCommandLine(c.args, s("/w"));
        EXPECT_EQ(describe(line.first), s(c.first));
        EXPECT_EQ(line.second.number, c.number);
        EXPECT_EQ(line.second.text, s(c.text));
    }
}

// What the start is asked for before any instance is looked for.
TEST(CommandLine, HelpVersionAndUnknownSwitchesAreAnsweredByTheStartItself) {
    using R = CommandLine::Request;
    struct Ask {
        QStringList args;
        R request;
    };
    const Ask asks[] = {
        {{s("--help")}, R::Help},
        {{s("-h")}, R::Help},
        {{s("--version")}, R::Version},
        {{s("-foo")}, R::Unknown},
        // The exact switches are case-sensitive; other spellings are no paths either.
        {{s("-EXIT")}, R::Unknown},
        {{s("-R"), s("x")}, R::Unknown},
        {{s("-S")}, R::Unknown},
        {{s("-Toggle")}, R::Unknown},
        {{s("--toggle")}, R::Unknown},
        {{s("-")}, R::Unknown},
        {{s("--helpme")}, R::Unknown},
        // Only the first argument is a switch.
        {{s("-r"), s("--help")}, R::Start},
        {{s("-toggle"), s("--help")}, R::Start},
        {{s("file.txt"), s("--help")}, R::Start},
        {{s("--"), s("--help")}, R::Start},
        {{}, R::Start},
    };
    for (const Ask& a : asks) {
        SCOPED_TRACE(a.args.join(u'|').toStdString());
        const CommandLine line = parseCommandLine(a.args, s("/w"));
        EXPECT_EQ(line.request, a.request);
        if (a.request != R::Start) {
            EXPECT_TRUE(line.first.sentPath.isEmpty()) << "nothing is handed over";
            EXPECT_EQ(line.second.number, message::Open);
        }
    }
    EXPECT_EQ(parseCommandLine({s("-foo"), s("x")}, s("/w")).unknownSwitch, s("-foo"));

    const QString usage = commandLineUsage();
    for (const char* sw : {"-exit", "-r TEXT", "-i TEXT", "-I TEXT", "-s", "-safemode", "-wizard",
                           "-h, --help", "--version", "--", "-toggle"})
        EXPECT_TRUE(usage.contains(s(sw))) << sw;
}

} // namespace
