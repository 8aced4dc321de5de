// Opening, saving and protecting vaults as the user does it through the menus, with every prompt
// and message answered through the seams.
#include "app_test_support.h"

#include "platform/settings_store.h"
#include "resources/resource_ids.h"

#include <QFileInfo>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

const std::vector<Fields> kThree = {{"www.example.org", "anna", "Pa\xDFwort 1", "M\xFCnchen"},
                                    {"mail.example.net", "bert", "geheim", ""},
                                    {"bank", "carla", "1234", "PIN"}};

class DocumentTest : public AppTest {};

TEST_F(DocumentTest, OpenAsksThePasswordAndShowsTheVault) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "Geheimnis");
    CModalDriver driver{ChooseFile(vault), TypePassword(u"Geheimnis"_s)};
    Doc().OnFileOpen();

    EXPECT_EQ(DocEntries(Doc()), kThree);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Doc().GetPathName(), vault);
    EXPECT_EQ(Frame().windowTitle(), u"Tresor.zlm - Zelmora"_s);
    EXPECT_EQ(CSettingsStore::ReadString(settings::kSectionGeneral, settings::kLastFile), vault);
    EXPECT_EQ(List().GetItemCount(), 3);
    EXPECT_EQ(Frame().MessageText(), u"3 Passwort Details -  Passwort Länge 9 Zeichen"_s);
    EXPECT_TRUE(m_boxes.Calls().empty());
}

TEST_F(DocumentTest, AWrongPasswordLoadsNothingAndAsksAgain) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "Geheimnis");
    CModalDriver driver{TypePassword(u"falsch"_s), TypePassword(u"Geheimnis"_s)};
    Doc().LoadVault(vault);

    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(BoxTexts()[0],
              u"Das Passwort passt nicht zu %1, oder die Datei ist nicht verschlüsselt."_s.arg(vault));
    EXPECT_EQ(DocEntries(Doc()), kThree);
    EXPECT_EQ(Doc().GetVaultPasswordLength(), 9);
}

TEST_F(DocumentTest, AnEmptyPasswordForAnEncryptedVaultIsAWrongOneNotItsCipherText) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "Geheimnis");
    CModalDriver driver{TypePassword(QString()), TypePassword(u"Geheimnis"_s)};
    Doc().LoadVault(vault);

    EXPECT_EQ(driver.Titles().size(), 2) << "asked again";
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(BoxTexts()[0],
              u"Das Passwort passt nicht zu %1, oder die Datei ist nicht verschlüsselt."_s.arg(vault));
    EXPECT_EQ(DocEntries(Doc()), kThree);
}

TEST_F(DocumentTest, CancellingAnEncryptedVaultsPasswordLeavesTheOpenVaultAsItWas) {
    const QString open = Path(u"Offen.zlm"_s);
    WriteVault(open, {{"alt", "", "", ""}}, "");
    {
        CModalDriver driver{TypePassword(QString())};
        Doc().LoadVault(open);
    }
    Doc().AddEntry("neu", "", "", "");
    Doc().UpdateAllViews();
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "Geheimnis");
    const QByteArray before = FileBytes(vault);
    CSettingsStore::WriteString(settings::kSectionGeneral, settings::kLastFile, vault);
    const auto unchanged = [&](const char* how) {
        SCOPED_TRACE(how);
        EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{{"alt", "", "", ""}, {"neu", "", "", ""}}));
        EXPECT_EQ(Doc().GetPathName(), open);
        EXPECT_EQ(Frame().windowTitle(), u"Offen.zlm - Zelmora"_s);
        EXPECT_TRUE(Doc().IsModified());
        EXPECT_EQ(List().GetItemCount(), 2);
        EXPECT_EQ(FileBytes(vault), before);
    };

    CModalDriver driver{Cancel()};
    Doc().LoadVault(vault);
    EXPECT_EQ(driver.Titles().last(), u"Passwort Eingabe: Tresor.zlm"_s) << "the prompt names the file";
    unchanged("LoadVault");

    m_boxes.Reply(QMessageBox::No);
    driver.Then(ChooseFile(vault));
    driver.Then(Cancel());
    Doc().OnFileOpen();
    unchanged("Öffnen");

    m_boxes.Reply(QMessageBox::No);
    driver.Then(TypePassword(u"falsch"_s));
    driver.Then(Cancel());  // after "Das Passwort passt nicht"
    Doc().OnOpenLastFile();
    unchanged("Letzte Datei, wrong password first");

    m_boxes.Reply(QMessageBox::No);
    driver.Then(Cancel());
    EXPECT_FALSE(Doc().OpenDocumentFile(vault));
    unchanged("open route");

    // A plain file is read with the empty password as before.
    const QString plain = Path(u"Klar.zlm"_s);
    WriteVault(plain, kThree, "");
    driver.Then(Cancel());
    Doc().LoadVault(plain);
    EXPECT_EQ(DocEntries(Doc()), kThree);
    EXPECT_EQ(Doc().GetPathName(), plain);
}

