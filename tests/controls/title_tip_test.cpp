#include "controls/title_tip.h"
#include "controls/sort_list_ctrl.h"
#include "controls_test_util.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace ctest;

namespace {

const QString kLong = u"Ein Text, der in keine schmale Spalte passt"_s;

class TitleTipTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(400, 300);
        list.InsertColumn(0, u"Seite"_s, Qt::AlignLeft, 60);
        list.InsertColumn(1, u"Name"_s, Qt::AlignLeft, 80);
        list.InsertColumn(2, u"Kommentar"_s, Qt::AlignLeft, 300);
        for (int r = 0; r < 40; ++r) {
            list.InsertItem(r, r == 1 ? kLong : u"a"_s);
            list.SetItemText(r, 1, r == 2 ? kLong : u"b"_s);
            list.SetItemText(r, 2, r == 3 ? kLong + kLong : u"c"_s);
        }
        list.show();
        list.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
        tip = list.GetTitleTip();
        viewport = list.viewport();
    }

    void TearDown() override { tip->hide(); }

    int TextWidth(const QString& text) const { return QFontMetrics(list.font()).horizontalAdvance(text); }

    QRect Cell(int row, int column) const { return list.visualRect(list.model()->index(row, column)); }

    // Shows the tip for a cell of the given width at (10, 20) of the viewport.
    void ShowTip(int width, const QString& text = kLong) { tip->Show(QRect(10, 20, width, 18), text, 5); }

    QPoint TipCentre() const { return QPoint(tip->width() / 4, tip->height() / 2); }

    CSortListCtrl list;
    CTitleTip* tip = nullptr;
    QWidget* viewport = nullptr;
};

}  // namespace

TEST(TitleTipRule, TextFitsWithOffsetAndBorder) {
    EXPECT_TRUE(CTitleTip::TextFits(100, 88, 5));
    EXPECT_FALSE(CTitleTip::TextFits(100, 89, 5));
    EXPECT_TRUE(CTitleTip::TextFits(12, 0, 5));
    EXPECT_FALSE(CTitleTip::TextFits(11, 0, 5));
}

TEST_F(TitleTipTest, ShowsOnlyWhenTheTextDoesNotFitSizedToTheText) {
    const int w = TextWidth(kLong);
    ShowTip(w + 12);
    EXPECT_FALSE(tip->isVisible());
    ShowTip(w + 11);
    ASSERT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->width(), w + 6);
    EXPECT_EQ(tip->height(), 18);
    EXPECT_EQ(tip->pos(), viewport->mapToGlobal(QPoint(10 + 5 - 2, 20)));
    EXPECT_EQ(tip->Text(), kLong);
    // Showing again moves the tip that is already up.
    tip->Show(QRect(30, 40, 20, 25), u"anderer Text"_s, 5);
    EXPECT_EQ(tip->pos(), viewport->mapToGlobal(QPoint(30 + 3, 40)));
    EXPECT_EQ(tip->width(), TextWidth(u"anderer Text"_s) + 6);
    EXPECT_EQ(tip->height(), 25);
}

