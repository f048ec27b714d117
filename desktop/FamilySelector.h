#pragma once
// The row of product families above the chart, in the families file's order,
// for a window that shows several: a click, Ctrl+1 to Ctrl+9 (the first nine)
// or Ctrl+PageUp and Ctrl+PageDown (the one before and after, round the end)
// selects the family the window shows.
#include <QStringList>
#include <QTabBar>

class TFamilySelector : public QTabBar
{
    Q_OBJECT

public:
    // The shortcuts act anywhere in `window`, the selector's parent.
    TFamilySelector(const QStringList& names, QWidget* window);

    // The families one after the other, from the selected one by `step`, round the end.
    void SelectNext(int step);
};
