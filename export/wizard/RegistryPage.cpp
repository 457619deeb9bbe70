#include "export/wizard/RegistryPage.h"

#include "export/records/FieldWidths.h"
#include "export/records/SchoolRuns.h"
#include "export/wizard/PageParts.h"
#include "export/wizard/WizardRules.h"
#include "forms/DataSetModel.h"
#include "forms/EscapeUndoesTyping.h"
#include "forms/QtText.h"
#include "forms/TypedLengthLimit.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <iterator>

namespace txad {

namespace {

// Runs an action each time the watched widget is resized.
class ResizeWatcher : public QObject {
public:
    ResizeWatcher(QWidget* Watched, std::function<void()> Action)
        : QObject(Watched), FAction(std::move(Action)) {
        Watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Resize) FAction();
        return false;
    }

private:
    std::function<void()> FAction;
};

// While the page is active, every cell is drawn on light yellow when its
// row's name is over 30 characters and on the window colour otherwise, in the
// window-text colour: the selection colour would hide the yellow of the row
// being corrected, whose place the row indicator and the focus frame show.
// The page decides, the grid only asks.
class LongNameDelegate : public QStyledItemDelegate {
public:
    LongNameDelegate(const RegistryPage& Page, QObject* Parent) : QStyledItemDelegate(Parent), FPage(Page) {}

protected:
    void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override {
        QStyledItemDelegate::initStyleOption(Option, Index);
        if (!FPage.Active()) return;
        Option->state &= ~QStyle::State_Selected;
        Option->backgroundBrush = FPage.RowHighlighted(Index.row()) ? QBrush(QColor(255, 255, 132))
                                                                    : Option->palette.brush(QPalette::Base);
        Option->palette.setBrush(QPalette::Text, Option->palette.brush(QPalette::WindowText));
        // Grey, whatever the style's disabled colours.
        if (!FPage.RowExported(Index.row())) Option->palette.setColor(QPalette::Text, QColor(128, 128, 128));
    }

    // A cut cell shows its whole text; a row the school file does not take
    // says why.
    bool helpEvent(QHelpEvent* Event, QAbstractItemView* View, const QStyleOptionViewItem& Option,
                   const QModelIndex& Index) override {
        if (Event->type() != QEvent::ToolTip || !Index.isValid())
            return QStyledItemDelegate::helpEvent(Event, View, Option, Index);
        const QString Text = Index.data().toString();
        const int Margin = 2 * (View->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, View) + 1);
        QStringList Tip;
        if (Option.fontMetrics.horizontalAdvance(Text) + Margin > Option.rect.width()) Tip << Text;
        if (!FPage.RowExported(Index.row())) Tip << ToQString(NotExportedTip);
        if (Tip.isEmpty()) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(Event->globalPos(), Tip.join('\n'), View, Option.rect);
        return true;
    }

private:
    const RegistryPage& FPage;
};

// The legend and the hint name the limit the set's school records give.
void ShowNameLimit(QLabel* Legend, QLabel* Hint, int Limit) {
    Legend->setText(ToQString(FormatMsg("Lunghezza del campo 'Nome' superiore a %d caratteri", Limit)));
    Hint->setText(ToQString(FormatMsg("Modificare il nome della sede se superiore a %d caratteri.", Limit)));
}

// Why typing was refused: in the counter until the next change of the text,
// and as a tooltip at the edit.
void ShowRefusal(QLineEdit* Edit, QLabel* Counter, const std::string& Why) {
    const QString Text = ToQString(Why);
    Counter->setToolTip(Text);
    Counter->setStyleSheet(QStringLiteral("color: rgb(160, 0, 0); font-weight: bold;"));
    QToolTip::showText(Edit->mapToGlobal(QPoint(0, Edit->height())), Text, Edit);
}

inline constexpr const char* ResendTip =
    "Da spuntare quando si invia di nuovo la fornitura, per correggere o ripetere un invio precedente.\n"
    "I file esportati non cambiano: l'e-mail preparata con \"Prepara e-mail\" lo dice nell'oggetto.";

