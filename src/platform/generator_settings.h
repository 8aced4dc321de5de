// The choices of our password generator, section "Generator": length, character classes and the
// similar characters.  Read afresh at each use; a value out of range gives the default, and a
// store in which no class is chosen gives all four.
#pragma once

#include "vault/password_generator.h"

namespace settings {

constexpr const char* kSectionGenerator = "Generator";
constexpr const char* kGeneratorLength = "Length";
constexpr const char* kGeneratorUpper = "Upper";
constexpr const char* kGeneratorLower = "Lower";
constexpr const char* kGeneratorDigits = "Digits";
constexpr const char* kGeneratorSymbols = "Symbols";
constexpr const char* kGeneratorAvoidSimilar = "AvoidSimilar";

}  // namespace settings

namespace generator {

pwgen::SGeneratorOptions StoredOptions();
void StoreOptions(const pwgen::SGeneratorOptions& options);

}  // namespace generator
