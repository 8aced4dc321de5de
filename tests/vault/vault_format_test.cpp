// The vault's bytes: writer, reader, and the entry array they fill.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "test_util.h"
#include "vault/vault_format.h"

using testutil::FromHex;
using testutil::ReadFromMemory;
using testutil::ToHex;
using testutil::WriteToMemory;

namespace {

const char kPassword[] = "Geheimnis";  // the fixtures' password

std::string Fixture(const std::string& name) {
    return testutil::ReadFile(testutil::DataPath("vault/" + name));
}

// A field record's content decrypted, for checking what the writer put inside.
std::string DecryptRecordContent(const std::string& password, const std::string& content) {
    const std::size_t space = content.find(' ');
    const std::string bytes = content.substr(space + 1);
    EXPECT_EQ(std::to_string(bytes.size()), content.substr(0, space));
    return CFieldCipher(password).DecryptBytes(reinterpret_cast<const unsigned char*>(bytes.data()),
                                               bytes.size());
}

}  // namespace

TEST(VaultData, EntryArrayOperations) {
    CVaultData data;
    EXPECT_EQ(data.GetEntryCount(), 0);
    data.AddEntry("a", "", "", "");
    EXPECT_TRUE(data.IsModified());
    data.SetModified(false);
    data.AddEntry("b", "", "", "");
    EXPECT_TRUE(data.IsModified()) << "every AddEntry sets the flag";
    data.AddEntry("c", "", "", "");
    data.SetModified(false);

    data.RemoveEntryAt(0);
    EXPECT_FALSE(data.IsModified());
    ASSERT_EQ(data.GetEntryCount(), 2);
    EXPECT_EQ(data.GetEntryAt(0).GetSeite(), "b");
    EXPECT_EQ(data.GetEntryAt(1).GetSeite(), "c");

    data.TruncateEntries(1);
    ASSERT_EQ(data.GetEntryCount(), 1);
    data.TruncateEntries(5);
    EXPECT_EQ(data.GetEntryCount(), 1);
    data.RemoveAllEntries();
    EXPECT_EQ(data.GetEntryCount(), 0);
    EXPECT_FALSE(data.IsModified());

    data.SetVaultPassword("f\xFCnf");
    EXPECT_EQ(data.GetVaultPasswordLength(), 4);
}

TEST(VaultFormat, WorkedExamplesByteForByte) {
    CVaultData plain;
    plain.AddEntry("a", "b", "", "c");
    EXPECT_EQ(ToHex(WriteToMemory(plain)), "01 31 01 61 01 62 00 01 63");

    CVaultData empty;
    EXPECT_EQ(ToHex(WriteToMemory(empty)), "01 30");
    empty.SetVaultPassword(kPassword);
    EXPECT_EQ(ToHex(WriteToMemory(empty)), "01 30");

    CVaultData encrypted;
    encrypted.SetVaultPassword(kPassword);
    for (int i = 0; i < 13; ++i) {
        encrypted.AddEntry(i == 0 ? "abc" : "s", i == 12 ? std::string(20, 't') : "n", "",
                           i == 0 ? std::string(300, 'k') : "");
    }
    const std::string bytes = WriteToMemory(encrypted);
    CArchiveReader ar(bytes.data(), bytes.size());
    std::string count, site, record;
    ASSERT_TRUE(ReadStringRecord(ar, count));
    EXPECT_EQ(count, "13");

    // Position 0, "abc": plaintext "0 abc", 8 cipher bytes, content "8 " + 8 bytes, prefix 0A.
    EXPECT_EQ(ToHex(bytes.substr(3, 3)), "0a 38 20");
    ASSERT_TRUE(ReadStringRecord(ar, site));
    EXPECT_EQ(DecryptRecordContent(kPassword, site), "0 abc");
    const auto cipher = CFieldCipher(kPassword).EncryptText("0 abc");
    EXPECT_EQ(site.substr(2), std::string(cipher.begin(), cipher.end()));

    ASSERT_TRUE(ReadStringRecord(ar, record));  // name
    ASSERT_TRUE(ReadStringRecord(ar, record));  // password: just the prefix, n = 8
    EXPECT_EQ(record.size(), 10u);
    EXPECT_EQ(DecryptRecordContent(kPassword, record), "0 ");

    // A 300-character comment: plaintext 302, n = 304, content 308, prefix FF 34 01.
    const std::size_t commentAt = 3 + 11 + 11 + 11;
    EXPECT_EQ(ToHex(bytes.substr(commentAt, 7)), "ff 34 01 33 30 34 20");
    ASSERT_TRUE(ReadStringRecord(ar, record));
    EXPECT_EQ(DecryptRecordContent(kPassword, record), "0 " + std::string(300, 'k'));

    // Position 12, a name of 20 characters: plaintext 23, n = 24, content 27, prefix 1B.
    for (int i = 0; i < 11 * 4 + 1; ++i) {
        ASSERT_TRUE(ReadStringRecord(ar, record));
    }
    const std::string nameAt12 = bytes.substr(bytes.size() - 11 - 11 - 28, 4);
    EXPECT_EQ(ToHex(nameAt12), "1b 32 34 20");
    ASSERT_TRUE(ReadStringRecord(ar, record));
    EXPECT_EQ(DecryptRecordContent(kPassword, record), "12 " + std::string(20, 't'));
}

