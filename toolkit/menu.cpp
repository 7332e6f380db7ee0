#include "toolkit/menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtGlobal>

namespace tk {

MenuItem::MenuItem(QAction* action, QObject* parent, Mark mark) : QObject(parent), m_action(action)
{
    m_action->setCheckable(mark == Mark::Checkable);
    m_action->setChecked(false);
    connect(m_action, &QAction::triggered, this, [this] {
        // Undo the toolkit's own toggle: the handler decides the mark.
        if (m_action->isCheckable())
            m_action->setChecked(m_checked);
        emit Click();
    });
}

QString MenuItem::caption() const { return m_action->text(); }

bool MenuItem::checkable() const { return m_action->isCheckable(); }

void MenuItem::setChecked(bool checked)
{
    Q_ASSERT_X(checkable() || !checked, "MenuItem::setChecked", "the entry carries no check mark");
    m_checked = checked;
    m_action->setChecked(checked);
}

void MenuItem::trigger() { m_action->trigger(); }

Menu::Menu(QMenuBar* bar, const QString& caption) : QObject(bar)
{
    m_menu = bar->addMenu(caption);
}

MenuItem* Menu::addItem(const QString& caption)
{
    return new MenuItem(m_menu->addAction(caption), this);
}

MenuItem* Menu::addCheckItem(const QString& caption)
{
    return new MenuItem(m_menu->addAction(caption), this, MenuItem::Mark::Checkable);
}

MenuItem* addMenuTitle(QMenuBar* bar, const QString& caption, QObject* owner)
{
    return new MenuItem(bar->addAction(caption), owner);
}

} // namespace tk