// The name field's note, read out with the field, and how a correction is
// confirmed.
void DescribeNameField(QLineEdit* Edit, const QLabel* Note) {
    Edit->setAccessibleDescription(Note->text() + " Invio o Modifica conferma la correzione.");
}

// The former-code column says "nessuno" where the packet's "." means no
// former code, as the edit below does; on screen and to a screen reader.
QString FormerCodeShown(const QString& Value) {
    return Value.trimmed() == "." ? QString::fromLatin1(NoFormerCode) : Value;
}

class FormerCodeDelegate : public LongNameDelegate {
public:
    using LongNameDelegate::LongNameDelegate;

    QString displayText(const QVariant& Value, const QLocale& Locale) const override {
        return LongNameDelegate::displayText(FormerCodeShown(Value.toString()), Locale);
    }
};

} // namespace

RegistryPage::RegistryPage(WizardSession& Session, QWidget* Parent)
    : WizardPage("tsAnagrafica", Session, Parent) {
    LayOut();
    if (Session.Plan.ProtocolArea) LayOutProtocolArea();
    FNameLength = new TypedLengthLimit(edNome, FNameLimit, laNomeCount);
    connect(FNameLength, &TypedLengthLimit::Refused, this, [this](int Length) { NameRefused(Length); });
    new TypedLengthLimit(edExCod, static_cast<int>(SchoolCodeLength));
    // Esc undoes the typing of the row's name or former code before it
    // reaches the window.
    new EscapeUndoesTyping(edNome, [this] { return RecordName(FEditsRow); });
    new EscapeUndoesTyping(edExCod, [this] { return RecordFormerCode(FEditsRow); });
    connect(acEdit, &QAction::triggered, this, [this] { acEditExecute(); });
    connect(buEdit, &QPushButton::clicked, acEdit, &QAction::trigger);
    new ResizeWatcher(grAnagrafica->viewport(), [this] { FitNameColumn(); });
    // The edits follow every change of the current row (keys, pages, wheel,
    // click, the program), so Modifica never stores one school's edits in
    // another school's row; only while the page is active, as the export
    // reloads cdsMain with packets that have no names.
    connect(Session.Dm.dsMain, &DataSetModel::CurrentRowChanged, this, [this](int) {
        if (FActive && !FMoving) CurrentRowChanged();
    });
}

