// Random passwords from the operating system's generator, and their strength in bits.
#pragma once

#include <cstddef>
#include <string>

namespace pwgen {

constexpr int kMinLength = 8;
constexpr int kMaxLength = 56;  // what the password dialogs take
constexpr int kDefaultLength = 20;

enum EClass { kUpper, kLower, kDigits, kSymbols, kClassCount };

struct SGeneratorOptions {
    int length = kDefaultLength;
    bool classes[kClassCount] = {true, true, true, true};
    // Leaves out 0 O o I l 1 |, which look alike in many fonts.
    bool avoidSimilar = false;
};

// A-Z, a-z, 0-9 or the printable ASCII punctuation, without the similar ones when asked.
std::string ClassCharacters(EClass c, bool avoidSimilar);
// The characters the options draw from, class by class.
std::string CharacterSet(const SGeneratorOptions& options);
// Length in range and at least one class chosen.
bool OptionsValid(const SGeneratorOptions& options);

// Fills n bytes with randomness; 0 or an errno value.
using RandomFill = int (*)(unsigned char* data, std::size_t n);
// getrandom(2); never a weaker source.
int SystemRandom(unsigned char* data, std::size_t n);

// A password of options.length characters drawn uniformly from the set, with at least one
// character of every chosen class: every such password is equally likely.  Returns 0, EINVAL for
// invalid options, or the random source's error (EIO for a source that never gives a password);
// out is wiped first and stays empty on failure.
int GeneratePassword(const SGeneratorOptions& options, std::string& out, RandomFill fill = SystemRandom);

// The strength shown for the options: length * log2(set size), rounded down (the rule "one of
// every class" takes off less than a bit).  0 for invalid options.
int GeneratorStrengthBits(const SGeneratorOptions& options);

// A plain estimate for a typed UTF-8 text: characters * log2(size of the union of the classes
// present), rounded down.  A character outside the four classes (space, umlaut) counts as one more
// class as large as the symbols.
int EstimateStrengthBits(const char* utf8Text, std::size_t size);
inline int EstimateStrengthBits(const std::string& utf8Text) {
    return EstimateStrengthBits(utf8Text.data(), utf8Text.size());
}

}  // namespace pwgen
