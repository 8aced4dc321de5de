// The entry list and the commands on its rows: what each command does to the document whatever
// the sort and column order, when it is enabled, the clipboard, the context menu and the keys.
#include "app_test_support.h"

#include "controls/move_header_ctrl.h"
#include "platform/desktop_open.h"
#include "platform/settings_store.h"
#include "platform/web_launcher.h"
#include "resources/resource_ids.h"

#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QSettings>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

const std::vector<Fields> kFive = {{"e-site", "a-name", "pw1", "k1"},
                                   {"d-site", "b-name", "pw2", "k2"},
                                   {"c-site", "c-name", "pw3", "k3"},
                                   {"b-site", "d-name", "pw4", "k4"},
                                   {"a-site", "e-name", "pw5", "k5"}};

class EntryCommandsTest : public AppTest {
protected:
    void Load(const std::vector<Fields>& entries) {
        for (const Fields& e : entries) {
            Doc().AddEntry(e[0], e[1], e[2], e[3]);
        }
        Doc().SetModifiedFlag(false);
        View().FillList();
    }
    // Sorts by the column titled title (a click on its header) and returns the rows' sites.
    void SortBy(const QString& title) { List().GetHeaderCtrl()->sectionClicked(List().FindColumn(title)); }
    int RowOfSite(const std::string& site) {
        for (int row = 0; row < List().GetItemCount(); ++row) {
            if (List().GetItemText(row, List().FindColumn(u"Seite"_s)) == TextFromVault(site)) {
                return row;
            }
        }
        return -1;
    }
    std::vector<std::string> Sites() {
        std::vector<std::string> sites;
        for (const Fields& e : DocEntries(Doc())) {
            sites.push_back(e[0]);
        }
        return sites;
    }
};

TEST_F(EntryCommandsTest, SummaryLineCountsEntriesAndPasswordLength) {
    EXPECT_EQ(CZelmoraView::SummaryText(0, 0), u"Keine Passwort Details -  Kein Passwort eingegeben."_s);
    EXPECT_EQ(CZelmoraView::SummaryText(1, 8), u"1 Passwort Detail -  Passwort Länge 8 Zeichen"_s);
    EXPECT_EQ(CZelmoraView::SummaryText(1000, 1), u"1000 Passwort Details -  Passwort Länge 1 Zeichen"_s);
    Load(kFive);
    EXPECT_EQ(Frame().MessageText(), u"5 Passwort Details -  Kein Passwort eingegeben."_s);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(List().GetItemData(row), static_cast<quintptr>(row));
    }
}

TEST_F(EntryCommandsTest, CustomCaptionsHideFieldsThatEditsAndDuplicatesStillKeep) {
    auto store = CSettingsStore::Open();
    store->setValue(u"Column1"_s, u"Name"_s);
    store->setValue(u"Column2"_s, u"Seite"_s);
    store.reset();
    View().OnInitialUpdate();
    ASSERT_EQ(List().GetColumnCount(), 2);
    EXPECT_EQ(List().GetColumnWidth(0), 250);
    EXPECT_EQ(List().GetColumnWidth(1), 130);
    Load({{"site", "user", "secret", "note"}});
    EXPECT_EQ(List().GetItemText(0, 0), u"user"_s);

    Select({0});
    CModalDriver driver{[](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(u"siteEdit"_s)->setText(u"site2"_s);
        dialog.accept();
    }};
    Action(zid::ID_ENTRY_CHANGE)->trigger();
    Select({0});
    Action(zid::ID_ENTRY_DUPLICATE)->trigger();
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{{"site2", "user", "secret", "note"},
                                                      {"site2", "user", "secret", "note"}}));
}

