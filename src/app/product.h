// Fixed facts about the product, shared by the About box, the link labels, the update check
// and the help page.
#pragma once

namespace product {

constexpr const char* kAppTitle = "Zelmora";  // caption of every message box, settings key
constexpr const char* kMakerKey = "Halvorn";  // settings organisation
constexpr const char* kVersionText = "Zelmora, Version 1.1";
constexpr const char* kWebAddress = "http://www.halvorn.example/";
constexpr const char* kSupportMail = "mailto:support@halvorn.example";

}  // namespace product
