// The contact editor over a real database file, with scripted answers and real JPEG files.
#include "controller/ContactEditor.h"
#include "controller/ContactPicture.h"
#include "controller/DialogLayout.h"
#include "storage/Database.h"
#include "support/Fakes.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace ContactPicture {
void PrintTo(const Placement& p, std::ostream* os)
{
    *os << "(" << p.left << ", " << p.top << ") " << p.width << " x " << p.height;
}
} // namespace ContactPicture

using testsupport::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;

namespace {

DATABASE_CONTACTS_DATA Contact(const char* name, const char* number)
{
    DATABASE_CONTACTS_DATA c;
    c.Contact = QString::fromUtf8(name);
    c.Number = QString::fromUtf8(number);
    c.FirstName = QStringLiteral("First");
    c.Notes = QStringLiteral("Met at the station");
    return c;
}

// A JPEG of one dark colour, so that the picture's white margins can be told from the image.
QByteArray SolidJpeg(int width, int height)
{
    ContactPicture::Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < image.rgb.size(); i += 3) {
        image.rgb[i] = 20;
        image.rgb[i + 1] = 30;
        image.rgb[i + 2] = 90;
    }
    std::vector<std::uint8_t> jpeg;
    std::string error;
    EXPECT_TRUE(ContactPicture::Encode(image, 95, jpeg, error)) << error;
    return QByteArray(reinterpret_cast<const char*>(jpeg.data()), static_cast<qsizetype>(jpeg.size()));
}

ContactPicture::Image DecodeBytes(const QByteArray& bytes)
{
    ContactPicture::Image image;
    std::string error;
    EXPECT_TRUE(ContactPicture::Decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                       static_cast<std::size_t>(bytes.size()), image, error))
        << error;
    return image;
}

// The rectangle of dark pixels: a row or column counts as image when its mean brightness is
// nearer the dark source than the white ground.
ContactPicture::Placement DarkArea(const ContactPicture::Image& image)
{
    auto brightness = [&](int x, int y) {
        const std::uint8_t* p = image.rgb.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
        return (p[0] + p[1] + p[2]) / 3.0;
    };
    int left = image.width, right = -1, top = image.height, bottom = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (brightness(x, y) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

class ContactEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("contacts.db"))));
        ASSERT_TRUE(db.InsertContact(Contact("Bob", "+15550100"), &bob));
        ASSERT_TRUE(db.InsertContact(Contact("Ann", "+15550200"), &ann));
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    DATABASE_CONTACTS_DATA Stored(std::int64_t id)
    {
        DATABASE_CONTACTS_DATA c;
        EXPECT_TRUE(db.GetContact(id, c));
        return c;
    }

    bool Visible(ContactButton b) const { return editor.Button(b).visible; }
    bool SaveEnabled() const { return editor.Button(ContactButton::Save).enabled; }

    QTemporaryDir dir;
    QDatabase db{nullptr};
    ScriptedPrompts prompts;
    ContactEditor editor{db, prompts};
    std::int64_t bob = 0;
    std::int64_t ann = 0;
};

TEST_F(ContactEditorTest, OpeningAStoredContactShowsItReadOnly)
{
    editor.OpenContact(ann);
    EXPECT_EQ(editor.Field(ContactField::Name), "Ann");
    EXPECT_EQ(editor.Field(ContactField::Number), "+15550200");
    EXPECT_EQ(editor.Field(ContactField::Notes), "Met at the station");
    EXPECT_TRUE(editor.Exists());
    EXPECT_EQ(editor.LabelId(), QString::number(ann));
    EXPECT_FALSE(editor.Editable());
    EXPECT_FALSE(editor.FieldsEnabled());
    EXPECT_EQ(editor.Title(), "Contact");
    EXPECT_TRUE(Visible(ContactButton::Edit));
    EXPECT_TRUE(Visible(ContactButton::Close));
    EXPECT_TRUE(editor.Button(ContactButton::Close).enabled);
    EXPECT_FALSE(Visible(ContactButton::Save) || Visible(ContactButton::Cancel) || Visible(ContactButton::Delete));
    EXPECT_TRUE(editor.MayClose()) << "nothing to save, no question";
    EXPECT_TRUE(prompts.shown.empty());

    editor.Edit();
    EXPECT_EQ(editor.Title(), "Contact editing");
    EXPECT_TRUE(editor.Editable());
    EXPECT_TRUE(Visible(ContactButton::Save) && Visible(ContactButton::Cancel) && Visible(ContactButton::Delete));
    EXPECT_FALSE(Visible(ContactButton::Edit));
    EXPECT_FALSE(editor.Button(ContactButton::Close).enabled);
}