// Fixtures from the independent implementation in scripts/make_vault_fixtures.py.
TEST(VaultFormat, ReadsAndRewritesForeignFilesExactly) {
    const std::string plainBytes = Fixture("sample_plain.zlm");
    const std::string encryptedBytes = Fixture("sample_encrypted.zlm");

    CVaultData plain;
    ASSERT_TRUE(ReadFromMemory(plainBytes, plain).ok());
    ASSERT_EQ(plain.GetEntryCount(), 15);
    EXPECT_EQ(plain.GetEntryAt(0).GetKommentar(), "M\xFCnchen, \x80 und \x9F");
    EXPECT_EQ(plain.GetEntryAt(4).GetName(), std::string(65534, 'm'));
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) {
        all[static_cast<std::size_t>(i)] = static_cast<char>(i);
    }
    EXPECT_EQ(plain.GetEntryAt(14).GetSeite(), all);
    EXPECT_EQ(plain.GetEntryAt(14).GetPasswort(), std::string("a\0b", 3));
    EXPECT_EQ(WriteToMemory(plain), plainBytes);

    CVaultData encrypted;
    encrypted.SetVaultPassword(kPassword);
    ASSERT_TRUE(ReadFromMemory(encryptedBytes, encrypted).ok());
    plain.TruncateEntries(14);  // the last entry exists only in plain form
    testutil::ExpectSameEntries(encrypted, plain);
    EXPECT_EQ(WriteToMemory(encrypted), encryptedBytes);
}

TEST(VaultFormat, PlainFormKeepsEveryByte) {
    CVaultData data;
    std::string all;
    for (int i = 255; i >= 0; --i) {
        all.push_back(static_cast<char>(i));
    }
    data.AddEntry(all, std::string(1, '\0'), " \t\r\n", all + all);
    const std::string bytes = WriteToMemory(data);
    EXPECT_EQ(bytes.substr(0, 5), FromHex("01 31 ff 00 01"));
    CVaultData read;
    ASSERT_TRUE(ReadFromMemory(bytes, read).ok());
    testutil::ExpectSameEntries(read, data);
}

TEST(VaultFormat, EncryptedRoundTripLosesOnlyTrailingWhiteSpace) {
    CVaultData data;
    data.SetVaultPassword(kPassword);
    std::string high;
    for (int i = 1; i < 256; ++i) {
        high.push_back(static_cast<char>(i));
    }
    high += "x";  // white space inside stays
    data.AddEntry("  leading", "", "trailing \t\n\v\f\r ", high);
    data.AddEntry(std::string(254, 'a'), std::string(255, 'b'), std::string(65534, 'c'), "");
    CVaultData read;
    read.SetVaultPassword(kPassword);
    ASSERT_TRUE(ReadFromMemory(WriteToMemory(data), read).ok());
    ASSERT_EQ(read.GetEntryCount(), 2);
    EXPECT_EQ(read.GetEntryAt(0).GetSeite(), "  leading");
    EXPECT_EQ(read.GetEntryAt(0).GetPasswort(), "trailing");
    EXPECT_EQ(read.GetEntryAt(0).GetKommentar(), high);
    EXPECT_EQ(read.GetEntryAt(1).GetPasswort(), std::string(65534, 'c'));
}

