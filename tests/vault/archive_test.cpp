// String records and the streams under them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "test_util.h"
#include "vault/archive.h"

using testutil::FromHex;
using testutil::ToHex;

namespace {

std::string Record(const std::string& content) {
    std::string out;
    CArchiveWriter ar(out);
    EXPECT_TRUE(WriteStringRecord(ar, content));
    return out;
}

// Reads records from bytes until the data ends; the status of the last read is returned.
EStreamStatus ReadAll(const std::string& bytes, std::vector<std::string>& records) {
    CArchiveReader ar(bytes.data(), bytes.size());
    std::string record;
    while (ReadStringRecord(ar, record)) {
        records.push_back(record);
    }
    return ar.Status();
}

}  // namespace

TEST(StringRecord, PrefixSizesAroundTheirLimits) {
    struct Case {
        std::size_t length;
        const char* prefix;
    };
    const Case cases[] = {
        {0, "00"},
        {254, "fe"},
        {255, "ff ff 00"},
        {65533, "ff fd ff"},
        {65534, "ff ff ff fe ff 00 00"},
        {65535, "ff ff ff ff ff 00 00"},
        {70000, "ff ff ff 70 11 01 00"},
    };
    for (const Case& c : cases) {
        const std::string content(c.length, 'x');
        const std::string bytes = Record(content);
        const std::string prefix = FromHex(c.prefix);
        ASSERT_EQ(bytes.size(), prefix.size() + c.length) << c.length;
        EXPECT_EQ(ToHex(bytes.substr(0, prefix.size())), ToHex(prefix)) << c.length;

        std::vector<std::string> read;
        EXPECT_EQ(ReadAll(bytes + bytes, read), EStreamStatus::kEndOfData);
        ASSERT_EQ(read.size(), 2u) << c.length;
        EXPECT_EQ(read[0], content);
        EXPECT_EQ(read[1], content);
    }
}

TEST(StringRecord, LongerPrefixesThanNeededAreRead) {
    std::vector<std::string> read;
    ReadAll(FromHex("ff 03 00 61 62 63  ff ff ff 02 00 00 00 78 79"), read);
    EXPECT_EQ(read, (std::vector<std::string>{"abc", "xy"}));
}

TEST(StringRecord, SixteenBitCharacters) {
    // Written by the independent implementation in scripts/make_vault_fixtures.py.
    const std::string bytes = testutil::ReadFile(testutil::DataPath("vault/wide_records.zlm"));
    const auto expected = testutil::FixtureLines("vault/wide_records.txt");
    std::vector<std::string> read;
    EXPECT_EQ(ReadAll(bytes, read), EStreamStatus::kEndOfData);
    ASSERT_EQ(read.size(), expected.size() + 1);
    EXPECT_EQ(read[0], "2");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ToHex(read[i + 1]), ToHex(FromHex(expected[i]))) << "record " << i + 1;
    }
}

TEST(StringRecord, SixteenBitEdgeCases) {
    struct Case {
        const char* bytes;
        std::string text;
    };
    const Case cases[] = {
        {"ff fe ff 01 00 d8", "?"},               // lone high surrogate at the end
        {"ff fe ff 02 00 dc 41 00", "?A"},        // lone low surrogate
        {"ff fe ff 03 00 d8 00 d8 00 dc", "??"},  // high, then a pair
        {"ff fe ff 02 00 00 41 00", std::string("\0A", 2)},
        {"ff fe ff 01 ac 20", "\x80"},  // the euro sign
        {"ff fe ff 01 ff fe", "?"},     // U+FEFF has no byte
    };
    for (const Case& c : cases) {
        std::vector<std::string> read;
        ReadAll(FromHex(c.bytes), read);
        ASSERT_EQ(read.size(), 1u) << c.bytes;
        EXPECT_EQ(ToHex(read[0]), ToHex(c.text)) << c.bytes;
    }
    // A surrogate pair split across the reader's chunks of 512 units still gives one '?'.
    std::string split = FromHex("ff fe ff ff 01 02");  // 513 units
    split += std::string(2 * 511, '\0');
    for (std::size_t i = 2 + 4; i < split.size(); i += 2) {
        split[i] = 'a';
    }
    split += FromHex("3d d8 00 de");
    std::vector<std::string> read;
    ReadAll(split, read);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], std::string(511, 'a') + "?");
}

