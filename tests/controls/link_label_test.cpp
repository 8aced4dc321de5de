#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include "controls/link_label.h"
#include "dialog_test_support.h"
#include "web_launch_recorder.h"

using namespace dialog_test;

namespace {

const QString kAddress = QStringLiteral("http://www.halvorn.example/");

class LinkLabelTest : public DialogTest {
protected:
    // A label at (20, 10) sized 300 x 40 in a parent without a layout, attached with alignment.
    CLinkLabel& Place(Qt::Alignment alignment) {
        auto* label = new CLinkLabel(&m_parent);
        label->setText(kAddress);
        label->setAlignment(alignment);
        label->setGeometry(20, 10, 300, 40);
        label->Attach();
        return *label;
    }
    QSize TextSize(const CLinkLabel& label) const {
        return QFontMetrics(label.font()).size(Qt::TextSingleLine, label.text());
    }
    static void Hover(CLinkLabel& label, bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), label.mapToGlobal(QPointF(1, 1)));
            QApplication::sendEvent(&label, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(&label, &leave);
        }
    }
    static bool Shows(CLinkLabel& label, const QColor& color) {
        const QImage image = label.grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == color) {
                    return true;
                }
            }
        }
        return false;
    }

    QWidget m_parent;
};

TEST_F(LinkLabelTest, AttachingTakesTheTextAsTargetAndDressesItAsALink) {
    CLinkLabel& label = Place(Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(label.Target(), kAddress);
    EXPECT_EQ(label.toolTip(), kAddress);
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(LinkLabelTest, HoverWinsOverOpenedWhichWinsOverNormal) {
    CLinkLabel& label = Place(Qt::AlignLeft | Qt::AlignTop);
    const QColor normal(0, 0, 238);
    const QColor opened(85, 26, 139);
    const QColor hover = label.palette().color(QPalette::Highlight);
    EXPECT_EQ(label.TextColor(), normal);
    EXPECT_TRUE(Shows(label, normal));

    Hover(label, true);
    EXPECT_EQ(label.TextColor(), hover);
    label.MarkOpened(true);
    EXPECT_EQ(label.TextColor(), hover);
    Hover(label, false);
    EXPECT_EQ(label.TextColor(), opened);
    EXPECT_TRUE(Shows(label, opened));

    // A move that arrives from outside the label (a button held) ends the hover too.
    Hover(label, true);
    QMouseEvent away(QEvent::MouseMove, QPointF(-5, -5), label.mapToGlobal(QPointF(-5, -5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &away);
    EXPECT_FALSE(label.IsHovered());
    label.MarkOpened(false);
    EXPECT_EQ(label.TextColor(), normal);
}

TEST_F(LinkLabelTest, FitToTextKeepsTheEdgeOrCentreTheAlignmentNames) {
    const QSize text = TextSize(Place(Qt::AlignLeft | Qt::AlignTop));
    ASSERT_LT(text.width(), 300);
    ASSERT_LT(text.height(), 40);

    EXPECT_EQ(Place(Qt::AlignLeft | Qt::AlignTop).geometry(), QRect(20, 10, text.width(), text.height()));
    EXPECT_EQ(Place(Qt::AlignRight | Qt::AlignTop).geometry(),
              QRect(320 - text.width(), 10, text.width(), text.height()));

    const int dx = (300 - text.width()) / 2;
    const int dy = (40 - text.height()) / 2;
    EXPECT_EQ(Place(Qt::AlignHCenter | Qt::AlignTop).geometry(),
              QRect(20 + dx, 10, 300 - 2 * dx, text.height()));
    EXPECT_EQ(Place(Qt::AlignLeft | Qt::AlignVCenter).geometry(),
              QRect(20, 10 + dy, text.width(), 40 - 2 * dy));
}

TEST_F(LinkLabelTest, InALayoutTheFittedLabelKeepsItsSideOfTheCell) {
    auto* layout = new QHBoxLayout(&m_parent);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new CLinkLabel;
    label->setText(kAddress);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(label);
    label->Attach();
    m_parent.show();
    for (int width : {500, 800}) {
        m_parent.resize(width, 60);
        layout->activate();
        EXPECT_EQ(label->geometry().right(), width - 1);
        EXPECT_EQ(label->width(), TextSize(*label).width());
    }
}

TEST_F(LinkLabelTest, ASuccessfulClickMarksTheLinkOpened) {
    const CWebLaunchRecorder launcher(33);
    CLinkLabel& label = Place(Qt::AlignLeft | Qt::AlignTop);
    QTest::mouseClick(&label, Qt::LeftButton);
    EXPECT_EQ(launcher.Addresses(), QStringList{kAddress});
    EXPECT_TRUE(label.IsOpened());
    EXPECT_TRUE(m_boxes.Calls().empty());
    // Other buttons open nothing.
    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_EQ(launcher.Addresses().size(), 1);
}

TEST_F(LinkLabelTest, AFailedClickReportsTheErrorAndEndsTheOpenedState) {
    CWebLaunchRecorder launcher;
    CLinkLabel& label = Place(Qt::AlignLeft | Qt::AlignTop);
    QTest::mouseClick(&label, Qt::LeftButton);
    ASSERT_TRUE(label.IsOpened());

    std::size_t boxes = 0;
    for (int failure : {launch::kDllNotFound, launch::kNoAssociation, -1}) {
        SCOPED_TRACE(failure);
        launcher.SetResult(failure);
        QTest::mouseClick(&label, Qt::LeftButton);
        EXPECT_FALSE(label.IsOpened());
        ASSERT_EQ(m_boxes.Calls().size(), ++boxes);
        EXPECT_EQ(m_boxes.Calls().back().text, LaunchErrorText(failure));
    }
}

}  // namespace
