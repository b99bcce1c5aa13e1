#pragma once
// TMessageWindow: the composer. Number with the recent numbers and contact names, text with a
// live preview of how it will be sent, flash mode, and saving as a template.

#include <QDialog>

#include <functional>

class ContactsModel;
class ContactsView;
class QComboBox;
class QSettings;
class QStackedWidget;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QDatabase;
class UserPrompts;

class TMessageWindow : public QDialog
{
    Q_OBJECT
public:
    TMessageWindow(QDatabase& database, UserPrompts& prompts, bool confirmSend, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    // With the contacts feature on: the names box, the Contacts button and the contact page over
    // the main window's contact list (shared, so that both sort alike).
    void SetContacts(ContactsModel* contacts);
    // Where the window was last time: its place and header are read now and its place is written
    // when it closes.
    void SetLayoutStore(QSettings* store);
    void SetRecentNumbers(const QStringList& numbers);
    void SetNumber(const QString& number);
    void SetText(const QString& text);
    // Stores a template; returns whether it was stored.
    // Large text: the number, name and text boxes and the contact list in this point size.
    void SetLargeText(int pointSize);
    void SetTemplateStore(std::function<bool(const QString&, const QString&)> store) { store_ = std::move(store); }

    QString Number() const;
    // As handed over: LF line ends, no trailing white space.
    QString Text() const;
    bool Flash() const { return flash_; }
    void ToggleFlash();

    // The controls, for tests.
    QComboBox* NumberBox() const { return number_; }
    QComboBox* ContactBox() const { return contact_; }
    QPlainTextEdit* MessageText() const { return text_; }
    QPushButton* SendButton() const { return send_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* ContactsButton() const { return contactsButton_; }
    QPushButton* SelectButton() const { return select_; }
    ContactsView* ContactsList() const { return contactsList_; }
    // Page 0: the message; page 1: the contacts.
    int Page() const;
    void ShowPage(int page);
    void SelectButtonClick();
    QString EncodingInfo() const;
    QString SymbolsInfo() const;
    QString PartsInfo() const;

    void SendButtonClick();
    void SaveButtonClick();

public Q_SLOTS:
    void reject() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MessageChange();
    void LookupNumber();
    void NameChosen(const QString& name);
    void ChooseName(const QString& name);

    QDatabase& database_;
    UserPrompts& prompts_;
    bool confirmSend_;
    std::function<bool(const QString&, const QString&)> store_;
    QLabel* title_;
    QLabel* flashIndicator_;
    QWidget* header_;
    QComboBox* number_;
    QComboBox* contact_;
    QPlainTextEdit* text_;
    QLineEdit* encoding_;
    QLineEdit* symbols_;
    QLineEdit* parts_;
    QPushButton* send_;
    QPushButton* save_;
    QPushButton* cancel_;
    QPushButton* contactsButton_;
    QPushButton* select_;
    QPushButton* back_;
    QStackedWidget* pages_;
    ContactsView* contactsList_ = nullptr;
    QSettings* layoutStore_ = nullptr;
    bool flash_ = false;
    bool changing_ = false;
    int recentNames_ = 0;
};
