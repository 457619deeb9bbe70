#pragma once
// TfmVxDialog: a fixed-size dialog with a bottom button bar, a close button
// and an F1 help action; it frees itself when closed.

#include "forms/VxFVuota.h"

class QAction;
class QPushButton;
class QWidget;

class TfmVxDialog : public TfmVxVuota {
    Q_OBJECT
public:
    explicit TfmVxDialog(QWidget* Parent = nullptr);

    QWidget* Panel1 = nullptr;
    QPushButton* buOk = nullptr;
    QAction* acAid = nullptr;

    bool FreeOnClose() const { return FFreeOnClose; }

protected:
    bool Scaled() const override { return false; }
    bool Sizeable() const override { return false; }

    void FormCreate() override;
    void FormClose(TCloseAction& Action) override;
    // The client area above the button bar, where descendants put their content.
    QWidget* ClientArea() const { return FClientArea; }
    // Gives the dialog a fixed client size (the button bar included).
    void SetClientSize(int Width, int Height);
    // Puts a button on the bar at Left of a bar DesignWidth wide, anchored
    // top-right: it keeps its distance from the bar's right edge.
    void PlaceOnBar(QPushButton* Button, int Left, int DesignWidth = 440);

    bool eventFilter(QObject* Watched, QEvent* Event) override;

    bool FFreeOnClose = false;

private slots:
    void acAidExecute();

private:
    QWidget* FClientArea = nullptr;
};
