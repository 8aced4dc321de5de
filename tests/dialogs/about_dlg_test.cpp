#include <QLabel>
#include <QPushButton>

#include "dialog_test_support.h"
#include "dialogs/about_dlg.h"
#include "resources/app_icon.h"
#include "resources/resource_ids.h"
#include "web_launch_recorder.h"

using namespace dialog_test;

namespace {

using AboutDlgTest = DialogTest;

TEST_F(AboutDlgTest, ShowsNameVersionAndCipherAndClosesEitherWay) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Info über Zelmora"));
    QStringList texts;
    for (const QLabel* label : dlg.findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Zelmora, Version 1.1")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Der verwendete verschlüsselungs Algorithmus:")));
    EXPECT_TRUE(texts.filter(QStringLiteral("2001")).size() == 1);
    EXPECT_TRUE(texts.filter(QStringLiteral("Blowfish")).size() == 1);

    EXPECT_EQ(Run(dlg, [](QDialog& d) { Control<QPushButton>(d, zid::IDOK)->click(); }), zid::IDOK);
    CAboutDlg again;
    EXPECT_EQ(Run(again, [](QDialog& d) { PressEscape(d); }), zid::IDCANCEL);
}

TEST_F(AboutDlgTest, LinksOpenTheWebPageAndTheMailAndLeaveTheBoxOpen) {
    const CWebLaunchRecorder launcher;
    CAboutDlg dlg;
    Run(dlg, [&](QDialog& d) {
        QTest::mouseClick(Control<QLabel>(d, zid::IDC_ABOUT_WEB), Qt::LeftButton);
        QTest::mouseClick(Control<QLabel>(d, zid::IDC_ABOUT_MAIL), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_EQ(launcher.Addresses(), (QStringList{QStringLiteral("http://www.halvorn.example/"),
                                                 QStringLiteral("mailto:support@halvorn.example")}));
}

TEST(AppIconTest, TheDrawingRendersAtDialogSizes) {
    const QIcon icon = AppIcon();
    for (int size : {16, 32, 48}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.width(), size) << "is the SVG icon engine installed?";
        // Opaque in the middle (the dial), transparent in the corner.
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    }
}

}  // namespace
