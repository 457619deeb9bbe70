#pragma once
// TfmVxVuota: the empty base form of every framework window. It centres
// itself, resizes itself once to the screen when it is a sizeable, scaled
// window, and offers context help from the installation's HELP folder.
//
// Construction has two phases: the constructor builds the widgets, Create()
// runs the virtual FormCreate chain (each level first calls its parent's),
// because a virtual call from a base constructor never reaches a derived class.

#include <QDialog>
#include <QPushButton>
#include <string>

// A form's frame on the screen, in pixels.
struct TFormBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// The one-time resize of a sizeable form designed on a 640 x 480 screen
// (integer arithmetic, truncating; the form is pulled back on screen).
TFormBounds AdjustToScreen(TFormBounds Bounds, int ScreenWidth, int ScreenHeight);

// Close actions of FormClose.
enum class TCloseAction { caNone, caHide, caFree };

class TfmVxVuota : public QDialog {
    Q_OBJECT
public:
    explicit TfmVxVuota(QWidget* Parent = nullptr);

    // Runs the FormCreate chain once; call it right after construction.
    void Create();

    // The form's own help file: a bare file name under the HELP folder.
    const std::string& HelpFile() const { return FHelpFile; }
    void SetHelpFile(const std::string& Name) { FHelpFile = Name; }

    // Resolves the help file (active form, then the main form when the active
    // one is modal, then this form) and sets the application's help file.
    void SetAppHelpFile();
    // SetAppHelpFile, then OpenHelpTopic of HelpTopic().
    void ShowHelp();
    // The guide's section for what the user has at hand: the topic of the
    // focused control or of the form.
    virtual std::string HelpTopic() const;

    bool Adjusted() const { return FAdjusted; }

protected:
    // Whether the one-time resize applies: a sizeable, scaled, normal window.
    virtual bool Scaled() const { return true; }
    virtual bool Sizeable() const { return true; }

    virtual void FormCreate();
    virtual void FormShow();
    // Called once when the form closes; caFree frees it.
    virtual void FormClose(TCloseAction& Action);

    void showEvent(QShowEvent* Event) override;
    void done(int Result) override;
    // Esc clicks the cancel button when there is an enabled one, and does
    // nothing otherwise.
    void keyPressEvent(QKeyEvent* Event) override;
    void SetCancelButton(QPushButton* Button) { FCancelButton = Button; }

    bool FAdjusted = false;

private:
    std::string FHelpFile;
    QPushButton* FCancelButton = nullptr;
    bool FCreated = false;
    bool FClosing = false;
};

// The application's help file (full path; empty when none) and the main form,
// whose help file a modal active form falls back on.
const std::string& AppHelpFile();
void SetAppHelpFileName(const std::string& Path);
TfmVxVuota* MainForm();
void SetMainForm(TfmVxVuota* Form);

// The program's own guide (full path), opened when the installation folder
// holds no help file.
void SetProgramGuide(const std::string& Path);
const std::string& ProgramGuide();
// Opens the application's help file with the desktop's opener when it
// exists, else the program's guide when that exists; false when neither.
bool OpenHelpContents();
// The same, the guide at its section Topic (an anchor; empty: the top). The
// installation's help file has no sections and opens whole.
bool OpenHelpTopic(const std::string& Topic);

// The guide's section a control and what it holds are about; a control
// without one has its parent's.
void SetHelpTopic(QWidget* Widget, const char* Topic);
std::string HelpTopicAt(const QWidget* Widget);
// Gives a window that is not a framework form its section and F1: the guide
// at the section of the focused control, else of the window.
void AddHelpKey(QWidget* Window, const char* Topic);
// The section for the window the user is in: the active form's HelpTopic,
// else the topic at the focused control; empty when none.
std::string CurrentHelpTopic();
