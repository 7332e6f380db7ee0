#include "toolkit/menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tk {

MenuItem::MenuItem(QAction* action, QObject* parent) : QObject(parent), m_action(action)
{
    m_action->setCheckable(true);
    m_action->setChecked(false);
    connect(m_action, &QAction::triggered, this, [this] {
        // Undo the toolkit's own toggle: the handler decides the mark.
        m_action->setChecked(m_checked);
        emit Click();
    });
}

QString MenuItem::caption() const { return m_action->text(); }

void MenuItem::setChecked(bool checked)
{
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

MenuItem* addMenuTitle(QMenuBar* bar, const QString& caption, QObject* owner)
{
    auto* item = new MenuItem(bar->addAction(caption), owner);
    item->action()->setCheckable(false);
    return item;
}

} // namespace tk
