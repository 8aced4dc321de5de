#include "platform/generator_settings.h"

#include "platform/settings_store.h"

namespace generator {

namespace {

constexpr const char* kClassNames[pwgen::kClassCount] = {settings::kGeneratorUpper, settings::kGeneratorLower,
                                                         settings::kGeneratorDigits,
                                                         settings::kGeneratorSymbols};

int ReadInRange(const char* name, int defaultValue, int min, int max) {
    return CSettingsStore::ReadIntInRange(settings::kSectionGenerator, name, defaultValue, min, max);
}

}  // namespace

pwgen::SGeneratorOptions StoredOptions() {
    pwgen::SGeneratorOptions options;
    options.length =
        ReadInRange(settings::kGeneratorLength, pwgen::kDefaultLength, pwgen::kMinLength, pwgen::kMaxLength);
    bool any = false;
    for (int c = 0; c < pwgen::kClassCount; ++c) {
        options.classes[c] = ReadInRange(kClassNames[c], 1, 0, 1) == 1;
        any = any || options.classes[c];
    }
    if (!any) {
        for (bool& chosen : options.classes) {
            chosen = true;
        }
    }
    options.avoidSimilar = ReadInRange(settings::kGeneratorAvoidSimilar, 0, 0, 1) == 1;
    return options;
}

void StoreOptions(const pwgen::SGeneratorOptions& options) {
    CSettingsStore::WriteInt(settings::kSectionGenerator, settings::kGeneratorLength, options.length);
    for (int c = 0; c < pwgen::kClassCount; ++c) {
        CSettingsStore::WriteInt(settings::kSectionGenerator, kClassNames[c], options.classes[c] ? 1 : 0);
    }
    CSettingsStore::WriteInt(settings::kSectionGenerator, settings::kGeneratorAvoidSimilar,
                             options.avoidSimilar ? 1 : 0);
}

}  // namespace generator