void RegistryPage::LayOut() {
    auto* PageLayout = PageColumn(this, {});
    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    PageLayout->addWidget(Panel2);
    auto* Layout = new QVBoxLayout(Panel2);
    Layout->setContentsMargins(8, 8, 15, 8);
    Layout->setSpacing(5);

    grAnagrafica = new QTableView(Panel2);
    grAnagrafica->setObjectName("grAnagrafica");
    grAnagrafica->setAccessibleName("Sedi della scuola");
    grAnagrafica->setAccessibleDescription("La riga scelta \u00E8 quella che si corregge: i campi Nome ed "
                                           "Ex codice la seguono, Modifica la aggiorna.");
    grAnagrafica->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grAnagrafica->setSelectionBehavior(QAbstractItemView::SelectRows);
    grAnagrafica->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the grid for the edits, as the tab order says.
    grAnagrafica->setTabKeyNavigation(false);
    grAnagrafica->verticalHeader()->setDefaultSectionSize(18);
    // A few rows at the least: on a small screen the edits below stay in view.
    grAnagrafica->setMinimumHeight(110);
    Layout->addWidget(grAnagrafica, 1);

    auto* Legend = new QHBoxLayout;
    Legend->addStretch(1);
    shYellow = new QFrame(Panel2);
    shYellow->setObjectName("shYellow");
    shYellow->setFixedSize(15, 15);
    shYellow->setStyleSheet("background-color: rgb(255, 255, 119); border: 1px solid black;");
    Legend->addWidget(shYellow);
    laWarning = new QLabel(Panel2);
    laWarning->setObjectName("laWarning");
    Legend->addWidget(laWarning);
    Layout->addLayout(Legend);

    Bevel2 = Bevel("Bevel2", Panel2);
    auto* Edits = new QGridLayout(Bevel2);
    Edits->setContentsMargins(8, 8, 8, 8);
    laTodoNome = NavyLabel("laTodoNome", "", Bevel2);
    laNome = new QLabel("&Nome", Bevel2);
    laNome->setObjectName("laNome");
    edNome = new QLineEdit(Bevel2);
    edNome->setObjectName("edNome");
    edNome->setMinimumWidth(201);
    laNome->setBuddy(edNome);
    laNomeCount = new QLabel(Bevel2);
    laNomeCount->setObjectName("laNomeCount");
    laTodoExCod =
        NavyLabel("laTodoExCod",
                  "Se il codice meccanografico \xE8 variato rispetto allo scorso\r\nanno, indicare il "
                  "vecchio codice.",
                  Bevel2);
    laTodoExCod->setText(laTodoExCod->text().replace("\r\n", "\n"));
    laExCod = new QLabel("E&x codice", Bevel2);
    laExCod->setObjectName("laExCod");
    edExCod = new QLineEdit(Bevel2);
    edExCod->setObjectName("edExCod");
    edExCod->setFixedWidth(121);
    // "." in the packet means no former code: shown as an empty box.
    edExCod->setPlaceholderText(NoFormerCode);
    laExCod->setBuddy(edExCod);
    // What the notes beside the fields say, and how a correction is confirmed.
    edExCod->setAccessibleDescription(laTodoExCod->text().replace('\n', ' ') +
                                      " Invio o Modifica conferma la correzione.");
    buEdit = new QPushButton("&Modifica", Bevel2);
    buEdit->setObjectName("buEdit");
    buEdit->setFixedSize(75, 25);
    buEdit->setAutoDefault(false);
    acEdit = new QAction("&Modifica", this);
    acEdit->setObjectName("acEdit");
    Edits->addWidget(laTodoNome, 0, 0);
    Edits->addWidget(laNome, 0, 1);
    Edits->addWidget(edNome, 0, 2, 1, 2);
    Edits->addWidget(laNomeCount, 0, 4);
    Edits->addWidget(laTodoExCod, 1, 0);
    Edits->addWidget(laExCod, 1, 1);
    Edits->addWidget(edExCod, 1, 2);
    Edits->addWidget(buEdit, 1, 3, Qt::AlignRight);
    // A wider window gives its room to the name being edited; on a narrow
    // one the hints wrap.
    for (QLabel* Label : {laTodoNome, laNome, laNomeCount, laTodoExCod, laExCod})
        Label->setSizePolicy(QSizePolicy::Maximum, Label->sizePolicy().verticalPolicy());
    for (QLabel* Hint : {laTodoNome, laTodoExCod}) Hint->setWordWrap(true);
    Edits->setColumnStretch(2, 1);
    Layout->addWidget(Bevel2);

    setTabOrder(grAnagrafica, edNome);
    setTabOrder(edNome, edExCod);
    setTabOrder(edExCod, buEdit);

    DataSetModel* Model = FSession.Dm.dsMain;
    Model->SetColumns({{"CodScuola", "Codice mecc."},
                       {"ExCodScuola", "Ex codice", FormerCodeShown},
                       {"Nome", "Nome "},
                       {"Indirizzo", "Indirizzo "},
                       {"Comune", "Comune "}});
    BindDataSetView(grAnagrafica, Model);
    grAnagrafica->setItemDelegate(new LongNameDelegate(*this, grAnagrafica));
    grAnagrafica->setItemDelegateForColumn(1, new FormerCodeDelegate(*this, grAnagrafica));
    for (int C = 0; C < static_cast<int>(std::size(RegistryColumnWidths)); ++C)
        grAnagrafica->setColumnWidth(C, RegistryColumnWidths[C]);
    ShowNameLimit(laWarning, laTodoNome, FNameLimit);
    DescribeNameField(edNome, laTodoNome);
}

