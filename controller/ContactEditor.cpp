#include "controller/ContactEditor.h"

#include "app/Prompts.h"
#include "controller/Composer.h"
#include "controller/ContactPicture.h"
#include "storage/Database.h"

#include <QFile>
#include <QSaveFile>

#include <string>
#include <vector>

namespace {

const QString kFailed = QStringLiteral("The operation could not be completed:\n");

DATABASE_CONTACTS_DATA Trimmed(const std::array<QString, ContactFieldCount>& fields)
{
    auto field = [&](ContactField f) { return fields[static_cast<std::size_t>(f)].trimmed(); };
    DATABASE_CONTACTS_DATA c;
    c.Contact = field(ContactField::Name);
    c.Number = field(ContactField::Number);
    c.FirstName = field(ContactField::FirstName);
    c.MiddleName = field(ContactField::MiddleName);
    c.FamilyName = field(ContactField::FamilyName);
    c.Group = field(ContactField::Group);
    c.Notes = field(ContactField::Notes);
    return c;
}

} // namespace

int ContactEditor::FieldLimit(ContactField field)
{
    switch (field) {
    case ContactField::Number: return 64;
    case ContactField::Notes: return 0;
    default: return 256;
    }
}

ContactEditor::ContactEditor(QDatabase& database, UserPrompts& prompts) : database_(database), prompts_(prompts)
{ }

void ContactEditor::OpenContact(std::int64_t id)
{
    id_ = id;
    exists_ = true;
    Load();
    ReadOnlyMode();
}

void ContactEditor::OpenNew()
{
    id_ = 0;
    exists_ = false;
    Edit();
    title_ = QStringLiteral("New contact");
}

void ContactEditor::OpenNumber(const QString& number)
{
    DATABASE_CONTACTS_DATA contact;
    if (database_.FindContactByNumber(number, contact)) {
        OpenContact(contact.ID);
        return;
    }
    id_ = 0;
    exists_ = false;
    SetField(ContactField::Number, number);
    Edit();
    title_ = QStringLiteral("New contact");
}

void ContactEditor::Edit()
{
    State(ContactButton::Edit).visible = false;
    State(ContactButton::Close).enabled = false;
    State(ContactButton::Save).visible = true;
    State(ContactButton::Cancel).visible = true;
    State(ContactButton::Delete).visible = exists_;
    EditMode();
    title_ = QStringLiteral("Contact editing");
}

void ContactEditor::ViewButtons()
{
    State(ContactButton::Edit).visible = true;
    State(ContactButton::Close).enabled = true;
    State(ContactButton::Save).visible = false;
    State(ContactButton::Delete).visible = false;
    State(ContactButton::Cancel).visible = false;
}

bool ContactEditor::Save()
{
    if (!Store())
        return false;
    ViewButtons();
    Load();
    ReadOnlyMode();
    title_ = Caption();
    return true;
}

bool ContactEditor::Cancel()
{
    ViewButtons();
    ReadOnlyMode();
    title_ = Caption();
    if (!exists_)
        return true;
    Load();
    return false;
}

bool ContactEditor::Delete()
{
    if (!prompts_.Ask(Caption(), QStringLiteral("Do you want to delete contact?")) || !exists_)
        return false;
    if (!database_.DeleteContact(id_)) {
        prompts_.Show(Caption(), QStringLiteral("Unable to update contract information."), PromptIcon::Error);
        return false;
    }
    id_ = 0;
    exists_ = false;
    changed_ = true;
    // Nothing is left to save, so closing does not ask.
    ViewButtons();
    return true;
}

bool ContactEditor::Escape()
{
    if (Button(ContactButton::Cancel).visible)
        return Cancel();
    return Button(ContactButton::Close).visible;
}

bool ContactEditor::MayClose()
{
    const ContactButtonState save = Button(ContactButton::Save);
    if (!save.visible || !save.enabled)
        return true;
    switch (prompts_.Choose(Caption(), QStringLiteral("Save changes?"))) {
    case PromptChoice::Cancel: return false;
    case PromptChoice::Yes: return Save();
    case PromptChoice::No: return true;
    }
    return true;
}

void ContactEditor::SetField(ContactField field, const QString& text)
{
    fields_[Index(field)] = text;
    CheckValid();
}

bool ContactEditor::Marked(ContactField field) const
{
    switch (field) {
    case ContactField::Name: return nameMarked_;
    case ContactField::Number: return numberMarked_;
    default: return false;
    }
}

void ContactEditor::LeaveField(ContactField field)
{
    if (field != ContactField::Name && field != ContactField::Number)
        return;
    const bool byName = field == ContactField::Name;
    bool& marked = byName ? nameMarked_ : numberMarked_;
    const QString text = Field(field).trimmed();
    DATABASE_CONTACTS_DATA found;
    const bool duplicate =
        (byName ? database_.FindContactByName(text, found) : database_.FindContactByNumber(text, found)) &&
        found.ID != id_;
    if (!duplicate) {
        if (marked) {
            marked = false;
            CheckValid();
        }
        return;
    }
    if (marked)
        return; // told once already
    marked = true;
    State(ContactButton::Save).enabled = false;
    prompts_.Show(Caption(),
                  byName ? QStringLiteral("Contact with this name already exists.")
                         : QStringLiteral("Contact with this number already exists."),
                  PromptIcon::Error);
    CheckValid();
}

