#include <QLabel>
#include <QLineEdit>

#include "dialog_test_support.h"
#include "dialogs/kdbx_password_dlg.h"
#include "resources/resource_ids.h"

using namespace dialog_test;

namespace {

class KdbxPasswordDlgTest : public DialogTest {};

TEST_F(KdbxPasswordDlgTest, StrengthFollowsTheClassesOfTheTypedPassword) {
    CKdbxPasswordDlg dlg;
    Run(dlg, [](QDialog& d) {
        auto* strength = Control<QLabel>(d, zid::IDC_KDBX_STRENGTH);
        EXPECT_EQ(strength->text(), QStringLiteral("Stärke: 0 Bit"));
        Type(Control<QLineEdit>(d, zid::IDC_KDBX_PASSWORD), QStringLiteral("Passwort1"));
        EXPECT_EQ(strength->text(), QStringLiteral("Stärke: 53 Bit")) << "9 of 62";
        Type(Control<QLineEdit>(d, zid::IDC_KDBX_REPEAT), QStringLiteral("Passwort1!!!!"));
        EXPECT_EQ(strength->text(), QStringLiteral("Stärke: 53 Bit")) << "the repetition counts for nothing";
        // Umlauts count as characters, not as their UTF-8 bytes: "ä€" adds 2, and a class of 32: 11 of 94.
        Type(Control<QLineEdit>(d, zid::IDC_KDBX_PASSWORD), QStringLiteral("ä€"));
        EXPECT_EQ(strength->text(), QStringLiteral("Stärke: 72 Bit"));
    });
}

}  // namespace
