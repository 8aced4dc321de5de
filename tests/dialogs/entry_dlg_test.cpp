#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialog_test_support.h"
#include "dialogs/entry_dlg.h"
#include "dialogs/password_dlg.h"
#include "platform/text_codec.h"
#include "resources/resource_ids.h"

using namespace dialog_test;

namespace {

class EntryDlgTest : public DialogTest {
protected:
    static QLineEdit* Edit(const QWidget& d, int id) { return Control<QLineEdit>(d, id); }
    static QLineEdit* Password(const QWidget& d) { return Edit(d, zid::IDC_ENTRY_PASSWORT); }
    static QCheckBox* Hide(const QWidget& d) { return Control<QCheckBox>(d, zid::IDC_ENTRY_HIDE); }
    static QLabel* Length(const QWidget& d) { return Control<QLabel>(d, zid::IDC_ENTRY_LENGTH); }
};

TEST_F(EntryDlgTest, HideTypingAddSiteDecidesTheMaskAndIsRewrittenOnOpening) {
    struct Case {
        int stored;
        bool masked;
        int written;
    };
    for (const Case& c : {Case{kMissing, true, 1}, Case{0, false, 0}, Case{-1, false, 0}, Case{7, true, 1}}) {
        SCOPED_TRACE(c.stored);
        ClearStore();
        if (c.stored != kMissing) {
            CSettingsStore::WriteInt("Password", "HideTypingAddSite", c.stored);
        }
        CEntryDlg dlg;
        dlg.m_strPasswort = "abc";
        Run(dlg, [&](QDialog& d) {
            EXPECT_EQ(Stored("Password", "HideTypingAddSite"), c.written);
            EXPECT_EQ(Hide(d)->isChecked(), c.masked);
            EXPECT_EQ(Password(d)->displayText(), c.masked ? QStringLiteral("###") : QStringLiteral("abc"));
        });
        EXPECT_EQ(Stored("Password", "HideTyping"), kMissing);
    }
}

TEST_F(EntryDlgTest, OpensWithTheCallersTextsTheirLengthAndFocusInTheSiteField) {
    CEntryDlg dlg;
    dlg.m_strSeite = "www.example.org";
    dlg.m_strName = "J\xFCrgen";  // Jürgen
    dlg.m_strPasswort = "neun9neun";
    dlg.m_strKommentar = "\x80 Konto";
    Run(dlg, [&](QDialog& d) {
        EXPECT_EQ(Edit(d, zid::IDC_ENTRY_SEITE)->text(), QStringLiteral("www.example.org"));
        EXPECT_EQ(Edit(d, zid::IDC_ENTRY_NAME)->text(), QStringLiteral("Jürgen"));
        EXPECT_EQ(Edit(d, zid::IDC_ENTRY_KOMMENTAR)->text(), QStringLiteral("\u20AC Konto"));
        EXPECT_EQ(Password(d)->displayText(), QStringLiteral("#########"));
        EXPECT_EQ(Length(d)->text(), QStringLiteral("9 Zeichen"));
        EXPECT_EQ(d.focusWidget(), Edit(d, zid::IDC_ENTRY_SEITE));
    });
}

TEST_F(EntryDlgTest, OnlyThePasswordFieldMovesTheLengthLabel) {
    CEntryDlg dlg;
    Run(dlg, [&](QDialog& d) {
        for (int id : {zid::IDC_ENTRY_SEITE, zid::IDC_ENTRY_NAME, zid::IDC_ENTRY_KOMMENTAR}) {
            Type(Edit(d, id), QStringLiteral("text"));
        }
        EXPECT_EQ(Length(d)->text(), QStringLiteral("0 Zeichen"));
        Type(Password(d), QStringLiteral("1234567"));
        EXPECT_EQ(Length(d)->text(), QStringLiteral("7 Zeichen"));
        // The entry dialog sets no limit of its own.
        Type(Password(d), QString(93, u'x'));
        EXPECT_EQ(Length(d)->text(), QStringLiteral("100 Zeichen"));
    });
}

TEST_F(EntryDlgTest, UntickingShowsThePasswordAndStoresZeroWithoutTouchingThePasswordDialog) {
    CEntryDlg dlg;
    dlg.m_strPasswort = "geheim";
    const int result = Run(dlg, [&](QDialog& d) {
        Hide(d)->click();
        EXPECT_EQ(Password(d)->displayText(), QStringLiteral("geheim"));
        EXPECT_EQ(d.focusWidget(), Password(d));
        EXPECT_EQ(Stored("Password", "HideTypingAddSite"), 0);
        PressEscape(d);
    });
    EXPECT_EQ(result, zid::IDCANCEL);
    EXPECT_EQ(Stored("Password", "HideTypingAddSite"), 0);
    CPasswordDlg password(0);
    EXPECT_TRUE(password.m_bHideTyping);
}

TEST_F(EntryDlgTest, OkReturnsTheFieldsAsBytesAndCancelEndsWithTwo) {
    {
        CEntryDlg dlg;
        EXPECT_EQ(Run(dlg, [&](QDialog& d) { Control<QPushButton>(d, zid::IDOK)->click(); }), zid::IDOK);
        EXPECT_EQ(dlg.m_strSeite, "");
        EXPECT_EQ(dlg.m_strName, "");
        EXPECT_EQ(dlg.m_strPasswort, "");
        EXPECT_EQ(dlg.m_strKommentar, "");
    }
    {
        CEntryDlg dlg;
        dlg.m_strSeite = "alt";
        const int result = Run(dlg, [&](QDialog& d) {
            Edit(d, zid::IDC_ENTRY_SEITE)->setText(QStringLiteral("Bank"));
            Type(Edit(d, zid::IDC_ENTRY_NAME), QStringLiteral("Zoë"));
            Type(Password(d), QStringLiteral("Łódź2020"));
            Edit(d, zid::IDC_ENTRY_KOMMENTAR)->setText(QStringLiteral("\u2122 \u4E2D\u200B"));
            // Characters a vault cannot hold are named, field by field; the texts stay.
            QTest::keyClick(Edit(d, zid::IDC_ENTRY_KOMMENTAR), Qt::Key_Enter);
            ASSERT_EQ(m_boxes.Calls().size(), 1u);
            EXPECT_EQ(
                m_boxes.Calls()[0].text,
                QStringLiteral("Das Feld „Passwort“ enthält Zeichen, die ein Zelmora-Tresor nicht speichern "
                               "kann: Ł ź\nBitte ersetzen oder entfernen Sie sie."));
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.focusWidget(), Password(d));
            EXPECT_EQ(Password(d)->text(), QStringLiteral("Łódź2020"));
            Password(d)->setText(QStringLiteral("Lodz2020"));
            QTest::keyClick(Edit(d, zid::IDC_ENTRY_KOMMENTAR), Qt::Key_Enter);
            ASSERT_EQ(m_boxes.Calls().size(), 2u);
            EXPECT_TRUE(
                m_boxes.Calls()[1].text.startsWith(QStringLiteral("Das Feld „Kommentar“ enthält Zeichen, die "
                                                                  "ein Zelmora-Tresor nicht speichern kann: "
                                                                  "\u4E2D U+200B\n")));
            Edit(d, zid::IDC_ENTRY_KOMMENTAR)->setText(QStringLiteral("\u2122 "));
            QTest::keyClick(Edit(d, zid::IDC_ENTRY_KOMMENTAR), Qt::Key_Enter);
        });
        EXPECT_EQ(result, zid::IDOK);
        EXPECT_EQ(dlg.m_strSeite, "Bank");
        EXPECT_EQ(dlg.m_strName, "Zo\xEB");
        EXPECT_EQ(dlg.m_strPasswort, "Lodz2020");
        EXPECT_EQ(dlg.m_strKommentar, "\x99 ");
    }
    for (const auto& cancel :
         std::vector<ModalHook>{[](QDialog& d) { Control<QPushButton>(d, zid::IDCANCEL)->click(); },
                                [](QDialog& d) { CloseBox(d); }}) {
        CEntryDlg dlg;
        EXPECT_EQ(Run(dlg, cancel), zid::IDCANCEL);
    }
}