bool ContactEditor::NumberKeyAllowed(const QString& current, int cursor, int selectionLength, QChar key)
{
    constexpr char16_t copy = 0x03;  // Ctrl+C
    constexpr char16_t paste = 0x16; // Ctrl+V
    if (key == QLatin1Char('\b') || key.unicode() == copy || key.unicode() == paste)
        return true;
    return Composer::NumberKeyAllowed(current, cursor, selectionLength, key);
}

bool ContactEditor::LoadPicture()
{
    const std::optional<QString> path = prompts_.OpenFileName(PictureDialogTitle(), PictureFilter());
    if (!path)
        return false;
    QFile file(*path);
    QString error;
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly))
        error = file.errorString();
    else if (file.size() > static_cast<qint64>(ContactPicture::MaxFileBytes))
        error = QStringLiteral("The file is too large for a contact image.");
    else
        bytes = file.read(static_cast<qint64>(ContactPicture::MaxFileBytes) + 1);
    std::vector<std::uint8_t> jpeg;
    std::string why;
    if (error.isEmpty() && !ContactPicture::Make(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                 static_cast<std::size_t>(bytes.size()), jpeg, why))
        error = QString::fromStdString(why);
    if (!error.isEmpty()) {
        prompts_.Show(Caption(), kFailed + error, PromptIcon::Error);
        return false;
    }
    picture_ = QByteArray(reinterpret_cast<const char*>(jpeg.data()), static_cast<qsizetype>(jpeg.size()));
    defaultPicture_ = false;
    pictureState_ = ChangedPicture;
    pictureActions_ = true;
    CheckValid();
    return true;
}

void ContactEditor::SavePicture()
{
    const std::optional<QString> path =
        prompts_.SaveFileName(PictureDialogTitle(), QStringLiteral("jpg"), PictureFilter());
    if (!path)
        return;
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(picture_) != picture_.size() || !file.commit())
        prompts_.Show(Caption(), kFailed + file.errorString(), PromptIcon::Error);
}

void ContactEditor::ClearPicture()
{
    if (!prompts_.Ask(Caption(), QStringLiteral("Are you sure to delete contact image?")))
        return;
    picture_.clear();
    defaultPicture_ = false;
    pictureState_ = ChangedPicture;
    pictureActions_ = false;
    CheckValid();
}

QString ContactEditor::LabelId() const
{
    return exists_ ? QString::number(id_) : QStringLiteral("NA");
}

void ContactEditor::Load()
{
    DATABASE_CONTACTS_DATA c;
    if (database_.GetContact(id_, c)) {
        fields_[Index(ContactField::Name)] = c.Contact;
        fields_[Index(ContactField::Number)] = c.Number;
        fields_[Index(ContactField::FirstName)] = c.FirstName;
        fields_[Index(ContactField::MiddleName)] = c.MiddleName;
        fields_[Index(ContactField::FamilyName)] = c.FamilyName;
        fields_[Index(ContactField::Group)] = c.Group;
        fields_[Index(ContactField::Notes)] = c.Notes;
        CheckValid();
    }
    QByteArray bytes;
    if (exists_ && database_.GetContactImage(id_, bytes)) {
        picture_ = bytes;
        defaultPicture_ = false;
        pictureState_ = StoredPicture;
        pictureActions_ = true;
        return;
    }
    if (pictureState_ == ChangedPicture) {
        picture_.clear();
        defaultPicture_ = false;
    }
    pictureState_ = NoPicture;
    pictureActions_ = false;
}

bool ContactEditor::Store()
{
    const DATABASE_CONTACTS_DATA contact = Trimmed(fields_);
    if (exists_) {
        if (!database_.UpdateContact(id_, contact)) {
            prompts_.Show(Caption(), QStringLiteral("Unable to update contract information."), PromptIcon::Error);
            return false;
        }
        changed_ = true;
        if (!StorePicture()) {
            prompts_.Show(Caption(), QStringLiteral("Unable to update contract information."), PromptIcon::Error);
            return false;
        }
        return true;
    }
    std::int64_t id = 0;
    if (!database_.InsertContact(contact, &id)) {
        prompts_.Show(Caption(), QStringLiteral("Unable to save contract information."), PromptIcon::Error);
        return false;
    }
    exists_ = true;
    changed_ = true;
    id_ = id;
    if (!StorePicture()) {
        // The contact is stored, its picture not yet: go on editing it as a stored one.
        State(ContactButton::Delete).visible = true;
        title_ = QStringLiteral("Contact editing");
        prompts_.Show(Caption(), QStringLiteral("Unable to save contract information."), PromptIcon::Error);
        return false;
    }
    title_ = Caption();
    return true;
}

bool ContactEditor::StorePicture()
{
    if (pictureState_ != ChangedPicture)
        return true;
    // The shown picture is already JPEG bytes (empty for a cleared one), so only the database
    // can fail; the picture then stays to be stored.
    if (!database_.SetContactImage(id_, picture_))
        return false;
    pictureState_ = StoredPicture;
    return true;
}

void ContactEditor::ReadOnlyMode()
{
    pageEnabled_ = false;
    editable_ = false;
    nameMarked_ = false;
    numberMarked_ = false;
}

void ContactEditor::EditMode()
{
    pageEnabled_ = true;
    editable_ = true;
    nameMarked_ = false;
    numberMarked_ = false;
    CheckValid();
}

void ContactEditor::CheckValid()
{
    State(ContactButton::Save).enabled = !Field(ContactField::Name).trimmed().isEmpty() &&
                                         !Field(ContactField::Number).trimmed().isEmpty() && !nameMarked_ &&
                                         !numberMarked_;
}