TEST(StringRecord, SecondMarkerOrShortUnitsEndTheData) {
    for (const char* bytes : {"ff fe ff ff fe ff", "ff fe ff 02 41 00 42", "ff fe ff", "ff fe"}) {
        std::vector<std::string> read;
        EXPECT_EQ(ReadAll(FromHex(bytes), read), EStreamStatus::kEndOfData) << bytes;
        EXPECT_TRUE(read.empty()) << bytes;
    }
}

TEST(StringRecord, LengthsBeyondTheDataFailWithoutAllocatingThem) {
    // 4 GiB announced in a 20-byte source, plain and as 16-bit characters.
    for (const char* head : {"ff ff ff ff ff ff ff", "ff ff ff 00 00 00 10", "ff fe ff ff ff ff ff ff ff"}) {
        std::string bytes = FromHex(head);
        bytes.resize(20, 'x');
        testutil::CAllocationProbe probe;
        std::vector<std::string> read;
        EXPECT_EQ(ReadAll(bytes, read), EStreamStatus::kEndOfData) << head;
        EXPECT_LT(probe.Largest(), 1024u) << head;
    }
}

TEST(StringRecord, FileReaderStreamsPastItsBuffer) {
    testutil::CTempDir dir;
    std::string bytes;
    std::vector<std::string> written;
    for (std::size_t n : std::vector<std::size_t>{10, CArchiveReader::kBufferSize - 3, 1,
                                                  3 * CArchiveReader::kBufferSize + 5, 0}) {
        written.emplace_back(n, static_cast<char>('a' + written.size()));
        bytes += Record(written.back());
    }
    testutil::WriteFile(dir.File("records"), bytes);

    const int fd = open(dir.File("records").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    CArchiveReader ar(fd);
    EXPECT_EQ(ar.Remaining(), bytes.size());
    std::string record;
    for (const std::string& expected : written) {
        ASSERT_TRUE(ReadStringRecord(ar, record));
        EXPECT_EQ(record, expected);
    }
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_FALSE(ReadStringRecord(ar, record));
    EXPECT_EQ(ar.Status(), EStreamStatus::kEndOfData);
    close(fd);
}

TEST(StringRecord, PipeOfUnknownSizeGrowsOnlyWithTheBytesRead) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string bytes = FromHex("ff ff ff 00 00 00 40") + "short";  // claims 1 GiB
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
    CArchiveReader ar(fds[0]);
    EXPECT_EQ(ar.Remaining(), UINT64_MAX);
    std::string record;
    testutil::CAllocationProbe probe;
    EXPECT_FALSE(ReadStringRecord(ar, record));
    EXPECT_EQ(ar.Status(), EStreamStatus::kEndOfData);
    EXPECT_LE(probe.Largest(), 2 * CArchiveReader::kBufferSize);
    close(fds[0]);
}

TEST(StringRecord, WriterReportsTheSystemError) {
    const int fd = open("/dev/full", O_WRONLY);
    if (fd < 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    CArchiveWriter ar(fd);
    const std::string big(3 * CArchiveWriter::kBufferSize, 'x');
    EXPECT_FALSE(WriteStringRecord(ar, big) && ar.Flush());
    EXPECT_EQ(ar.Status(), EStreamStatus::kIoError);
    EXPECT_EQ(ar.Errno(), ENOSPC);
    EXPECT_FALSE(ar.Write("x", 1));  // stays failed
    close(fd);
}
