#include "forms/VxFDialog.h"

#include <QAction>
#include <QEvent>
#include <QPushButton>
#include <QVBoxLayout>

TfmVxDialog::TfmVxDialog(QWidget* Parent) : TfmVxVuota(Parent) {
    setObjectName("fmVxDialog");
    // Dialog border with only the system menu: no minimise, maximise or help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    FClientArea = new QWidget(this);
    FClientArea->setObjectName("ClientArea");
    Layout->addWidget(FClientArea, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(33);
    Layout->addWidget(Panel1);
    Panel1->installEventFilter(this);

    // Buttons keep their distance from the bar's right edge (anchored top-right).
    buOk = new QPushButton("Chiudi", Panel1);
    buOk->setObjectName("buOk");
    PlaceOnBar(buOk, 360);
    buOk->setDefault(true);
    connect(buOk, &QPushButton::clicked, this, &QDialog::accept);

    acAid = new QAction("Guida in Linea", this);
    acAid->setObjectName("acAid");
    acAid->setProperty("category", "Help");
    acAid->setShortcut(QKeySequence(Qt::Key_F1));
    acAid->setShortcutContext(Qt::WindowShortcut);
    addAction(acAid);
    connect(acAid, &QAction::triggered, this, &TfmVxDialog::acAidExecute);

    SetClientSize(440, 321);
}

void TfmVxDialog::SetClientSize(int Width, int Height) {
    setFixedSize(Width, Height);
}

namespace {
const char* const RightMarginProperty = "adoxRightMargin";

void AnchorRight(QPushButton* Button, int BarWidth) {
    const int Margin = Button->property(RightMarginProperty).toInt();
    Button->setGeometry(BarWidth - Margin, 4, 75, 25);
}
} // namespace

void TfmVxDialog::PlaceOnBar(QPushButton* Button, int Left, int DesignWidth) {
    Button->setProperty(RightMarginProperty, DesignWidth - Left);
    AnchorRight(Button,
                Panel1->width() > 0 && Panel1->testAttribute(Qt::WA_Resized) ? Panel1->width() : DesignWidth);
}

bool TfmVxDialog::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == Panel1 && Event->type() == QEvent::Resize) {
        for (auto* Button : Panel1->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
            if (Button->property(RightMarginProperty).isValid()) AnchorRight(Button, Panel1->width());
    }
    return TfmVxVuota::eventFilter(Watched, Event);
}

void TfmVxDialog::FormCreate() {
    TfmVxVuota::FormCreate();
    FFreeOnClose = true;
}

void TfmVxDialog::FormClose(TCloseAction& Action) {
    TfmVxVuota::FormClose(Action);
    if (FFreeOnClose) Action = TCloseAction::caFree;
}

void TfmVxDialog::acAidExecute() {
    ShowHelp();
}
