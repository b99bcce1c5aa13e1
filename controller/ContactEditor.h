#pragma once
// The contact window's decisions without its widgets: which contact it holds, its modes and
// buttons, validity and the duplicate checks, storing and deleting, the close question and the
// picture. The window shows what this holds after each call and forwards the user's actions.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

class QDatabase;
class UserPrompts;

enum class ContactField { Name, Number, FirstName, MiddleName, FamilyName, Group, Notes };
inline constexpr int ContactFieldCount = 7;

// The five buttons of the window; Delete shares its place with Cancel, Cancel with Close and
// Save with Edit, and only one of each pair shows at a time.
enum class ContactButton { Edit, Save, Cancel, Close, Delete };
inline constexpr int ContactButtonCount = 5;

struct ContactButtonState
{
    bool visible = false;
    bool enabled = true;

    bool operator==(const ContactButtonState&) const = default;
};

class ContactEditor
{
public:
    enum PictureState { NoPicture = 0, StoredPicture = 2, ChangedPicture = 3 };

    // Caption of the window and of every box it shows; title of the picture file dialogs; their
    // filter.
    static QString Caption() { return QStringLiteral("Contact"); }
    static QString PictureDialogTitle() { return QStringLiteral("Contact image"); }
    static QString PictureFilter() { return QStringLiteral("Jpeg file (*.jpeg *.jpg)"); }
    // Longest texts the fields take; 0 is no limit.
    static int FieldLimit(ContactField field);

    ContactEditor(QDatabase& database, UserPrompts& prompts);

    void OpenContact(std::int64_t id);
    void OpenNew();
    // The contact with that number, or a new one holding it.
    void OpenNumber(const QString& number);

    // The buttons' actions. Those that can end the window return true when it is to close.
    void Edit();
    // True when stored. A failed save has shown its error and keeps the window editing what was
    // typed, the picture included, so that nothing is lost and it can be tried again.
    bool Save();
    bool Cancel();
    bool Delete();
    // Escape runs Cancel where it shows, otherwise Close.
    bool Escape();
    // Asked when the window is about to close; false keeps it open, also when Yes to saving
    // failed.
    bool MayClose();
    // Double-click on the header: the fields can be reached (to select and copy) in any mode.
    void EnableFields() { pageEnabled_ = true; }
    // Double-click on the title.
    void ShowId() { idVisible_ = true; }

    const QString& Field(ContactField field) const { return fields_[Index(field)]; }
    void SetField(ContactField field, const QString& text);
    // The duplicate checks of Name and Number, when one of them loses the focus.
    void LeaveField(ContactField field);
    bool Marked(ContactField field) const;
    // Backspace, copy and paste always pass; the rest as in the composer's number box.
    static bool NumberKeyAllowed(const QString& current, int cursor, int selectionLength, QChar key);

    // Picture menu; Load also on a double-click on the picture. Load returns whether a picture was
    // taken.
    bool LoadPicture();
    void SavePicture();
    void ClearPicture();

    std::int64_t Id() const { return id_; }
    bool Exists() const { return exists_; }
    // Something was stored or deleted while the window was open.
    bool Changed() const { return changed_; }
    PictureState Picture() const { return pictureState_; }
    // The JPEG shown; empty shows the blank picture, or the default one while untouched.
    const QByteArray& PictureBytes() const { return picture_; }
    bool ShowsDefaultPicture() const { return picture_.isEmpty() && defaultPicture_; }
    bool PictureSaveEnabled() const { return pictureActions_; }
    bool PictureClearEnabled() const { return pictureActions_; }

    bool Editable() const { return editable_; }
    bool FieldsEnabled() const { return pageEnabled_; }
    const QString& Title() const { return title_; }
    QString LabelId() const;
    bool IdVisible() const { return idVisible_; }
    ContactButtonState Button(ContactButton button) const { return buttons_[static_cast<std::size_t>(button)]; }

private:
    static std::size_t Index(ContactField field) { return static_cast<std::size_t>(field); }
    ContactButtonState& State(ContactButton button) { return buttons_[static_cast<std::size_t>(button)]; }
    void Load();
    bool Store();
    bool StorePicture();
    void ReadOnlyMode();
    void EditMode();
    void ViewButtons();
    void CheckValid();

    QDatabase& database_;
    UserPrompts& prompts_;
    std::int64_t id_ = 0;
    bool exists_ = false;
    bool changed_ = false;
    std::array<QString, ContactFieldCount> fields_;
    bool nameMarked_ = false;
    bool numberMarked_ = false;
    PictureState pictureState_ = NoPicture;
    QByteArray picture_;
    bool defaultPicture_ = true;
    bool pictureActions_ = false;
    bool editable_ = false;
    bool pageEnabled_ = false;
    bool idVisible_ = false;
    QString title_ = Caption();
    std::array<ContactButtonState, ContactButtonCount> buttons_{{
        {true, true},  // Edit
        {false, true}, // Save
        {false, true}, // Cancel
        {true, true},  // Close
        {false, true}, // Delete
    }};
};