TEST(VaultFormat, EncryptedWriterRefusesZeroBytes) {
    CVaultData data;
    data.SetVaultPassword(kPassword);
    data.AddEntry("ok", "", "", "");
    data.AddEntry("ok", "", std::string("a\0b", 3), "");
    std::string bytes;
    CArchiveWriter ar(bytes);
    const SVaultResult result = WriteVault(ar, data);
    EXPECT_EQ(result.status, EVaultStatus::kZeroByteInText);
    EXPECT_EQ(result.position, 1);
    EXPECT_EQ(result.field, 2);
    EXPECT_TRUE(bytes.empty()) << "nothing is written";
}

TEST(VaultFormat, OutputIsDeterministicAndDependsOnOrder) {
    CVaultData ab, ba;
    for (CVaultData* d : {&ab, &ba}) {
        d->SetVaultPassword(kPassword);
    }
    ab.AddEntry("a", "n", "p", "c");
    ab.AddEntry("b", "n", "p", "c");
    ba.AddEntry("b", "n", "p", "c");
    ba.AddEntry("a", "n", "p", "c");
    EXPECT_EQ(WriteToMemory(ab), WriteToMemory(ab));
    EXPECT_NE(WriteToMemory(ab), WriteToMemory(ba));
    // Even equal texts differ by position.
    CVaultData same;
    same.SetVaultPassword(kPassword);
    same.AddEntry("x", "", "", "");
    same.AddEntry("x", "", "", "");
    const std::string bytes = WriteToMemory(same);
    EXPECT_NE(bytes.substr(3, 11), bytes.substr(3 + 44, 11));
}

TEST(VaultFormat, CountParsingFollowsAtoi) {
    EXPECT_EQ(ParseCount(""), 0);
    EXPECT_EQ(ParseCount("abc"), 0);
    EXPECT_EQ(ParseCount("12abc"), 12);
    EXPECT_EQ(ParseCount(" \t\n\v\f\r7"), 7);
    EXPECT_EQ(ParseCount("+3"), 3);
    EXPECT_EQ(ParseCount("-4"), -4);
    EXPECT_EQ(ParseCount("- 4"), 0);
    EXPECT_EQ(ParseCount("0x10"), 0);
    EXPECT_EQ(ParseCount(std::string("5\0"
                                     "6",
                                     3)),
              5);
    EXPECT_EQ(ParseCount("2147483647"), INT_MAX);
    EXPECT_EQ(ParseCount("2147483648"), INT_MAX);
    EXPECT_EQ(ParseCount("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseCount("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseCount("-99999999999999999999999"), INT_MIN);
}

TEST(VaultFormat, CountsThatGiveNoEntries) {
    for (const char* bytes : {"01 30", "02 2d 35 01 61", "03 61 62 63", "00", "01 30 ff ff"}) {
        CVaultData data;
        EXPECT_TRUE(ReadFromMemory(FromHex(bytes), data).ok()) << bytes;
        EXPECT_EQ(data.GetEntryCount(), 0) << bytes;
    }
}

TEST(VaultFormat, ReadAppendsToWhatTheArrayHolds) {
    CVaultData data;
    data.AddEntry("old", "", "", "");
    data.SetModified(false);
    ASSERT_TRUE(ReadFromMemory(FromHex("01 31 01 61 01 62 00 01 63"), data).ok());
    ASSERT_EQ(data.GetEntryCount(), 2);
    EXPECT_EQ(data.GetEntryAt(1).GetSeite(), "a");
    EXPECT_TRUE(data.IsModified());
}

TEST(VaultFormat, TruncatedAtEveryOffset) {
    for (const char* password : {"", kPassword}) {
        CVaultData data;
        data.SetVaultPassword(password);
        data.AddEntry("site", "name", "pw", "c");
        data.AddEntry(std::string(300, 's'), "", "", "k");
        data.AddEntry("x", "y", "z", "");
        const std::string bytes = WriteToMemory(data);

        // Where each entry's last record ends.
        std::vector<std::size_t> entryEnds;
        CArchiveReader ar(bytes.data(), bytes.size());
        std::string record;
        ReadStringRecord(ar, record);
        for (int i = 0; i < 12; ++i) {
            ReadStringRecord(ar, record);
            if (i % 4 == 3) {
                entryEnds.push_back(bytes.size() - static_cast<std::size_t>(ar.Remaining()));
            }
        }
        for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
            CVaultData read;
            read.SetVaultPassword(password);
            const std::string part = bytes.substr(0, cut);
            EXPECT_EQ(ReadFromMemory(part, read).status, EVaultStatus::kEndOfData) << "cut at " << cut;
            const int complete = static_cast<int>(std::count_if(entryEnds.begin(), entryEnds.end(),
                                                                [&](std::size_t end) { return end <= cut; }));
            EXPECT_EQ(read.GetEntryCount(), complete) << "entries before the cut stay (cut at " << cut << ")";
        }
    }
}

