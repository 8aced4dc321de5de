// Which vault a start shows: the one it names, never "LastFile" in its place; and a start whose
// password prompt is cancelled shows a new vault instead of cipher text.
#include "app_test_support.h"

#include "app/zelmora_app.h"
#include "platform/settings_store.h"

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

TEST(StartVaultTest, RestoreFileReopensLastFileOnlyWhenTheStartNamesNoVault) {
    CPrivateSettings settings;
    CMessageBoxAnswers boxes;
    QTemporaryDir dir;
    const QString last = dir.filePath(u"A.zlm"_s);
    const QString named = dir.filePath(u"B.zlm"_s);
    WriteVault(last, {{"a", "", "", ""}}, "alpha");
    WriteVault(named, {{"b", "", "", ""}}, "");
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kRestoreFile, 1);
    CSettingsStore::WriteString(settings::kSectionGeneral, settings::kLastFile, last);
    int exitCode = 0;
    {
        CModalDriver driver;
        CZelmoraApp app;
        ASSERT_TRUE(app.InitInstance({named}, &exitCode));
        EXPECT_TRUE(driver.Titles().isEmpty()) << "no prompt for LastFile";
        EXPECT_EQ(app.Doc()->GetPathName(), named);
        EXPECT_EQ(DocEntries(*app.Doc()), (std::vector<Fields>{{"b", "", "", ""}}));

        // A hand-over later replaces the vault, and LastFile stays out of it too.
        const QString other = dir.filePath(u"C.zlm"_s);
        WriteVault(other, {{"c", "", "", ""}}, "");
        ASSERT_TRUE(app.Doc()->OpenDocumentFile(other));
        EXPECT_EQ(DocEntries(*app.Doc()), (std::vector<Fields>{{"c", "", "", ""}}));
        EXPECT_TRUE(driver.Titles().isEmpty());
    }
    CModalDriver driver{TypePassword(u"alpha"_s)};
    CZelmoraApp app;
    ASSERT_TRUE(app.InitInstance({}, &exitCode));
    EXPECT_EQ(app.Doc()->GetPathName(), last);
    EXPECT_EQ(DocEntries(*app.Doc()), (std::vector<Fields>{{"a", "", "", ""}}));
}

TEST(StartVaultTest, CancellingTheNamedVaultsPasswordStartsWithANewVault) {
    CPrivateSettings settings;
    CMessageBoxAnswers boxes;
    QTemporaryDir dir;
    const QString vault = dir.filePath(u"Tresor.zlm"_s);
    WriteVault(vault, {{"a", "b", "c", "d"}}, "Geheimnis");
    CModalDriver driver{Cancel()};
    CZelmoraApp app;
    int exitCode = 1;
    ASSERT_TRUE(app.InitInstance({vault}, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(app.Doc()->GetEntryCount(), 0);
    EXPECT_TRUE(app.Doc()->GetPathName().isEmpty());
    EXPECT_EQ(app.Frame()->windowTitle(), u"Unbenannt - Zelmora"_s);
    EXPECT_TRUE(boxes.Calls().empty());
}

}  // namespace
