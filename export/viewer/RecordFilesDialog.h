#pragma once
// RecordFilesDialog: the records of an export's output files in read-only
// tables, one tab per file, so the user sees what is sent by field name
// rather than as fixed-width text. The record's name and the key columns
// (school code, year and section) stay in view while the other fields scroll,
// and a find box looks through the values.

#include "export/records/RecordLayout.h"

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

class RecordFilesDialog : public QDialog {
    Q_OBJECT
public:
    // The files of Files, read from DataDir (ending in the separator);
    // SetName names the delivered set in the title.
    RecordFilesDialog(const std::string& DataDir, std::span<const txad::FileLayout> Files,
                      const QString& SetName = QString(), QWidget* Parent = nullptr);

    // The table of tab Tab and its frozen key columns; nullptr for a file
    // that could not be read.
    QTableView* Table(int Tab) const;
    QTableView* KeyTable(int Tab) const;

    // Goes to the next value of the file shown that holds the find box's
    // text and says where; false when there is none.
    bool FindNext();

    QTabWidget* tcFiles = nullptr;
    QLineEdit* edTrova = nullptr;
    QPushButton* buTrova = nullptr;
    QLabel* laEsito = nullptr;
    QPushButton* buClose = nullptr;
};

// The columns kept in view, by name, in the order shown: the record's name
// and the keys of school and class records.
bool IsKeyColumn(std::string_view Name);
