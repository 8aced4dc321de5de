#include "platform/settings_store.h"

#include "private_settings.h"

#include <QDir>
#include <QMap>
#include <QSettings>
#include <QStringList>

#include <gtest/gtest.h>

#include "qt_printers.h"

using namespace Qt::StringLiterals;
using namespace settings;

namespace {

// The lines of each [section] of an INI text, in file order.
QMap<QString, QStringList> Sections(const QString& text) {
    QMap<QString, QStringList> sections;
    QString current;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = line.mid(1, line.size() - 2);
            sections[current];
        } else if (!line.isEmpty()) {
            sections[current].append(line);
        }
    }
    return sections;
}

std::string Std(const QString& s) {
    return s.toStdString();
}

}  // namespace

TEST(SettingsStore, LivesInTheUsersConfigFolderUnlessToldOtherwise) {
    // The test main has pointed XDG_CONFIG_HOME into a temporary folder.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(config.isEmpty());
    EXPECT_EQ(Std(CSettingsStore::Location()), Std(QDir(config).filePath(u"Halvorn/Zelmora.conf"_s)));
    {
        CPrivateSettings store;
        EXPECT_EQ(Std(CSettingsStore::Location()), Std(store.FilePath()));
    }
    EXPECT_EQ(Std(CSettingsStore::Location()), Std(QDir(config).filePath(u"Halvorn/Zelmora.conf"_s)));
}

TEST(SettingsStore, EmptyStoreGivesEveryReaderItsDefault) {
    CPrivateSettings store;
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kDoubleClick, 0), 0);
    // Start-up and the options dialog read the same value with different defaults.
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kRestoreFile, 0), 0);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kRestoreFile, 1), 1);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kRestorePosition, 1), 1);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kShowCmd, 5), 5);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kRight, 700), 700);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionPassword, kHideTyping, -3), -3);
    EXPECT_TRUE(CSettingsStore::ReadString(kSectionGeneral, kLastFile).isEmpty());
    EXPECT_EQ(Std(CSettingsStore::ReadString(kSectionRecentFiles, kRecentFile1, u"keine"_s)), "keine");
    // Reading creates nothing.
    EXPECT_FALSE(QFile::exists(store.FilePath()));
}

TEST(SettingsStore, WritesReplaceOldValuesAndReadBackExactly) {
    CPrivateSettings store;
    CSettingsStore::WriteInt(kSectionProperties, kDoubleClick, 1);
    CSettingsStore::WriteInt(kSectionProperties, kDoubleClick, 2);
    CSettingsStore::WriteInt(kSectionPassword, kHideTyping, -1);
    CSettingsStore::WriteInt(kSectionPassword, kHideTypingAddSite, 7);
    CSettingsStore::WriteInt(kSectionWndStatus, kLeft, std::numeric_limits<int>::min());
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kDoubleClick, 0), 2);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionPassword, kHideTyping, 1), -1);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionPassword, kHideTypingAddSite, 1), 7);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kLeft, 100), std::numeric_limits<int>::min());

    // Texts that the INI syntax gives a meaning of its own.
    for (const QString& text : {u"/home/jörg/Tresor €, alt.zlm"_s, u"@Variant(x)"_s, u"a;b=c #d"_s,
                                u"\"quoted\""_s, u"  blanks  "_s, u"back\\slash"_s, QString()}) {
        CSettingsStore::WriteString(kSectionGeneral, kLastFile, text);
        EXPECT_EQ(Std(CSettingsStore::ReadString(kSectionGeneral, kLastFile, u"default"_s)), Std(text));
    }
}

