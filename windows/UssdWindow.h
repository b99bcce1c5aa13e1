#pragma once
// TUssdWindow ("USSD"): the dialogue window in which the user sends USSD requests, typed, picked
// from the templates or tapped on the keypad, and reads the network's replies as a transcript.
// Glue: UssdDialogue decides what it shows, TUssdEngine runs each request on a thread of its own.

#include "app/MessageTarget.h"

#include <QWidget>

#include <memory>
#include <string>

class BroadbandService;
class QAction;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSettings;
class QToolBar;
class QToolButton;
class SoundPlayer;
class TUssdEngine;
class UssdDialogue;

class TUssdWindow : public QWidget
{
    Q_OBJECT
public:
    // logTarget: receives WM_USSD_LOG for every log line, of the window and of its engine; null
    // logs nothing. service: null takes the process's default. store: the settings store (Layout
    // and USSD groups), may be null. templatesPath: the templates file, normally
    // UssdTemplatesPath(the program's path). The window deletes itself when closed.
    TUssdWindow(MessageTarget* logTarget, BroadbandService* service, const std::string& interfaceId, QSettings* store,
                SoundPlayer& sounds, const QString& templatesPath, QWidget* parent = nullptr);
    ~TUssdWindow() override;

    // The main window's large-text size; 0 leaves the fonts alone.
    void SetLargeText(int pointSize);

    bool Busy() const;
    bool SwapBytes() const;
    TUssdEngine& Engine() { return *engine_; }
    UssdDialogue& Dialogue() { return *dialogue_; }

    // The controls, for tests.
    QPlainTextEdit* SessionData() const { return session_; }
    QPlainTextEdit* MessageText() const { return text_; }
    QComboBox* Templates() const { return templates_; }
    QPushButton* SendButton() const { return send_; }
    QPushButton* CloseButton() const { return close_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QToolBar* Keyboard() const { return keyboard_; }
    QWidget* TopPanel() const { return topPanel_; }
    QWidget* HeaderRequest() const { return headerRequest_; }
    QAction* BigEndianItem() const { return bigEndian_; }
    QAction* LittleEndianItem() const { return littleEndian_; }
    // The keypad button with this caption ("1", "*", "#", "<-", "Del", "Enter"), or null.
    QToolButton* KeyButton(const QString& caption) const;
    // Status-bar panel 0 to 3.
    QString StatusText(int panel) const;

    void SendButtonClick();
    void TemplatesSelect(int index);
    void BytesOrderClick();
    void ShowKeyboard();

    // The click the keypad plays: the shipped sound file.
    static QString KeypadSoundPath();

Q_SIGNALS:
    // Minimising asks the main window to put the window aside (hide it); the window is not
    // minimised in place.
    void PutAside();
    // The window closes and is deleted after this.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Shows the dialogue's panels, busy state and enabled controls.
    void ShowDialogue();
    void ShowByteOrder(bool swap);
    void Append(const QString& entry);
    void MessageChange();
    void KeypadPress(QToolButton* button);
    void LoadSettings(const QString& templatesPath);
    QWidget* HeaderStrip(const QString& labelName, const QString& caption);

    SoundPlayer& sounds_;
    QSettings* store_;
    QWidget* topPanel_;
    QWidget* headerSession_;
    QWidget* headerRequest_;
    QPlainTextEdit* session_;
    QProgressBar* progress_;
    QToolBar* keyboard_;
    QPlainTextEdit* text_;
    QComboBox* templates_;
    QPushButton* send_;
    QPushButton* close_;
    QLabel* panels_[4];
    QAction* bigEndian_;
    QAction* littleEndian_;
    std::unique_ptr<UssdDialogue> dialogue_;
    std::unique_ptr<TUssdEngine> engine_;
};
