#include "document/file_watch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

CFileWatch::CFileWatch(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        m_sinceFirst.invalidate();
        Rearm();
        emit settled();
    });
}

CFileWatch::~CFileWatch() = default;

void CFileWatch::SetFile(const QString& path) {
    m_settle.stop();
    m_sinceFirst.invalidate();
    // A new watcher: removing every path of the old one is refused for paths that are gone.
    delete m_watcher;
    m_watcher = nullptr;
    m_strFile = path;
    m_bWatching = false;
    if (path.isEmpty()) {
        return;
    }
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &CFileWatch::OnEvent);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &CFileWatch::OnEvent);
    const QFileInfo info(path);
    m_bWatching = m_watcher->addPath(info.absolutePath());
    // A link's file is saved in its target's folder.
    const QString target = info.canonicalFilePath();
    if (!target.isEmpty() && QFileInfo(target).absolutePath() != info.absolutePath()) {
        m_bWatching = m_watcher->addPath(QFileInfo(target).absolutePath()) && m_bWatching;
    }
    Rearm();
}

void CFileWatch::Rearm() {
    // The file's own watch notices writes in place; it ends with the file it was set on.
    if (m_watcher && !m_watcher->files().contains(m_strFile) && QFileInfo::exists(m_strFile)) {
        m_watcher->addPath(m_strFile);
    }
}

void CFileWatch::OnEvent() {
    Rearm();
    if (!m_sinceFirst.isValid()) {
        m_sinceFirst.start();
    }
    if (m_sinceFirst.elapsed() < kLongestWaitMs || !m_settle.isActive()) {
        m_settle.start(kSettleMs);
    }
}