TEST_F(TitleTipTest, NoTipWhileTheApplicationIsInactive) {
    QApplication::setActiveWindow(nullptr);
    ShowTip(20);
    EXPECT_FALSE(tip->isVisible());
    QApplication::setActiveWindow(&list);
    ShowTip(20);
    ASSERT_TRUE(tip->isVisible());
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(TitleTipTest, HoveringACutOffCellShowsItsText) {
    Move(viewport, Cell(0, 0).center());
    EXPECT_FALSE(tip->isVisible());
    Move(viewport, Cell(2, 1).center());
    ASSERT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->Text(), kLong);
    const QRect cell = Cell(2, 1);
    // The tip's text (behind its border and margin) lies on the cell's text.
    const int inset = list.TextInset();
    EXPECT_EQ(tip->pos(), viewport->mapToGlobal(QPoint(cell.left() + inset - 3, cell.top() - 1)));
    EXPECT_EQ(tip->height(), cell.height() + 1);
    // The first column draws its text half as far in.
    Move(viewport, Cell(1, 0).center());
    ASSERT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->pos().x(), viewport->mapToGlobal(Cell(1, 0).topLeft()).x() + inset / 2 - 3);
    // With a button or a modifier down no tip comes up.
    tip->hide();
    Mouse(viewport, QEvent::MouseMove, Cell(2, 1).center(), Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(TitleTipTest, ACellTheDrawingCutsByAFewPixelsGetsATipAndOneThatFitsNone) {
    // A font whose blanks are wide, so that the two blanks the drawing leaves on each side of a
    // text are far more than any fixed guess.
    QFont font = list.font();
    font.setPixelSize(24);
    list.setFont(font);
    const int inset = list.TextInset();
    ASSERT_GE(inset, 10);
    const QString text = u"Geheimnis"_s;
    list.SetItemText(5, 1, text);
    for (const int tooWide : {0, 1, 2, 4}) {
        SCOPED_TRACE(tooWide);
        tip->hide();
        list.SetColumnWidth(1, TextWidth(text) - tooWide + 2 * inset);
        Move(viewport, QPoint(0, 0));
        Move(viewport, Cell(5, 1).center());
        EXPECT_EQ(tip->isVisible(), tooWide > 0);
    }
    // The same in the first column, which draws its text half as far in on the left.
    list.SetItemText(5, 0, text);
    for (const int tooWide : {0, 1, 3}) {
        SCOPED_TRACE(tooWide);
        tip->hide();
        list.SetColumnWidth(0, TextWidth(text) - tooWide + inset + inset / 2);
        Move(viewport, QPoint(viewport->width() - 1, 0));
        Move(viewport, Cell(5, 0).center());
        EXPECT_EQ(tip->isVisible(), tooWide > 0);
    }
}

TEST_F(TitleTipTest, TipIsForTheCellUnderThePointerWhenScrolledSideways) {
    list.horizontalScrollBar()->setValue(50);
    QCoreApplication::processEvents();
    // Left of 60 + 80 - 50 lies the "Name" column now, which in row 2 is cut off.
    const QPoint p(60 + 80 - 50 - 10, Cell(2, 1).center().y());
    ASSERT_EQ(list.indexAt(p).column(), 1);
    Move(viewport, p);
    ASSERT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->Text(), kLong);
    EXPECT_EQ(tip->pos().x(), viewport->mapToGlobal(QPoint(Cell(2, 1).left() + list.TextInset() - 3, 0)).x());
}

TEST_F(TitleTipTest, LeavingTheCellHidesTheTipAndPassesTheMoveOn) {
    Move(viewport, Cell(2, 1).center());
    ASSERT_TRUE(tip->isVisible());
    CEventRecorder seen(viewport);
    const QRect cell = Cell(2, 1);
    const QPoint inside = tip->mapFromGlobal(viewport->mapToGlobal(QPoint(cell.right(), cell.center().y())));
    Move(tip, inside);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_TRUE(seen.events.empty());
    Move(tip, inside + QPoint(1, 0));
    EXPECT_FALSE(tip->isVisible());
    const CEventRecorder::Seen* move = seen.Last(QEvent::MouseMove);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->globalPos, tip->mapToGlobal(inside + QPoint(1, 0)));
    EXPECT_EQ(move->pos, QPoint(cell.right() + 1, cell.center().y()));
}

