#include "app/command_actions.h"

#include "resources/app_icon.h"
#include "resources/commands.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QStringList>
#include <QWidget>

CCommandActions::CCommandActions(QWidget* window) : QObject(window) {
    AppIcon();  // registers the resources the images live in
    for (const SCommandInfo& info : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(info.text), window);
        QList<QKeySequence> keys;
        for (const QString& key : QString::fromLatin1(info.keys).split(u';', Qt::SkipEmptyParts)) {
            keys.append(QKeySequence(key, QKeySequence::PortableText));
        }
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        // "status prompt\ntool tip"
        const QStringList prompt = QString::fromUtf8(info.prompt).split(u'\n');
        action->setStatusTip(prompt.first());
        action->setToolTip(prompt.value(1));
        if (info.icon) {
            action->setIcon(QIcon(QString::fromLatin1(info.icon)));
        }
        action->setData(info.id);
        window->addAction(action);
        m_actions.emplace(info.id, action);
    }
}

QAction* CCommandActions::Get(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}
