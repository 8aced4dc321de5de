#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>

#include "dialog_test_support.h"
#include "dialogs/security_dlg.h"
#include "platform/security_settings.h"
#include "resources/resource_ids.h"

using namespace dialog_test;

namespace {

class SecurityDlgTest : public DialogTest {};

TEST_F(SecurityDlgTest, ShowsTheStoreLimitsItsFieldsAndWritesOnlyOnOk) {
    CSettingsStore::WriteString("Security", "ClipboardSeconds", QStringLiteral("-5"));
    CSettingsStore::WriteInt("Security", "LockMinutes", 30);
    CSettingsStore::WriteInt("Security", "HidePasswords", 1);
    CSecurityDlg dlg;
    EXPECT_EQ(Run(dlg,
                  [](QDialog& d) {
                      auto* seconds = Control<QSpinBox>(d, zid::IDC_SEC_CLIPBOARD_SECONDS);
                      EXPECT_EQ(seconds->value(), 10) << "out of range: the default";
                      EXPECT_EQ(seconds->maximum(), 3600);
                      EXPECT_EQ(seconds->text(), QStringLiteral("10 Sekunden"));
                      auto* minutes = Control<QSpinBox>(d, zid::IDC_SEC_LOCK_MINUTES);
                      EXPECT_EQ(minutes->value(), 30);
                      EXPECT_EQ(minutes->maximum(), 1440);
                      EXPECT_TRUE(Control<QCheckBox>(d, zid::IDC_SEC_LOCK_ON_SCREEN_LOCK)->isChecked());
                      EXPECT_TRUE(Control<QCheckBox>(d, zid::IDC_SEC_HIDE_PASSWORDS)->isChecked());
                      EXPECT_EQ(d.focusWidget(), seconds);
                      seconds->setValue(0);
                      EXPECT_EQ(seconds->text(), QStringLiteral("nie"));
                      minutes->setValue(99999);
                      Control<QCheckBox>(d, zid::IDC_SEC_LOCK_ON_SCREEN_LOCK)->setChecked(false);
                      Control<QPushButton>(d, zid::IDCANCEL)->click();
                  }),
              zid::IDCANCEL);
    EXPECT_EQ(Stored("Security", "LockMinutes"), 30) << "cancel writes nothing";
    EXPECT_EQ(Stored("Security", "LockOnScreenLock"), kMissing);

    CSecurityDlg again;
    EXPECT_EQ(Run(again,
                  [](QDialog& d) {
                      Control<QSpinBox>(d, zid::IDC_SEC_CLIPBOARD_SECONDS)->setValue(0);
                      Control<QSpinBox>(d, zid::IDC_SEC_LOCK_MINUTES)->setValue(99999);
                      Control<QCheckBox>(d, zid::IDC_SEC_LOCK_ON_SCREEN_LOCK)->setChecked(false);
                      Control<QCheckBox>(d, zid::IDC_SEC_HIDE_PASSWORDS)->setChecked(false);
                      Control<QPushButton>(d, zid::IDOK)->click();
                  }),
              zid::IDOK);
    EXPECT_EQ(Stored("Security", "ClipboardSeconds"), 0);
    EXPECT_EQ(Stored("Security", "LockMinutes"), 1440) << "the field stops at a day";
    EXPECT_EQ(Stored("Security", "LockOnScreenLock"), 0);
    EXPECT_EQ(Stored("Security", "HidePasswords"), 0);
    QStringList order = TabOrder(again);
    order.removeAll(QStringLiteral("qt_spinbox_lineedit"));  // the spin boxes' own fields
    EXPECT_EQ(order.mid(0, 4),
              QStringList({QStringLiteral("clipboardSecondsSpin"), QStringLiteral("lockOnScreenLockCheck"),
                           QStringLiteral("lockMinutesSpin"), QStringLiteral("hidePasswordsCheck")}));
}

}  // namespace
