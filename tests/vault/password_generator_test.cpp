// The password generator: its distribution, its classes and its strength figures.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>

#include "vault/password_generator.h"

using namespace pwgen;

namespace {

// Pearson's statistic of the counts against equal shares of set; counts outside the set fail.
double ChiSquare(const std::map<char, long>& counts, const std::string& set, long total) {
    const double expected = static_cast<double>(total) / static_cast<double>(set.size());
    double chi = 0;
    for (char c : set) {
        const auto it = counts.find(c);
        const double observed = it == counts.end() ? 0 : static_cast<double>(it->second);
        chi += (observed - expected) * (observed - expected) / expected;
    }
    return chi;
}

// For 93 degrees of freedom an honest sample exceeds 200 with a chance below 1e-9.  A byte taken
// modulo 94 gives about 5,400 at this sample size.
constexpr double kChiSquareBound = 200;
constexpr long kSample = 200000;

int FailingSource(unsigned char*, std::size_t) {
    return ENOSYS;
}

int StuckSource(unsigned char* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        data[i] = 0;
    }
    return 0;
}

SGeneratorOptions Options(int length, unsigned classMask, bool avoidSimilar) {
    SGeneratorOptions o;
    o.length = length;
    for (int c = 0; c < kClassCount; ++c) {
        o.classes[c] = (classMask >> c) & 1;
    }
    o.avoidSimilar = avoidSimilar;
    return o;
}

}  // namespace

TEST(PasswordGenerator, DrawsEveryCharacterOfTheSetEvenly) {
    // Long passwords: the rule "one of every class" then moves the expected counts by under 0.2%,
    // which adds less than 0.1 to the statistic.
    const SGeneratorOptions options = Options(kMaxLength, 0xF, false);
    const std::string set = CharacterSet(options);
    ASSERT_EQ(set.size(), 94u);
    std::map<char, long> counts;
    long total = 0;
    std::string password;
    while (total < kSample) {
        ASSERT_EQ(GeneratePassword(options, password), 0);
        for (char c : password) {
            ++counts[c];
        }
        total += static_cast<long>(password.size());
    }
    EXPECT_EQ(counts.size(), set.size()) << "every character occurs, and no other";
    EXPECT_LT(ChiSquare(counts, set, total), kChiSquareBound);

    // The bound has teeth: the same number of system bytes reduced modulo 94 exceeds it by far.
    std::map<char, long> biased;
    unsigned char bytes[1000];
    for (long drawn = 0; drawn < total; drawn += sizeof bytes) {
        ASSERT_EQ(SystemRandom(bytes, sizeof bytes), 0);
        for (unsigned char b : bytes) {
            ++biased[set[b % set.size()]];
        }
    }
    const long biasedTotal = (total + 999) / 1000 * 1000;
    EXPECT_GT(ChiSquare(biased, set, biasedTotal), 10 * kChiSquareBound);
}

TEST(PasswordGenerator, GivesEveryChosenClassAndNothingElse) {
    for (unsigned mask = 1; mask < (1u << kClassCount); ++mask) {
        for (bool avoid : {false, true}) {
            for (int length : {kMinLength, kMaxLength}) {
                SCOPED_TRACE(testing::Message()
                             << "classes " << mask << " avoid " << avoid << " length " << length);
                const SGeneratorOptions options = Options(length, mask, avoid);
                const std::string set = CharacterSet(options);
                std::string password;
                for (int i = 0; i < 100; ++i) {
                    ASSERT_EQ(GeneratePassword(options, password), 0);
                    ASSERT_EQ(password.size(), static_cast<std::size_t>(length));
                    ASSERT_EQ(password.find_first_not_of(set), std::string::npos) << password;
                    if (avoid) {
                        ASSERT_EQ(password.find_first_of("0OoIl1|"), std::string::npos) << password;
                    }
                    for (int c = 0; c < kClassCount; ++c) {
                        const bool present = password.find_first_of(ClassCharacters(
                                                 static_cast<EClass>(c), avoid)) != std::string::npos;
                        ASSERT_EQ(present, options.classes[c]) << password;
                    }
                }
            }
        }
    }
    EXPECT_EQ(ClassCharacters(kSymbols, false), "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
    EXPECT_EQ(CharacterSet(Options(20, 0xF, true)).size(), 87u);
}

TEST(PasswordGenerator, RefusesBadOptionsAndABrokenSource) {
    std::string password = "old";
    for (const SGeneratorOptions& bad :
         {Options(kMinLength - 1, 0xF, false), Options(kMaxLength + 1, 0xF, false), Options(20, 0, false)}) {
        EXPECT_EQ(GeneratePassword(bad, password), EINVAL);
        EXPECT_TRUE(password.empty());
        EXPECT_EQ(GeneratorStrengthBits(bad), 0);
    }
    EXPECT_EQ(GeneratePassword(SGeneratorOptions(), password, FailingSource), ENOSYS) << "no weaker fallback";
    EXPECT_TRUE(password.empty());
    // A source stuck at zero gives only "AAAA...": it ends with an error instead of looping.
    EXPECT_EQ(GeneratePassword(SGeneratorOptions(), password, StuckSource), EIO);
    EXPECT_TRUE(password.empty());
    SGeneratorOptions upperOnly = Options(8, 1, false);
    EXPECT_EQ(GeneratePassword(upperOnly, password, StuckSource), 0);
    EXPECT_EQ(password, "AAAAAAAA");
}

TEST(PasswordGenerator, StrengthFollowsTheSetSizeAndTheLength) {
    EXPECT_EQ(GeneratorStrengthBits(SGeneratorOptions()), 131) << "20 of 94";
    EXPECT_EQ(GeneratorStrengthBits(Options(20, 0x7, false)), 119) << "20 of 62";
    EXPECT_EQ(GeneratorStrengthBits(Options(20, 0x8, false)), 100) << "32 symbols: exactly 5 bits each";
    EXPECT_EQ(GeneratorStrengthBits(Options(8, 0xF, true)), 51) << "8 of 87 without similar ones";

    EXPECT_EQ(EstimateStrengthBits(""), 0);
    EXPECT_EQ(EstimateStrengthBits("aaaa"), 18);
    EXPECT_EQ(EstimateStrengthBits("Passwort1"), 53);
    EXPECT_EQ(EstimateStrengthBits("\xC3\xA4"
                                   "b"),
              11)
        << "two characters: 26 letters and 32 others";
}
