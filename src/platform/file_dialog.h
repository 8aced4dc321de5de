// The open and save dialogs of the program: Qt's own (not the desktop's), run through RunModal so
// that tests can answer them like any other dialog.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The three filters of the open and save dialogs.
QStringList VaultFileFilters();

// An empty text when cancelled.
QString AskOpenFileName(QWidget* parent, const QStringList& filters);
// defaultSuffix without the dot, or empty; replacing an existing file is not asked about here.
// initialPath, when given, is the file the dialog proposes, selected as it opens.
QString AskSaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                        const QString& defaultSuffix, const QString& initialPath = QString());