TEST_F(DocumentTest, OpenAndLastFileAskToSaveChangesFirst) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "");
    CSettingsStore::WriteString(settings::kSectionGeneral, settings::kLastFile, vault);
    Doc().AddEntry("neu", "", "", "");

    m_boxes.Reply(QMessageBox::Cancel);
    m_boxes.Reply(QMessageBox::Cancel);
    CModalDriver driver;
    Doc().OnFileOpen();
    Doc().OnOpenLastFile();
    EXPECT_TRUE(driver.Titles().isEmpty()) << "no dialog after Abbrechen";
    EXPECT_EQ(BoxTexts(), QStringList({u"Änderungen in Unbenannt speichern?"_s,
                                       u"Änderungen in Unbenannt speichern?"_s}));
    EXPECT_EQ(Doc().GetEntryCount(), 1);

    m_boxes.Reply(QMessageBox::No);
    driver.Then(TypePassword(QString()));
    Doc().OnOpenLastFile();
    EXPECT_EQ(DocEntries(Doc()), kThree);
}

TEST_F(DocumentTest, AFileThatFailsToReadIsNotTakenOverButAMissingOneIs) {
    const QString vault = Path(u"Kaputt.zlm"_s);
    WriteVault(vault, kThree, "");
    const QByteArray whole = FileBytes(vault);
    QFile file(vault);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(whole.left(whole.size() - 3));  // the last record cut short
    file.close();
    const QByteArray damaged = FileBytes(vault);

    CModalDriver driver{TypePassword(QString())};
    Doc().LoadVault(vault);
    EXPECT_EQ(BoxTexts(), QStringList(u"Unerwartetes Dateiformat."_s));
    EXPECT_EQ(Doc().GetEntryCount(), 2) << "what was read stays visible";
    EXPECT_TRUE(Doc().GetPathName().isEmpty());
    EXPECT_EQ(Doc().GetTitle(), u"Unbenannt"_s);

    driver.Then(Cancel());  // the save must ask for a name
    Doc().OnFileSave();
    EXPECT_EQ(driver.Titles().last(), u"Speichern unter"_s);
    EXPECT_EQ(FileBytes(vault), damaged);

    const QString missing = Path(u"Fehlt.zlm"_s);
    driver.Then(TypePassword(QString()));
    Doc().LoadVault(missing);
    EXPECT_EQ(BoxTexts().last(), u"%1 wurde nicht gefunden."_s.arg(missing));
    EXPECT_EQ(Doc().GetPathName(), missing);
    EXPECT_EQ(Frame().windowTitle(), u"Fehlt.zlm - Zelmora"_s);
}

TEST_F(DocumentTest, SaveAsAddsTheExtensionAndWritesTheBackupCopy) {
    for (const auto& [typed, expected] : {std::pair{u"Tresor"_s, u"Tresor.zlm"_s},
                                          {u"Gross.ZLM"_s, u"Gross.ZLM"_s},
                                          {u"Notiz.txt"_s, u"Notiz.txt.zlm"_s}}) {
        Doc().AddEntry("a", "b", "c", "d");
        CModalDriver driver{ChooseFile(Path(typed))};
        Doc().OnFileSaveAs();
        const QString saved = Path(expected);
        EXPECT_EQ(Doc().GetPathName(), saved);
        EXPECT_FALSE(Doc().IsModified());
        ASSERT_TRUE(QFileInfo::exists(saved)) << expected.toStdString();
        EXPECT_EQ(FileBytes(saved + u".bak"_s), FileBytes(saved));
    }
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kBak, 0);
    Doc().AddEntry("e", "f", "g", "h");
    CModalDriver driver{ChooseFile(Path(u"OhneBak"_s))};
    Doc().OnFileSaveAs();
    EXPECT_TRUE(QFileInfo::exists(Path(u"OhneBak.zlm"_s)));
    EXPECT_FALSE(QFileInfo::exists(Path(u"OhneBak.zlm.bak"_s)));
    EXPECT_EQ(ReadVault(Path(u"OhneBak.zlm"_s), "").size(), 4u);
}

