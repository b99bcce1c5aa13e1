#pragma once
// TWizardWindow: what the wizard windows share. The pages without tabs, the Back, Next and Close
// row below them, the pages' bands with title and picture, and labels found by name. A window
// derives from it, builds its pages into Pages(), and shows its wizard's state in Refresh.

#include "controller/WizardPages.h"

#include <QDialog>

#include <initializer_list>

class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

class TWizardWindow : public QDialog
{
    Q_OBJECT
public:
    ~TWizardWindow() override;

    // The page logic the buttons drive; the window's own wizard.
    virtual WizardPages& Wizard() = 0;

    // The controls, for tests.
    QStackedWidget* Pages() const { return pages_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* CloseButton() const { return close_; }
    QLabel* Label(const QString& name) const;

    void reject() override;

protected:
    TWizardWindow(const QString& objectName, const QString& caption, QWidget* parent);

    // Lays the window out once its pages are in Pages(): the band above them when there is one,
    // the pages, and the button row with the window's own buttons on the left. The Back, Next
    // and Close buttons exist from here on.
    void Assemble(QWidget* band, std::initializer_list<QPushButton*> leading = {});
    // A button that Enter presses only as the default; on the window, or on a page.
    QPushButton* AddButton(const char* name, const QString& text, QWidget* parent = nullptr);

    // The band of a title and a picture on the right, as above a page.
    QWidget* Band(QWidget* parent, const QString& titleName, const QString& title, const QString& pictureName,
                  const char* icon);
    // Page "A<index>" of the stack with its body laid out top to bottom.
    QWidget* NewPage(int index, QVBoxLayout*& layout);
    // The same with the band of its own title ("TitleA<index>") and picture above the body.
    QWidget* NewFramedPage(int index, const QString& title, const char* pictureName, const char* icon,
                           QVBoxLayout*& layout);
    QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text = {});

    // Shows the wizard's page and which buttons may be used; true when the page changed.
    bool ShowPage();
    // The button Enter presses: the page's own action where it offers one, else Next, else Close.
    void ChooseDefault(QPushButton* action);

    // Runs one of the wizard's actions and shows what it left.
    template <class W> void Run(void (W::*action)())
    {
        (static_cast<W&>(Wizard()).*action)();
        Refresh();
    }
    virtual void Refresh() = 0;
    // The result the window closes with.
    virtual bool Accepted() const { return false; }
    // The hourglass on or off; calls come in pairs, and the window restores any left on.
    void SetWaitCursor(bool on);

    static QFont Bold(QFont font);
    static QLabel* Wrapped(const QString& text, QWidget* parent);
    static QLabel* Heading(const QString& text, QWidget* parent);
    static QFrame* Rule(QWidget* parent);

private:
    void Finish();

    int waitCursors_ = 0;
    bool finishing_ = false;
    QStackedWidget* pages_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* close_ = nullptr;
};
