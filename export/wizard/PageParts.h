#pragma once
// What the wizard's pages share: the text of a row the school
// file does not take, and the small widget makers of their layouts.

#include "forms/QtText.h"

#include <QFrame>
#include <QLabel>
#include <QMargins>
#include <QVBoxLayout>
#include <string>

class QPlainTextEdit;

namespace txad {

// The registry grid's columns at their design widths: the two codes, the
// name, the address and the town.
inline constexpr int RegistryColumnWidths[] = {78, 78, 171, 184, 232};
inline constexpr int RegistryNameColumn = 2;

// Shown where a school has no former code ("." in the packet).
inline constexpr const char* NoFormerCode = "nessuno";

inline constexpr const char* NotExportedTip =
    "Il file delle scuole riporta una sola sede per codice meccanografico, la prima:\n"
    "le correzioni vanno fatte su quella riga.";

// The top-to-bottom layout of a page, within Margins.
inline QVBoxLayout* PageColumn(QWidget* Page, const QMargins& Margins) {
    auto* Layout = new QVBoxLayout(Page);
    Layout->setContentsMargins(Margins);
    return Layout;
}

inline QLabel* NavyLabel(const char* Name, const std::string& Text, QWidget* Parent) {
    auto* Label = new QLabel(ToQString(Text), Parent);
    Label->setObjectName(Name);
    Label->setStyleSheet("color: navy;");
    return Label;
}

inline QFrame* Bevel(const char* Name, QWidget* Parent) {
    auto* Frame = new QFrame(Parent);
    Frame->setObjectName(Name);
    Frame->setFrameShape(QFrame::StyledPanel);
    Frame->setFrameShadow(QFrame::Sunken);
    return Frame;
}

// A memo in the system's fixed font ("Lucida Console" 8 when installed).
void SetMemoFont(QPlainTextEdit* Memo);

} // namespace txad