TEST(VaultFormat, HugeCountOverAShortFile) {
    for (const char* password : {"", kPassword}) {
        CVaultData source;
        source.SetVaultPassword(password);
        source.AddEntry("a", "b", "", "c");
        const std::string bytes = FromHex("0a") + "2000000000" + WriteToMemory(source).substr(2);
        CVaultData data;
        data.SetVaultPassword(password);
        testutil::CAllocationProbe probe;
        EXPECT_EQ(ReadFromMemory(bytes, data).status, EVaultStatus::kEndOfData);
        EXPECT_EQ(data.GetEntryCount(), 1);
        EXPECT_LT(probe.Largest(), 4096u);
    }
}

TEST(VaultFormat, WrongPasswordIsDetectedAndAddsNothing) {
    CVaultData source;
    source.SetVaultPassword(kPassword);
    for (int i = 0; i < 3; ++i) {
        source.AddEntry("site", "name", "secret", "comment");
    }
    const std::string bytes = WriteToMemory(source);

    CVaultData data;
    data.AddEntry("kept", "", "", "");
    data.SetModified(false);
    data.SetVaultPassword("Geheimnis2");
    EXPECT_EQ(ReadFromMemory(bytes, data).status, EVaultStatus::kWrongPassword);
    ASSERT_EQ(data.GetEntryCount(), 1);
    EXPECT_EQ(data.GetEntryAt(0).GetSeite(), "kept");
    EXPECT_FALSE(data.IsModified());

    // A plain file read with a password.
    CVaultData read;
    read.SetVaultPassword(kPassword);
    EXPECT_EQ(ReadFromMemory(FromHex("01 31 0a 31 32 20 6d 6f 6e 6b 65 79 73 00 00 00"), read).status,
              EVaultStatus::kWrongPassword);
    EXPECT_EQ(read.GetEntryCount(), 0);
}

// The steps that make such a file: open an encrypted vault without its password (the records read
// as raw texts), add an entry, save.  The right password must still open all of it.
TEST(VaultFormat, MixedVaultOpensWholeWithTheRightPassword) {
    CVaultData source;
    source.SetVaultPassword(kPassword);
    source.AddEntry("a", "b", "c", "d");
    source.AddEntry("site", "", "secret", "comment");
    CVaultData raw;
    ASSERT_TRUE(ReadFromMemory(WriteToMemory(source), raw).ok());
    raw.AddEntry("typed", "12 monkeys", "", "8 abcdefgh");
    const std::string mixed = WriteToMemory(raw);

    CVaultData data;
    data.SetVaultPassword(kPassword);
    ASSERT_TRUE(ReadFromMemory(mixed, data).ok());
    ASSERT_EQ(data.GetEntryCount(), 3);
    source.AddEntry("typed", "12 monkeys", "", "8 abcdefgh");
    testutil::ExpectSameEntries(data, source);

    // Saved with the password, every record is encrypted and the file reads back the same.
    CVaultData again;
    again.SetVaultPassword(kPassword);
    ASSERT_TRUE(ReadFromMemory(WriteToMemory(data), again).ok());
    testutil::ExpectSameEntries(again, source);

    CVaultData wrong;
    wrong.SetVaultPassword("Geheimnis2");
    EXPECT_EQ(ReadFromMemory(mixed, wrong).status, EVaultStatus::kWrongPassword);
    EXPECT_EQ(wrong.GetEntryCount(), 0);

    // Half of the fields still open the vault; more plain entries than encrypted ones do not.
    raw.AddEntry("x", "y", "z", "w");
    CVaultData half;
    half.SetVaultPassword(kPassword);
    EXPECT_TRUE(ReadFromMemory(WriteToMemory(raw), half).ok());
    raw.AddEntry("x", "y", "z", "w");
    CVaultData mostlyPlain;
    mostlyPlain.SetVaultPassword(kPassword);
    EXPECT_EQ(ReadFromMemory(WriteToMemory(raw), mostlyPlain).status, EVaultStatus::kWrongPassword);
    EXPECT_EQ(mostlyPlain.GetEntryCount(), 0);
}

