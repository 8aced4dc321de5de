#include "vault/vault_seal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "test_util.h"
#include "vault/heap_hygiene.h"

namespace {

void Fill(CVaultData& data) {
    data.AddEntry("bank.example", "anna", "Pin-4711", "Girokonto");
    // Reading a file trims a field's closing white space; a seal must give it back.
    data.AddEntry("mail ", "bob\t", "geheim  ", " \r\n");
    data.AddEntry("", "", "", "");
    data.SetVaultPassword("Geheimnis");
}

TEST(VaultSeal, HoldsTheFileBytesAndGivesBackEveryTextExactly) {
    CVaultData data;
    Fill(data);
    SSealedVault sealed;
    ASSERT_TRUE(SealVault(data, sealed).ok());
    EXPECT_EQ(sealed.image, testutil::WriteToMemory(data)) << "the very bytes a save writes";
    EXPECT_EQ(sealed.image.find("Pin-4711"), std::string::npos);
    EXPECT_EQ(sealed.image.find("geheim"), std::string::npos);

    CVaultData back;
    back.SetModified(true);
    ASSERT_TRUE(UnsealVault(sealed, "Geheimnis", back).ok());
    testutil::ExpectSameEntries(data, back);
    EXPECT_EQ(back.GetVaultPassword(), "Geheimnis");
    EXPECT_TRUE(back.IsModified()) << "the flag is the document's, not the read's";
    CVaultData clean;
    ASSERT_TRUE(UnsealVault(sealed, "Geheimnis", clean).ok());
    EXPECT_FALSE(clean.IsModified());
}

TEST(VaultSeal, RefusesEveryOtherPasswordAlsoWithoutEntries) {
    CVaultData empty;
    empty.SetVaultPassword("ab");
    SSealedVault sealed;
    ASSERT_TRUE(SealVault(empty, sealed).ok());
    CVaultData out;
    // "abab" keys Blowfish as "ab" does; an empty vault has no field to tell by.
    for (const char* wrong : {"abab", "ba", "a", "", "ab "}) {
        EXPECT_EQ(UnsealVault(sealed, wrong, out).status, EVaultStatus::kWrongPassword) << wrong;
    }
    EXPECT_TRUE(out.GetVaultPassword().empty());
    EXPECT_TRUE(UnsealVault(sealed, "ab", out).ok());
    EXPECT_EQ(out.GetVaultPassword(), "ab");
}

TEST(VaultSeal, FailsLikeTheWriterAndNeedsAPassword) {
    CVaultData plain;
    plain.AddEntry("a", "b", "c", "d");
    SSealedVault sealed;
    EXPECT_FALSE(SealVault(plain, sealed).ok()) << "a plain vault has nothing to seal it with";
    CVaultData zero;
    zero.AddEntry(std::string("a\0b", 3), "", "", "");
    zero.SetVaultPassword("pw");
    EXPECT_EQ(SealVault(zero, sealed).status, EVaultStatus::kZeroByteInText);
    EXPECT_TRUE(sealed.IsEmpty());
}

// Address sanitizer builds have their own allocator, which knows no such filling.
#if defined(__SANITIZE_ADDRESS__)
#define ZELMORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELMORA_ASAN 1
#endif
#endif

#if !defined(ZELMORA_ASAN) && defined(__GLIBC__)
// A freed block, as the allocator hands it out again, holds none of the text it had: the filled
// bins for larger blocks, the scrub for the small ones the thread cache keeps.
TEST(HeapHygiene, FreedBlocksKeepNoTextSmallOrLarge) {
    const char marker[] = "Geheimnis-Geheimnis-Geheimnis-Geheimnis-Geheimnis-Geheimnis!";
    FillFreedMemory(true);
    for (const std::size_t size : {std::size_t(100), std::size_t(2000), std::size_t(20000)}) {
        auto* block = static_cast<char*>(std::malloc(size));
        ASSERT_NE(block, nullptr);
        std::memset(block, 'x', size);
        std::memcpy(block + (size - sizeof marker) / 2, marker, sizeof marker);
        std::free(block);
        ScrubFreedMemory();
        // The same size comes back first from where that block went.
        auto* again = static_cast<char*>(std::malloc(size));
        ASSERT_NE(again, nullptr);
        const std::string seen(again, size);
        EXPECT_EQ(seen.find("Geheimnis"), std::string::npos) << size;
        std::free(again);
    }
    FillFreedMemory(false);
}
#endif

}  // namespace