void RegistryPage::LayOutProtocolArea() {
    Bevel1 = Bevel("Bevel1", Panel2);
    // The number's line, and below it which file takes the number.
    auto* Area = new QVBoxLayout(Bevel1);
    Area->setContentsMargins(8, 8, 8, 8);
    Area->setSpacing(2);
    auto* Protocol = new QHBoxLayout;
    Area->addLayout(Protocol);
    Label1 = new QLabel("Numero di &protocollo", Bevel1);
    Label1->setObjectName("Label1");
    edNProto = new QLineEdit(Bevel1);
    edNProto->setObjectName("edNProto");
    edNProto->setFixedWidth(153);
    laNProtoCount = new QLabel(Bevel1);
    laNProtoCount->setObjectName("laNProtoCount");
    FProtocolLength = new TypedLengthLimit(edNProto, ProtocolNumberWidth({}), laNProtoCount);
    connect(FProtocolLength, &TypedLengthLimit::Refused, this, [this](int) {
        ShowRefusal(
            edNProto, laNProtoCount,
            FormatMsg("Il numero di protocollo pu\xF2 avere al pi\xF9 %d caratteri, la larghezza del suo "
                      "campo nel file.",
                      FProtocolLength->Limit()));
    });
    new EscapeUndoesTyping(edNProto);
    Label1->setBuddy(edNProto);
    cbCor = new QCheckBox("&Correzione o secondo tentativo", Bevel1);
    cbCor->setObjectName("cbCor");
    cbCor->setToolTip(ToQString(ResendTip));
    connect(cbCor, &QCheckBox::toggled, this, [this](bool Checked) { FSession.Resend = Checked; });
    laNProtoFile = new QLabel(Bevel1);
    laNProtoFile->setObjectName("laNProtoFile");
    laNProtoFile->setWordWrap(true);
    Protocol->addWidget(Label1);
    Protocol->addWidget(edNProto);
    Protocol->addWidget(laNProtoCount);
    Protocol->addSpacing(20);
    Protocol->addWidget(cbCor);
    Protocol->addStretch(1);
    Area->addWidget(laNProtoFile);
    Panel2->layout()->addWidget(Bevel1);
    setTabOrder(buEdit, edNProto);
    setTabOrder(edNProto, cbCor);
    connect(edNProto, &QLineEdit::textChanged, this,
            [this](const QString& Text) { FSession.ProtocolNumber = FromQString(Text); });
}

void RegistryPage::Prepare() {
    if (!FSession.RecordSet) return;
    const std::span<const FileLayout> Files = FSession.RecordSet->FileLayouts();
    FNameLimit = SchoolNameWidth(Files);
    FNameLength->SetLimit(FNameLimit);
    ShowNameLimit(laWarning, laTodoNome, FNameLimit);
    DescribeNameField(edNome, laTodoNome);
    if (!edNProto) return;
    FProtocolLength->SetLimit(ProtocolNumberWidth(Files));
    // An input that reaches no file says so instead of being taken in vain.
    const FileLayout* Carrier = ProtocolNumberFile(Files);
    const std::string Where =
        Carrier
            ? FormatMsg("Il numero di protocollo viene scritto nella testata del file %s.", Carrier->FileName)
            : FormatMsg(
                  "Per %s il numero di protocollo non viene scritto in nessun file: non serve indicarlo.",
                  UpperCaseAscii(FSession.RecordSet->Target()));
    laNProtoFile->setText(ToQString(Where));
    laNProtoFile->setStyleSheet(Carrier ? QString() : QStringLiteral("color: gray;"));
    for (QWidget* Part : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(edNProto),
                          static_cast<QWidget*>(laNProtoCount)}) {
        Part->setEnabled(Carrier != nullptr);
        Part->setToolTip(ToQString(Where));
    }
}

void RegistryPage::SetProtocolNumber(const std::string& Text) {
    if (edNProto) edNProto->setText(ToQString(Text));
}