TEST(VaultFormat, DamagedRecordReadsRawAndHidesNothingElse) {
    CVaultData source;
    source.SetVaultPassword(kPassword);
    for (int i = 0; i < 3; ++i) {
        source.AddEntry("site" + std::to_string(i), "name", "secret", "comment");
    }
    std::string bytes = WriteToMemory(source);
    // Entry 1's password record ("8 " and 8 cipher bytes) is the count's and 6 more records on.
    CArchiveReader ar(bytes.data(), bytes.size());
    std::string record;
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(ReadStringRecord(ar, record));
    }
    const std::size_t at = bytes.size() - static_cast<std::size_t>(ar.Remaining());
    ASSERT_EQ(bytes.substr(at, 3), FromHex("0a 38 20"));
    bytes[at + 5] = static_cast<char>(bytes[at + 5] ^ 0x5A);

    CVaultData data;
    data.SetVaultPassword(kPassword);
    ASSERT_TRUE(ReadFromMemory(bytes, data).ok());
    ASSERT_EQ(data.GetEntryCount(), 3);
    EXPECT_EQ(data.GetEntryAt(1).GetPasswort(), bytes.substr(at + 1, 10)) << "the record as it stands";
    EXPECT_EQ(data.GetEntryAt(1).GetSeite(), "site1");
    EXPECT_EQ(data.GetEntryAt(2).GetPasswort(), "secret");
}

// A wrong key gives a field its prefix by chance now and then; that must never open a vault.
TEST(VaultFormat, WrongPasswordsOverManyKeysAndSizesAreNeverAccepted) {
    std::mt19937 random(20240611);
    auto randomText = [&](std::size_t minLength, std::size_t maxLength) {
        std::string text(std::uniform_int_distribution<std::size_t>(minLength, maxLength)(random), ' ');
        for (char& c : text) {
            c = static_cast<char>(std::uniform_int_distribution<int>(0x20, 0xFF)(random));
        }
        return text;
    };
    for (int entries : {1, 2, 3, 5, 8, 20, 100, 500}) {
        CVaultData source;
        source.SetVaultPassword(kPassword);
        for (int i = 0; i < entries; ++i) {
            source.AddEntry(randomText(0, 30), randomText(0, 12), randomText(0, 20), randomText(0, 3));
        }
        const std::string bytes = WriteToMemory(source);
        const int keys = entries >= 100 ? 200 : 2000;
        for (int k = 0; k < keys; ++k) {
            const std::string key = randomText(1, 56);
            if (key == kPassword) {
                continue;
            }
            CVaultData data;
            data.SetVaultPassword(key);
            ASSERT_EQ(ReadFromMemory(bytes, data).status, EVaultStatus::kWrongPassword)
                << entries << " entries, key " << ToHex(key);
            ASSERT_EQ(data.GetEntryCount(), 0);
        }
    }
}

TEST(VaultFormat, EncryptedFileReadWithoutPasswordGivesRawRecords) {
    CVaultData source;
    source.SetVaultPassword(kPassword);
    source.AddEntry("abc", "", "", "");
    const std::string bytes = WriteToMemory(source);
    CVaultData raw;
    ASSERT_TRUE(ReadFromMemory(bytes, raw).ok());
    EXPECT_EQ(raw.GetEntryAt(0).GetSeite(), bytes.substr(3, 10));
    // Saved again in plain form, it is the very same file, and opens with the password.
    EXPECT_EQ(WriteToMemory(raw), bytes);
}

