#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "dialog_test_support.h"
#include "dialogs/options_dlg.h"
#include "resources/resource_ids.h"

using namespace dialog_test;

namespace {

const char* const kValues[] = {"DoubleClick", "RestoreFile", "RestorePosition", "Loeschen", "Bak"};

class OptionsDlgTest : public DialogTest {
protected:
    static QCheckBox* Check(const QWidget& d, int id) { return Control<QCheckBox>(d, id); }
    static QRadioButton* Radio(const QWidget& d, int id) { return Control<QRadioButton>(d, id); }
    static void Store(int doubleClick, int restoreFile, int restorePosition, int confirmDelete, int backup) {
        const int values[] = {doubleClick, restoreFile, restorePosition, confirmDelete, backup};
        for (int i = 0; i < 5; ++i) {
            CSettingsStore::WriteInt("Properties", kValues[i], values[i]);
        }
    }
    static std::vector<int> StoredValues() {
        std::vector<int> values;
        for (const char* name : kValues) {
            values.push_back(Stored("Properties", name));
        }
        return values;
    }
};

TEST_F(OptionsDlgTest, AnEmptyStoreShowsEveryBoxTickedAndEditingChosen) {
    COptionsDlg dlg;
    Run(dlg, [&](QDialog& d) {
        for (int id : {zid::IDC_OPT_RESTORE_POSITION, zid::IDC_OPT_RESTORE_FILE, zid::IDC_OPT_CONFIRM_DELETE,
                       zid::IDC_OPT_BACKUP}) {
            EXPECT_TRUE(Check(d, id)->isChecked()) << id;
        }
        EXPECT_TRUE(Radio(d, zid::IDC_OPT_DBLCLICK_EDIT)->isChecked());
        EXPECT_FALSE(Radio(d, zid::IDC_OPT_DBLCLICK_WEB)->isChecked());
        EXPECT_EQ(d.focusWidget(), Check(d, zid::IDC_OPT_RESTORE_POSITION));
    });
    EXPECT_EQ(dlg.m_nDoubleClick, 0);
}

TEST_F(OptionsDlgTest, OkWithoutChangesWritesAllFiveValues) {
    COptionsDlg dlg;
    EXPECT_EQ(Run(dlg, [](QDialog& d) { Control<QPushButton>(d, zid::IDOK)->click(); }), zid::IDOK);
    EXPECT_EQ(StoredValues(), (std::vector<int>{0, 1, 1, 1, 1}));
}

TEST_F(OptionsDlgTest, StoredValuesAreShownAndNegativeOnesAsUnticked) {
    Store(1, -1, 0, 5, -7);
    COptionsDlg dlg;
    const int result = Run(dlg, [&](QDialog& d) {
        EXPECT_FALSE(Check(d, zid::IDC_OPT_RESTORE_FILE)->isChecked());
        EXPECT_FALSE(Check(d, zid::IDC_OPT_RESTORE_POSITION)->isChecked());
        EXPECT_TRUE(Check(d, zid::IDC_OPT_CONFIRM_DELETE)->isChecked());
        EXPECT_FALSE(Check(d, zid::IDC_OPT_BACKUP)->isChecked());
        EXPECT_TRUE(Radio(d, zid::IDC_OPT_DBLCLICK_WEB)->isChecked());
        QTest::keyClick(&d, Qt::Key_Return);
    });
    EXPECT_EQ(result, zid::IDOK);
    EXPECT_EQ(StoredValues(), (std::vector<int>{1, 0, 0, 1, 0}));
    EXPECT_EQ(dlg.m_bConfirmDelete, 1);
}

TEST_F(OptionsDlgTest, ADoubleClickIndexOfNeitherRadioIsStoredAsMinusOne) {
    for (int stored : {2, -1}) {
        SCOPED_TRACE(stored);
        Store(stored, 1, 1, 1, 1);
        COptionsDlg dlg;
        Run(dlg, [&](QDialog& d) {
            EXPECT_FALSE(Radio(d, zid::IDC_OPT_DBLCLICK_EDIT)->isChecked());
            EXPECT_FALSE(Radio(d, zid::IDC_OPT_DBLCLICK_WEB)->isChecked());
            Control<QPushButton>(d, zid::IDOK)->click();
        });
        EXPECT_EQ(Stored("Properties", "DoubleClick"), -1);
        EXPECT_EQ(dlg.m_nDoubleClick, -1);
    }
}

TEST_F(OptionsDlgTest, OkStoresWhatTheUserChose) {
    COptionsDlg dlg;
    Run(dlg, [&](QDialog& d) {
        Check(d, zid::IDC_OPT_RESTORE_FILE)->click();
        Check(d, zid::IDC_OPT_BACKUP)->click();
        Radio(d, zid::IDC_OPT_DBLCLICK_WEB)->click();
        Control<QPushButton>(d, zid::IDOK)->click();
    });
    EXPECT_EQ(StoredValues(), (std::vector<int>{1, 0, 1, 1, 0}));
}

TEST_F(OptionsDlgTest, EveryWayOfCancellingWritesNothing) {
    const std::vector<ModalHook> cancels = {
        [](QDialog& d) { Control<QPushButton>(d, zid::IDCANCEL)->click(); },
        [](QDialog& d) { PressEscape(d); },
        [](QDialog& d) { CloseBox(d); },
    };
    const auto changeEverythingAndCancel = [](const ModalHook& cancel) {
        COptionsDlg dlg;
        return Run(dlg, [&](QDialog& d) {
            for (int id : {zid::IDC_OPT_RESTORE_POSITION, zid::IDC_OPT_RESTORE_FILE,
                           zid::IDC_OPT_CONFIRM_DELETE, zid::IDC_OPT_BACKUP}) {
                Check(d, id)->click();
            }
            Radio(d, zid::IDC_OPT_DBLCLICK_WEB)->click();
            cancel(d);
        });
    };
    for (const auto& cancel : cancels) {
        ClearStore();
        EXPECT_EQ(changeEverythingAndCancel(cancel), zid::IDCANCEL);
        EXPECT_EQ(StoredValues(), std::vector<int>(5, kMissing));

        Store(0, 1, 0, 1, 0);
        EXPECT_EQ(changeEverythingAndCancel(cancel), zid::IDCANCEL);
        EXPECT_EQ(StoredValues(), (std::vector<int>{0, 1, 0, 1, 0}));
    }
}

TEST_F(OptionsDlgTest, TemplateKeepsItsTextsAndTabOrder) {
    COptionsDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(Check(dlg, zid::IDC_OPT_BACKUP)->text(),
              QStringLiteral("Erstelle immer noch eine Sicherungsdatei mit endung *.bak"));
    EXPECT_EQ(Radio(dlg, zid::IDC_OPT_DBLCLICK_EDIT)->text(),
              QStringLiteral("wird der Eintrag zum bearbeiten geöffnet."));
    EXPECT_EQ(Control<QPushButton>(dlg, zid::IDOK)->text(), QStringLiteral("OK"));
    EXPECT_EQ(Control<QPushButton>(dlg, zid::IDCANCEL)->text(), QStringLiteral("Abbruch"));
    EXPECT_EQ(TabOrder(dlg),
              (QStringList{QStringLiteral("restorePositionCheck"), QStringLiteral("restoreFileCheck"),
                           QStringLiteral("doubleClickEditRadio"), QStringLiteral("doubleClickWebRadio"),
                           QStringLiteral("okButton"), QStringLiteral("cancelButton"),
                           QStringLiteral("confirmDeleteCheck"), QStringLiteral("backupCheck")}));
}

}  // namespace
