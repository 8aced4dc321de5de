// The search field of the tool bar and the list it narrows: which entries a query finds, the keys
// in the field and in the list, the commands on the rows shown, and the search kept through
// sorts, column moves, a reload of the file and the lock.
#include "app_test_support.h"

#include "controls/move_header_ctrl.h"
#include "document/vault_sync.h"
#include "resources/resource_ids.h"
#include "view/search_field.h"

#include <QClipboard>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

// Müller and ÄPFEL in code page 1252; the password "tele" must never be found.
const std::vector<Fields> kEntries = {{"https://www.telekom.de", "M\xFCller", "pw1", "Festnetz"},
                                      {"https://www.sparkasse-bank.de", "anna", "tele", "Giro"},
                                      {"https://www.zahnarzt.de", "bob", "pw3", "\xC4PFEL Termin"},
                                      {"https://www.volksbank.de", "carl", "pw4", "Bank Konto"},
                                      {"https://www.amazon.de", "dora", "pw5", "Einkauf"}};

class SearchTest : public AppTest {
protected:
    SearchTest() {
        for (const Fields& e : kEntries) {
            Doc().AddEntry(e[0], e[1], e[2], e[3]);
        }
        Doc().SetModifiedFlag(false);
        View().FillList();
    }
    CSearchField& Field() {
        auto* field = Frame().findChild<CSearchField*>(u"searchField"_s);
        EXPECT_NE(field, nullptr);
        return *field;
    }
    QLabel& Pane() { return *Frame().findChild<QLabel*>(u"searchPane"_s); }
    // The window shown and active, so that focus moves as for a user.
    void ShowWindow() {
        Frame().show();
        QApplication::setActiveWindow(&Frame());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    }
    QStringList Sites() {
        QStringList sites;
        const int column = List().FindColumn(u"Seite"_s);
        for (int row = 0; row < List().GetItemCount(); ++row) {
            sites << List().GetItemText(row, column).mid(12);  // without "https://www."
        }
        return sites;
    }
    std::vector<std::string> DocSites() {
        std::vector<std::string> sites;
        for (const Fields& e : DocEntries(Doc())) {
            sites.push_back(e[0].substr(12));
        }
        return sites;
    }
};

}  // namespace

TEST_F(SearchTest, EveryWordMustOccurInSiteNameOrCommentIgnoringCaseAndUmlautsNeverInPasswords) {
    const QString summary = Frame().MessageText();
    EXPECT_EQ(Field().placeholderText(), u"Suchen (Strg+F)"_s);
    EXPECT_FALSE(Pane().isVisibleTo(&Frame()));

    Field().setText(u"BANK"_s);
    EXPECT_EQ(Sites(), QStringList({u"sparkasse-bank.de"_s, u"volksbank.de"_s}));
    EXPECT_EQ(Pane().text(), u"2 von 5"_s);
    EXPECT_TRUE(Pane().isVisibleTo(&Frame()));
    EXPECT_EQ(Frame().MessageText(), summary) << "the summary stays as it is";

    Field().setText(u"  konto   bank "_s);
    EXPECT_EQ(Sites(), QStringList{u"volksbank.de"_s});
    Field().setText(u"müller festnetz tele"_s);  // name, comment, site
    EXPECT_EQ(Sites(), QStringList{u"telekom.de"_s}) << "the password tele of anna is not searched";
    EXPECT_EQ(List().GetItemText(0, List().FindColumn(u"Name"_s)), u"Müller"_s) << "cells unaltered";
    Field().setText(u"äpfel"_s);
    EXPECT_EQ(Sites(), QStringList{u"zahnarzt.de"_s});
    Field().setText(u"ÄPFEL zahn"_s);
    EXPECT_EQ(Sites(), QStringList{u"zahnarzt.de"_s});
    Field().setText(u"giro tele"_s);
    EXPECT_EQ(Sites(), QStringList()) << "tele only in the password";
    EXPECT_EQ(Pane().text(), u"0 von 5"_s);
    Field().setText(u"a\u2605"_s);  // a character no vault text can hold
    EXPECT_EQ(Sites(), QStringList());

    // Typing on narrows from what matched, deleting widens again.
    Field().setText(u"b"_s);
    EXPECT_EQ(Sites().size(), 3);
    Field().setText(u"ba"_s);
    EXPECT_EQ(Sites(), QStringList({u"sparkasse-bank.de"_s, u"volksbank.de"_s}));
    Field().setText(u"b"_s);
    EXPECT_EQ(Sites().size(), 3);
    Field().setText(u"   "_s);
    EXPECT_EQ(Sites().size(), 5);
    EXPECT_FALSE(Pane().isVisibleTo(&Frame()));
}

