#pragma once
#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace tk {

// A menu entry with its caption ("&" marks the access letter). An entry made to carry a
// check mark shows one when its handler sets it: a click never toggles it by itself. The
// other entries draw no check box at all.
class MenuItem : public QObject {
    Q_OBJECT
public:
    enum class Mark { None, Checkable };
    MenuItem(QAction* action, QObject* parent, Mark mark = Mark::None);

    QString caption() const;
    bool checkable() const;
    bool checked() const { return m_checked; }
    // Only for an entry that carries a check mark.
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
    // An entry that never shows a check mark.
    MenuItem* addItem(const QString& caption);
    // An entry whose handlers set and clear its check mark.
    MenuItem* addCheckItem(const QString& caption);
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
