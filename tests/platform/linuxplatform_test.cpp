#include "platform/linux/linuxplatform.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

using lorvanta::platform::LinuxPlatform;

namespace {

struct EnvGuard {
    explicit EnvGuard(const char* n)
        : name(n), had(qEnvironmentVariableIsSet(n)), old(qgetenv(n)) {}
    ~EnvGuard() { had ? qputenv(name, old) : qunsetenv(name); }
    const char* name;
    bool had;
    QByteArray old;
};

} // namespace

TEST(LinuxEnvironment, VariablesMatchExactNameFirstThenIgnoringCase) {
    EnvGuard a("LvProbe"), b("LVPROBE");
    LinuxPlatform os;
    auto& env = os.platform().environment;

    qputenv("LVPROBE", "upper");
    EXPECT_EQ(env.variable(QStringLiteral("lvprobe")).value_or(QString()), u"upper");
    qputenv("LvProbe", "mixed");
    EXPECT_EQ(env.variable(QStringLiteral("LvProbe")).value_or(QString()), u"mixed");
    EXPECT_EQ(env.variable(QStringLiteral("LVPROBE")).value_or(QString()), u"upper");
    EXPECT_FALSE(env.variable(QStringLiteral("LV_NOT_SET_ANYWHERE")).has_value());
}

TEST(LinuxEnvironment, ConfigFolderFollowsXdgRules) {
    EnvGuard x("XDG_CONFIG_HOME"), h("HOME");
    LinuxPlatform os;
    auto& env = os.platform().environment;

    qputenv("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(env.configFolder(), u"/elsewhere/config");
    qputenv("XDG_CONFIG_HOME", "relative/is/invalid");
    EXPECT_EQ(env.configFolder(), u"/home/someone/.config");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(env.configFolder(), u"/home/someone/.config");
}

TEST(LinuxEnvironment, ProgramFolderIsTheTestBinarysFolder) {
    LinuxPlatform os;
    const QString folder = os.platform().environment.programFolder();
    EXPECT_TRUE(folder.endsWith(u'/'));
    EXPECT_EQ(QDir(folder).canonicalPath(),
              QDir(QCoreApplication::applicationDirPath()).canonicalPath());
}

TEST(LinuxEnvironment, SearchPathSkipsEmptyEntries) {
    EnvGuard p("PATH");
    qputenv("PATH", "/usr/bin::/bin:");
    LinuxPlatform os;
    EXPECT_EQ(os.platform().environment.searchPath(),
              (QStringList{QStringLiteral("/usr/bin"), QStringLiteral("/bin")}));
}
