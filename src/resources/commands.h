// The program's commands: menu text (a tab before the key label), the prompt string (status-bar
// prompt, a line break, tool tip), the keys bound to it and the tool-bar image.  One table, so
// the menu bar, the tool bar, the context menu and the accelerators cannot drift apart.
#pragma once

#include <vector>

struct SCommandInfo {
    int id;
    const char* text;    // UTF-8; "\t" separates the key label shown in the menu
    const char* prompt;  // UTF-8; "status prompt\ntool tip"; may be empty
    const char* keys;    // portable key sequences separated by ";" (may be empty)
    const char* icon;    // resource path of the tool-bar image, or nullptr
};

// Every command of the main menu, in no particular order.
const std::vector<SCommandInfo>& CommandTable();
// nullptr for an unknown id.
const SCommandInfo* FindCommand(int id);

// The menu bar: popups of (title, ids); 0 stands for a separator.
struct SMenuInfo {
    const char* title;
    std::vector<int> ids;
};
const std::vector<SMenuInfo>& MainMenu();

// The tool bar's buttons from left to right; 0 stands for a separator.
const std::vector<int>& ToolBarButtons();

// The list's context menu: (id, text); a text of nullptr with id 0 is a separator, and the four
// copy commands form the "Kopiere" submenu.
struct SContextItem {
    int id;
    const char* text;
};
const std::vector<SContextItem>& ContextMenuItems();
const std::vector<SContextItem>& ContextCopyItems();
constexpr const char* kContextCopyTitle = "Kopiere";
