// The block cipher and the field cipher over it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "test_util.h"
#include "vault/blowfish.h"
#include "vault/field_cipher.h"

using testutil::FromHex;

namespace {

// A published big-endian block in the vault's order: each 32-bit half reversed.
std::string VaultOrder(const std::string& bigEndianHex) {
    std::string b = FromHex(bigEndianHex);
    std::reverse(b.begin(), b.begin() + 4);
    std::reverse(b.begin() + 4, b.end());
    return b;
}

std::string Encrypt(const std::string& key, const std::string& block) {
    CBlowfishEngine engine;
    engine.SetKey(reinterpret_cast<const unsigned char*>(key.data()), key.size());
    std::string out(8, '\0');
    engine.EncryptBuffer(reinterpret_cast<const unsigned char*>(block.data()),
                         reinterpret_cast<unsigned char*>(&out[0]), 8);
    return out;
}

std::string Bytes(const std::vector<unsigned char>& v) {
    return std::string(v.begin(), v.end());
}

}  // namespace

TEST(Blowfish, PublishedVectorsInVaultByteOrder) {
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        // Keys shorter than 8 bytes.
        {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
        {"F0E1", "FEDCBA9876543210", "E91D21C1D961A6D6"},
        {"F0E1D2", "FEDCBA9876543210", "E9C2B70A1BC65CF3"},
        {"F0E1D2C3", "FEDCBA9876543210", "BE1E639408640F05"},
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(testutil::ToHex(Encrypt(FromHex(v.key), VaultOrder(v.plain))),
                  testutil::ToHex(VaultOrder(v.cipher)))
            << "key " << v.key;
    }
    // The two examples as the vault's files hold them.
    EXPECT_EQ(Encrypt(std::string(8, '\0'), std::string(8, '\0')), FromHex("45 97 F9 4E 78 DD 98 61"));
    EXPECT_EQ(Encrypt(FromHex("30 00 00 00 00 00 00 00"), FromHex("10 00 00 00 00 00 00 01")),
              FromHex("65 C8 A4 E2 5B F2 2F CF"));
}

TEST(Blowfish, KeyBytesPastTheSeventySecondHaveNoEffect) {
    std::string key(72, 'k');
    const std::string block = "8 bytes!";
    EXPECT_EQ(Encrypt(key, block), Encrypt(key + "anything", block));
    EXPECT_NE(Encrypt(key, block), Encrypt(key.substr(0, 71) + "x", block));
}

TEST(Blowfish, BuffersRoundTripAndMatchSingleBlocks) {
    std::mt19937 rng(7);
    for (std::size_t keyLength : {1, 5, 8, 56, 62}) {
        std::string key(keyLength, '\0');
        for (auto& c : key) {
            c = static_cast<char>(rng());
        }
        CBlowfishEngine engine;
        engine.SetKey(reinterpret_cast<const unsigned char*>(key.data()), key.size());
        // Lengths around the interleaved groups of blocks, and partial last blocks.
        for (std::size_t n : {0, 1, 7, 8, 9, 31, 32, 33, 40, 64, 100, 1000}) {
            std::vector<unsigned char> plain(n), cipher(CBlowfishEngine::PaddedLength(n) + 8, 0xEE);
            for (auto& b : plain) {
                b = static_cast<unsigned char>(rng());
            }
            ASSERT_EQ(engine.EncryptBuffer(plain.data(), cipher.data(), n), CBlowfishEngine::PaddedLength(n));
            EXPECT_EQ(cipher[CBlowfishEngine::PaddedLength(n)], 0xEE) << "wrote past the padded length";

            for (std::size_t k = 0; k < CBlowfishEngine::PaddedLength(n); k += 8) {
                unsigned char block[8] = {};
                std::memcpy(block, plain.data() + k, std::min<std::size_t>(8, n - k));
                std::uint32_t l, r;
                std::memcpy(&l, block, 4);  // the test host is little-endian
                std::memcpy(&r, block + 4, 4);
                engine.EncryptBlock(l, r);
                EXPECT_EQ(std::memcmp(&l, &cipher[k], 4), 0) << "n " << n << " block " << k / 8;
                EXPECT_EQ(std::memcmp(&r, &cipher[k + 4], 4), 0);
                engine.DecryptBlock(l, r);
                EXPECT_EQ(std::memcmp(&l, block, 4), 0);
            }

            std::vector<unsigned char> back(CBlowfishEngine::PaddedLength(n));
            engine.DecryptBuffer(cipher.data(), back.data(), CBlowfishEngine::PaddedLength(n));
            EXPECT_TRUE(std::equal(plain.begin(), plain.end(), back.begin())) << "n " << n;
            EXPECT_TRUE(std::all_of(back.begin() + static_cast<long>(n), back.end(),
                                    [](unsigned char b) { return b == 0; }));

            // In place.
            std::vector<unsigned char> inPlace = plain;
            inPlace.resize(CBlowfishEngine::PaddedLength(n));
            engine.EncryptBuffer(inPlace.data(), inPlace.data(), n);
            EXPECT_TRUE(std::equal(inPlace.begin(), inPlace.end(), cipher.begin()));
            engine.DecryptBuffer(inPlace.data(), inPlace.data(), inPlace.size());
            EXPECT_TRUE(std::equal(plain.begin(), plain.end(), inPlace.begin()));
        }
    }
}

