// Fixed facts about the product, shared by the About box, the link labels, the update check
// and the help page.
#pragma once

namespace product {

constexpr const char* kAppTitle = "Zelmora";  // caption of every message box, settings key
constexpr const char* kMakerKey = "Halvorn";  // settings organisation
constexpr const char* kVersionText = "Zelmora, Version 1.1";
constexpr const char* kWebAddress = "http://www.halvorn.example/";
constexpr const char* kSupportMail = "mailto:support@halvorn.example";

// The document type: window title, document name, new-file type name, filter name, filter
// extension, file type identifier and file type name, separated by line breaks.
constexpr const char* kDocTemplate =
    "Zelmora\n\nZelmo\nDateityp Zelmora (*.zlm)\n.ZLM\nZelmora.Document\nZelmo Document";
enum EDocTemplateField {
    kWindowTitle,
    kDocName,
    kFileNewName,
    kFilterName,
    kFilterExt,
    kRegFileTypeId,
    kRegFileTypeName
};

}  // namespace product
