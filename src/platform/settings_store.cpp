#include "platform/settings_store.h"

#include "platform/product.h"
#include "platform/text_codec.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

QString& StoreFile() {
    static QString path;
    return path;
}

QString KeyOf(const char* section, const char* name) {
    QString value = QString::fromLatin1(name);
    if (!section || !*section) {
        return value;
    }
    return QString::fromLatin1(section) + u'/' + value;
}

// Integers come back as numbers from the registry and as text from an INI file; anything else
// (a text that is no decimal number, a list, a boolean) is of the wrong type.
bool IntOf(const QVariant& value, int& out) {
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            number = value.toLongLong(&ok);
            break;
        case QMetaType::QString:
            number = value.toString().trimmed().toLongLong(&ok, 10);
            break;
        default:
            return false;
    }
    if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
        return false;
    }
    out = static_cast<int>(number);
    return true;
}

// An INI line with unquoted commas reads as a list; a text typed into the file by hand is meant.
bool TextOf(const QVariant& value, QString& out) {
    switch (value.typeId()) {
        case QMetaType::QString:
            out = value.toString();
            return true;
        case QMetaType::QStringList:
            out = value.toStringList().join(u", "_s);
            return true;
        default:
            return false;
    }
}

}  // namespace

void CSettingsStore::UseFile(const QString& iniPath) {
    StoreFile() = iniPath;
}

QString CSettingsStore::Location() {
    return Open()->fileName();
}

std::unique_ptr<QSettings> CSettingsStore::Open() {
    std::unique_ptr<QSettings> store;
    if (StoreFile().isEmpty()) {
        store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromLatin1(product::kMakerKey),
                                            QString::fromLatin1(product::kAppTitle));
    } else {
        store = std::make_unique<QSettings>(StoreFile(), QSettings::IniFormat);
    }
    // Only the user's own key counts, as with the registry: no system-wide or maker-wide files.
    store->setFallbacksEnabled(false);
    return store;
}

int CSettingsStore::ReadInt(const char* section, const char* name, int defaultValue) {
    int value = defaultValue;
    return IntOf(Open()->value(KeyOf(section, name)), value) ? value : defaultValue;
}

int CSettingsStore::ReadIntInRange(const char* section, const char* name, int defaultValue, int min,
                                   int max) {
    const int value = ReadInt(section, name, defaultValue);
    return value < min || value > max ? defaultValue : value;
}

QString CSettingsStore::ReadString(const char* section, const char* name, const QString& defaultValue) {
    QString value;
    return TextOf(Open()->value(KeyOf(section, name)), value) ? value : defaultValue;
}

void CSettingsStore::WriteInt(const char* section, const char* name, int value) {
    Open()->setValue(KeyOf(section, name), value);
}

void CSettingsStore::WriteString(const char* section, const char* name, const QString& value) {
    Open()->setValue(KeyOf(section, name), value);
}

CRegistryKey::~CRegistryKey() {
    Close();
}

long CRegistryKey::Open(const QString& path) {
    Close();
    QString normalized = path;
    normalized.replace(u'/', u'\\');
    while (normalized.startsWith(u'\\')) {
        normalized.remove(0, 1);
    }
    while (normalized.endsWith(u'\\')) {
        normalized.chop(1);
    }
    const QString own = QString::fromLatin1(settings::kSettingsKeyPath);
    if (!normalized.startsWith(own, Qt::CaseInsensitive) ||
        (normalized.size() > own.size() && normalized.at(own.size()) != u'\\')) {
        return kErrorFileNotFound;
    }
    m_strSection = normalized.mid(own.size() + 1).replace(u'\\', u'/');
    m_strName = path;
    m_bOpen = true;
    return kErrorSuccess;
}

long CRegistryKey::QueryString(const char* valueName, QString& text) const {
    if (!m_bOpen) {
        return kErrorInvalidHandle;
    }
    const auto store = CSettingsStore::Open();
    if (!m_strSection.isEmpty()) {
        store->beginGroup(m_strSection);
    }
    const QVariant stored = store->value(QString::fromLatin1(valueName));
    if (!stored.isValid()) {
        return kErrorFileNotFound;
    }
    QString value;
    if (!TextOf(stored, value)) {
        return kErrorInvalidData;
    }
    // The caller sees the buffer up to its first zero byte.
    const qsizetype zero = value.indexOf(QChar(0));
    if (zero >= 0) {
        value.truncate(zero);
    }
    bool storable = true;
    const std::string bytes = TextToVault(value, &storable);
    if (!storable) {
        return kErrorInvalidData;
    }
    if (bytes.size() + 1 > static_cast<std::size_t>(kBufferBytes)) {
        return kErrorMoreData;
    }
    text = value;
    return kErrorSuccess;
}

void CRegistryKey::Close() {
    m_bOpen = false;
    m_strSection.clear();
}