TEST_F(SearchTest, StrgFDownReturnAndEscapeMoveTheFocusAndKeepTheSelection) {
    ShowWindow();
    QAction* search = Action(zid::ID_VIEW_SEARCH);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->text(), u"&Suchen\tStrg+F"_s);
    EXPECT_EQ(search->shortcut(), QKeySequence(u"Ctrl+F"_s));
    auto* bar = Frame().findChild<QToolBar*>(u"toolBar"_s);
    EXPECT_EQ(bar->widgetForAction(bar->actions().last()), &Field()) << "after the last button group";

    Field().setText(u"de"_s);
    List().setFocus();
    QTest::keyClick(&List(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(Field().hasFocus());
    EXPECT_EQ(Field().selectedText(), u"de"_s);
    QTest::keyClicks(&Field(), u"bank"_s);  // replaces the selected text
    EXPECT_EQ(View().SearchText(), u"bank"_s);
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{});

    QTest::keyClick(&Field(), Qt::Key_Down);
    EXPECT_TRUE(List().hasFocus());
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{0});
    QTest::keyClick(&List(), Qt::Key_Down);  // the list's own keys go on from there
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{1});
    QTest::keyClick(&List(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"https://www.volksbank.de"_s);

    QTest::keyClick(&List(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(Field().hasFocus());
    QTest::keyClick(&Field(), Qt::Key_Return);
    EXPECT_TRUE(List().hasFocus());
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{0});
    QTest::keyClick(&List(), Qt::Key_Down);

    // Pos1 and Ende belong to the list: Strg+F, a word, Pos1 lands on the first match.
    Field().setFocus();
    QTest::keyClick(&Field(), Qt::Key_End);
    EXPECT_TRUE(List().hasFocus());
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{1});
    Field().setFocus();
    QTest::keyClick(&Field(), Qt::Key_Home);
    EXPECT_TRUE(List().hasFocus());
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{0});
    QTest::keyClick(&List(), Qt::Key_Down);

    // Escape in the field: every row again, the focus in the list, volksbank still selected.
    Field().setFocus();
    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_EQ(Field().text(), QString());
    EXPECT_EQ(List().GetItemCount(), 5);
    EXPECT_TRUE(List().hasFocus());
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{3});
    EXPECT_FALSE(Pane().isVisibleTo(&Frame()));

    // Escape in the list gives a search up as well; without one it does nothing.
    Field().setText(u"zahn"_s);
    QTest::keyClick(&List(), Qt::Key_Escape);
    EXPECT_EQ(List().GetItemCount(), 5);
    EXPECT_EQ(Field().text(), QString());

    // Down in a field whose search shows nothing: the focus goes, nothing is selected.
    Field().setText(u"nirgends"_s);
    QTest::keyClick(&Field(), Qt::Key_Down);
    EXPECT_TRUE(List().hasFocus());
    EXPECT_FALSE(View().HasSelection());
}

TEST_F(SearchTest, CommandsActOnTheShownEntriesAndNewOrChangedOnesStayShownUntilTheTextChanges) {
    Field().setText(u"bank"_s);
    Select({1});  // volksbank
    Action(zid::ID_COPY_NAME)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"carl"_s);

    // A duplicate and a new entry that does not match stay shown.
    Action(zid::ID_ENTRY_DUPLICATE)->trigger();
    {
        CModalDriver driver{EnterEntry(u"https://www.wetter.de"_s, u"eve"_s, u"x"_s, QString())};
        Action(zid::ID_ENTRY_NEW)->trigger();
    }
    EXPECT_EQ(Sites(),
              QStringList({u"sparkasse-bank.de"_s, u"volksbank.de"_s, u"volksbank.de"_s, u"wetter.de"_s}));
    EXPECT_EQ(Pane().text(), u"4 von 7"_s);

    // Changed so that it no longer matches: still shown, now at the end of the entries.
    Select({0});
    {
        CModalDriver driver{EnterEntry(u"https://www.sparkasse.de"_s, u"anna"_s, u"tele"_s, u"Giro"_s)};
        Action(zid::ID_ENTRY_CHANGE)->trigger();
    }
    EXPECT_EQ(Sites(),
              QStringList({u"volksbank.de"_s, u"volksbank.de"_s, u"wetter.de"_s, u"sparkasse.de"_s}));

    // Deleting the first duplicate moves the positions of those kept behind it.
    Select({1});
    m_boxes.Reply(QMessageBox::Yes);
    Action(zid::ID_ENTRY_DELETE)->trigger();
    EXPECT_EQ(DocSites(), (std::vector<std::string>{"telekom.de", "zahnarzt.de", "volksbank.de", "amazon.de",
                                                    "wetter.de", "sparkasse.de"}));
    EXPECT_EQ(Sites(), QStringList({u"volksbank.de"_s, u"wetter.de"_s, u"sparkasse.de"_s}));

    // The text changes: only what matches.
    Field().setText(u"bank "_s);
    EXPECT_EQ(Sites(), QStringList{u"volksbank.de"_s});
    EXPECT_EQ(Pane().text(), u"1 von 6"_s);

    // Return on the shown row edits that entry (a double click as the setting says).
    Select({0});
    {
        CModalDriver driver{[](QDialog& dialog) {
            EXPECT_EQ(dialog.findChild<QLineEdit*>(u"nameEdit"_s)->text(), u"carl"_s);
            dialog.reject();
        }};
        QTest::keyClick(&List(), Qt::Key_Return);
        EXPECT_EQ(driver.Titles().size(), 1);
    }
}

