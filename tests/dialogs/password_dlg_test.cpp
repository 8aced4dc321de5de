#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "dialog_test_support.h"
#include "dialogs/password_dlg.h"
#include "resources/resource_ids.h"

using namespace dialog_test;

namespace {

class PasswordDlgTest : public DialogTest {
protected:
    static QLineEdit* Field(const QWidget& d) { return Control<QLineEdit>(d, zid::IDC_PW_EDIT); }
    static QCheckBox* Hide(const QWidget& d) { return Control<QCheckBox>(d, zid::IDC_PW_HIDE); }
    static QLabel* Length(const QWidget& d) { return Control<QLabel>(d, zid::IDC_PW_LENGTH); }
    static QLabel* Caption(const QWidget& d) { return Control<QLabel>(d, zid::IDC_PW_LENGTH_CAPTION); }
    static QProgressBar* Bar(const QWidget& d) { return Control<QProgressBar>(d, zid::IDC_PW_BAR); }
    static QLineEdit* Repeat(const QWidget& d) { return Control<QLineEdit>(d, zid::IDC_PW_REPEAT); }
    static void ClickOk(const QWidget& d) { Control<QPushButton>(d, zid::IDOK)->click(); }
};

TEST_F(PasswordDlgTest, HideTypingSettingDecidesTheMaskAndIsRewrittenOnOpening) {
    struct Case {
        int stored;  // kMissing: not stored
        bool masked;
        int written;
    };
    for (const Case& c : {Case{kMissing, true, 1}, Case{0, false, 0}, Case{-3, false, 0}, Case{7, true, 1}}) {
        SCOPED_TRACE(c.stored);
        ClearStore();
        if (c.stored != kMissing) {
            CSettingsStore::WriteInt("Password", "HideTyping", c.stored);
        }
        CPasswordDlg dlg(0);
        EXPECT_EQ(dlg.m_bHideTyping, c.masked);
        Run(dlg, [&](QDialog& d) {
            EXPECT_EQ(Stored("Password", "HideTyping"), c.written);
            EXPECT_EQ(Hide(d)->isChecked(), c.masked);
            Type(Field(d), QStringLiteral("abc"));
            EXPECT_EQ(Field(d)->displayText(), c.masked ? QStringLiteral("###") : QStringLiteral("abc"));
        });
    }
}

TEST_F(PasswordDlgTest, UntickingShowsTheTypedTextAndStoresZeroEvenOnCancel) {
    CPasswordDlg dlg(0);
    const int result = Run(dlg, [&](QDialog& d) {
        EXPECT_EQ(d.focusWidget(), Field(d));
        Type(Field(d), QStringLiteral("geheim"));
        Hide(d)->click();
        EXPECT_EQ(Field(d)->text(), QStringLiteral("geheim"));
        EXPECT_EQ(Field(d)->displayText(), QStringLiteral("geheim"));
        EXPECT_EQ(d.focusWidget(), Field(d));
        EXPECT_EQ(Stored("Password", "HideTyping"), 0);
        Hide(d)->click();
        EXPECT_EQ(Field(d)->displayText(), QStringLiteral("######"));
        EXPECT_EQ(Stored("Password", "HideTyping"), 1);
        Hide(d)->click();
        Control<QPushButton>(d, zid::IDCANCEL)->click();
    });
    EXPECT_EQ(result, zid::IDCANCEL);
    EXPECT_EQ(Stored("Password", "HideTyping"), 0);
}

TEST_F(PasswordDlgTest, LengthLabelAndBarFollowTypingUpToTheLimit) {
    CPasswordDlg dlg(1);
    Run(dlg, [&](QDialog& d) {
        EXPECT_EQ(Length(d)->text(), QStringLiteral("0 Zeichen"));
        EXPECT_EQ(Caption(d)->text(), QStringLiteral("Länge:"));
        EXPECT_EQ(Bar(d)->minimum(), 0);
        EXPECT_EQ(Bar(d)->maximum(), 56);
        EXPECT_LE(Bar(d)->value(), 0);
        Type(Field(d), QStringLiteral("123456789012"));
        EXPECT_EQ(Length(d)->text(), QStringLiteral("12 Zeichen"));
        EXPECT_EQ(Bar(d)->value(), 12);
        Type(Field(d), QString(50, u'x'));
        EXPECT_EQ(Field(d)->text().size(), 56);
        EXPECT_EQ(Length(d)->text(), QStringLiteral("56 Zeichen"));
        EXPECT_EQ(Bar(d)->value(), Bar(d)->maximum());
    });
}

TEST_F(PasswordDlgTest, WithoutShowLengthTheLengthStaysBlankAndTheBarEmpty) {
    CPasswordDlg dlg(0);
    Run(dlg, [&](QDialog& d) {
        Type(Field(d), QStringLiteral("some password"));
        EXPECT_TRUE(Length(d)->text().isEmpty());
        EXPECT_TRUE(Caption(d)->text().isEmpty());
        EXPECT_LE(Bar(d)->value(), 0);
    });
}

TEST_F(PasswordDlgTest, PastingCutsAtTheLimitAndOkNamesWhatTheVaultCannotHold) {
    CPasswordDlg dlg(1);
    const int result = Run(dlg, [&](QDialog& d) {
        QLineEdit* field = Field(d);
        QGuiApplication::clipboard()->setText(QString(70, u'p'));
        field->paste();
        EXPECT_EQ(field->text(), QString(56, u'p'));
        EXPECT_EQ(Length(d)->text(), QStringLiteral("56 Zeichen"));

        // Nothing vanishes while typing or pasting: OK tells.
        field->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("Łódź2020"));
        field->paste();
        Repeat(d)->setText(QStringLiteral("Łódź2020"));
        ClickOk(d);
        ASSERT_EQ(m_boxes.Calls().size(), 1u);
        EXPECT_EQ(
            m_boxes.Calls()[0].text,
            QStringLiteral("Das Feld „Passwort“ enthält Zeichen, die ein Zelmora-Tresor nicht speichern "
                           "kann: Ł ź\nBitte ersetzen oder entfernen Sie sie."));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(field->text(), QStringLiteral("Łódź2020"));
        EXPECT_EQ(d.focusWidget(), field);

        field->setText(QStringLiteral("ab\u20ACc"));
        Repeat(d)->setText(QStringLiteral("ab\u20ACc"));
        ClickOk(d);
    });
    EXPECT_EQ(result, zid::IDOK);
    EXPECT_EQ(dlg.m_strPassword, std::string("ab\x80"
                                             "c"));
}

