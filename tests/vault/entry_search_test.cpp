// The search over entries: words in any order and case, only within one field, never in the
// password; and the fast path gives what a plain search of every field gives.
#include "vault/entry_search.h"
#include "vault/entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<int> Find(const CEntrySearch& search, std::vector<std::string> words) {
    return search.Find(words);
}

}  // namespace

TEST(EntrySearchTest, EveryWordInSomeFieldIgnoringCaseButNeverAcrossFieldsOrInThePassword) {
    const std::vector<CEntry> entries = {
        {"https://www.Telekom.de", "M\xDCller", "bank", "Festnetz"},  // Müller
        {"ban", "nab", "x", ""},
        {"\x8A"
         "KODA \xC4PFEL",
         "\x9F"
         "ves",
         "", "\xD7\xDF"},  // ŠKODA ÄPFEL, Ÿves, ×ß
        {"", "", "", "Bank Konto"},
    };
    CEntrySearch search;
    EXPECT_FALSE(search.IsBuilt());
    search.Build(entries);
    ASSERT_EQ(search.Count(), 4);

    EXPECT_EQ(Find(search, {"tele"}), std::vector<int>{0});
    EXPECT_EQ(Find(search, {"m\xFCller"}), std::vector<int>{0});         // müller finds Müller
    EXPECT_EQ(Find(search, {"FESTNETZ", "tElE"}), std::vector<int>{0});  // name and comment
    EXPECT_EQ(Find(search, {"bank"}), std::vector<int>{3}) << "not the password of entry 0";
    EXPECT_EQ(Find(search, {"nna"}), std::vector<int>{}) << "ban|nab is two fields";
    EXPECT_EQ(Find(search, {"\x9Akoda", "\xE4pfel", "\xFFves"}), std::vector<int>{2});  // škoda äpfel ÿves
    EXPECT_EQ(Find(search, {"\xF7"}), std::vector<int>{}) << "÷ is not the small ×";
    EXPECT_EQ(Find(search, {"\xDF"}), std::vector<int>{2});
    EXPECT_EQ(Find(search, {"tele", "konto"}), std::vector<int>{});
    EXPECT_EQ(Find(search, {}), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Find(search, {"", "n"}), (std::vector<int>{0, 1, 3}));

    search.Wipe();
    EXPECT_FALSE(search.IsBuilt());
    EXPECT_EQ(search.Count(), 0);
    EXPECT_EQ(Find(search, {"tele"}), std::vector<int>{});
}

TEST(EntrySearchTest, FindAndFindAmongAgreeWithAPlainSearchOfEachField) {
    std::mt19937 random(20);
    const std::string letters = "abAB\xE4\xC4 ";
    const auto text = [&] {
        std::string t(random() % 6, ' ');
        for (char& c : t) {
            c = letters[random() % letters.size()];
        }
        return t;
    };
    std::vector<CEntry> entries;
    for (int i = 0; i < 3000; ++i) {
        entries.emplace_back(text(), text(), text(), text());
    }
    CEntrySearch search;
    search.Build(entries);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> words;
        for (int w = 0, n = 1 + static_cast<int>(random() % 3); w < n; ++w) {
            std::string word = text();
            word.erase(std::remove(word.begin(), word.end(), ' '), word.end());
            words.push_back(word.substr(0, 1 + random() % 2));
        }
        std::vector<int> expected;
        for (int i = 0; i < 3000; ++i) {
            const CEntry& e = entries[static_cast<std::size_t>(i)];
            bool all = true;
            for (const std::string& word : words) {
                const std::string w = CEntrySearch::Fold(word);
                all = all && (CEntrySearch::Fold(e.GetSeite()).find(w) != std::string::npos ||
                              CEntrySearch::Fold(e.GetName()).find(w) != std::string::npos ||
                              CEntrySearch::Fold(e.GetKommentar()).find(w) != std::string::npos);
            }
            if (all) {
                expected.push_back(i);
            }
        }
        ASSERT_EQ(search.Find(words), expected) << round;
        // A word more can only narrow: searching among the last hits gives the same.
        std::vector<std::string> more = words;
        more.push_back("a");
        ASSERT_EQ(search.FindAmong(more, expected), search.Find(more)) << round;
    }
}