TEST_F(ContactEditorTest, OpeningByNumber)
{
    editor.OpenNumber(QStringLiteral("+15550999"));
    EXPECT_FALSE(editor.Exists());
    EXPECT_EQ(editor.Id(), 0);
    EXPECT_EQ(editor.Field(ContactField::Number), "+15550999");
    EXPECT_TRUE(editor.Field(ContactField::Name).isEmpty());
    EXPECT_EQ(editor.Title(), "New contact");
    EXPECT_EQ(editor.LabelId(), "NA");
    EXPECT_TRUE(editor.Editable());
    EXPECT_FALSE(Visible(ContactButton::Delete)) << "nothing stored to delete";
    EXPECT_FALSE(SaveEnabled()) << "no name yet";

    ContactEditor known(db, prompts);
    known.OpenNumber(QStringLiteral("+15550100"));
    EXPECT_TRUE(known.Exists());
    EXPECT_EQ(known.Id(), bob);
    EXPECT_EQ(known.Field(ContactField::Name), "Bob");
    EXPECT_FALSE(known.Editable());
    EXPECT_EQ(known.Title(), "Contact");
}

struct ValidityCase
{
    const char* name;
    const char* displayName;
    const char* number;
    bool valid;
};

class ContactValidity : public ContactEditorTest, public ::testing::WithParamInterface<ValidityCase>
{ };

TEST_P(ContactValidity, SaveNeedsANameAndANumber)
{
    const ValidityCase& c = GetParam();
    editor.OpenNew();
    editor.SetField(ContactField::Name, QString::fromUtf8(c.displayName));
    editor.SetField(ContactField::Number, QString::fromUtf8(c.number));
    EXPECT_EQ(SaveEnabled(), c.valid);
}