TEST_F(PasswordDlgTest, AChangeTakesTheNewPasswordOnlyWhenTypedTwiceAlike) {
    {
        CPasswordDlg open(0);
        EXPECT_FALSE(Repeat(open)->isVisibleTo(&open)) << "opening a vault asks once";
    }
    CPasswordDlg dlg(1);
    const int result = Run(dlg, [&](QDialog& d) {
        EXPECT_TRUE(Repeat(d)->isVisible());
        EXPECT_EQ(Control<QLabel>(d, zid::IDC_PW_REPEAT_CAPTION)->text(),
                  QStringLiteral("Passwort wiederholen"));
        Type(Field(d), QStringLiteral("neu1"));
        Type(Repeat(d), QStringLiteral("neu2"));
        EXPECT_EQ(Repeat(d)->displayText(), QStringLiteral("####"));
        ClickOk(d);
        ASSERT_EQ(m_boxes.Calls().size(), 1u);
        EXPECT_EQ(m_boxes.Calls()[0].text, QStringLiteral("Die beiden Passwörter stimmen nicht überein."));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), Repeat(d));

        Hide(d)->click();
        EXPECT_EQ(Repeat(d)->displayText(), QStringLiteral("neu2")) << "both fields follow the box";
        Repeat(d)->setText(QStringLiteral("neu1"));
        ClickOk(d);
    });
    EXPECT_EQ(result, zid::IDOK);
    EXPECT_EQ(dlg.m_strPassword, "neu1");
}

TEST_F(PasswordDlgTest, OkReturnsTheTypedBytesAndEveryWayOutElseCancels) {
    {
        CPasswordDlg dlg(0);
        EXPECT_EQ(Run(dlg,
                      [&](QDialog& d) {
                          Type(Field(d), QStringLiteral("Grüße"));
                          QTest::keyClick(Field(d), Qt::Key_Return);
                      }),
                  zid::IDOK);
        EXPECT_EQ(dlg.m_strPassword, std::string("Gr\xFC\xDF"
                                                 "e"));
    }
    {
        CPasswordDlg dlg(0);
        EXPECT_EQ(Run(dlg, [&](QDialog& d) { ClickOk(d); }), zid::IDOK);
        EXPECT_EQ(dlg.m_strPassword, std::string());
    }
    const std::vector<ModalHook> cancels = {
        [](QDialog& d) { Control<QPushButton>(d, zid::IDCANCEL)->click(); },
        [](QDialog& d) { PressEscape(d); },
        [](QDialog& d) { CloseBox(d); },
    };
    for (const auto& cancel : cancels) {
        CPasswordDlg dlg(0);
        EXPECT_EQ(Run(dlg, cancel), zid::IDCANCEL);
    }
}

TEST_F(PasswordDlgTest, ATooLongTextOnConfirmIsReportedAndKeepsTheDialogOpen) {
    CPasswordDlg dlg(0);
    const int result = Run(dlg, [&](QDialog& d) {
        // Only a program can get past the field's own limit.
        Field(d)->setMaxLength(100);
        Field(d)->setText(QString(57, u'z'));
        Control<QPushButton>(d, zid::IDCANCEL)->setFocus();
        ClickOk(d);
        ASSERT_EQ(m_boxes.Calls().size(), 1u);
        EXPECT_EQ(m_boxes.Calls()[0].text, QStringLiteral("Geben Sie bitte nicht mehr als 56 Zeichen ein."));
        EXPECT_EQ(m_boxes.Calls()[0].buttons, QMessageBox::Ok);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), Field(d));
    });
    EXPECT_EQ(result, zid::IDCANCEL);
}

TEST_F(PasswordDlgTest, TemplateKeepsItsTextsAndTabOrder) {
    CPasswordDlg dlg(1);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Passwort Eingabe:"));
    EXPECT_EQ(Control<QPushButton>(dlg, zid::IDOK)->text(), QStringLiteral("OK"));
    EXPECT_TRUE(Control<QPushButton>(dlg, zid::IDOK)->isDefault());
    EXPECT_EQ(Control<QPushButton>(dlg, zid::IDCANCEL)->text(), QStringLiteral("Abbruch"));
    EXPECT_EQ(Hide(dlg)->text(), QStringLiteral("unsichtbar"));
    EXPECT_EQ(Control<QLabel>(dlg, zid::IDC_PW_LINK)->text(), QStringLiteral("http://www.halvorn.example/"));
    EXPECT_EQ(TabOrder(dlg), (QStringList{QStringLiteral("passwordEdit"), QStringLiteral("repeatEdit"),
                                          QStringLiteral("okButton"), QStringLiteral("cancelButton"),
                                          QStringLiteral("hideCheck")}));
}

}  // namespace
