#pragma once
// The small stay-on-top dialog that shows a zip operation's progress (one bar
// for the whole batch, with its percentage, and the file being packed) and
// lets the user cancel it; it exists only while TZip::Add runs.

#include <QDialog>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class TZip;

class TProgressForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 300;
    static constexpr int ClientHeight = 100;
    static constexpr int BarMaximum = 65535;

    explicit TProgressForm(TZip& Zip);

    void SetMaximum(int Value);
    void SetPosition(int Value); // clamped to the bar's range
    // Shows the name (CP1252) in the label, cut in the middle when it is too
    // long so that the file's own name stays visible, and centres the label.
    void SetFileName(const std::string& Name);
    // The whole name last set (the label may show it shortened).
    const QString& FileName() const { return FFileName; }

    QLabel* Label() const { return FLabel; }
    QProgressBar* Bar() const { return FBar; }
    QPushButton* CancelButton() const { return FCancel; }

public slots:
    void CancelClick();

protected:
    // Esc and the title bar's close button cancel, as the button does.
    void keyPressEvent(QKeyEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    // Every way of dismissing the dialog cancels, as the button does.
    void reject() override;

private:
    void PlaceOnScreen();
    QString FFileName;
    TZip& FZip;
    QLabel* FLabel;
    QProgressBar* FBar;
    QPushButton* FCancel;
};
