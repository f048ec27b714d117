// The row of families above the chart: its keys and the picture of
// -history-png over several families.
#include "desktop/FamilyHistory.h"
#include "desktop/FamilySelector.h"
#include "desktop/HistoryMap.h"

#include <QAction>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// The family a shortcut of the window selects, from the one selected before.
int AfterShortcut(QWidget& window, TFamilySelector& selector, int before, const QKeySequence& keys)
{
    selector.setCurrentIndex(before);
    for (QAction* action : window.actions())
        if (action->shortcut() == keys)
            action->trigger();
    return selector.currentIndex();
}

TEST(FamilySelector, KeysSelectByPlaceAndRoundTheEnd)
{
    QStringList names;
    for (int i = 1; i <= 11; ++i)
        names.append(QStringLiteral("f%1").arg(i));
    QWidget window;
    TFamilySelector selector(names, &window);
    ASSERT_EQ(selector.count(), 11);
    EXPECT_EQ(selector.tabText(10), "f11");
    struct Case
    {
        int before;
        QKeySequence keys;
        int after;
    };
    const Case cases[] = {
        {0, QKeySequence(Qt::CTRL | Qt::Key_3), 2},
        {5, QKeySequence(Qt::CTRL | Qt::Key_1), 0},
        {0, QKeySequence(Qt::CTRL | Qt::Key_9), 8},
        {4, QKeySequence(Qt::CTRL | Qt::Key_0), 4},  // no tenth by number
        {4, QKeySequence(Qt::CTRL | Qt::Key_PageDown), 5},
        {10, QKeySequence(Qt::CTRL | Qt::Key_PageDown), 0},
        {0, QKeySequence(Qt::CTRL | Qt::Key_PageUp), 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AfterShortcut(window, selector, c.before, c.keys), c.after) << c.keys.toString().toStdString();
    // Two families: no shortcut for a third.
    QWidget small;
    TFamilySelector two({"crm", "seg"}, &small);
    EXPECT_EQ(AfterShortcut(small, two, 1, QKeySequence(Qt::CTRL | Qt::Key_3)), 1);
}

TEST(FamilyHistory, OneTitledMapPerFamilyOneUnderTheOther)
{
    TStationCompleteness crm, seg;
    seg.Schedule.SlotMinutes = {0, 15, 30};
    const QImage one = RenderFamilyHistory({{"crm", &crm}}, "/d/", 1);
    EXPECT_EQ(one, RenderHistoryMap(crm, "/d/", HistoryMapNaturalSize(crm)));  // as ever with one
    const QImage both = RenderFamilyHistory({{"crm", &crm}, {"seg", &seg}}, "/d/", 2);
    const QImage second = RenderHistoryMap(seg, "/d/", HistoryMapNaturalSize(seg), 2, "seg");
    EXPECT_EQ(both.height(), one.height() * 2 + second.height());
    EXPECT_EQ(both.copy(0, one.height() * 2, second.width(), second.height()), second);
    EXPECT_EQ(HistoryMapTitle("/d/", "seg"), "Completeness of seg data in  /d/");
    EXPECT_EQ(HistoryMapTitle("/d/", "crm"), "Completeness of CRM data in  /d/");
}

}  // namespace