TEST_F(TitleTipTest, ClicksOnTheTipReachTheListAtTheSamePoint) {
    Move(viewport, Cell(2, 1).center());
    ASSERT_TRUE(tip->isVisible());
    CEventRecorder seen(viewport);
    int doubles = 0;
    QObject::connect(&list, &CSortListCtrl::listDoubleClicked, [&] { ++doubles; });
    const QPoint at = TipCentre();
    Click(tip, at);
    EXPECT_TRUE(tip->isVisible());
    const CEventRecorder::Seen* press = seen.Last(QEvent::MouseButtonPress);
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(press->globalPos, tip->mapToGlobal(at));
    EXPECT_EQ(press->pos, viewport->mapFromGlobal(tip->mapToGlobal(at)));
    EXPECT_EQ(press->button, Qt::LeftButton);
    ASSERT_NE(seen.Last(QEvent::MouseButtonRelease), nullptr);
    EXPECT_EQ(list.GetFirstSelectedItem(), 2);

    Mouse(tip, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    Release(tip, at);
    ASSERT_NE(seen.Last(QEvent::MouseButtonDblClick), nullptr);
    EXPECT_EQ(doubles, 1);
}

TEST_F(TitleTipTest, AClickOverAScrollBarGoesThereAndHidesTheTip) {
    // The long comment of row 3 runs past the viewport, so the tip covers the vertical scroll bar.
    QScrollBar* bar = list.verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    Move(viewport, QPoint(viewport->width() - 20, Cell(3, 2).center().y()));
    ASSERT_TRUE(tip->isVisible());
    const QPoint onBar = bar->mapToGlobal(QPoint(bar->width() / 2, bar->height() - 30));
    const QPoint global(onBar.x(), tip->mapToGlobal(TipCentre()).y());
    ASSERT_TRUE(tip->geometry().contains(global));
    CEventRecorder seen(bar);
    Press(tip, tip->mapFromGlobal(global));
    EXPECT_FALSE(tip->isVisible());
    const CEventRecorder::Seen* press = seen.Last(QEvent::MouseButtonPress);
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(press->globalPos, global);
    Release(tip, tip->mapFromGlobal(global));
    EXPECT_NE(seen.Last(QEvent::MouseButtonRelease), nullptr);
}

TEST_F(TitleTipTest, AKeyPressHidesTheTipAndGoesToTheList) {
    ShowTip(20);
    ASSERT_TRUE(tip->isVisible());
    list.setFocus();
    list.setCurrentIndex(list.model()->index(0, 0));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(tip, &down);
    EXPECT_FALSE(tip->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(list.currentIndex().row(), 1);
}

TEST_F(TitleTipTest, TheWheelScrollsTheListAndHidesTheTip) {
    Move(viewport, Cell(2, 1).center());
    ASSERT_TRUE(tip->isVisible());
    QWheelEvent wheel(TipCentre(), tip->mapToGlobal(TipCentre()), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tip, &wheel);
    EXPECT_FALSE(tip->isVisible());
    EXPECT_GT(list.verticalScrollBar()->value(), 0);
}

TEST_F(TitleTipTest, AMaskedColumnShowsBulletsNeverRevealsItsTextAndStillSorts) {
    list.SetItemText(5, 1, u"zz-geheim"_s);
    list.SetItemText(4, 1, QString());
    const unsigned char types[] = {1, 1, 1};
    list.SetColumnTypes(types, 3);
    list.EnableSort(true);
    ASSERT_TRUE(list.SetColumnMasked(1, true));
    Move(viewport, Cell(2, 1).center());
    EXPECT_FALSE(tip->isVisible()) << "the bullets fit; the text would not";
    const QModelIndex cut = list.model()->index(2, 1);
    EXPECT_EQ(cut.data().toString(), u"••••••"_s);
    EXPECT_EQ(list.model()->index(4, 1).data().toString(), QString()) << "an empty text stays empty";
    EXPECT_EQ(list.GetItemText(2, 1), kLong) << "the owner still reads the text";
    // The rows draw the bullets only: two different texts look alike.
    list.SetHighlightMode(CSortListCtrl::kHighlightFull);
    const auto drawn = [&](int row, int column) { return viewport->grab(Cell(row, column)).toImage(); };
    EXPECT_EQ(drawn(5, 1), drawn(6, 1));
    list.SetColumnMasked(1, false);
    EXPECT_NE(drawn(5, 1), drawn(6, 1));
    list.SetColumnMasked(1, true);
    // The flag moves with its column, and sorting goes by the texts.
    list.MoveColumn(1, 0);
    EXPECT_TRUE(list.IsColumnMasked(0));
    EXPECT_FALSE(list.IsColumnMasked(1));
    ASSERT_TRUE(list.SortByColumn(0, false));
    EXPECT_EQ(list.GetItemText(0, 0), u"zz-geheim"_s);
    list.SetColumnMasked(0, false);

    // Wiped: the rows go, and so does the tip's text.
    int longRow = 0;
    while (list.GetItemText(longRow, 2) != kLong + kLong) {
        ++longRow;
    }
    list.scrollTo(list.model()->index(longRow, 2));
    Move(viewport, Cell(longRow, 2).center());
    ASSERT_TRUE(tip->isVisible());
    list.WipeAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_FALSE(tip->isVisible());
    EXPECT_TRUE(tip->Text().isEmpty());
}