TEST_F(EntryCommandsTest, EditsAfterSortingAndMovingColumnsHitTheSelectedEntry) {
    Load(kFive);
    SortBy(u"Seite"_s);       // a-site ... e-site
    List().MoveColumn(2, 0);  // "Passwort" first
    Select({RowOfSite("c-site")});
    CModalDriver driver{[](QDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>(u"passwordEdit"_s)->text(), u"pw3"_s);
        dialog.findChild<QLineEdit*>(u"commentEdit"_s)->setText(u"neu"_s);
        dialog.accept();
    }};
    Action(zid::ID_ENTRY_CHANGE)->trigger();
    EXPECT_EQ(Sites(), (std::vector<std::string>{"e-site", "d-site", "b-site", "a-site", "c-site"}));
    EXPECT_EQ(Doc().GetEntryAt(4).GetKommentar(), "neu");
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(List().GetItemText(0, List().FindColumn(u"Seite"_s)), u"e-site"_s) << "refilled in entry order";

    // OK without a change: nothing moves, nothing is marked.
    Doc().SetModifiedFlag(false);
    Select({0});
    driver.Then(Accept());
    Action(zid::ID_ENTRY_CHANGE)->trigger();
    EXPECT_EQ(Sites().front(), "e-site");
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(EntryCommandsTest, DeleteRemovesExactlyTheSelectedRowsAfterSorting) {
    Load(kFive);
    SortBy(u"Seite"_s);
    SortBy(u"Seite"_s);  // descending: rows show e, d, c, b, a
    Select({1, 3});      // d-site and b-site
    m_boxes.Reply(QMessageBox::No);
    Action(zid::ID_ENTRY_DELETE)->trigger();
    EXPECT_EQ(BoxTexts(), QStringList(u"Wollen Sie wirklich den Eintrag löschen?"_s));
    EXPECT_EQ(Doc().GetEntryCount(), 5);

    Select({RowOfSite("d-site"), RowOfSite("b-site")});
    m_boxes.Reply(QMessageBox::Yes);
    Action(zid::ID_ENTRY_DELETE)->trigger();
    EXPECT_EQ(Sites(), (std::vector<std::string>{"e-site", "c-site", "a-site"}));
    EXPECT_TRUE(Doc().IsModified());

    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kLoeschen, 0);
    Select({0});
    Action(zid::ID_ENTRY_DELETE)->trigger();
    EXPECT_EQ(BoxTexts().size(), 2) << "no question with Loeschen = 0";
    EXPECT_EQ(Sites(), (std::vector<std::string>{"c-site", "a-site"}));
}

TEST_F(EntryCommandsTest, DuplicateThenDeleteLeavesTheOtherCopy) {
    Load({kFive[0], kFive[1]});
    Select({0});
    Action(zid::ID_ENTRY_DUPLICATE)->trigger();
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kFive[0], kFive[1], kFive[0]}));
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kLoeschen, 0);
    Select({0});
    Action(zid::ID_ENTRY_DELETE)->trigger();
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kFive[1], kFive[0]}));
}

TEST_F(EntryCommandsTest, OkWithoutAChangeKeepsLongFieldsAndBytesWithoutACharacter) {
    // Longer than a line edit takes by default, and a zero byte that no field character stands for.
    const std::vector<Fields> entries = {{"lang", "anna", std::string(33000, 'p'), std::string(40000, 'k')},
                                         {"null", std::string("a\0b", 3), "pw", ""},
                                         {"drei", "", "", ""}};
    Load(entries);
    for (const std::string& site : {std::string("lang"), std::string("null")}) {
        SCOPED_TRACE(site);
        CModalDriver driver{Accept()};
        View().EditEntry(RowOfSite(site));
        EXPECT_EQ(DocEntries(Doc()), entries) << "nothing cut, nothing moved";
        EXPECT_FALSE(Doc().IsModified());
    }
}

TEST_F(EntryCommandsTest, NewEntryStoresWhatWasTypedButNotFourEmptyTexts) {
    CModalDriver driver{EnterEntry(u"Bank"_s, u"anna"_s, u"Paßwort"_s, QString()),
                        EnterEntry(QString(), QString(), QString(), QString()), Cancel()};
    for (int i = 0; i < 3; ++i) {
        Action(zid::ID_ENTRY_NEW)->trigger();
    }
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{{"Bank", "anna", "Pa\xDFwort", ""}}));
}

