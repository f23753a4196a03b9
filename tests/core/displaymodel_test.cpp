#include "core/list/displaymodel.h"
#include "core/list/listitems.h"
#include "core/settings/setup.h"
#include "testsupport.h"

#include <QRect>

using namespace lorvanta;
using lorvanta::test::s;

namespace {

RowList plainRows(const QStringList& texts) {
    RowList rows;
    for (const QString& t : texts)
        rows.append(t);
    return rows;
}

std::unique_ptr<TMyShellItem> file(const char* path) {
    auto item = std::make_unique<TMyShellItem>();
    item->name = s(path).section(u'/', -1);
    item->path = s(path);
    return item;
}

QString pathOf(const ListDisplayModel::Row& row) {
    const auto* item = dynamic_cast<const TMyShellItem*>(row.object.get());
    return item ? item->path : QString();
}

} // namespace

TEST(ListDisplayModelUpdate, NumbersTheFirstNineRowsThatAreNoHeaders) {
    RowList rows;
    rows.append(headerRow(s("Keywords")));
    for (int i = 1; i <= 5; ++i)
        rows.append(QStringLiteral("k%1").arg(i));
    rows.append(headerRow(s("History")));
    for (int i = 6; i <= 11; ++i)
        rows.append(QStringLiteral("h%1").arg(i));

    ListDisplayModel model;
    ASSERT_TRUE(model.update(rows));
    ASSERT_EQ(model.rows().size(), 13u);
    QStringList numbers;
    for (const ListDisplayModel::Row& r : model.rows())
        numbers.append(r.number);
    EXPECT_EQ(numbers, s("|1|2|3|4|5||6|7|8|9||").split(u'|'));
    EXPECT_TRUE(model.rows()[0].header);
    EXPECT_TRUE(model.rows()[6].header);
    EXPECT_FALSE(model.rows()[1].header);
    EXPECT_EQ(model.rows()[7].text, s("h6"));
}

TEST(ListDisplayModelUpdate, KeepsItsOwnCopiesOfTheObjects) {
    RowList rows;
    rows.append(s("a.txt"), file("/docs/a.txt"));
    rows.append(s("plain"));
    ListDisplayModel model;
    ASSERT_TRUE(model.update(rows));

    static_cast<TMyShellItem&>(*rows.at(0).object).path = s("/changed");
    rows.clear();
    ASSERT_EQ(model.rows().size(), 2u);
    EXPECT_EQ(pathOf(model.rows()[0]), s("/docs/a.txt"));
    EXPECT_FALSE(model.rows()[1].object);
}

TEST(ListDisplayModelUpdate, OnlyChangedTextsReplaceTheShownRows) {
    ListDisplayModel model;
    RowList first;
    first.append(s("a.txt"), file("/one/a.txt"));
    ASSERT_TRUE(model.update(first));

    // Same texts, other objects: the pane keeps what it shows.
    RowList same;
    same.append(s("a.txt"), file("/two/a.txt"));
    EXPECT_FALSE(model.update(same));
    EXPECT_EQ(pathOf(model.rows()[0]), s("/one/a.txt"));

    RowList other;
    other.append(s("a.txt"), file("/two/a.txt"));
    other.append(s("b.txt"));
    EXPECT_TRUE(model.update(other));
    ASSERT_EQ(model.rows().size(), 2u);
    EXPECT_EQ(pathOf(model.rows()[0]), s("/two/a.txt"));

    EXPECT_TRUE(model.update(plainRows({s("A.TXT"), s("b.txt")}))) << "case counts";
    EXPECT_TRUE(model.update(RowList{})) << "emptied";
    EXPECT_TRUE(model.rows().empty());
    EXPECT_FALSE(model.update(RowList{})) << "still empty: nothing to redraw";
}

