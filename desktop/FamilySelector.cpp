#include "desktop/FamilySelector.h"

#include <QAction>

TFamilySelector::TFamilySelector(const QStringList& names, QWidget* window) : QTabBar(window)
{
    setObjectName(QStringLiteral("FamilySelector"));
    setDrawBase(false);
    setExpanding(false);
    // The keys below belong to the window; the bar takes no keyboard focus from the chart.
    setFocusPolicy(Qt::NoFocus);
    for (const QString& name : names)
        addTab(name);
    const auto shortcut = [this, window](const QKeySequence& keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
        // A disabled row (during a scan) takes no keys either.
        connect(action, &QAction::triggered, this, [this, slot] {
            if (isEnabled())
                slot();
        });
    };
    for (int i = 0; i < std::min<int>(9, count()); ++i)
        shortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)), [this, i] { setCurrentIndex(i); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { SelectNext(-1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] { SelectNext(1); });
}

void TFamilySelector::SelectNext(int step)
{
    if (count() > 0)
        setCurrentIndex(((currentIndex() + step) % count() + count()) % count());
}