bool RegistryPage::RowExported(int Position) const {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (!FActive || !FSession.RecordSet || !FSession.RecordSet->OneSchoolRecordPerCode() || !Main.Active())
        return true;
    const TField Code = Main.FindField("CodScuola");
    if (!Code.Valid() || Position < 0 || Position >= Main.RecordCount()) return true;
    const std::string Current(Main.TextAt(Position, Code.Index()));
    return StartsSchoolRecord(Current,
                              Position == 0 ? CodeBeforeFirstRow : Main.TextAt(Position - 1, Code.Index()));
}

bool RegistryPage::RowHighlighted(int Position) const {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (!FActive || !Main.Active()) return false;
    const TField Nome = Main.FindField("Nome");
    if (!Nome.Valid()) return false;
    return Main.TextAt(Position, Nome.Index()).size() > static_cast<std::size_t>(FNameLimit);
}

void RegistryPage::Shown() {
    FActive = true;
    TClientDataSet& Main = FSession.Dm.cdsMain;
    // The edits follow the rows once they are ready, not while they are
    // loaded and corrected.
    FEditsRow = -1;
    FMoving = true;
    struct MovingEnds {
        bool& Moving;
        ~MovingEnds() { Moving = false; }
    } Ends{FMoving};
    try {
        // After a run that stopped cdsMain holds the run's last packet.
        if (FSession.Plan.RegistryReloads || FSession.Run != RunState::NotRun)
            Main.LoadFromFile(FSession.PacketPath(Packet::Registry));
        FPacketRows.clear();
        for (int Row = 0; Row < Main.RecordCount(); ++Row) FPacketRows.push_back(Row);
        if (FSession.Args.Path == WizardPath::WithSites)
            FPacketRows = ApplySiteChoice(Main, FSession.SiteTicks);
        ApplyCorrections();
        Main.First();
        FitCodeColumns();
        FitNameColumn();
        grAnagrafica->setFocus();
        FMoving = false;
        CopyRecordToEdits();
    } catch (const std::exception& E) {
        ShowApplicationError(E);
    }
}

void RegistryPage::Left() {
    FActive = false;
    TClientDataSet& Main = FSession.Dm.cdsMain;
    const TField Code = Main.Active() ? Main.FindField("CodScuola") : TField();
    FSession.SchoolCode = Code.Valid() && Main.RecordCount() > 0 ? AllTrim(Main.TextAt(0, Code.Index())) : "";
}

void RegistryPage::ApplyCorrections() {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (FCorrections.empty() || !Main.Active()) return;
    const int Rows = std::min(Main.RecordCount(), static_cast<int>(FPacketRows.size()));
    for (int Row = 0; Row < Rows; ++Row) {
        const auto It = FCorrections.find(FPacketRows[static_cast<std::size_t>(Row)]);
        if (It == FCorrections.end()) continue;
        Main.SetRecNo(Row);
        Main.Edit();
        Main.FieldByName("Nome").SetAsString(It->second.Nome);
        Main.FieldByName("ExCodScuola").SetAsString(It->second.ExCodScuola);
        Main.Post();
    }
}

void RegistryPage::CopyRecordToEdits() {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (!Main.Active() || Main.Eof()) return;
    FEditsRow = Main.RecNo();
    const TField Nome = Main.FindField("Nome");
    const TField ExCod = Main.FindField("ExCodScuola");
    // The start of a long name is what the user reads first; the whole name
    // is in the tooltip.
    if (Nome.Valid()) {
        edNome->setText(ToQString(Nome.AsText()));
        edNome->setCursorPosition(0);
        edNome->setToolTip(edNome->text());
    }
    if (ExCod.Valid()) {
        const std::string Code = AllTrim(ExCod.AsText());
        edExCod->setText(Code == "." ? QString() : ToQString(Code));
    }
    // A row the school file does not take cannot be corrected.
    const bool Exported = RowExported(Main.RecNo());
    const QString Tip = Exported ? QString() : ToQString(NotExportedTip);
    for (QWidget* Edit :
         {static_cast<QWidget*>(edNome), static_cast<QWidget*>(edExCod), static_cast<QWidget*>(buEdit)}) {
        Edit->setEnabled(Exported);
        if (Edit != edNome) Edit->setToolTip(Tip);
    }
    if (!Exported) edNome->setToolTip(edNome->text() + "\n" + Tip);
    acEdit->setEnabled(Exported);
}