TEST_F(DocumentTest, AFailedSaveKeepsTheVaultModifiedEvenWhenTheCopySucceeds) {
    // A folder where the vault should be: the save is refused, the ".bak" beside it is written.
    const QString vault = Path(u"Ordner.zlm"_s);
    ASSERT_TRUE(QDir().mkpath(vault));
    Doc().SetPathName(vault);
    Doc().AddEntry("a", "b", "c", "d");
    Doc().OnFileSave();
    EXPECT_EQ(BoxTexts(), QStringList(u"Zugriff auf %1 wurde verwehrt."_s.arg(vault)));
    EXPECT_TRUE(QFileInfo::exists(vault + u".bak"_s));
    EXPECT_TRUE(Doc().IsModified());
}

TEST_F(DocumentTest, PasswordChangeAsksWhenOneIsSetAndTakesEffectOnSave) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "");
    {
        CModalDriver driver{TypePassword(QString())};
        Doc().LoadVault(vault);
    }
    CModalDriver driver{TypeNewPassword(u"erstes"_s)};
    Doc().OnChangePassword();  // none set: no question
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Frame().MessageText(), u"3 Passwort Details -  Passwort Länge 6 Zeichen"_s);

    m_boxes.Reply(QMessageBox::No);
    Doc().OnChangePassword();
    EXPECT_EQ(BoxTexts().last(),
              u"Du hast schon ein Passwort für diese Datei, bist Du sicher das Du das ändern willst?"_s);
    EXPECT_EQ(Doc().GetVaultPasswordLength(), 6);

    m_boxes.Reply(QMessageBox::Yes);
    driver.Then(Cancel());
    Doc().OnChangePassword();
    EXPECT_EQ(BoxTexts().last(), u"Passwort ändern abgebrochen."_s);

    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kBak, 0);
    Doc().OnFileSave();
    EXPECT_EQ(ReadVault(vault, "erstes"), kThree);
}

TEST_F(DocumentTest, NewVaultKeepsPasswordAndTitleAndAsksForANameOnSave) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "Geheimnis");
    CModalDriver driver{TypePassword(u"Geheimnis"_s)};
    Doc().LoadVault(vault);
    Action(zid::ID_FILE_NEW)->trigger();
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(Frame().windowTitle(), u"Tresor.zlm - Zelmora"_s);
    EXPECT_TRUE(Doc().GetPathName().isEmpty());

    Doc().AddEntry("x", "y", "z", "w");
    driver.Then(ChooseFile(Path(u"Neu.zlm"_s)));
    Doc().OnFileSave();
    EXPECT_EQ(ReadVault(Path(u"Neu.zlm"_s), "Geheimnis"), (std::vector<Fields>{{"x", "y", "z", "w"}}));
}

