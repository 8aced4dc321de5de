#include "platform/message_box.h"
#include "platform/translations.h"

#include "message_box_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "qt_printers.h"

#include <functional>

using namespace Qt::StringLiterals;

namespace {

std::string Std(const QString& s) {
    return s.toStdString();
}

struct SShownBox {
    QString caption;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttonTexts;
};

// Shows a real box and lets `close` end it as soon as it is up.
QMessageBox::StandardButton ShowAndClose(const std::function<QMessageBox::StandardButton()>& show,
                                         const std::function<void(QMessageBox&)>& close, SShownBox& seen) {
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        poll.stop();
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.format = box->textFormat();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            seen.buttonTexts.append(button->text().remove(u'&'));
        }
        seen.buttonTexts.sort();
        close(*box);
    });
    poll.start();
    return show();
}

class MessageBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InstallGermanTranslations(*qApp)); }
};

}  // namespace

TEST_F(MessageBoxTest, RealBoxHasTheCaptionTheExclamationIconAndGermanButtons) {
    SShownBox seen;
    const auto result = ShowAndClose(
        [] {
            return ZMessageBox(u"Datei <b>Tresor.zlm</b> speichern?"_s,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        },
        [](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, seen);
    EXPECT_EQ(result, QMessageBox::No);
    EXPECT_EQ(Std(seen.caption), "Zelmora");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttonTexts, (QStringList{u"Abbrechen"_s, u"Ja"_s, u"Nein"_s}));
    // Site and file names are shown as they are, never as markup.
    EXPECT_EQ(Std(seen.text), "Datei <b>Tresor.zlm</b> speichern?");
    EXPECT_EQ(seen.format, Qt::PlainText);
}

TEST_F(MessageBoxTest, EscapeGivesCancelOrNoOrTheOnlyButton) {
    const struct {
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton escape;
    } cases[] = {
        {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel},
        {QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
        {QMessageBox::Ok, QMessageBox::Ok},
    };
    for (const auto& c : cases) {
        SShownBox seen;
        const auto result =
            ShowAndClose([&] { return ZMessageBox(u"Frage"_s, c.buttons, QMessageBox::Question); },
                         [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, seen);
        EXPECT_EQ(result, c.escape);
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(CMessageBoxAnswers::EscapeAnswer(c.buttons), c.escape);
    }
}

TEST_F(MessageBoxTest, AnswersRecordEveryCallAndReplyAsQueued) {
    CMessageBoxAnswers answers{QMessageBox::Yes};
    EXPECT_EQ(ZMessageBox(u"Wollen Sie wirklich den Eintrag löschen?"_s, QMessageBox::Yes | QMessageBox::No),
              QMessageBox::Yes);
    EXPECT_EQ(ZMessageBox(u"Noch einmal?"_s, QMessageBox::Yes | QMessageBox::No), QMessageBox::No);
    EXPECT_EQ(ZMessageBox(u"Hinweis"_s, QMessageBox::Ok, QMessageBox::Information), QMessageBox::Ok);

    ASSERT_EQ(answers.Calls().size(), 3u);
    EXPECT_EQ(Std(answers.Calls()[0].text), "Wollen Sie wirklich den Eintrag löschen?");
    EXPECT_EQ(answers.Calls()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answers.Calls()[0].icon, QMessageBox::Warning);  // none asked for
    EXPECT_EQ(answers.Calls()[2].icon, QMessageBox::Information);
    EXPECT_EQ(answers.Calls()[2].buttons, QMessageBox::Ok);
}
