#pragma once
// RecordFilesDialog: the records of an export's output files in read-only
// tables, one tab per file, so the user sees what is sent by field name
// rather than as fixed-width text.

#include "export/records/RecordLayout.h"

#include <QDialog>
#include <string>

class QTabWidget;
class QPushButton;

class RecordFilesDialog : public QDialog {
    Q_OBJECT
public:
    // The files of Files, read from DataDir (ending in the separator).
    RecordFilesDialog(const std::string& DataDir, std::span<const txad::FileLayout> Files,
                      QWidget* Parent = nullptr);

    QTabWidget* tcFiles = nullptr;
    QPushButton* buClose = nullptr;
};
