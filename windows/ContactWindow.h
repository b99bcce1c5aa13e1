#pragma once
// TContactWindow: one contact of the address book, shown read-only, edited, stored or deleted,
// with its small picture. Glue over ContactEditor, which decides everything.

#include "controller/ContactEditor.h"

#include <QByteArray>
#include <QDialog>

#include <array>
#include <cstdint>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSettings;
class QDatabase;
class UserPrompts;

class TContactWindow : public QDialog
{
    Q_OBJECT
public:
    // largeTextSize: the font size of the fields, 0 to leave them as they are.
    TContactWindow(QDatabase& database, UserPrompts& prompts, QSettings& layout, int largeTextSize,
                   QWidget* parent = nullptr);

    void OpenContact(std::int64_t id); // read-only
    void OpenNew();                    // editing, "New contact"
    void OpenNumber(const QString& number);
    // Something was stored or deleted while the window was open.
    bool Changed() const { return editor_.Changed(); }

    // The controls, for tests.
    ContactEditor& Editor() { return editor_; }
    QLineEdit* FieldEdit(ContactField field) const; // null for Notes
    QPlainTextEdit* NotesEdit() const { return notes_; }
    QPushButton* ButtonOf(ContactButton button) const { return buttons_[static_cast<std::size_t>(button)]; }
    QAction* ActionOf(ContactButton button) const { return actions_[static_cast<std::size_t>(button)]; }
    QLabel* TitleLabel() const { return title_; }
    QLabel* IdLabel() const { return labelId_; }
    QWidget* Header() const { return header_; }
    QWidget* Page() const { return page_; }
    QLabel* PictureLabel() const { return picture_; }
    QAction* ImageLoadAction() const { return imageLoad_; }
    QAction* ImageSaveAction() const { return imageSave_; }
    QAction* ImageClearAction() const { return imageClear_; }

    void reject() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* AddLine(ContactField field, const QString& name, int fontSize);
    QPushButton* AddButton(ContactButton button, const QString& name, const QString& text);
    void Run(ContactButton button);
    void FieldEdited(ContactField field, const QString& text);
    void ShowEditor();
    void ShowPicture();
    void PictureMenu(const QPoint& at);

    ContactEditor editor_;
    QSettings& layout_;
    QWidget* header_;
    QLabel* title_;
    QLabel* labelId_;
    QWidget* page_;
    std::array<QLineEdit*, ContactFieldCount> lines_{};
    QPlainTextEdit* notes_;
    QLabel* picture_;
    QMenu* pictureMenu_;
    QAction* imageLoad_;
    QAction* imageSave_;
    QAction* imageClear_;
    std::array<QPushButton*, ContactButtonCount> buttons_{};
    std::array<QAction*, ContactButtonCount> actions_{};
    QByteArray shownPicture_;
    int shownKind_ = -1; // 0 default, 1 blank, 2 the bytes
    bool showing_ = false;
};
