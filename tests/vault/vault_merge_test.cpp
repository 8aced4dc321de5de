// The three-way merge of a vault changed in two places at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vault/vault_merge.h"

namespace {

CEntry E(const std::string& seite, const std::string& passwort = "pw") {
    return CEntry(seite, "name", passwort, "");
}

std::vector<std::string> Sites(const std::vector<CEntry>& entries) {
    std::vector<std::string> sites;
    for (const CEntry& e : entries) {
        sites.push_back(e.GetSeite() + ":" + e.GetPasswort());
    }
    return sites;
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(VaultMerge, TheirsAdditionsAndRemovalsApplyToMineWhichKeepsItsOwnChanges) {
    const std::vector<CEntry> base = {E("a"), E("b"), E("c"), E("d")};
    // Mine: edited b (out, then in at the end), removed d, added m.
    const std::vector<CEntry> mine = {E("a"), E("c"), E("b", "neu"), E("m")};
    // Theirs: removed a, edited c, added t1 and t2, and also removed d.
    const std::vector<CEntry> theirs = {E("b"), E("t1"), E("c", "anders"), E("t2")};
    const SMergeResult merged = MergeEntries(base, mine, theirs);
    EXPECT_EQ(Sites(merged.entries), (Texts{"b:neu", "m:pw", "t1:pw", "c:anders", "t2:pw"}));
    EXPECT_EQ(merged.added, 3);
    EXPECT_EQ(merged.removed, 2);  // a, and c as theirs' edit replaced it
}

TEST(VaultMerge, NothingChangedOnTheirSideLeavesMineAsItIs) {
    const std::vector<CEntry> base = {E("a"), E("b")};
    const std::vector<CEntry> mine = {E("b"), E("x"), E("a"), E("a")};
    const SMergeResult merged = MergeEntries(base, mine, base);
    EXPECT_EQ(Sites(merged.entries), Sites(mine));
    EXPECT_EQ(merged.added + merged.removed, 0);
}

TEST(VaultMerge, EqualEntriesCountAsManyAsThereAre) {
    const CEntry a = E("a");
    // Theirs removed one of two equal entries: one goes out of mine.
    EXPECT_EQ(Sites(MergeEntries({a, a}, {a, a}, {a}).entries), Texts{"a:pw"});
    // Both removed one of them: one stays, not none.
    EXPECT_EQ(Sites(MergeEntries({a, a}, {a}, {a}).entries), Texts{"a:pw"});
    // My duplicate survives their removal of the original.
    EXPECT_EQ(Sites(MergeEntries({a}, {a, a}, {}).entries), Texts{"a:pw"});
    // Their duplicate comes in.
    const SMergeResult dup = MergeEntries({a}, {a}, {a, a});
    EXPECT_EQ(Sites(dup.entries), (Texts{"a:pw", "a:pw"}));
    EXPECT_EQ(dup.added, 1);
    // The same entry added on both sides is there once.
    EXPECT_EQ(Sites(MergeEntries({}, {E("x")}, {E("x")}).entries), Texts{"x:pw"});
    // Removed on both sides: gone, and not counted as going out of mine.
    const SMergeResult gone = MergeEntries({a, E("b")}, {E("b")}, {E("b")});
    EXPECT_EQ(Sites(gone.entries), Texts{"b:pw"});
    EXPECT_EQ(gone.removed, 0);
}

TEST(VaultMerge, EntriesDifferingInAnyFieldOrFieldBoundaryAreDifferent) {
    const CEntry ab("ab", "c", "p", "k");
    const CEntry a_bc("a", "bc", "p", "k");
    const CEntry comment("ab", "c", "p", "K");
    const SMergeResult merged = MergeEntries({ab}, {ab}, {a_bc, comment});
    EXPECT_EQ(merged.removed, 1);
    EXPECT_EQ(merged.added, 2);
    ASSERT_EQ(merged.entries.size(), 2u);
    EXPECT_EQ(merged.entries[0].GetName(), "bc");
    EXPECT_EQ(merged.entries[1].GetKommentar(), "K");
}
