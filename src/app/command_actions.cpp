#include "app/command_actions.h"

#include "resources/app_icon.h"
#include "resources/commands.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
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
        action->setStatusTip(StatusPrompt(info.prompt));
        action->setToolTip(ToolTip(info.prompt));
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

QString CCommandActions::StatusPrompt(const char* prompt) {
    const QString text = QString::fromUtf8(prompt);
    const qsizetype br = text.indexOf(u'\n');
    return br < 0 ? text : text.left(br);
}

QString CCommandActions::ToolTip(const char* prompt) {
    const QString text = QString::fromUtf8(prompt);
    const qsizetype br = text.indexOf(u'\n');
    return br < 0 ? QString() : text.mid(br + 1);
}
