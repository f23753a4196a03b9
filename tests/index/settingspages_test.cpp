#include "index/settingspages.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

QStringList pages(const std::vector<TMyShellItem>& items) {
    QStringList out;
    for (const TMyShellItem& i : items)
        out << i.name + u'|' + i.path + u'|' + i.root + u'|' + i.title;
    return out;
}

TEST(SettingsPages, LinesBecomePagesByTheFileRules) {
    const struct {
        const char* line;
        const char* page; // nullptr: skipped
    } cases[] = {
        {"Display=gnome-control-center display", "Display|gnome-control-center display"},
        {"  Sound = settings://sound  ", "Sound|settings://sound"},
        {"Math=a=b", "Math|a=b"}, // the first "=" separates
        {"# Display=x", nullptr},
        {"; Display=x", nullptr},
        {"   ", nullptr},
        {"=no name", nullptr},
        {"No target=", nullptr},
        {"No target =   ", nullptr},
        {"no separator", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const QStringList got = pages(parseSettingsPages(s(c.line)));
        if (!c.page) {
            EXPECT_TRUE(got.isEmpty());
            continue;
        }
        EXPECT_EQ(got, QStringList{s(c.page) + s("|rfSettings|System settings")});
    }
}

TEST(SettingsPages, TheDataFolderComesBeforeTheProgramFolder) {
    TempDataFolder dir;
    EXPECT_TRUE(readSettingsPages(dir.path(), dir.programFolder()).empty());
    writeFile(dir.programFolder() + s("windowssettings.txt"), "Shipped=x\r\nOther=y\r\n");
    EXPECT_EQ(pages(readSettingsPages(dir.path(), dir.programFolder())).size(), 2);
    writeFile(dir.file(s("windowssettings.txt")), "\xEF\xBB\xBFMine=z\r\n");
    EXPECT_EQ(pages(readSettingsPages(dir.path(), dir.programFolder())),
              QStringList{s("Mine|z|rfSettings|System settings")})
        << "the byte order mark is not part of the first name";
}

} // namespace
