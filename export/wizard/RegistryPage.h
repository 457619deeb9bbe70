#pragma once
// The school registry page: the registry rows in a grid, long names
// highlighted, the rows the school file does not take greyed; the name and
// former code of the current row corrected with Modifica, the corrections
// kept across visits; and, where the edition has it, the protocol number.

#include "export/wizard/WizardPage.h"

#include <map>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TypedLengthLimit;

namespace txad {

class RegistryPage : public WizardPage {
public:
    RegistryPage(WizardSession& Session, QWidget* Parent);

    const char* StepName() const override { return "Anagrafica"; }
    // Takes the name and protocol limits from the record set and says where
    // the protocol number goes.
    void Prepare() override;
    // Loads the registry rows (or takes them as they are), applies the site
    // choice and the kept corrections, fills the edits.
    void Shown() override;
    // Text typed in the correction edits and not stored is stored or
    // dropped as the user answers; it is never lost without a word.
    bool MayLeave() override;
    void Left() override;
    // Corrections stored, typed and not stored, or a protocol number typed.
    bool HasUserInput() const override;

    // The page is shown: its rows are in cdsMain, long names are highlighted
    // and the edits follow the current row.
    bool Active() const { return FActive; }
    // Whether row Position of the grid is drawn highlighted.
    bool RowHighlighted(int Position) const;
    // Whether row Position gives a record of the school file: not so for the
    // later rows of a run of one code, when the file takes one record per
    // code. Such rows are shown grey and cannot be corrected.
    bool RowExported(int Position) const;
    // The protocol number, as if typed; nothing without the protocol area.
    void SetProtocolNumber(const std::string& Text);
    // The longest name that can be typed: the school record's name width.
    int NameLimit() const { return FNameLimit; }
    // The edits hold text that differs from the row they were filled from.
    bool CorrectionPending() const;

    QWidget* Panel2 = nullptr;
    QTableView* grAnagrafica = nullptr;
    QFrame* shYellow = nullptr;
    QLabel* laWarning = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* laTodoNome = nullptr;
    QLabel* laNome = nullptr;
    QLineEdit* edNome = nullptr;
    // The name's length against its limit, and why typing was refused.
    QLabel* laNomeCount = nullptr;
    QLabel* laTodoExCod = nullptr;
    QLabel* laExCod = nullptr;
    QLineEdit* edExCod = nullptr;
    QPushButton* buEdit = nullptr;
    QAction* acEdit = nullptr;
    // The protocol area, where the edition has it.
    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edNProto = nullptr;
    QLabel* laNProtoCount = nullptr;
    QCheckBox* cbCor = nullptr;
    // Which file the protocol number goes into, or that it goes into none.
    QLabel* laNProtoFile = nullptr;

protected:
    // Enter in a correction edit stores the correction.
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void LayOut();
    void LayOutProtocolArea();
    void acEditExecute();
    // Stores the edits into row Row of cdsMain and keeps them for later
    // visits; false, after telling the user, when the former code is wrong.
    bool StoreEdits(int Row);
    // Asks whether to store the pending edits into the row they came from:
    // with Cancel among the answers when the user may stay.
    int AskToStore(bool WithCancel) const;
    // The current row changed: what was typed for the row left is stored or
    // dropped first.
    void CurrentRowChanged();
    // The record's values as the edits show them.
    QString RecordName(int Row) const;
    QString RecordFormerCode(int Row) const;
    void NameRefused(int Length);
    // Copies the current record of the grid's dataset into the edits.
    void CopyRecordToEdits();
    // Stores again, into the rows of a fresh load, the corrections made with
    // Modifica on earlier visits.
    void ApplyCorrections();
    // Widens the code columns of the grid to their contents.
    void FitCodeColumns();
    // Gives the name column the width the window has to spare.
    void FitNameColumn();

    bool FActive = false;
    int FNameLimit = 30;
    TypedLengthLimit* FNameLength = nullptr;
    TypedLengthLimit* FProtocolLength = nullptr;
    // The row the edits were filled from; -1 before the first.
    int FEditsRow = -1;
    // Set while the page itself moves the current row.
    bool FMoving = false;
    // A correction made with Modifica, by row of the registry packet.
    struct Correction {
        std::string Nome;
        std::string ExCodScuola;
    };
    std::map<int, Correction> FCorrections;
    // The registry packet's row of each row of cdsMain while the page is shown.
    std::vector<int> FPacketRows;
};

} // namespace txad