TEST_F(SearchTest, APrintoutDuringASearchHoldsTheShownEntriesAlone) {
    Field().setText(u"bank"_s);
    QTemporaryDir folder;
    const QString pdf = folder.filePath(u"liste.pdf"_s);
    {
        // The preview's print button, into a PDF.
        CModalDriver driver{[&](QDialog& dialog) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(&dialog);
            ASSERT_NE(preview, nullptr);
            preview->printer()->setOutputFormat(QPrinter::PdfFormat);
            preview->printer()->setOutputFileName(pdf);
            dialog.findChild<QPrintPreviewWidget*>()->print();
        }};
        Action(zid::ID_FILE_PRINT_PREVIEW)->trigger();
    }
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, {pdf, u"-"_s});
    ASSERT_TRUE(pdftotext.waitForFinished(10000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(text.contains(u"sparkasse-bank.de"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"volksbank.de"_s));
    for (const QString& hidden : {u"telekom"_s, u"zahnarzt"_s, u"amazon"_s}) {
        EXPECT_FALSE(text.contains(hidden)) << hidden.toStdString();
    }
}

TEST_F(SearchTest, SortColumnMovesAndTheSearchCombineInAnyOrder) {
    const auto sortBy = [&](const QString& title) {
        emit List().GetHeaderCtrl()->sectionClicked(List().FindColumn(title));
    };
    sortBy(u"Name"_s);         // anna bob carl dora Müller
    Field().setText(u"ar"_s);  // sparkasse, zahnarzt, carl
    EXPECT_EQ(Sites(), QStringList({u"sparkasse-bank.de"_s, u"zahnarzt.de"_s, u"volksbank.de"_s}));
    sortBy(u"Name"_s);  // descending, while filtered
    EXPECT_EQ(Sites(), QStringList({u"volksbank.de"_s, u"zahnarzt.de"_s, u"sparkasse-bank.de"_s}));
    List().MoveColumn(List().FindColumn(u"Seite"_s), List().GetColumnCount());
    EXPECT_EQ(List().FindColumn(u"Seite"_s), 3);
    EXPECT_EQ(Sites(), QStringList({u"volksbank.de"_s, u"zahnarzt.de"_s, u"sparkasse-bank.de"_s}));
    Select({1});
    Action(zid::ID_COPY_SEITE)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"https://www.zahnarzt.de"_s);

    // All rows again: sorted descending by name as the list was while filtered.
    Field().clear();
    EXPECT_EQ(Sites(), QStringList({u"telekom.de"_s, u"amazon.de"_s, u"volksbank.de"_s, u"zahnarzt.de"_s,
                                    u"sparkasse-bank.de"_s}));
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{3});
}

TEST_F(SearchTest, AReloadKeepsTheSearchTheKeptRowsAndTheSelectedEntryWhereverItMoved) {
    const QString vault = Path(u"Tresor.zlm"_s);
    WriteVault(vault, kEntries, "pw");
    {
        CModalDriver driver{TypePassword(u"pw"_s)};
        Doc().LoadVault(vault);
    }
    QSignalSpy reloads(&Doc().Sync(), &CVaultSync::reloaded);
    Field().setText(u"bank"_s);
    Select({1});  // volksbank, entry 3
    // Another program puts two entries in front: volksbank is entry 5 now.
    std::vector<Fields> changed = {{"https://www.ebank.de", "", "", ""}, {"https://www.x.de", "", "", ""}};
    changed.insert(changed.end(), kEntries.begin(), kEntries.end());
    WriteVault(vault, changed, "pw");
    ASSERT_TRUE(QTest::qWaitFor([&] { return reloads.count() == 1; })) << "the watch saw no change";
    EXPECT_EQ(Field().text(), u"bank"_s);
    EXPECT_EQ(Sites(), QStringList({u"ebank.de"_s, u"sparkasse-bank.de"_s, u"volksbank.de"_s}));
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{2}) << "the same entry, not the same position";
    EXPECT_EQ(Pane().text(), u"3 von 7"_s);
}
