#include "core/datafolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace lorvanta {
namespace {

enum class Home { Unset, Empty, Plain, TrailingSlash };
enum class Expect { Home, Program, Config };

struct Case {
    const char* what;
    Home home;
    bool portableIni;
    bool hasConfig;
    DataFolder::Create create;
    Expect expect;
};

TEST(DataFolder, ChoosesTheFolderInOrder) {
    using C = DataFolder::Create;
    const Case cases[] = {
        {"home beats portable and config", Home::Plain, true, true, C::IfMissing, Expect::Home},
        {"home with trailing slash", Home::TrailingSlash, false, true, C::IfMissing, Expect::Home},
        {"home is not created on Never", Home::Plain, false, true, C::Never, Expect::Home},
        {"empty home counts as unset", Home::Empty, false, true, C::IfMissing, Expect::Config},
        {"portable ini beats config", Home::Unset, true, true, C::IfMissing, Expect::Program},
        {"config folder by default", Home::Unset, false, true, C::IfMissing, Expect::Config},
        {"config is not created on Never", Home::Unset, false, true, C::Never, Expect::Config},
        {"no config folder", Home::Unset, false, false, C::IfMissing, Expect::Program},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDataFolder data;
        platform::FakePlatform& fake = data.fake;
        fake.variables.clear();
        const QString home = data.root() + QStringLiteral("/profiles/one");
        switch (c.home) {
        case Home::Unset:
            break;
        case Home::Empty:
            fake.variables.insert(QStringLiteral("LORVANTA_HOME"), QString());
            break;
        case Home::Plain:
            fake.variables.insert(QStringLiteral("LORVANTA_HOME"), home);
            break;
        case Home::TrailingSlash:
            fake.variables.insert(QStringLiteral("LORVANTA_HOME"), home + u'/');
            break;
        }
        if (c.portableIni)
            test::writeFile(data.programFolder() + QStringLiteral("lorvanta.ini"), "");
        if (!c.hasConfig) fake.configFolder.clear();

        QString expected;
        switch (c.expect) {
        case Expect::Home:
            expected = home + u'/';
            break;
        case Expect::Program:
            expected = data.programFolder();
            break;
        case Expect::Config:
            expected = fake.configFolder + QStringLiteral("/Lorvanta/");
            break;
        }
        // Absent beforehand, so its presence afterwards shows DataFolder made it.
        ASSERT_FALSE(c.expect != Expect::Program && QFileInfo::exists(expected));

        const DataFolder folder(fake.platform().environment, c.create);
        EXPECT_EQ(folder.path(), expected);
        EXPECT_TRUE(folder.path().endsWith(u'/'));
        EXPECT_EQ(folder.file(QStringLiteral("lorvanta.ini")),
                  expected + QStringLiteral("lorvanta.ini"));
        EXPECT_EQ(QFileInfo(expected).isDir(),
                  c.create == C::IfMissing || c.expect == Expect::Program);
    }
}

TEST(DataFolder, IsWorkedOutOnceAtConstruction) {
    test::TempDataFolder data;
    data.fake.variables.clear();
    const DataFolder folder(data.fake.platform().environment, DataFolder::Create::Never);
    const QString first = folder.path();

    test::writeFile(data.programFolder() + QStringLiteral("lorvanta.ini"), "");
    data.fake.variables.insert(QStringLiteral("LORVANTA_HOME"), data.root());
    EXPECT_EQ(folder.path(), first);
    EXPECT_EQ(first, data.fake.configFolder + QStringLiteral("/Lorvanta/"));
}

TEST(DataFolder, FixedFolderGetsOneTrailingSlash) {
    const struct {
        QStringView given, path;
    } cases[] = {
        {u"/srv/lorvanta", u"/srv/lorvanta/"},
        {u"/srv/lorvanta/", u"/srv/lorvanta/"},
        {u"/srv//x/../lorvanta", u"/srv/lorvanta/"},
    };
    for (const auto& c : cases) {
        const DataFolder folder = DataFolder::at(c.given.toString());
        EXPECT_EQ(folder.path(), c.path) << c.given.toString().toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder.path()));
    }
}

} // namespace
} // namespace lorvanta