TEST_F(DocumentTest, TheOpenRouteCleansThePathAsksForTheFilesOwnPasswordAndReplacesTheVault) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "Geheimnis");
    const QString link = Path(u"Verweis.zlm"_s);
    ASSERT_TRUE(QFile::link(vault, link));
    EXPECT_EQ(CDocument::CleanPath(u"\""_s + link + u"\" -x"_s), vault);

    CModalDriver driver{TypePassword(u"Geheimnis"_s)};
    ASSERT_TRUE(Doc().OpenDocumentFile(u"\""_s + link + u"\""_s));
    EXPECT_EQ(Doc().GetPathName(), vault);
    EXPECT_EQ(DocEntries(Doc()), kThree);

    // The open vault again: only brought to the front.
    EXPECT_TRUE(Doc().OpenDocumentFile(vault));
    EXPECT_EQ(driver.Titles().size(), 1);

    // Another vault handed over while this one is open and changed: after the save prompt its own
    // password is asked, and it replaces what was listed.
    Doc().AddEntry("neu", "", "", "");
    const QString second = Path(u"Zweiter.zlm"_s);
    WriteVault(second, {{"s", "n", "p", "k"}}, "beta");
    m_boxes.Reply(QMessageBox::No);
    driver.Then(TypePassword(u"beta"_s));
    ASSERT_TRUE(Doc().OpenDocumentFile(second));
    EXPECT_EQ(BoxTexts(), QStringList(u"Änderungen in Tresor.zlm speichern?"_s)) << "no wrong-password box";
    EXPECT_EQ(driver.Titles().last(), u"Passwort Eingabe: Zweiter.zlm"_s);
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{{"s", "n", "p", "k"}}));
    EXPECT_EQ(Doc().GetPathName(), second);
    EXPECT_EQ(Doc().GetVaultPasswordLength(), 4);

    // A plain vault handed over next is read without a password and saved plain again.
    const QString plain = Path(u"Klar.zlm"_s);
    WriteVault(plain, {{"x", "", "", ""}}, "");
    ASSERT_TRUE(Doc().OpenDocumentFile(plain));
    EXPECT_EQ(driver.Titles().size(), 2) << "no prompt for a plain file";
    Doc().AddEntry("y", "", "", "");
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kBak, 0);
    Doc().OnFileSave();
    EXPECT_EQ(ReadVault(plain, ""), (std::vector<Fields>{{"x", "", "", ""}, {"y", "", "", ""}}));
    EXPECT_EQ(ReadVault(second, "beta"), (std::vector<Fields>{{"s", "n", "p", "k"}}));
}

TEST_F(DocumentTest, TheOpenRouteIsAbandonedWhenThePasswordIsCancelled) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kThree, "Geheimnis");
    CModalDriver driver{Cancel()};
    bool abandoned = false;
    EXPECT_FALSE(Doc().OpenDocumentFile(vault, true, &abandoned));
    EXPECT_TRUE(abandoned);
    EXPECT_EQ(Doc().GetEntryCount(), 0);
    EXPECT_TRUE(Doc().GetPathName().isEmpty());
    EXPECT_TRUE(BoxTexts().isEmpty());

    // A damaged file on that route fails without taking over anything.
    const QString broken = Path(u"Kaputt.zlm"_s);
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "\x01"
        "5\x03"
        "abc");
    file.close();
    EXPECT_FALSE(Doc().OpenDocumentFile(broken, false, &abandoned));
    EXPECT_FALSE(abandoned);
    EXPECT_EQ(BoxTexts().last(), u"Unerwartetes Dateiformat."_s);
    EXPECT_TRUE(Doc().GetPathName().isEmpty());
    EXPECT_EQ(Doc().GetTitle(), u"Unbenannt"_s);
}

TEST_F(DocumentTest, SendMailHandsACopyOfTheModifiedVaultToTheMailProgram) {
    // A recording stand-in for xdg-email: it writes its arguments and the attachment's mode.
    const QString record = Path(u"args.txt"_s);
    const QString program = Path(u"xdg-email"_s);
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toStdString() +
                  "'\nstat -c %a \"$2\" >> '" + record.toStdString() + "'\n")
                     .c_str());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    CZelmoraDoc::SetMailProgram(program);

    Doc().AddEntry("a", "b", "c", "d");
    Doc().OnFileSendMail();
    QTRY_COMPARE_WITH_TIMEOUT(FileBytes(record).count('\n'), 3, 5000);
    const QStringList lines = QString::fromUtf8(FileBytes(record)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], u"--attach"_s);
    EXPECT_TRUE(lines[1].endsWith(u"/Unbenannt.zlm"_s));
    EXPECT_EQ(lines[2], u"600"_s);
    EXPECT_EQ(ReadVault(lines[1], "").size(), 1u);
    EXPECT_TRUE(Doc().IsModified());

    CZelmoraDoc::SetMailProgram(Path(u"fehlt"_s));
    Doc().OnFileSendMail();
    EXPECT_TRUE(BoxTexts().last().contains(u"xdg-email"_s));
    CZelmoraDoc::SetMailProgram(u"xdg-email"_s);
}

}  // namespace