TEST_F(EntryDlgTest, TemplateKeepsItsTextsAndTabOrder) {
    CEntryDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Eintrag"));
    EXPECT_EQ(Control<QPushButton>(dlg, zid::IDOK)->text(), QStringLiteral("OK"));
    EXPECT_EQ(Control<QPushButton>(dlg, zid::IDCANCEL)->text(), QStringLiteral("Abbruch"));
    EXPECT_EQ(Hide(dlg)->text(), QStringLiteral("unsichtbar"));
    EXPECT_EQ(Control<QLabel>(dlg, zid::IDC_ENTRY_LINK)->text(),
              QStringLiteral("http://www.halvorn.example/"));
    EXPECT_EQ(TabOrder(dlg), (QStringList{QStringLiteral("siteEdit"), QStringLiteral("nameEdit"),
                                          QStringLiteral("passwordEdit"), QStringLiteral("commentEdit"),
                                          QStringLiteral("okButton"), QStringLiteral("cancelButton"),
                                          QStringLiteral("hideCheck"), QStringLiteral("generateButton")}));
    // The site and user name fields are the wide ones.
    dlg.adjustSize();
    EXPECT_GT(Edit(dlg, zid::IDC_ENTRY_SEITE)->width(), Password(dlg)->width());
    EXPECT_EQ(Edit(dlg, zid::IDC_ENTRY_NAME)->width(), Edit(dlg, zid::IDC_ENTRY_SEITE)->width());
    EXPECT_EQ(Edit(dlg, zid::IDC_ENTRY_KOMMENTAR)->width(), Password(dlg)->width());
}

}  // namespace