TEST(SettingsStore, ValueOfTheWrongTypeReadsAsMissing) {
    CPrivateSettings store;
    for (const QString& text : {u"abc"_s, u"12abc"_s, u"1.5"_s, u"true"_s, QString(), u"4294967296"_s}) {
        CSettingsStore::WriteString(kSectionProperties, kLoeschen, text);
        EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kLoeschen, 5), 5) << Std(text);
        EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kLoeschen, 0), 0) << Std(text);
    }
    // A list is no number, and bytes are no text.
    auto raw = CSettingsStore::Open();
    raw->setValue(u"Properties/Bak"_s, QStringList{u"1"_s, u"2"_s});
    raw->setValue(u"General/LastFile"_s, QByteArray("\x01\x02", 2));
    raw.reset();
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kBak, 9), 9);
    EXPECT_EQ(Std(CSettingsStore::ReadString(kSectionGeneral, kLastFile, u"leer"_s)), "leer");
}

TEST(SettingsStore, ReadsAFileWrittenByHand) {
    CPrivateSettings store;
    store.WriteFileText(
        u"[Properties]\nDoubleClick = 3\nBak=abc\nLoeschen=-2\n"
        "[%General]\nLastFile=/daten/Tresor.zlm\n"
        "[General]\nColumn1=Seite, Adresse\nLastFile=not the section\n"_s);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kDoubleClick, 0), 3);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kBak, 1), 1);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionProperties, kLoeschen, 1), -2);
    EXPECT_EQ(Std(CSettingsStore::ReadString(kSectionGeneral, kLastFile)), "/daten/Tresor.zlm");

    CRegistryKey key;
    ASSERT_EQ(key.Open(QString::fromLatin1(kSettingsKeyPath)), 0);
    QString text;
    ASSERT_EQ(key.QueryString(kColumn1, text), 0);
    EXPECT_EQ(Std(text), "Seite, Adresse");  // unquoted commas in a hand-written line
    ASSERT_EQ(key.QueryString(kLastFile, text), 0);
    EXPECT_EQ(Std(text), "not the section");
}

// QSettings keeps the values of the key itself under [General] and writes a section named
// "General" as [%General]; neither may leak into the other.
TEST(SettingsStore, FileKeepsTheGeneralSectionApartFromTheKeysOwnValues) {
    CPrivateSettings store;
    CSettingsStore::WriteString(kSectionGeneral, kLastFile, u"/home/anna/Tresor.zlm"_s);
    CSettingsStore::WriteString(nullptr, kColumn1, u"Adresse"_s);
    CSettingsStore::WriteString("", kColumn2, u"Benutzer"_s);
    CSettingsStore::WriteInt(kSectionProperties, kBak, 0);
    CSettingsStore::WriteInt(kSectionWndStatus, kShowCmd, 3);
    CSettingsStore::WriteString(kSectionRecentFiles, kRecentFile1, u"/home/anna/Tresor.zlm"_s);
    CSettingsStore::WriteInt(kSectionSettings, kPreviewPages, 2);

    const auto sections = Sections(store.FileText());
    EXPECT_EQ(sections.value(u"General"_s), (QStringList{u"Column1=Adresse"_s, u"Column2=Benutzer"_s}));
    EXPECT_EQ(sections.value(u"%General"_s), QStringList{u"LastFile=/home/anna/Tresor.zlm"_s});
    EXPECT_EQ(sections.value(u"Properties"_s), QStringList{u"Bak=0"_s});
    EXPECT_EQ(sections.value(u"WNDSTATUS"_s), QStringList{u"SHOWCMD=3"_s});
    EXPECT_EQ(sections.value(u"Recent%20File%20List"_s), QStringList{u"File1=/home/anna/Tresor.zlm"_s});
    EXPECT_EQ(sections.value(u"Settings"_s), QStringList{u"PreviewPages=2"_s});
    EXPECT_EQ(sections.size(), 6);

    EXPECT_TRUE(CSettingsStore::ReadString(kSectionGeneral, kColumn1).isEmpty());
    CRegistryKey key;
    ASSERT_EQ(key.Open(QString::fromLatin1(kSettingsKeyPath)), 0);
    QString text = u"unchanged"_s;
    EXPECT_EQ(key.QueryString(kLastFile, text), CRegistryKey::kErrorFileNotFound);
    EXPECT_EQ(Std(text), "unchanged");
}

