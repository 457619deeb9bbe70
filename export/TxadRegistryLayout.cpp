// Layout of the school registry page: the grid, its legend, the correction
// area and the protocol area.
#include "export/TxadMainForm.h"

#include "export/TxadMainFormParts.h"
#include "export/TypedLengthLimit.h"
#include "forms/DataSetModel.h"
#include "forms/QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include <iterator>

using txadform::Bevel;
using txadform::NavyLabel;
using txadform::NotExportedTip;

namespace {

// While the highlighting is on, every cell is drawn on light yellow when its
// row's name is over 30 characters and on the window colour otherwise, in the
// window-text colour: the selection colour would hide the yellow of the row
// being corrected, whose place the row indicator and the focus frame show.
// The form decides, the grid only asks.
class LongNameDelegate : public QStyledItemDelegate {
public:
    LongNameDelegate(TfmTxadMainBase& Form, QObject* Parent) : QStyledItemDelegate(Parent), FForm(Form) {}

protected:
    void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override {
        QStyledItemDelegate::initStyleOption(Option, Index);
        if (!FForm.HighlightNames()) return;
        Option->state &= ~QStyle::State_Selected;
        Option->backgroundBrush = FForm.RowHighlighted(Index.row()) ? QBrush(QColor(255, 255, 132))
                                                                    : Option->palette.brush(QPalette::Base);
        Option->palette.setBrush(QPalette::Text, Option->palette.brush(QPalette::WindowText));
        // Grey, whatever the style's disabled colours.
        if (!FForm.RowExported(Index.row())) Option->palette.setColor(QPalette::Text, QColor(128, 128, 128));
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
        if (!FForm.RowExported(Index.row())) Tip << ToQString(NotExportedTip);
        if (Tip.isEmpty()) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(Event->globalPos(), Tip.join('\n'), View, Option.rect);
        return true;
    }

private:
    TfmTxadMainBase& FForm;
};

} // namespace

QWidget* TfmTxadMainBase::LayOutRegistryPage(bool ProtocolArea) {
    QWidget* Page = AddPage("tsAnagrafica");
    auto* PageLayout = txadform::PageColumn(Page, {});
    Panel2 = new QWidget(Page);
    Panel2->setObjectName("Panel2");
    PageLayout->addWidget(Panel2);
    auto* Layout = new QVBoxLayout(Panel2);
    Layout->setContentsMargins(8, 8, 15, 8);
    Layout->setSpacing(5);

    grAnagrafica = new QTableView(Panel2);
    grAnagrafica->setObjectName("grAnagrafica");
    grAnagrafica->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grAnagrafica->setSelectionBehavior(QAbstractItemView::SelectRows);
    grAnagrafica->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the grid for the edits, as the tab order says.
    grAnagrafica->setTabKeyNavigation(false);
    grAnagrafica->verticalHeader()->setDefaultSectionSize(18);
    grAnagrafica->setMinimumHeight(ProtocolArea ? 233 : 257);
    Layout->addWidget(grAnagrafica, 1);

    auto* Legend = new QHBoxLayout;
    Legend->addStretch(1);
    shYellow = new QFrame(Panel2);
    shYellow->setObjectName("shYellow");
    shYellow->setFixedSize(15, 15);
    shYellow->setStyleSheet("background-color: rgb(255, 255, 119); border: 1px solid black;");
    Legend->addWidget(shYellow);
    laWarning = new QLabel("Lunghezza del campo 'Nome' superiore a 30 caratteri", Panel2);
    laWarning->setObjectName("laWarning");
    Legend->addWidget(laWarning);
    Layout->addLayout(Legend);

    Bevel2 = Bevel("Bevel2", Panel2);
    auto* Correction = new QGridLayout(Bevel2);
    Correction->setContentsMargins(8, 8, 8, 8);
    laTodoNome =
        NavyLabel("laTodoNome", "Modificare il nome della sede se superiore a 30 caratteri.", Bevel2);
    laNome = new QLabel("&Nome", Bevel2);
    laNome->setObjectName("laNome");
    edNome = new QLineEdit(Bevel2);
    edNome->setObjectName("edNome");
    edNome->setMinimumWidth(201);
    laNome->setBuddy(edNome);
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
    edExCod->setPlaceholderText("nessuno");
    laExCod->setBuddy(edExCod);
    buEdit = new QPushButton("&Modifica", Bevel2);
    buEdit->setObjectName("buEdit");
    buEdit->setFixedSize(75, 25);
    buEdit->setAutoDefault(false);
    acEdit = new QAction("&Modifica", this);
    acEdit->setObjectName("acEdit");
    Correction->addWidget(laTodoNome, 0, 0);
    Correction->addWidget(laNome, 0, 1);
    Correction->addWidget(edNome, 0, 2, 1, 2);
    Correction->addWidget(laTodoExCod, 1, 0);
    Correction->addWidget(laExCod, 1, 1);
    Correction->addWidget(edExCod, 1, 2);
    Correction->addWidget(buEdit, 1, 3, Qt::AlignRight);
    Correction->setColumnStretch(0, 1);
    Layout->addWidget(Bevel2);

    setTabOrder(grAnagrafica, edNome);
    setTabOrder(edNome, edExCod);
    setTabOrder(edExCod, buEdit);

    dm.dsMain->SetColumns({{"CodScuola", "Codice mecc."},
                           {"ExCodScuola", "Ex codice"},
                           {"Nome", "Nome "},
                           {"Indirizzo", "Indirizzo "},
                           {"Comune", "Comune "}});
    BindDataSetView(grAnagrafica, dm.dsMain);
    grAnagrafica->setItemDelegate(new LongNameDelegate(*this, grAnagrafica));
    for (int C = 0; C < static_cast<int>(std::size(txadform::RegistryColumnWidths)); ++C)
        grAnagrafica->setColumnWidth(C, txadform::RegistryColumnWidths[C]);
    if (ProtocolArea) {
        Bevel1 = Bevel("Bevel1", Panel2);
        auto* Protocol = new QHBoxLayout(Bevel1);
        Protocol->setContentsMargins(8, 8, 8, 8);
        Label1 = new QLabel("Numero di &protocollo", Bevel1);
        Label1->setObjectName("Label1");
        edNProto = new QLineEdit(Bevel1);
        edNProto->setObjectName("edNProto");
        edNProto->setFixedWidth(153);
        new TypedLengthLimit(edNProto, txad::ProtocolNumberWidth());
        Label1->setBuddy(edNProto);
        cbCor = new QCheckBox("&Correzione o secondo tentavivo", Bevel1);
        cbCor->setObjectName("cbCor");
        Protocol->addWidget(Label1);
        Protocol->addWidget(edNProto);
        Protocol->addSpacing(20);
        Protocol->addWidget(cbCor);
        Protocol->addStretch(1);
        Layout->addWidget(Bevel1);
        setTabOrder(buEdit, edNProto);
        setTabOrder(edNProto, cbCor);
    }
    return Page;
}