// The two code columns show a whole code of the widest letters, "nessuno"
// and their title whatever the font; the design widths are their least.
void RegistryPage::FitCodeColumns() {
    const QAbstractItemModel* Model = grAnagrafica->model();
    const QFontMetrics Metrics = grAnagrafica->fontMetrics();
    int Letter = 0;
    for (const char C : std::string_view("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
        Letter = std::max(Letter, Metrics.horizontalAdvance(QChar(C)));
    const int Margin =
        2 * (grAnagrafica->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grAnagrafica) + 1) + 8;
    const int WholeCode = static_cast<int>(SchoolCodeLength) * Letter + Margin;
    const int Nessuno = Metrics.horizontalAdvance(QString::fromLatin1(NoFormerCode)) + Margin;
    for (int Column = 0; Column < 2; ++Column) {
        const int DesignWidth = RegistryColumnWidths[Column];
        int Needed =
            std::max({grAnagrafica->horizontalHeader()->sectionSizeHint(Column), WholeCode, Nessuno});
        // A code of digits and capitals fits WholeCode, and "." is shown as
        // "nessuno": only other texts are measured, so a registry of a
        // thousand sites costs no text layout.
        for (int Row = 0; Row < Model->rowCount(); ++Row) {
            const QModelIndex Index = Model->index(Row, Column);
            const QString Text = Index.data(Qt::DisplayRole).toString();
            const bool Fits =
                Text.size() <= static_cast<qsizetype>(SchoolCodeLength) &&
                std::all_of(Text.begin(), Text.end(), [](QChar C) {
                    return (C >= u'0' && C <= u'9') || (C >= u'A' && C <= u'Z') || C == u' ' || C == u'.';
                });
            if (!Fits) Needed = std::max(Needed, grAnagrafica->sizeHintForIndex(Index).width());
        }
        grAnagrafica->setColumnWidth(Column, std::max(DesignWidth, Needed));
    }
}

// A window wider than designed gives the names the room the other columns
// leave; the design width is their least.
void RegistryPage::FitNameColumn() {
    constexpr int NameColumn = RegistryNameColumn;
    constexpr int NameWidth = RegistryColumnWidths[NameColumn];
    const QHeaderView* Header = grAnagrafica->horizontalHeader();
    int Others = 0;
    for (int Column = 0; Column < Header->count(); ++Column)
        if (Column != NameColumn) Others += Header->sectionSize(Column);
    grAnagrafica->setColumnWidth(NameColumn, std::max(NameWidth, grAnagrafica->viewport()->width() - Others));
}

void RegistryPage::acEditExecute() {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (!Main.Active() || Main.Eof()) return;
    if (StoreEdits(Main.RecNo())) grAnagrafica->setFocus();
}

bool RegistryPage::StoreEdits(int Row) {
    const FormerCodeEntry ExCod = CheckFormerCode(FromQString(edExCod->text()));
    if (!ExCod.Accepted) {
        ShowMessageDlg(ExCod.Error, mtError, MsgButtons({mbOK}), mbHelp);
        edExCod->setFocus();
        return false;
    }
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (!Main.Active() || Row < 0 || Row >= Main.RecordCount() || !RowExported(Row)) return true;
    const Correction Made{FromQString(edNome->text()), ExCod.Stored};
    const int Current = Main.RecNo();
    FMoving = true;
    Main.SetRecNo(Row);
    Main.Edit();
    Main.FieldByName("Nome").SetAsString(Made.Nome);
    Main.FieldByName("ExCodScuola").SetAsString(Made.ExCodScuola);
    Main.Post();
    Main.SetRecNo(Current);
    FMoving = false;
    // Kept for the fresh load of the next visit.
    if (Row < static_cast<int>(FPacketRows.size()))
        FCorrections[FPacketRows[static_cast<std::size_t>(Row)]] = Made;
    // The edits show what is stored, so nothing is pending any more.
    if (Row == Current) CopyRecordToEdits();
    return true;
}

QString RegistryPage::RecordName(int Row) const {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    const TField Nome = Main.FindField("Nome");
    if (!Main.Active() || !Nome.Valid() || Row < 0 || Row >= Main.RecordCount()) return edNome->text();
    return ToQString(Main.TextAt(Row, Nome.Index()));
}

QString RegistryPage::RecordFormerCode(int Row) const {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    const TField ExCod = Main.FindField("ExCodScuola");
    if (!Main.Active() || !ExCod.Valid() || Row < 0 || Row >= Main.RecordCount()) return edExCod->text();
    const std::string Code = AllTrim(Main.TextAt(Row, ExCod.Index()));
    return Code == "." ? QString() : ToQString(Code);
}

bool RegistryPage::CorrectionPending() const {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (!FActive || !Main.Active() || FEditsRow < 0 || FEditsRow >= Main.RecordCount() ||
        !RowExported(FEditsRow))
        return false;
    return edNome->text() != RecordName(FEditsRow) || edExCod->text() != RecordFormerCode(FEditsRow);
}

int RegistryPage::AskToStore(bool WithCancel) const {
    const std::string Text =
        FormatMsg("Applicare la correzione a \xAB%s\xBB?", FromQString(RecordName(FEditsRow))) + "\r\n\r\n" +
        (WithCancel
             ? "S\xEC: la correzione viene applicata; No: viene scartata; Annulla: si resta sulla pagina."
             : "S\xEC: la correzione viene applicata; No: viene scartata.");
    const TMsgDlgButtons Buttons =
        WithCancel ? MsgButtons({mbYes, mbNo, mbCancel}) : MsgButtons({mbYes, mbNo});
    return ShowMessageDlg(Text, mtConfirmation, Buttons, mbYes);
}

void RegistryPage::CurrentRowChanged() {
    TClientDataSet& Main = FSession.Dm.cdsMain;
    if (Main.Active() && Main.RecNo() != FEditsRow && CorrectionPending() && AskToStore(false) == idYes &&
        !StoreEdits(FEditsRow)) {
        // The former code is wrong: back on the row being corrected, with
        // the edits as typed.
        FMoving = true;
        Main.SetRecNo(FEditsRow);
        FMoving = false;
        edExCod->setFocus();
        return;
    }
    CopyRecordToEdits();
}

bool RegistryPage::MayLeave() {
    if (!CorrectionPending()) return true;
    switch (AskToStore(true)) {
    case idYes: return StoreEdits(FEditsRow);
    case idNo: CopyRecordToEdits(); return true;
    default: return false;
    }
}

bool RegistryPage::HasUserInput() const {
    return !FCorrections.empty() || CorrectionPending() || (edNProto && !edNProto->text().isEmpty());
}

void RegistryPage::NameRefused(int Length) {
    const std::string Why =
        Length > FNameLimit
            ? FormatMsg("Il nome ha gi\xE0 %d caratteri, ", Length) +
                  FormatMsg(
                      "pi\xF9 dei %d del campo 'Nome' nel file delle scuole: si pu\xF2 solo accorciarlo.",
                      FNameLimit)
            : FormatMsg("Il nome pu\xF2 avere al pi\xF9 %d caratteri, la larghezza del campo 'Nome' nel file "
                        "delle scuole.",
                        FNameLimit);
    ShowRefusal(edNome, laNomeCount, Why);
}

void RegistryPage::keyPressEvent(QKeyEvent* Event) {
    const bool Enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
    QWidget* Focus = focusWidget();
    if (!Enter || (Event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier ||
        (Focus != edNome && Focus != edExCod)) {
        WizardPage::keyPressEvent(Event);
        return;
    }
    if (buEdit->isEnabled() && buEdit->isVisible()) buEdit->click();
    Event->accept();
}

} // namespace txad
