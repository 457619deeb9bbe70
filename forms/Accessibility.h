#pragma once
// What a screen reader or a test robot needs from the accessibility tree
// beyond Qt's own interfaces: list items with check boxes expose their state
// and a toggle action, a page control with hidden tabs shows only its active
// page, a combo box takes an item chosen through its list, scroll bars are
// named.

class QComboBox;
class QTabWidget;
class QWidget;

// Installs the interfaces below and the naming of scroll bars; once, after
// the application object exists.
void InstallAccessibility();

// The pages of Pages are reached only by the program: the tree holds the
// active page alone (named after the page's accessible name), no tabs.
void ExposeActivePageOnly(QTabWidget* Pages);
// Tells assistive tools that the active page of Pages changed.
void AnnounceActivePage(QTabWidget* Pages);

// An item chosen through Box's list while the list is closed (an item's
// selection through the tree) becomes Box's current item, as a click in the
// open list does.
void AcceptChosenItem(QComboBox* Box);
