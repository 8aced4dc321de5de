#include "platform/modal.h"

#include "modal_driver.h"
#include "resources/resource_ids.h"

#include <QDialog>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include "qt_printers.h"

using namespace Qt::StringLiterals;

TEST(RunModal, RealRunGivesOneForAcceptedAndTwoOtherwise) {
    const struct {
        int done;
        int result;
    } cases[] = {{QDialog::Accepted, zid::IDOK}, {QDialog::Rejected, zid::IDCANCEL}, {7, zid::IDCANCEL}};
    for (const auto& c : cases) {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.done(c.done); });
        EXPECT_EQ(RunModal(dialog), c.result) << c.done;
    }
}

TEST(RunModal, DriverRunsEachDialogWithoutAModalLoop) {
    CModalDriver driver{[](QDialog& dialog) {
                            EXPECT_TRUE(dialog.isVisible());
                            dialog.accept();
                        },
                        [](QDialog& dialog) { dialog.reject(); }};
    QDialog dialog;
    dialog.setWindowTitle(u"Einstellungen"_s);
    QSignalSpy finished(&dialog, &QDialog::finished);

    EXPECT_EQ(RunModal(dialog), zid::IDOK);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(RunModal(dialog), zid::IDCANCEL);
    // The accepted result of the first run does not carry over, and a dialog the driver leaves
    // open is closed as Escape would close it.
    EXPECT_EQ(RunModal(dialog), zid::IDCANCEL);
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(finished.count(), 3);
    EXPECT_EQ(finished.at(2).at(0).toInt(), QDialog::Rejected);
    EXPECT_EQ(driver.Titles(), (QStringList{u"Einstellungen"_s, u"Einstellungen"_s, u"Einstellungen"_s}));
}