TEST(RegistryKey, OpensOnlyTheProgramsOwnKeyWhateverTheCase) {
    CPrivateSettings store;
    CSettingsStore::WriteString(nullptr, kColumn1, u"Seite"_s);
    CSettingsStore::WriteString(kSectionProperties, kColumn1, u"in a section"_s);
    QString text;

    CRegistryKey key;
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(key.QueryString(kColumn1, text), CRegistryKey::kErrorInvalidHandle);
    for (const QString& path : {u"SOFTWARE\\Halvorn\\Zelmora"_s, u"Software\\halvorn\\ZELMORA\\"_s,
                                u"software/halvorn/zelmora"_s}) {
        ASSERT_EQ(key.Open(path), 0) << Std(path);
        EXPECT_TRUE(key.IsOpen());
        EXPECT_EQ(Std(key.Name()), Std(path));
        text.clear();
        EXPECT_EQ(key.QueryString(kColumn1, text), 0);
        EXPECT_EQ(Std(text), "Seite");
    }
    ASSERT_EQ(key.Open(u"SOFTWARE\\Halvorn\\Zelmora\\Properties"_s), 0);
    EXPECT_EQ(key.QueryString(kColumn1, text), 0);
    EXPECT_EQ(Std(text), "in a section");

    for (const QString& path : {u"SOFTWARE\\Halvorn\\ZelmoraX"_s, u"SOFTWARE\\Other"_s, QString()}) {
        EXPECT_EQ(key.Open(path), CRegistryKey::kErrorFileNotFound) << Std(path);
        EXPECT_FALSE(key.IsOpen());
    }
    ASSERT_EQ(key.Open(QString::fromLatin1(kSettingsKeyPath)), 0);
    key.Close();
    text = u"unchanged"_s;
    EXPECT_EQ(key.QueryString(kColumn1, text), CRegistryKey::kErrorInvalidHandle);
    EXPECT_EQ(Std(text), "unchanged");
}

// The buffer holds 200 bytes of code page 1252: 199 characters and the terminating zero.
TEST(RegistryKey, QueryStringKeepsTheTwoHundredByteLimitInCodePage1252) {
    CPrivateSettings store;
    const QString fits = QString(198, u'x') + u'€';  // 199 bytes in code page 1252, 201 in UTF-8
    CSettingsStore::WriteString(nullptr, kColumn1, fits);
    CSettingsStore::WriteString(nullptr, kColumn2, QString(200, u'y'));
    CSettingsStore::WriteString(nullptr, kColumn3, u"Seite \u2603"_s);  // a snowman has no byte
    CSettingsStore::WriteString(nullptr, kColumn4, u"vor\0nach"_s);
    CSettingsStore::Open()->setValue(u"Empty"_s, QString());

    CRegistryKey key;
    ASSERT_EQ(key.Open(QString::fromLatin1(kSettingsKeyPath)), 0);
    QString text = u"unchanged"_s;
    EXPECT_EQ(key.QueryString(kColumn1, text), 0);
    EXPECT_EQ(Std(text), Std(fits));

    text = u"unchanged"_s;
    EXPECT_EQ(key.QueryString(kColumn2, text), CRegistryKey::kErrorMoreData);
    EXPECT_EQ(Std(text), "unchanged");
    EXPECT_EQ(key.QueryString(kColumn3, text), CRegistryKey::kErrorInvalidData);
    EXPECT_EQ(Std(text), "unchanged");
    EXPECT_EQ(key.QueryString("Missing", text), CRegistryKey::kErrorFileNotFound);
    EXPECT_EQ(Std(text), "unchanged");

    EXPECT_EQ(key.QueryString(kColumn4, text), 0);
    EXPECT_EQ(Std(text), "vor");  // up to the first zero
    EXPECT_EQ(key.QueryString("Empty", text), 0);
    EXPECT_TRUE(text.isEmpty());
}