TEST_F(EntryCommandsTest, SelectionDecidesWhatIsEnabledInMenusAndContextMenu) {
    Load(kFive);
    const int needRow[] = {zid::ID_ENTRY_CHANGE,  zid::ID_ENTRY_DELETE, zid::ID_ENTRY_DUPLICATE,
                           zid::ID_COPY_SEITE,    zid::ID_COPY_NAME,    zid::ID_COPY_PASSWORT,
                           zid::ID_COPY_KOMMENTAR};
    Select({});
    for (const int id : needRow) {
        EXPECT_FALSE(Action(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(Action(zid::ID_ENTRY_NEW)->isEnabled());
    EXPECT_TRUE(Action(zid::ID_CLEAR_CLIPBOARD)->isEnabled());

    View().OnListRightClick(QPoint(10, 10));
    auto* menu = View().findChild<QMenu*>(u"contextMenu"_s);
    ASSERT_NE(menu, nullptr);
    QStringList enabled;
    for (QAction* item : menu->actions()) {
        if (!item->isSeparator() && item->isEnabled()) {
            enabled << item->text();
        }
        // The "Kopiere" popup opens; only its items are greyed.
        for (QAction* sub : item->menu() ? item->menu()->actions() : QList<QAction*>()) {
            EXPECT_FALSE(sub->isEnabled()) << sub->text().toStdString();
        }
    }
    EXPECT_EQ(enabled, QStringList({u"Kopiere"_s, u"Lösche Zwischenablage"_s}));
    menu->close();
    delete menu;

    Select({2});
    for (const int id : needRow) {
        EXPECT_TRUE(Action(id)->isEnabled()) << id;
    }
    View().OnListRightClick(QPoint(10, 10));
    menu = View().findChild<QMenu*>(u"contextMenu"_s);
    ASSERT_NE(menu, nullptr);
    QAction* name = nullptr;
    for (QAction* item : menu->actions()) {
        if (item->menu()) {
            EXPECT_EQ(item->text(), u"Kopiere"_s);
            name = item->menu()->actions().at(1);
        }
    }
    ASSERT_NE(name, nullptr);
    name->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"c-name"_s);
    delete menu;

    // No menu at all on an empty list.
    Doc().RemoveAllEntries();
    View().FillList();
    View().OnListRightClick(QPoint(10, 10));
    EXPECT_EQ(View().findChild<QMenu*>(u"contextMenu"_s), nullptr);
}

TEST_F(EntryCommandsTest, ClipboardCarriesTheTextMarkedSecretAndIsClearedAtExit) {
    Load({{"site", "user", "Pa\xDFwort\xE4", ""}, {"s2", "u2", "", ""}});
    Select({0});
    Action(zid::ID_COPY_PASSWORT)->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(data->text(), u"Paßwortä"_s);
    EXPECT_EQ(data->data(u"x-kde-passwordManagerHint"_s), QByteArray("secret"));

    Action(zid::ID_CLEAR_CLIPBOARD)->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasText());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());

    Select({1});
    Action(zid::ID_COPY_PASSWORT)->trigger();  // an empty password
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());

    Select({0});
    Action(zid::ID_COPY_NAME)->trigger();
    View().ClearOwnClipboard();
    EXPECT_FALSE(QGuiApplication::clipboard()->text().contains(u"user"_s));

    // Text another program copied since is left alone.
    Action(zid::ID_COPY_NAME)->trigger();
    QGuiApplication::clipboard()->setText(u"fremd"_s);
    View().ClearOwnClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"fremd"_s);

    Select({});
    View().OnCopyField(zid::ID_COPY_SEITE);
    EXPECT_EQ(BoxTexts(), QStringList(u"Keine Zeile zum kopieren makiert."_s));
}

TEST_F(EntryCommandsTest, DoubleClickAndReturnEditOrOpenTheSiteAsTheSettingSays) {
    Load(kFive);
    QStringList opened;
    SetWebLauncherHook([&opened](const QString& address) {
        opened << address;
        return 42;
    });
    // After a fill nothing is selected: the first arrow key selects the row with the focus.
    QTest::keyClick(&List(), Qt::Key_Down);
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{0});

    Select({3});
    CModalDriver driver{Cancel()};
    View().OnListDoubleClick();
    EXPECT_EQ(driver.Titles().size(), 1) << "the entry dialog";

    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kDoubleClick, 1);
    QTest::keyClick(&List(), Qt::Key_Return);
    EXPECT_EQ(opened, QStringList(u"b-site"_s));
    SetWebLauncherHook({});

    // Entf asks, as "Löschen" does.
    m_boxes.Reply(QMessageBox::Yes);
    QTest::keyClick(&List(), Qt::Key_Delete);
    EXPECT_EQ(BoxTexts(), QStringList(u"Wollen Sie wirklich den Eintrag löschen?"_s));
    EXPECT_EQ(Doc().GetEntryCount(), 4);
}