TEST(ListDisplayModelHeight, Cases) {
    struct Case {
        bool fixed;
        int rowCount;
        bool callerIsList;
        bool custom;
        int listrowheight;
        int rowHeight;
        int newHeight;
        int height;
        const char* why;
    };
    // maxvisible is 10 throughout.
    const Case cases[] = {
        {true, 3, true, false, 20, 20, 0, 200, "fixed size: always maxvisible rows"},
        {false, 3, true, false, 20, 20, 0, 60, "the rows there are"},
        {false, 15, true, false, 20, 20, 0, 200, "up to maxvisible"},
        {false, 0, true, false, 20, 20, 0, 0, "no rows"},
        {false, 3, false, false, 20, 20, 0, 200, "asked by another caller"},
        {false, 3, true, true, 20, 20, 0, 200, "custom element shown"},
        {false, 3, true, false, 32, 32, 0, 96, "rows below 33 pixels"},
        {false, 3, true, false, 33, 33, 0, 100, "tall rows get one more pixel"},
        {true, 3, true, false, 40, 40, 0, 401, "tall rows, fixed size"},
        {false, 3, true, false, 20, 20, 150, 150, "a new height wins"},
        {true, 3, true, false, 40, 40, 1, 1, "a new height of 1 wins"},
        {false, 3, true, false, 20, 20, -5, 60, "a negative new height does not"},
    };
    for (const Case& c : cases) {
        lorvanta::Setup setup;
        setup.listfixedsize = c.fixed;
        setup.maxvisible = 10;
        setup.listrowheight = c.listrowheight;
        EXPECT_EQ(ListDisplayModel::height(setup, c.rowCount, c.rowHeight, c.callerIsList, c.custom,
                                           c.newHeight),
                  c.height)
            << c.why;
    }
}

TEST(ListDisplayModelPlace, Cases) {
    struct Case {
        QRect input;
        int paneHeight;
        QRect monitor;
        int skinOffsetY, skinOffsetX;
        QPoint place;
        const char* why;
    };
    const QRect screen(0, 0, 1920, 1080);
    const Case cases[] = {
        {{100, 200, 600, 40}, 300, screen, -1, 0, {100, 241}, "just below the input"},
        {{100, 200, 600, 40}, 300, screen, 30, 0, {100, 230}, "skin offset from the top"},
        {{100, 200, 600, 40}, 300, screen, 0, 0, {100, 200}, "skin offset 0 counts"},
        {{100, 200, 600, 40}, 300, screen, -1, 7, {107, 241}, "skin offset to the right"},
        {{100, 700, 600, 40}, 339, screen, -1, 0, {100, 741}, "ends on the last pixel row"},
        {{100, 700, 600, 40}, 340, screen, -1, 0, {100, 360}, "one pixel too many: above"},
        {{100, 900, 600, 40}, 300, screen, 10, 0, {100, 600}, "skin offset passes the bottom"},
        {{100, 300, 600, 40}, 300, screen, -1, 0, {100, 341}, "fits below"},
        {{100, 300, 600, 40}, 760, screen, -1, 0, {100, 341}, "no room anywhere: below"},
        {{100, 300, 600, 40}, 300, {0, 0, 1920, 500}, -1, 0, {100, 0}, "fills the room above"},
        {{50, 1980, 600, 40}, 200, {0, 1080, 1920, 1080}, -1, 5, {55, 1780}, "lower monitor"},
        {{50, 1200, 600, 40}, 300, {0, 1080, 1920, 400}, -1, 0, {50, 1241}, "above leaves it"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            ListDisplayModel::place(c.input, c.paneHeight, c.monitor, c.skinOffsetY, c.skinOffsetX),
            c.place)
            << c.why;
}

TEST(ListDisplayModelInitialSelection, Cases) {
    struct Case {
        bool comboheaders, pinnedheader;
        int rowCount;
        bool pinnedRan;
        int pinnedCount;
        int row;
    };
    const Case cases[] = {
        {true, true, 10, true, 3, 1},   {true, false, 10, true, 3, 0},
        {false, true, 10, true, 3, 0},  {false, false, 10, true, 3, 0},
        {true, true, 10, true, 0, 1},   {true, false, 10, false, 3, 1},
        {false, true, 10, false, 3, 0}, {false, false, 10, true, 0, 0},
        {true, true, 1, true, 3, 0},    {true, false, 1, false, 0, 0},
        {true, true, 0, true, 3, -1},   {false, false, 0, false, 0, -1},
    };
    for (const Case& c : cases) {
        lorvanta::Setup setup;
        setup.comboheaders = c.comboheaders;
        setup.pinnedheader = c.pinnedheader;
        EXPECT_EQ(ListDisplayModel::initialSelection(setup, c.rowCount, c.pinnedRan, c.pinnedCount),
                  c.row)
            << "comboheaders " << c.comboheaders << " pinnedheader " << c.pinnedheader << " rows "
            << c.rowCount << " pinnedRan " << c.pinnedRan << " pinned " << c.pinnedCount;
    }
}