TEST(VaultFormat, DamagedCipherLengthsDecryptOnlyTheBytesPresent) {
    CVaultData source;
    source.SetVaultPassword(kPassword);
    source.AddEntry("abcdefghijklmn", "n", "p", "c");
    const std::string valid = WriteToMemory(source);
    ASSERT_EQ(valid.substr(2, 4), FromHex("13 31 36 20"));  // "16 " and 16 cipher bytes
    const std::string cipherBytes = valid.substr(6, 16);
    const std::string otherFields = valid.substr(2 + 20);
    // The vault with the site record's content replaced.
    auto withSite = [&](const std::string& content) {
        std::string record;
        CArchiveWriter ar(record);
        WriteStringRecord(ar, content);
        return FromHex("01 31") + record + otherFields;
    };
    struct Case {
        std::string content;
        EVaultStatus status;
        std::string site;  // the text read, when status is kOk
    };
    // Without the prefix a field reads as its record, the three others carry the vault.
    const Case cases[] = {
        {"100 " + cipherBytes, EVaultStatus::kOk, "abcdefghijklmn"},  // longer than present
        {"9999999999 " + cipherBytes.substr(0, 8), EVaultStatus::kOk, "abcdef"},
        {"-8 " + cipherBytes, EVaultStatus::kOk, "-8 " + cipherBytes},            // no bytes: no prefix
        {cipherBytes.substr(0, 3), EVaultStatus::kOk, cipherBytes.substr(0, 3)},  // no space
        {"", EVaultStatus::kOk, ""},
    };
    for (const Case& c : cases) {
        CVaultData data;
        data.SetVaultPassword(kPassword);
        ASSERT_EQ(ReadFromMemory(withSite(c.content), data).status, c.status) << ToHex(c.content);
        if (c.status == EVaultStatus::kOk) {
            EXPECT_EQ(data.GetEntryAt(0).GetSeite(), c.site);
        }
    }
    // Not a multiple of 8: the last block is completed with zero bytes and decrypted, which spoils
    // only that block.
    CVaultData data;
    data.SetVaultPassword(kPassword);
    ASSERT_TRUE(ReadFromMemory(withSite("13 " + cipherBytes.substr(0, 13)), data).ok());
    EXPECT_EQ(data.GetEntryAt(0).GetSeite().substr(0, 6), "abcdef");
    EXPECT_NE(data.GetEntryAt(0).GetSeite(), "abcdefghijklmn");
}

TEST(VaultFormat, EncryptedShapeOfOneRecord) {
    const std::string eight(8, 'x');
    EXPECT_TRUE(HasEncryptedShape("8 " + eight));
    EXPECT_TRUE(HasEncryptedShape("16 " + eight + eight));
    EXPECT_TRUE(HasEncryptedShape(std::string("8 \0\0\0\0\0\0\0\0", 10)));
    for (const std::string& content :
         {std::string(), std::string("0 "), "8 " + eight.substr(1), "8 " + eight + "x", "08 " + eight,
          "+8 " + eight, "-8 " + eight, "12 " + eight + "xxxx", "8" + eight, " 8 " + eight,
          "18446744073709551624 " + eight}) {
        EXPECT_FALSE(HasEncryptedShape(content)) << ToHex(content);
    }
}

TEST(Entry, OwnSerializationIsFourRecords) {
    const CEntry entry("s", "n", "", std::string(300, 'k'));
    std::string bytes;
    CArchiveWriter ar(bytes);
    ASSERT_TRUE(entry.Store(ar));
    EXPECT_EQ(ToHex(bytes.substr(0, 9)), "01 73 01 6e 00 ff 2c 01 6b");

    CArchiveReader in(bytes.data(), bytes.size());
    CEntry read;
    ASSERT_TRUE(read.Load(in));
    EXPECT_EQ(read.GetKommentar(), entry.GetKommentar());
    EXPECT_FALSE(read.Load(in));
    EXPECT_EQ(read.GetSeite(), "s") << "a failed load leaves the entry unchanged";
}
