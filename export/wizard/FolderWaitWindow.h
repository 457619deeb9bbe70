#pragma once
// The window an export shows while another export holds the folder it must
// write into: it says which folder, keeps repainting and offers Annulla; the
// run goes on by itself once the folder is free.

#include "export/run/ExportRun.h"

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace txad {

class FolderWaitWindow : public QDialog, public FolderWait {
public:
    // Parent is the window the wait belongs to; the wait window stays usable
    // while the run keeps that one disabled.
    explicit FolderWaitWindow(QWidget* Parent);

    void Begin(const std::string& Text) override;
    // Lets the window live for about 50 ms.
    bool KeepWaiting() override;
    void End() noexcept override;

    QLabel* laAttesa = nullptr;
    QPushButton* buAnnulla = nullptr;

protected:
    // Esc and the title bar's close button give up, as Annulla does.
    void reject() override;

private:
    bool FGivenUp = false;
};

} // namespace txad
