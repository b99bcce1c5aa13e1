#pragma once
// TAboutWindow ("About"): the program's name, its version numbers as the build gave them, and
// the vendor's contact address.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

class TAboutWindow : public QDialog
{
    Q_OBJECT
public:
    struct Versions
    {
        QString product;
        QString release; // may be empty
        QString file;
    };
    // The numbers compiled into this program.
    static Versions BuildVersions();
    static const char* const ContactAddress;

    explicit TAboutWindow(const QString& title, const Versions& versions = BuildVersions(), QWidget* parent = nullptr);

    QLabel* Label(const QString& name) const;
    QPushButton* CloseButton() const { return close_; }
    // "e-mail": the contact address in the user's mail program.
    void MailActionExecute();

private:
    void PlaceRelease();

    QLabel* product_ = nullptr;
    QLabel* release_ = nullptr;
    QLabel* build_ = nullptr;
    QPushButton* close_ = nullptr;
};