INSTANTIATE_TEST_SUITE_P(Contacts, ContactValidity,
                         ::testing::Values(ValidityCase{"EmptyNumber", "Carol", "", false},
                                           ValidityCase{"BlankNumber", "Carol", " \t ", false},
                                           ValidityCase{"BlankName", "   ", "+15550300", false},
                                           ValidityCase{"Both", "Carol", "+15550300", true},
                                           ValidityCase{"BothPadded", "  Carol ", " 555 ", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DuplicateCase
{
    const char* name;
    ContactField field;
    const char* taken; // another contact's value
    const char* free;
    const char* message;
};

class ContactDuplicates : public ContactEditorTest, public ::testing::WithParamInterface<DuplicateCase>
{ };

TEST_P(ContactDuplicates, AreMarkedAndToldOnce)
{
    const DuplicateCase& c = GetParam();
    editor.OpenContact(bob);
    editor.Edit();
    editor.LeaveField(c.field);
    EXPECT_FALSE(editor.Marked(c.field)) << "the contact's own value is no duplicate";
    EXPECT_TRUE(SaveEnabled());

    editor.SetField(c.field, QStringLiteral("  ") + QString::fromUtf8(c.taken) + QStringLiteral(" "));
    editor.LeaveField(c.field);
    EXPECT_TRUE(editor.Marked(c.field));
    EXPECT_FALSE(SaveEnabled());
    editor.SetField(ContactField::Notes, QStringLiteral("typing elsewhere"));
    EXPECT_FALSE(SaveEnabled()) << "still marked";
    editor.LeaveField(c.field);
    const ScriptedPrompts::Prompt box{
        Kind::Show, QStringLiteral("Contact"), QString::fromUtf8(c.message), PromptIcon::Error, {}};
    EXPECT_EQ(prompts.shown, std::vector<ScriptedPrompts::Prompt>{box}) << "shown once";

    editor.SetField(c.field, QString::fromUtf8(c.free));
    editor.LeaveField(c.field);
    EXPECT_FALSE(editor.Marked(c.field));
    EXPECT_TRUE(SaveEnabled());
    EXPECT_EQ(prompts.shown.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Contacts, ContactDuplicates,
                         ::testing::Values(DuplicateCase{"Name", ContactField::Name, "Ann", "Annie",
                                                         "Contact with this name already exists."},
                                           DuplicateCase{"Number", ContactField::Number, "+15550200", "+15550201",
                                                         "Contact with this number already exists."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContactEditorTest, ANewContactIsStoredTrimmed)
{
    editor.OpenNew();
    EXPECT_EQ(editor.Title(), "New contact");
    editor.SetField(ContactField::Name, QStringLiteral("  Carol  "));
    editor.SetField(ContactField::Number, QStringLiteral(" +15550300"));
    editor.SetField(ContactField::Group, QStringLiteral("Work "));
    editor.SetField(ContactField::Notes, QStringLiteral("\n  line one\nline two  \n"));
    editor.Save();
    ASSERT_TRUE(editor.Exists());
    EXPECT_TRUE(editor.Changed());
    EXPECT_GT(editor.Id(), ann);
    EXPECT_EQ(editor.LabelId(), QString::number(editor.Id()));
    EXPECT_EQ(editor.Title(), "Contact");
    EXPECT_FALSE(editor.Editable());
    const DATABASE_CONTACTS_DATA c = Stored(editor.Id());
    EXPECT_EQ(c.Contact, "Carol");
    EXPECT_EQ(c.Number, "+15550300");
    EXPECT_EQ(c.Group, "Work");
    EXPECT_EQ(c.Notes, "line one\nline two");
    EXPECT_EQ(editor.Field(ContactField::Name), "Carol") << "shown as stored";
    EXPECT_TRUE(prompts.shown.empty());
}

struct FailedStoreCase
{
    const char* name;
    bool existing;
    const char* refused; // the statement the database refuses
    const char* message;
    bool stored; // the fields were stored, only the picture failed
};

class ContactStoreFailure : public ContactEditorTest, public ::testing::WithParamInterface<FailedStoreCase>
{
protected:
    // The database itself refuses the statement, as a full disk or a locked file would.
    void Refuse(const char* statement)
    {
        const std::string sql = std::string("CREATE TEMP TRIGGER Refuse BEFORE ") + statement +
                                " ON [Contacts] BEGIN SELECT RAISE(ABORT, 'refused'); END;";
        ASSERT_TRUE(db.Execute(sql.c_str()));
    }

    // Opens, types a contact with a picture and makes the database refuse the store.
    void TypeAndRefuse(const FailedStoreCase& c)
    {
        if (c.existing) {
            editor.OpenContact(bob);
            editor.Edit();
        } else {
            editor.OpenNew();
        }
        editor.SetField(ContactField::Name, QStringLiteral("Dave"));
        editor.SetField(ContactField::Number, QStringLiteral("+15550400"));
        editor.SetField(ContactField::Notes, QStringLiteral("first line\nsecond line"));
        prompts.files.push_back(WriteFile(QStringLiteral("in.jpg"), SolidJpeg(126, 84)));
        ASSERT_TRUE(editor.LoadPicture());
        picture = editor.PictureBytes();
        title = editor.Title();
        Refuse(c.refused);
    }

    void ExpectStillEditingWhatWasTyped(const FailedStoreCase& c)
    {
        ASSERT_EQ(prompts.shown.size(), 2u);
        EXPECT_EQ(prompts.shown.back(),
                  (ScriptedPrompts::Prompt{
                      Kind::Show, QStringLiteral("Contact"), QString::fromUtf8(c.message), PromptIcon::Error, {}}));
        EXPECT_EQ(editor.Changed(), c.stored);
        EXPECT_EQ(editor.Exists(), c.existing || c.stored);
        EXPECT_TRUE(editor.Editable()) << "still editing";
        EXPECT_TRUE(Visible(ContactButton::Save) && SaveEnabled()) << "to try again";
        EXPECT_TRUE(Visible(ContactButton::Cancel));
        EXPECT_FALSE(Visible(ContactButton::Edit));
        EXPECT_EQ(Visible(ContactButton::Delete), editor.Exists());
        EXPECT_EQ(editor.Title(), c.stored && !c.existing ? QStringLiteral("Contact editing") : title);
        EXPECT_EQ(editor.Field(ContactField::Name), "Dave") << "the typed values stay";
        EXPECT_EQ(editor.Field(ContactField::Number), "+15550400");
        EXPECT_EQ(editor.Field(ContactField::Notes), "first line\nsecond line");
        EXPECT_EQ(editor.Picture(), ContactEditor::ChangedPicture) << "the loaded picture stays, still to be stored";
        EXPECT_EQ(editor.PictureBytes(), picture);
    }

    void ExpectSavedOnceAllowed()
    {
        ASSERT_TRUE(db.Execute("DROP TRIGGER Refuse;"));
        const std::size_t shown = prompts.shown.size();
        EXPECT_TRUE(editor.Save());
        EXPECT_EQ(prompts.shown.size(), shown) << "no error this time";
        EXPECT_FALSE(editor.Editable());
        EXPECT_TRUE(editor.Changed());
        EXPECT_EQ(Stored(editor.Id()).Contact, "Dave");
        QByteArray stored;
        ASSERT_TRUE(db.GetContactImage(editor.Id(), stored));
        EXPECT_EQ(stored, picture);
        EXPECT_EQ(editor.Picture(), ContactEditor::StoredPicture);
    }

    QByteArray picture;
    QString title;
};

TEST_P(ContactStoreFailure, IsReportedAndKeepsWhatWasTyped)
{
    const FailedStoreCase& c = GetParam();
    TypeAndRefuse(c);
    EXPECT_FALSE(editor.Save());
    ExpectStillEditingWhatWasTyped(c);
    if (c.existing && !c.stored) {
        EXPECT_EQ(Stored(bob).Contact, "Bob") << "nothing half stored";
    }
    ExpectSavedOnceAllowed();
}

TEST_P(ContactStoreFailure, YesToSavingOnClosingKeepsTheWindowOpen)
{
    const FailedStoreCase& c = GetParam();
    TypeAndRefuse(c);
    prompts.choices.push_back(PromptChoice::Yes);
    EXPECT_FALSE(editor.MayClose()) << "the save failed: the window stays";
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[1].text, "Save changes?");
    prompts.shown.erase(prompts.shown.begin() + 1);
    ExpectStillEditingWhatWasTyped(c);
    ExpectSavedOnceAllowed();
}

INSTANTIATE_TEST_SUITE_P(Contacts, ContactStoreFailure,
                         ::testing::Values(FailedStoreCase{"Update", true, "UPDATE OF [Contact]",
                                                           "Unable to update contract information.", false},
                                           FailedStoreCase{"Insert", false, "INSERT",
                                                           "Unable to save contract information.", false},
                                           FailedStoreCase{"StoredContactsPicture", true, "UPDATE OF [Image]",
                                                           "Unable to update contract information.", true},
                                           FailedStoreCase{"NewContactsPicture", false, "UPDATE OF [Image]",
                                                           "Unable to save contract information.", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContactEditorTest, CancelClosesANewContactAndRestoresAStoredOne)
{
    editor.OpenNew();
    editor.SetField(ContactField::Name, QStringLiteral("Eve"));
    EXPECT_TRUE(editor.Cancel());
    EXPECT_TRUE(editor.MayClose()) << "cancelled: nothing left to ask about";

    ContactEditor stored(db, prompts);
    stored.OpenContact(ann);
    stored.Edit();
    stored.SetField(ContactField::Name, QStringLiteral("Anna"));
    stored.SetField(ContactField::Notes, QString());
    EXPECT_FALSE(stored.Cancel());
    EXPECT_EQ(stored.Field(ContactField::Name), "Ann");
    EXPECT_EQ(stored.Field(ContactField::Notes), "Met at the station");
    EXPECT_FALSE(stored.Editable());
    EXPECT_TRUE(stored.Button(ContactButton::Edit).visible);
    EXPECT_FALSE(stored.Changed());
    EXPECT_EQ(Stored(ann).Contact, "Ann");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ContactEditorTest, EscapeCancelsWhileEditingAndClosesOtherwise)
{
    editor.OpenContact(ann);
    editor.Edit();
    editor.SetField(ContactField::Name, QStringLiteral("Anna"));
    EXPECT_FALSE(editor.Escape()) << "cancelled the edit, window stays";
    EXPECT_EQ(editor.Field(ContactField::Name), "Ann");
    EXPECT_TRUE(editor.Escape()) << "closes";
}

struct CloseCase
{
    const char* name;
    PromptChoice choice;
    bool closes;
    const char* stored;
};

class ContactClosing : public ContactEditorTest, public ::testing::WithParamInterface<CloseCase>
{ };

TEST_P(ContactClosing, AsksToSaveValidChanges)
{
    const CloseCase& c = GetParam();
    editor.OpenContact(ann);
    editor.Edit();
    editor.SetField(ContactField::Name, QStringLiteral("Anna"));
    prompts.choices.push_back(c.choice);
    EXPECT_EQ(editor.MayClose(), c.closes);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Kind::Choose);
    EXPECT_EQ(prompts.shown[0].caption, "Contact");
    EXPECT_EQ(prompts.shown[0].text, "Save changes?");
    EXPECT_EQ(Stored(ann).Contact, QString::fromUtf8(c.stored));
    EXPECT_EQ(editor.Changed(), c.choice == PromptChoice::Yes);
    if (!c.closes) {
        EXPECT_TRUE(editor.Editable()) << "still editing";
    }
}

INSTANTIATE_TEST_SUITE_P(Contacts, ContactClosing,
                         ::testing::Values(CloseCase{"Yes", PromptChoice::Yes, true, "Anna"},
                                           CloseCase{"No", PromptChoice::No, true, "Ann"},
                                           CloseCase{"Cancel", PromptChoice::Cancel, false, "Ann"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContactEditorTest, DeletingAsksClosesAndSetsChanged)
{
    editor.OpenContact(bob);
    editor.Edit();
    prompts.answers = {false, true};
    EXPECT_FALSE(editor.Delete());
    EXPECT_FALSE(editor.Changed());
    EXPECT_TRUE(editor.Delete());
    EXPECT_TRUE(editor.Changed());
    EXPECT_FALSE(editor.Exists());
    EXPECT_EQ(editor.Id(), 0);
    DATABASE_CONTACTS_DATA gone;
    EXPECT_FALSE(db.GetContact(bob, gone));
    EXPECT_TRUE(db.GetContact(ann, gone));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, "Do you want to delete contact?");
    EXPECT_EQ(prompts.shown[1].kind, Kind::Ask);
    EXPECT_TRUE(editor.MayClose()) << "a deleted contact is not offered for saving";
    EXPECT_EQ(prompts.shown.size(), 2u);
}

struct KeyCase
{
    const char* name;
    const char* text;
    int cursor;
    int selection;
    char16_t key;
    bool allowed;
};

class ContactNumberKeys : public ::testing::TestWithParam<KeyCase>
{ };

TEST_P(ContactNumberKeys, Filter)
{
    const KeyCase& c = GetParam();
    EXPECT_EQ(ContactEditor::NumberKeyAllowed(QString::fromUtf8(c.text), c.cursor, c.selection, QChar(c.key)),
              c.allowed);
}

INSTANTIATE_TEST_SUITE_P(Contacts, ContactNumberKeys,
                         ::testing::Values(KeyCase{"Digit", "+1", 2, 0, u'5', true},
                                           KeyCase{"Letter", "+1", 2, 0, u'a', false},
                                           KeyCase{"BackspaceBeforePlus", "+1", 0, 0, u'\b', true},
                                           KeyCase{"CopyBeforePlus", "+1", 0, 0, 0x03, true},
                                           KeyCase{"PasteBeforePlus", "+1", 0, 0, 0x16, true},
                                           KeyCase{"OtherControlKey", "1", 1, 0, 0x01, false},
                                           KeyCase{"DigitBeforePlus", "+1", 0, 0, u'7', false},
                                           KeyCase{"PlusFirst", "12", 0, 0, u'+', true},
                                           KeyCase{"SecondPlus", "+12", 3, 0, u'+', false},
                                           KeyCase{"PlusOverSelection", "+12", 1, 2, u'+', true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PictureCase
{
    const char* name;
    int width;
    int height;
    ContactPicture::Placement dark; // where the image lands in the 63 x 84 picture
};

void PrintTo(const PictureCase& c, std::ostream* os)
{
    *os << c.width << " x " << c.height;
}

class ContactPictureSizes : public ContactEditorTest, public ::testing::WithParamInterface<PictureCase>
{ };

TEST_P(ContactPictureSizes, AreFittedIntoTheFrameAndStored)
{
    const PictureCase& c = GetParam();
    editor.OpenContact(ann);
    editor.Edit();
    prompts.files.push_back(WriteFile(QStringLiteral("in.jpg"), SolidJpeg(c.width, c.height)));
    ASSERT_TRUE(editor.LoadPicture());
    EXPECT_EQ(prompts.shown[0].kind, Kind::OpenFile);
    EXPECT_EQ(prompts.shown[0].caption, "Contact image");
    EXPECT_EQ(editor.Picture(), ContactEditor::ChangedPicture);
    EXPECT_TRUE(editor.PictureSaveEnabled() && editor.PictureClearEnabled());
    QByteArray none;
    EXPECT_FALSE(db.GetContactImage(ann, none)) << "stored only with the contact";

    editor.Save();
    EXPECT_EQ(editor.Picture(), ContactEditor::StoredPicture);
    QByteArray stored;
    ASSERT_TRUE(db.GetContactImage(ann, stored));
    EXPECT_EQ(stored, editor.PictureBytes());
    const ContactPicture::Image picture = DecodeBytes(stored);
    ASSERT_EQ(picture.width, 63);
    ASSERT_EQ(picture.height, 84);
    EXPECT_EQ(DarkArea(picture), c.dark);
    // The margins are white, not just light.
    const std::uint8_t* corner = picture.rgb.data();
    if (c.dark.left > 0 || c.dark.top > 0) {
        EXPECT_GT(corner[0] + corner[1] + corner[2], 3 * 245);
    }
}

INSTANTIATE_TEST_SUITE_P(Contacts, ContactPictureSizes,
                         ::testing::Values(PictureCase{"TenTimesFillsTheFrame", 630, 840, {0, 0, 63, 84}},
                                           PictureCase{"WideFillsTheWidth", 126, 84, {0, 21, 63, 42}},
                                           PictureCase{"TallFillsTheHeight", 130, 840, {25, 0, 13, 84}},
                                           PictureCase{"SmallStaysUnscaledAndCentred", 40, 30, {11, 27, 40, 30}},
                                           PictureCase{"OddRemaindersAreTruncated", 22, 61, {20, 11, 22, 61}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ContactPictureFit, AnExtremelyThinImageKeepsOnePixel)
{
    EXPECT_EQ(ContactPicture::Fit(1, 10000), (ContactPicture::Placement{31, 0, 1, 84}));
    EXPECT_EQ(ContactPicture::Fit(10000, 1), (ContactPicture::Placement{0, 41, 63, 2}));
    EXPECT_EQ(ContactPicture::Fit(0, 10), ContactPicture::Placement{});
}

TEST(ContactPictureResample, AveragesTheAreaEachPixelCovers)
{
    // Two columns, black and white, reduced to one: mid grey; to three: black, grey, white.
    ContactPicture::Image stripes;
    stripes.width = 2;
    stripes.height = 1;
    stripes.rgb = {0, 0, 0, 255, 255, 255};
    EXPECT_EQ(ContactPicture::Resample(stripes, 1, 1).rgb, (std::vector<std::uint8_t>{128, 128, 128}));
    EXPECT_EQ(ContactPicture::Resample(stripes, 3, 1).rgb,
              (std::vector<std::uint8_t>{0, 0, 0, 128, 128, 128, 255, 255, 255}));
}

QByteArray WithSize(QByteArray jpeg, int width, int height)
{
    // The size fields of the frame header: marker, length (2), precision (1), height (2), width (2).
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(sof, 0);
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

struct DamagedCase
{
    const char* name;
    std::function<QByteArray()> bytes;
};

class ContactDamagedPicture : public ContactEditorTest, public ::testing::WithParamInterface<DamagedCase>
{ };

TEST_P(ContactDamagedPicture, LeavesEverythingAsItWas)
{
    const QByteArray good = SolidJpeg(126, 84);
    ASSERT_TRUE(db.SetContactImage(ann, good));
    editor.OpenContact(ann);
    editor.Edit();
    ASSERT_EQ(editor.Picture(), ContactEditor::StoredPicture);
    prompts.files.push_back(WriteFile(QStringLiteral("bad.jpg"), GetParam().bytes()));
    EXPECT_FALSE(editor.LoadPicture());
    EXPECT_EQ(editor.Picture(), ContactEditor::StoredPicture);
    EXPECT_EQ(editor.PictureBytes(), good);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].kind, Kind::Show);
    EXPECT_EQ(prompts.shown[1].icon, PromptIcon::Error);
    EXPECT_TRUE(prompts.shown[1].text.startsWith(QStringLiteral("The operation could not be completed:\n")));
    EXPECT_GT(prompts.shown[1].text.size(), 40) << "says why";
    editor.Save();
    QByteArray stored;
    ASSERT_TRUE(db.GetContactImage(ann, stored));
    EXPECT_EQ(stored, good);
}

INSTANTIATE_TEST_SUITE_P(
    Contacts, ContactDamagedPicture,
    ::testing::Values(DamagedCase{"Empty", [] { return QByteArray(); }},
                      DamagedCase{"NotAJpeg", [] { return QByteArray("GIF89a this is something else entirely"); }},
                      DamagedCase{"Truncated", [] { return SolidJpeg(300, 400).left(300); }},
                      DamagedCase{"HeaderOnly", [] { return SolidJpeg(300, 400).left(160); }},
                      DamagedCase{"AbsurdSize", [] { return WithSize(SolidJpeg(16, 16), 65000, 65000); }},
                      DamagedCase{"ZeroWidth", [] { return WithSize(SolidJpeg(16, 16), 0, 16); }},
                      DamagedCase{"SizeLargerThanData", [] { return WithSize(SolidJpeg(16, 16), 4000, 4000); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContactEditorTest, AMissingFileIsReported)
{
    editor.OpenNew();
    prompts.files.push_back(dir.filePath(QStringLiteral("nowhere.jpg")));
    EXPECT_FALSE(editor.LoadPicture());
    EXPECT_EQ(editor.Picture(), ContactEditor::NoPicture);
    EXPECT_TRUE(editor.ShowsDefaultPicture());
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].icon, PromptIcon::Error);
}

TEST_F(ContactEditorTest, AClearedPictureIsRemovedAtTheNextSave)
{
    ASSERT_TRUE(db.SetContactImage(bob, SolidJpeg(63, 84)));
    editor.OpenContact(bob);
    EXPECT_TRUE(editor.PictureClearEnabled());
    editor.Edit();
    prompts.answers = {false, true};
    editor.ClearPicture();
    EXPECT_EQ(editor.Picture(), ContactEditor::StoredPicture) << "answered No";
    editor.ClearPicture();
    EXPECT_EQ(prompts.shown[1].text, "Are you sure to delete contact image?");
    EXPECT_EQ(editor.Picture(), ContactEditor::ChangedPicture);
    EXPECT_TRUE(editor.PictureBytes().isEmpty());
    EXPECT_FALSE(editor.ShowsDefaultPicture()) << "a cleared picture is blank";
    EXPECT_FALSE(editor.PictureSaveEnabled() || editor.PictureClearEnabled());
    QByteArray still;
    EXPECT_TRUE(db.GetContactImage(bob, still)) << "kept until saved";
    editor.Save();
    EXPECT_FALSE(db.GetContactImage(bob, still));
    EXPECT_EQ(editor.Picture(), ContactEditor::NoPicture);
}

TEST_F(ContactEditorTest, CancellingDropsALoadedPicture)
{
    editor.OpenContact(ann);
    editor.Edit();
    prompts.files.push_back(WriteFile(QStringLiteral("in.jpg"), SolidJpeg(126, 84)));
    ASSERT_TRUE(editor.LoadPicture());
    EXPECT_FALSE(editor.Cancel());
    EXPECT_EQ(editor.Picture(), ContactEditor::NoPicture);
    EXPECT_TRUE(editor.PictureBytes().isEmpty());
    EXPECT_FALSE(editor.PictureSaveEnabled());
    QByteArray none;
    EXPECT_FALSE(db.GetContactImage(ann, none));
}

TEST_F(ContactEditorTest, SavingThePictureWritesTheShownBytes)
{
    const QByteArray jpeg = SolidJpeg(63, 84);
    ASSERT_TRUE(db.SetContactImage(bob, jpeg));
    editor.OpenContact(bob);
    const QString target = dir.filePath(QStringLiteral("out.jpg"));
    prompts.files = {target, dir.filePath(QStringLiteral("no/such/folder/out.jpg"))};
    editor.SavePicture();
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), jpeg);
    EXPECT_EQ(prompts.shown[0].kind, Kind::SaveFile);
    EXPECT_EQ(prompts.shown[0].initial, "jpg");
    editor.SavePicture();
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[2].kind, Kind::Show);
    EXPECT_TRUE(prompts.shown[2].text.startsWith(QStringLiteral("The operation could not be completed:\n")));
}

TEST(DialogLayoutStore, ReadsWhatWasWrittenAndOnlyWhatIsThere)
{
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("layout.ini")), QSettings::IniFormat);
    DialogLayout empty = DialogLayout::Read(store, QStringLiteral("Contact"));
    EXPECT_FALSE(empty.Header || empty.Top || empty.Left);
    ASSERT_TRUE(DialogLayout::Write(store, QStringLiteral("Contact"), QRect(120, 80, 400, 300), true));
    store.setValue(QStringLiteral("Layout/Contact.Header"), 0);
    const DialogLayout read = DialogLayout::Read(store, QStringLiteral("Contact"));
    EXPECT_EQ(read.Header, false);
    EXPECT_EQ(read.Top, 80);
    EXPECT_EQ(read.Left, 120);
    EXPECT_EQ(store.value(QStringLiteral("Layout/Contact.Width")).toInt(), 400);
    EXPECT_EQ(store.value(QStringLiteral("Layout/Contact.Height")).toInt(), 300);
    store.setValue(QStringLiteral("Layout/Contact.Top"), QStringLiteral("high"));
    EXPECT_FALSE(DialogLayout::Read(store, QStringLiteral("Contact")).Top) << "not a number: absent";

    // The composer keeps only its place.
    ASSERT_TRUE(DialogLayout::Write(store, QStringLiteral("Message"), QRect(10, 20, 400, 300), false));
    EXPECT_EQ(DialogLayout::Read(store, QStringLiteral("Message")).Top, 20);
    EXPECT_FALSE(store.contains(QStringLiteral("Layout/Message.Width")));
}

} // namespace
