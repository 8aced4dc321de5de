#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

#include "dialog_test_support.h"
#include "dialogs/entry_dlg.h"
#include "dialogs/generator_dlg.h"
#include "resources/resource_ids.h"

using namespace dialog_test;

namespace {

class GeneratorDlgTest : public DialogTest {
protected:
    static QCheckBox* Check(const QWidget& d, int id) { return Control<QCheckBox>(d, id); }
    static QSpinBox* Length(const QWidget& d) { return Control<QSpinBox>(d, zid::IDC_GEN_LENGTH); }
    // A copy of its own: the dialog wipes the field's buffer, and with it every string sharing it.
    static QString Preview(const QWidget& d) {
        const QString text = Control<QLineEdit>(d, zid::IDC_GEN_PREVIEW)->text();
        return QString(text.constData(), text.size());
    }
    static QString Strength(const QWidget& d) { return Control<QLabel>(d, zid::IDC_GEN_STRENGTH)->text(); }
    static void Click(const QWidget& d, int id) { Control<QPushButton>(d, id)->click(); }
};

// Which of upper, lower, digits, punctuation the text holds, as bits; -1 for anything else.
int Classes(const QString& text) {
    int found = 0;
    for (QChar c : text) {
        if (c >= u'A' && c <= u'Z') {
            found |= 1;
        } else if (c >= u'a' && c <= u'z') {
            found |= 2;
        } else if (c >= u'0' && c <= u'9') {
            found |= 4;
        } else if (c > u' ' && c < u'\x7F') {
            found |= 8;
        } else {
            return -1;
        }
    }
    return found;
}

TEST_F(GeneratorDlgTest, EveryChoiceDrawsAfreshWithItsStrength) {
    CGeneratorDlg dlg;
    QString shared;
    EXPECT_EQ(Run(dlg,
                  [&](QDialog& d) {
                      EXPECT_EQ(d.windowTitle(), QStringLiteral("Passwort generieren"));
                      EXPECT_EQ(Length(d)->value(), 20);
                      EXPECT_EQ(Length(d)->minimum(), 8);
                      EXPECT_EQ(Length(d)->maximum(), 56);
                      for (int id : {zid::IDC_GEN_UPPER, zid::IDC_GEN_LOWER, zid::IDC_GEN_DIGITS,
                                     zid::IDC_GEN_SYMBOLS}) {
                          EXPECT_TRUE(Check(d, id)->isChecked()) << id;
                      }
                      EXPECT_FALSE(Check(d, zid::IDC_GEN_AVOID_SIMILAR)->isChecked());
                      EXPECT_EQ(Check(d, zid::IDC_GEN_AVOID_SIMILAR)->text(),
                                QStringLiteral("ähnliche Zeichen &vermeiden"));
                      const QString first = Preview(d);
                      EXPECT_EQ(first.size(), 20);
                      EXPECT_EQ(Classes(first), 0xF) << first.toStdString();
                      EXPECT_EQ(Strength(d), QStringLiteral("Stärke: 131 Bit"));
                      EXPECT_TRUE(Control<QLineEdit>(d, zid::IDC_GEN_PREVIEW)->isReadOnly());

                      Click(d, zid::IDC_GEN_NEW);
                      EXPECT_NE(Preview(d), first);
                      Length(d)->setValue(8);
                      EXPECT_EQ(Preview(d).size(), 8);
                      EXPECT_EQ(Strength(d), QStringLiteral("Stärke: 52 Bit"));
                      Check(d, zid::IDC_GEN_SYMBOLS)->setChecked(false);
                      EXPECT_EQ(Classes(Preview(d)), 0x7) << Preview(d).toStdString();
                      EXPECT_EQ(Strength(d), QStringLiteral("Stärke: 47 Bit"));
                      Length(d)->setValue(56);
                      Check(d, zid::IDC_GEN_AVOID_SIMILAR)->setChecked(true);
                      for (int i = 0; i < 20; ++i) {
                          Click(d, zid::IDC_GEN_NEW);
                          EXPECT_EQ(Preview(d).indexOf(QRegularExpression(QStringLiteral("[0Ool1I|]"))), -1)
                              << Preview(d).toStdString();
                      }
                      EXPECT_EQ(Strength(d), QStringLiteral("Stärke: 325 Bit"));  // 56 of 56 characters

                      // The last class chosen cannot be cleared.
                      Check(d, zid::IDC_GEN_UPPER)->setChecked(false);
                      Check(d, zid::IDC_GEN_LOWER)->setChecked(false);
                      EXPECT_FALSE(Check(d, zid::IDC_GEN_DIGITS)->isEnabled());
                      EXPECT_TRUE(Check(d, zid::IDC_GEN_DIGITS)->isChecked());
                      EXPECT_TRUE(Check(d, zid::IDC_GEN_UPPER)->isEnabled());
                      EXPECT_EQ(Classes(Preview(d)), 0x4);
                      EXPECT_EQ(Strength(d), QStringLiteral("Stärke: 168 Bit"));  // 56 of 8 digits
                      Check(d, zid::IDC_GEN_LOWER)->setChecked(true);
                      EXPECT_TRUE(Check(d, zid::IDC_GEN_DIGITS)->isEnabled());
                      shared = Control<QLineEdit>(d, zid::IDC_GEN_PREVIEW)->text();
                      Click(d, zid::IDCANCEL);
                  }),
              zid::IDCANCEL);
    EXPECT_EQ(Stored("Generator", "Length"), kMissing) << "cancel remembers nothing";
    EXPECT_TRUE(Preview(dlg).isEmpty()) << "the shown password is not left in the field";
    EXPECT_EQ(shared, QString(56, QChar(0))) << "its buffer is wiped, not only given back";
}

TEST_F(GeneratorDlgTest, OkRemembersTheChoicesInSectionGenerator) {
    CGeneratorDlg dlg;
    QString shown;
    EXPECT_EQ(Run(dlg,
                  [&](QDialog& d) {
                      Length(d)->setValue(33);
                      Check(d, zid::IDC_GEN_UPPER)->setChecked(false);
                      Check(d, zid::IDC_GEN_AVOID_SIMILAR)->setChecked(true);
                      shown = Preview(d);
                      Click(d, zid::IDOK);
                  }),
              zid::IDOK);
    EXPECT_EQ(QString::fromStdString(dlg.m_strPassword), shown);
    EXPECT_EQ(Stored("Generator", "Length"), 33);
    EXPECT_EQ(Stored("Generator", "Upper"), 0);
    EXPECT_EQ(Stored("Generator", "Lower"), 1);
    EXPECT_EQ(Stored("Generator", "AvoidSimilar"), 1);

    CGeneratorDlg again;
    Run(again, [](QDialog& d) {
        EXPECT_EQ(Length(d)->value(), 33);
        EXPECT_FALSE(Check(d, zid::IDC_GEN_UPPER)->isChecked());
        EXPECT_TRUE(Check(d, zid::IDC_GEN_AVOID_SIMILAR)->isChecked());
        EXPECT_EQ(Classes(Preview(d)), 0xE);
    });

    // A store edited by hand: out of range gives the default, no class at all gives all four.
    for (const char* name : {"Upper", "Lower", "Digits", "Symbols"}) {
        CSettingsStore::WriteInt("Generator", name, 0);
    }
    CSettingsStore::WriteInt("Generator", "Length", 99);
    CGeneratorDlg edited;
    Run(edited, [](QDialog& d) {
        EXPECT_EQ(Length(d)->value(), 20);
        EXPECT_EQ(Classes(Preview(d)), 0xF);
    });
}

TEST_F(GeneratorDlgTest, GenerierenFillsTheEntryPasswordMaskedAsTheEntryDialogShowsIt) {
    for (bool masked : {true, false}) {
        SCOPED_TRACE(masked);
        CSettingsStore::WriteInt("Password", "HideTypingAddSite", masked ? 1 : 0);
        CEntryDlg dlg;
        dlg.m_strPasswort = "alt";
        QString generated;
        CModalDriver driver{
            [&](QDialog& d) {
                auto* button = Control<QPushButton>(d, zid::IDC_ENTRY_GENERATE);
                EXPECT_EQ(button->text(), QStringLiteral("&Generieren"));
                button->click();  // cancelled: the field keeps its text
                EXPECT_EQ(Control<QLineEdit>(d, zid::IDC_ENTRY_PASSWORT)->text(), QStringLiteral("alt"));
                button->click();
                auto* field = Control<QLineEdit>(d, zid::IDC_ENTRY_PASSWORT);
                EXPECT_EQ(field->text(), generated);
                EXPECT_EQ(field->echoMode(), masked ? QLineEdit::Password : QLineEdit::Normal);
                EXPECT_EQ(Control<QLabel>(d, zid::IDC_ENTRY_LENGTH)->text(), QStringLiteral("20 Zeichen"));
                Click(d, zid::IDOK);
            },
            [](QDialog& d) { Click(d, zid::IDCANCEL); },
            [&](QDialog& d) {
                generated = Preview(d);
                Click(d, zid::IDOK);
            }};
        ASSERT_EQ(dlg.DoModal(), zid::IDOK);
        EXPECT_EQ(driver.Titles(),
                  (QStringList{QStringLiteral("Eintrag"), QStringLiteral("Passwort generieren"),
                               QStringLiteral("Passwort generieren")}));
        EXPECT_EQ(generated.size(), 20);
        EXPECT_EQ(QString::fromStdString(dlg.m_strPasswort), generated);
    }
}

}  // namespace
