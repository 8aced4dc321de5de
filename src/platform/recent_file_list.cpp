#include "platform/recent_file_list.h"

#include "platform/settings_store.h"

#include <QStringList>

using namespace Qt::StringLiterals;

void CRecentFileList::ReadList() {
    m_strFile = CSettingsStore::ReadString(settings::kSectionRecentFiles, settings::kRecentFile1);
}

void CRecentFileList::WriteList() const {
    if (!m_strFile.isEmpty()) {
        CSettingsStore::WriteString(settings::kSectionRecentFiles, settings::kRecentFile1, m_strFile);
    }
}

QString CRecentFileList::MenuText() const {
    // A menu shows "&" as a mnemonic mark: double it in the path.
    QString shown = Abbreviate(m_strFile, kMaxDisplayLength);
    shown.replace(u'&', u"&&"_s);
    return u"&1 "_s + shown;
}

QString CRecentFileList::Abbreviate(const QString& path, int maxLength) {
    if (path.size() <= maxLength) {
        return path;
    }
    const QStringList parts = path.split(u'/');
    const QString& name = parts.last();
    if (parts.size() < 3) {
        return name;
    }
    // "/home/.../name": the root and first folder, then the tail that fits.
    const QString head = parts[0] + u'/' + parts[1] + u"/..."_s;
    QString tail = u'/' + name;
    if (head.size() + tail.size() > maxLength) {
        return name;
    }
    for (int i = static_cast<int>(parts.size()) - 2; i > 1; --i) {
        const QString longer = u'/' + parts[i] + tail;
        if (head.size() + longer.size() > maxLength) {
            break;
        }
        tail = longer;
    }
    return head + tail;
}