TEST(Blowfish, DecryptingAPartialBlockReadsOnlyTheBytesPresent) {
    CBlowfishEngine engine;
    engine.SetKey(reinterpret_cast<const unsigned char*>("key"), 3);
    // Exactly 5 heap bytes, so that the sanitizers see any read past them.
    std::unique_ptr<unsigned char[]> in(new unsigned char[5]{1, 2, 3, 4, 5});
    unsigned char out[8];
    engine.DecryptBuffer(in.get(), out, 5);
    const unsigned char completed[8] = {1, 2, 3, 4, 5, 0, 0, 0};
    unsigned char expected[8];
    engine.DecryptBuffer(completed, expected, 8);
    EXPECT_EQ(std::memcmp(out, expected, 8), 0);
}

TEST(Blowfish, PaddedLength) {
    EXPECT_EQ(CBlowfishEngine::PaddedLength(0), 0u);
    for (std::size_t n = 1; n <= 8; ++n) {
        EXPECT_EQ(CBlowfishEngine::PaddedLength(n), 8u);
        EXPECT_EQ(CBlowfishEngine::PaddedLength(n + 8), 16u);
    }
}

// Keys of every length from the independent implementation in scripts/make_vault_fixtures.py:
// one-entry vaults under passwords of 1 to 64 characters.
TEST(FieldCipher, KeyPaddingForEveryPasswordLength) {
    const auto lines = testutil::FixtureLines("vault/password_lengths.txt");
    ASSERT_EQ(lines.size(), 64u);
    for (const std::string& line : lines) {
        const std::size_t space = line.find(' ');
        const std::string password = FromHex(line.substr(0, space));
        const std::string expected = FromHex(line.substr(space + 1));

        CVaultData data;
        data.SetVaultPassword(password);
        data.AddEntry("Seite", "Name", "Pa\xDF", "");
        EXPECT_EQ(testutil::ToHex(testutil::WriteToMemory(data)), testutil::ToHex(expected))
            << "password length " << password.size();

        CVaultData read;
        read.SetVaultPassword(password);
        ASSERT_TRUE(testutil::ReadFromMemory(expected, read).ok()) << "password length " << password.size();
        testutil::ExpectSameEntries(read, data);
    }
}

TEST(FieldCipher, KeyIsThePasswordFollowedByLengthMod8Spaces) {
    // 5 characters get 5 spaces, not 3; 8 get none.
    for (const std::string password : {"abcde", "abcdefgh", "abcdefghijklm", "a"}) {
        const std::string key = password + std::string(password.size() % 8, ' ');
        CBlowfishEngine engine;
        engine.SetKey(reinterpret_cast<const unsigned char*>(key.data()), key.size());
        unsigned char expected[8];
        engine.EncryptBuffer(reinterpret_cast<const unsigned char*>("0 text"), expected, 6);
        EXPECT_EQ(Bytes(CFieldCipher(password).EncryptText("0 text")), std::string(expected, expected + 8))
            << password;
    }
}

TEST(FieldCipher, TextsAndTheirCipherBytes) {
    const CFieldCipher cipher("Geheimnis");
    ASSERT_TRUE(cipher.IsValid());
    EXPECT_TRUE(cipher.EncryptText("").empty());

    const auto three = cipher.EncryptText("abc");
    ASSERT_EQ(three.size(), 8u);
    CBlowfishEngine engine;
    engine.SetKey(reinterpret_cast<const unsigned char*>("Geheimnis "), 10);  // 9 mod 8 = 1 space
    unsigned char raw[8];
    engine.DecryptBuffer(three.data(), raw, 8);
    EXPECT_EQ(std::string(raw, raw + 8), std::string("abc\0\0\0\0\0", 8));
    EXPECT_EQ(cipher.DecryptBytes(three.data(), three.size()), "abc");

    const auto eight = cipher.EncryptText("12345678");
    EXPECT_EQ(eight.size(), 8u);
    EXPECT_EQ(cipher.DecryptBytes(eight.data(), eight.size()), "12345678");
    EXPECT_EQ(cipher.DecryptBytes(eight.data(), 0), "");

    // The text ends at its first zero byte.
    const auto cut = cipher.EncryptText(std::string("ab\0cdefghij", 11));
    EXPECT_EQ(cipher.DecryptBytes(cut.data(), cut.size()), "ab");

    // Another password gives some other text and no error.
    const std::string other = CFieldCipher("Geheimnis!").DecryptBytes(eight.data(), eight.size());
    EXPECT_NE(other, "12345678");
    EXPECT_LE(other.size(), 8u);

    // The reusing forms give the same as the plain ones.
    std::vector<unsigned char> reused(100, 0xAA);
    EXPECT_EQ(cipher.EncryptText("abc", 3, reused), 8u);
    EXPECT_EQ(reused, three);
    std::string text = "left over from before";
    cipher.DecryptBytes(eight.data(), eight.size(), text);
    EXPECT_EQ(text, "12345678");
}

TEST(FieldCipher, EmptyPasswordGivesNoCipher) {
    EXPECT_FALSE(CFieldCipher("").IsValid());
}

TEST(FieldCipher, PadStringAndItsDiagnostics) {
    EXPECT_EQ(CFieldCipher::PadString("abc", 0), "abc");
    EXPECT_EQ(CFieldCipher::PadString("abc", 5), "abc     ");
    testing::internal::CaptureStdout();
    EXPECT_EQ(CFieldCipher::PadString("abc", -1), "abc");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Negative pad");
}

TEST(FieldCipher, PadStringReportsAFailedAllocation) {
    testing::internal::CaptureStdout();
    {
        testutil::CAllocationProbe noLargeBlocks(1000);
        EXPECT_FALSE(CFieldCipher::PadString("abc", 5000).has_value());
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Fatal Error : Failed to allocate newText in PadString\n");
}