TEST_F(EntryCommandsTest, NavigationKeysSelectTheRowTheyLandOnEvenWhenItHasTheFocus) {
    Load(kFive);
    // As after opening: the first row has the focus, nothing is selected.
    List().selectionModel()->setCurrentIndex(List().model()->index(0, 0), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&List(), Qt::Key_Home);
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{0});
    QTest::keyClick(&List(), Qt::Key_Down);
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{1});
    m_boxes.Reply(QMessageBox::Yes);
    QTest::keyClick(&List(), Qt::Key_Delete);
    EXPECT_EQ(Sites(), (std::vector<std::string>{"e-site", "c-site", "b-site", "a-site"}));

    // End on the last row that has the focus, Bild auf on the first: the same.
    Select({});
    List().selectionModel()->setCurrentIndex(List().model()->index(3, 0), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&List(), Qt::Key_End);
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{3});
    Select({});
    List().selectionModel()->setCurrentIndex(List().model()->index(0, 0), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&List(), Qt::Key_PageUp);
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{0});
}

TEST_F(EntryCommandsTest, AMailtoSiteReachesTheDesktopWithoutTheHeadersAMailProgramWouldActOn) {
    Load({{"mailto:x@example.org?attach=/etc/shadow", "", "", ""},
          {" MAILTO:anna@example.org?subject=Hallo%20Welt&Attach=/etc/shadow&body=a%26attach%3D/etc/shadow"
           "&cc=b@example.org&bcc=c@example.org&att%61ch=/x&to=d@example.org&x-y=1#f",
           "", "", ""},
          {"mailto:z@example.org?subject=a?attach=/etc/shadow", "", "", ""}});
    QStringList opened;
    SetDesktopOpener([&opened](const QUrl& url) {
        opened << url.toString(QUrl::FullyEncoded);
        return true;
    });
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kDoubleClick, 1);
    for (const int row : {0, 1, 2}) {
        Select({row});
        View().OnListDoubleClick();
    }
    SetDesktopOpener({});
    EXPECT_EQ(opened,
              QStringList({u"mailto:x@example.org"_s,
                           u"mailto:anna@example.org?subject=Hallo%20Welt&body=a%26attach%3D%2Fetc%2Fshadow"
                           u"&cc=b@example.org&bcc=c@example.org"_s,
                           u"mailto:z@example.org?subject=a%3Fattach%3D%2Fetc%2Fshadow"_s}));
}

TEST_F(EntryCommandsTest, ColumnOrderWidthsAndTheSortColumnComeBackAtTheNextStart) {
    Load(kFive);
    List().MoveColumn(2, 0);  // Passwort, Seite, Name, Kommentar
    List().SetColumnWidth(1, 177);
    SortBy(u"Name"_s);
    SortBy(u"Name"_s);  // descending
    Frame().SavePlacement();
    EXPECT_FALSE(m_settings.FileText().contains(u"Column1"_s)) << "the user's own captions stay theirs";

    const auto start = [this](CZelmoraDoc& doc) {
        auto frame = std::make_unique<CMainFrame>(doc);
        for (const Fields& e : kFive) {
            doc.AddEntry(e[0], e[1], e[2], e[3]);
        }
        frame->View().OnInitialUpdate();
        return frame;
    };
    CZelmoraDoc doc;
    const auto next = start(doc);
    CSortListCtrl& list = next->View().List();
    QStringList titles;
    for (int pos = 0; pos < list.GetColumnCount(); ++pos) {
        titles << list.GetColumnTitle(pos);
    }
    EXPECT_EQ(titles, QStringList({u"Passwort"_s, u"Seite"_s, u"Name"_s, u"Kommentar"_s}));
    EXPECT_EQ(list.GetColumnWidth(0), 130);
    EXPECT_EQ(list.GetColumnWidth(1), 177);
    EXPECT_EQ(list.GetItemText(0, list.FindColumn(u"Name"_s)), u"e-name"_s) << "sorted by Name, descending";
    EXPECT_EQ(list.GetItemText(4, list.FindColumn(u"Name"_s)), u"a-name"_s);
    EXPECT_EQ(list.GetItemData(0), 4u);

    // Without "RestorePosition" the columns start as they always did.
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kRestorePosition, 0);
    CZelmoraDoc plainDoc;
    const auto plain = start(plainDoc);
    EXPECT_EQ(plain->View().List().GetColumnTitle(0), u"Seite"_s);
    EXPECT_EQ(plain->View().List().GetColumnWidth(1), 130);
    EXPECT_EQ(plain->View().List().GetItemData(0), 0u);
}

}  // namespace
