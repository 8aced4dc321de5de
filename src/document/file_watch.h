// Tells when a file may have been changed by another program: a QFileSystemWatcher on the file
// and on its folder (an atomic save elsewhere puts a new file in place, and the watch of the old
// one goes blind), with bursts of events settled before anyone looks.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QFileSystemWatcher;

class CFileWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 300;
    // A file written without pause is looked at after this long all the same.
    static constexpr int kLongestWaitMs = 2000;

    explicit CFileWatch(QObject* parent = nullptr);
    ~CFileWatch() override;

    // The file to watch; empty for none.
    void SetFile(const QString& path);
    // False when the file system gave no watch on the folder (a network file system, no more
    // inotify watches): then only looking at activation and before a save notices a change.
    bool Watching() const { return m_bWatching; }

signals:
    // Events came and then none for kSettleMs.
    void settled();

private:
    void OnEvent();
    void Rearm();

    QFileSystemWatcher* m_watcher = nullptr;
    QTimer m_settle;
    QElapsedTimer m_sinceFirst;
    QString m_strFile;
    bool m_bWatching = false;
};
