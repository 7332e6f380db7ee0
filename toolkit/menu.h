#pragma once
#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace tk {

// A menu entry with its caption ("&" marks the access letter) and check mark. The mark
// is the handlers' to set: a click never toggles it by itself.
class MenuItem : public QObject {
    Q_OBJECT
public:
    MenuItem(QAction* action, QObject* parent);

    QString caption() const;
    bool checked() const { return m_checked; }
    void setChecked(bool checked);
    QAction* action() const { return m_action; }
    // Chooses the entry as the player would.
    void trigger();

signals:
    void Click();

private:
    QAction* m_action;
    bool m_checked = false;
};

// A drop-down menu of the menu bar.
class Menu : public QObject {
    Q_OBJECT
public:
    Menu(QMenuBar* bar, const QString& caption);
    MenuItem* addItem(const QString& caption);
    QMenu* menu() const { return m_menu; }

private:
    QMenu* m_menu;
};

// A menu title of the bar that has no entries and acts when it is clicked.
MenuItem* addMenuTitle(QMenuBar* bar, const QString& caption, QObject* owner);

// Menu entries that form an array; its first entry has the index given at construction.
class MenuArray {
public:
    explicit MenuArray(int firstIndex = 1) : m_first(firstIndex) {}
    void append(MenuItem* item) { m_items.push_back(item); }
    MenuItem& operator()(int index) const { return *m_items.at(std::size_t(index - m_first)); }
    int LBound() const { return m_first; }
    int UBound() const { return m_first + int(m_items.size()) - 1; }

private:
    int m_first;
    std::vector<MenuItem*> m_items;
};

} // namespace tk
