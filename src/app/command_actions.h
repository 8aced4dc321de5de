// One QAction per command id, made from the command table: text, keys, status-bar prompt, tool
// tip and image.  The menu bar, the tool bar, the context menu and the keys all use these.
#pragma once

#include <QObject>

#include <map>

class QAction;
class QWidget;

class CCommandActions : public QObject {
    Q_OBJECT
public:
    // The actions' shortcuts work anywhere in window.
    explicit CCommandActions(QWidget* window);

    // nullptr for an id the table does not know.
    QAction* Get(int id) const;
    const std::map<int, QAction*>& All() const { return m_actions; }

private:
    std::map<int, QAction*> m_actions;
};
