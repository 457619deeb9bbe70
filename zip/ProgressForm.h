#pragma once
// The small stay-on-top window that shows a zip operation's progress and lets
// the user cancel it; it exists only while TZip::Add runs.

#include <QWidget>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class TZip;

class TProgressForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 300;
    static constexpr int ClientHeight = 100;
    static constexpr int BarMaximum = 65535;

    explicit TProgressForm(TZip& Zip);

    void SetMaximum(int Value);
    void SetPosition(int Value); // clamped to the bar's range
    // Shows the name (CP1252) in the label and centres the label again.
    void SetFileName(const std::string& Name);

    QLabel* Label() const { return m_label; }
    QProgressBar* Bar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancel; }

public slots:
    void CancelClick();

private:
    void PlaceOnScreen();
    TZip& m_zip;
    QLabel* m_label;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};
