// The shipped pictures: each number shows its own picture, in every size it is drawn in; theme
// names come from the desktop's theme, or from the program's drawings where there is none.
#include "windows/Images.h"
#include "ProgramRig.h"
#include "controller/FolderImages.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

namespace {

struct Picture
{
    const char* name;
    int count;
    std::function<QIcon(int)> load;
    std::vector<int> sizes;
};

const std::vector<Picture>& Pictures()
{
    static const std::vector<Picture> pictures = {
        {"app", 6, Images::App, {16, 32, 48, 64, 128, 256}},
        {"tray", 10, Images::Tray, {16, 22, 32, 48, 64}},
    };
    return pictures;
}

// The image a picture number is drawn in at one size, as its PNG in the source tree holds it.
QImage Rendered(const char* name, int n, int size)
{
    return QImage(QStringLiteral(PARLOWEN_ICONS "/png/%1-%2-%3.png").arg(QLatin1String(name)).arg(n).arg(size))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

TEST(Images, EachNumberShowsItsOwnPictureAtEverySize)
{
    for (const Picture& picture : Pictures()) {
        for (int n = 0; n < picture.count; ++n) {
            const QIcon icon = picture.load(n);
            ASSERT_FALSE(icon.isNull()) << picture.name << " " << n;
            for (int size : picture.sizes) {
                SCOPED_TRACE(testing::Message() << picture.name << "-" << n << "-" << size);
                const QImage expected = Rendered(picture.name, n, size);
                ASSERT_FALSE(expected.isNull());
                const QImage shown =
                    icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
                EXPECT_EQ(shown.size(), QSize(size, size));
                EXPECT_TRUE(shown == expected);
                // A neighbour's picture is a different one, so a shifted number would show.
                if (n > 0) {
                    EXPECT_FALSE(shown == Rendered(picture.name, n - 1, size));
                }
            }
        }
    }
}

TEST(Images, NumbersOutsideTheSetFallBack)
{
    const QImage first = Images::App(0).pixmap(32, 32).toImage();
    for (int icon : {-1, 6, 100})
        EXPECT_TRUE(Images::App(icon).pixmap(32, 32).toImage() == first) << icon;
    for (int image : {-1, 10, 9998})
        EXPECT_TRUE(Images::Tray(image).isNull()) << image;
}

namespace {

const int kSizes[] = {16, 22, 24, 32, 48};

QImage Normalised(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Shown(const QIcon& icon, int size, QIcon::Mode mode = QIcon::Normal)
{
    return Normalised(icon.pixmap(QSize(size, size), mode).toImage());
}

// A drawn picture as its PNG in the source tree holds it.
QImage Drawing(const std::string& name, int size)
{
    return Normalised(
        QImage(QStringLiteral(PARLOWEN_ICONS "/drawn/png/%1-%2.png").arg(QString::fromStdString(name)).arg(size)));
}

// Every drawing in the source tree by name (its SVG), sorted; state- are the lists' state images.
std::vector<std::string> DrawnNames(bool states)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PARLOWEN_ICONS "/drawn")) {
        if (entry.path().extension() != ".svg")
            continue;
        const std::string name = entry.path().stem().string();
        if ((name.rfind("state-", 0) == 0) == states)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The drawing an image shows at 16 pixels, or "" when it is none of them.
std::string DrawingOf(const QImage& shown)
{
    for (bool states : {false, true})
        for (const std::string& name : DrawnNames(states))
            if (Drawing(name, 16) == shown)
                return name;
    return {};
}

// Sets the desktop's icon theme for one test and puts the previous one back.
class ThemeScope
{
public:
    ThemeScope(const QString& name, const QStringList& paths)
        : name_(QIcon::themeName()), paths_(QIcon::themeSearchPaths()), fallback_(QIcon::fallbackSearchPaths())
    {
        QIcon::setThemeSearchPaths(paths);
        QIcon::setFallbackSearchPaths({});
        QIcon::setThemeName(name);
    }
    ~ThemeScope()
    {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setFallbackSearchPaths(fallback_);
        QIcon::setThemeName(name_);
    }

private:
    QString name_;
    QStringList paths_;
    QStringList fallback_;
};

// A theme of plain squares in a temporary folder, one colour a name, in 16 and 32 pixels. A name
// listed in broken gets a file that is no picture.
class SquareTheme
{
public:
    SquareTheme(const std::vector<std::string>& names, const std::vector<std::string>& broken = {})
    {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("squares/16x16/actions"));
        root.mkpath(QStringLiteral("squares/32x32/actions"));
        QFile index(root.filePath(QStringLiteral("squares/index.theme")));
        index.open(QIODevice::WriteOnly);
        index.write("[Icon Theme]\nName=squares\nDirectories=16x16/actions,32x32/actions\n\n"
                    "[16x16/actions]\nSize=16\nContext=Actions\nType=Fixed\n\n"
                    "[32x32/actions]\nSize=32\nContext=Actions\nType=Fixed\n");
        index.close();
        int hue = 0;
        for (const std::string& name : names) {
            const QColor colour = QColor::fromHsv(hue, 200, 200);
            hue = (hue + 37) % 360;
            colours_[name] = colour;
            for (int size : {16, 32}) {
                QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
                image.fill(colour);
                image.save(root.filePath(
                    QStringLiteral("squares/%1x%1/actions/%2.png").arg(size).arg(QString::fromStdString(name))));
            }
        }
        for (const std::string& name : broken) {
            QFile file(root.filePath(QStringLiteral("squares/16x16/actions/%1.png").arg(QString::fromStdString(name))));
            file.open(QIODevice::WriteOnly);
            file.write("not a picture");
        }
    }
    QString Path() const { return dir_.path(); }
    QColor Colour(const std::string& name) const { return colours_.at(name); }

private:
    QTemporaryDir dir_;
    std::map<std::string, QColor> colours_;
};

// A desktop without an icon theme: no name, the base theme alone, or a theme that is not there.
const QString kNoThemes[] = {QString(), QStringLiteral("hicolor"), QStringLiteral("no-such-theme")};

class ThemeName : public testing::TestWithParam<std::string>
{ };

TEST_P(ThemeName, WithoutAThemeShowsTheProgramsDrawingAtEverySize)
{
    const std::string name = GetParam();
    // A hicolor folder that has the name must not take its place either: it holds other programs' icons.
    SquareTheme hicolor({name});
    QDir(hicolor.Path()).rename(QStringLiteral("squares"), QStringLiteral("hicolor"));
    for (const QString& theme : kNoThemes) {
        SCOPED_TRACE(theme.toStdString());
        ThemeScope scope(theme, {hicolor.Path()});
        const QIcon icon = Images::Theme(name.c_str());
        ASSERT_FALSE(icon.isNull());
        for (int size : kSizes) {
            SCOPED_TRACE(size);
            const QImage expected = Drawing(name, size);
            ASSERT_FALSE(expected.isNull()) << "no PNG: run scripts/make-icons.py";
            const QImage shown = Shown(icon, size);
            EXPECT_EQ(shown.size(), QSize(size, size));
            EXPECT_TRUE(shown == expected);
        }
        if (name != "image-missing") {
            EXPECT_FALSE(Shown(icon, 16) == Drawing("image-missing", 16));
        }
    }
}

TEST_P(ThemeName, ComesFromTheDesktopThemeThatHasIt)
{
    const std::string name = GetParam();
    SquareTheme squares({name});
    ThemeScope scope(QStringLiteral("squares"), {squares.Path()});
    const QImage shown = Shown(Images::Theme(name.c_str()), 16);
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.pixelColor(8, 8).rgb(), squares.Colour(name).rgb());
    EXPECT_FALSE(shown == Drawing(name, 16));
}

TEST_P(ThemeName, AThemeEntryThatCannotBeReadGivesTheDrawing)
{
    const std::string name = GetParam();
    SquareTheme squares({"other-name"}, {name});
    ThemeScope scope(QStringLiteral("squares"), {squares.Path()});
    EXPECT_TRUE(Shown(Images::Theme(name.c_str()), 16) == Drawing(name, 16));
}

// The names are the standard ones both common desktop themes carry, so a desktop theme never
// mixes its pictures with the program's drawings. Checked against the themes installed here.
TEST_P(ThemeName, IsCarriedByTheCommonDesktopThemes)
{
    const std::string name = GetParam();
    for (const char* theme : {"/usr/share/icons/Adwaita", "/usr/share/icons/breeze"}) {
        if (!std::filesystem::exists(theme)) {
            ADD_FAILURE() << theme << " is not installed (scripts/packages.txt)";
            continue;
        }
        bool found = false;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(theme)) {
            const std::string file = entry.path().filename().string();
            if (file == name + ".png" || file == name + ".svg") {
                found = true;
                break;
            }
        }
        EXPECT_TRUE(found) << name << " is not in " << theme;
    }
}

INSTANTIATE_TEST_SUITE_P(Drawn, ThemeName, testing::ValuesIn(DrawnNames(false)),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string id = info.param;
                             std::replace(id.begin(), id.end(), '-', '_');
                             return id;
                         });

TEST(Images, ANameWithoutADrawingShowsTheMissingPicture)
{
    ThemeScope scope(QString(), {});
    EXPECT_TRUE(Shown(Images::Theme("no-such-icon-name"), 16) == Drawing("image-missing", 16));
}

struct StateCase
{
    int image;
    const char* drawing;
};

class StateImage : public testing::TestWithParam<StateCase>
{ };

TEST_P(StateImage, IsItsOwnDrawingAndKeepsItsColoursWhenSelected)
{
    const StateCase c = GetParam();
    const QIcon icon = Images::State(c.image);
    for (int size : kSizes) {
        SCOPED_TRACE(size);
        const QImage expected = Drawing(c.drawing, size);
        ASSERT_FALSE(expected.isNull());
        EXPECT_TRUE(Shown(icon, size) == expected);
        EXPECT_TRUE(Shown(icon, size, QIcon::Selected) == expected);
    }
}

const StateCase kStates[] = {
    {ImageRead, "state-read"},
    {ImageUnread, "state-unread"},
    {ImageQueued, "state-queued"},
    {ImageTemplate, "state-template"},
    {ImageReport, "state-report"},
    {ImageError, "state-error"},
    {ImageDraft, "state-draft"},
    {ImageDelivered, "state-delivered"},
    {ImageDeliveryPending, "state-delivery-pending"},
    {ImageDeliveryFailed, "state-delivery-failed"},
    {16, "state-contact"},
    {-1, "state-none"},
    {99, "state-none"},
};

INSTANTIATE_TEST_SUITE_P(Lists, StateImage, testing::ValuesIn(kStates));

TEST(Images, EveryStateHasADrawingOfItsOwn)
{
    std::set<std::string> seen;
    for (const StateCase& c : kStates)
        if (c.image >= 0 && c.image < 99) {
            EXPECT_TRUE(seen.insert(DrawingOf(Shown(Images::State(c.image), 16))).second) << c.drawing;
        }
    EXPECT_EQ(seen.count(""), 0u);
    // Every state drawing is used.
    EXPECT_EQ(seen.size() + 1, DrawnNames(true).size());
}

// The real main window on a desktop without a theme: every picture it shows is one of the
// program's drawings, none of them the missing picture.
TEST(Images, TheMainWindowWithoutAThemeShowsOnlyDrawings)
{
    ThemeScope scope(QStringLiteral("no-such-theme"), {});
    rig::Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    int checked = 0;
    auto check = [&](const QImage& shown, const QString& where) {
        SCOPED_TRACE(where.toStdString());
        ASSERT_FALSE(shown.isNull());
        const std::string drawing = DrawingOf(shown);
        EXPECT_NE(drawing, "");
        EXPECT_NE(drawing, "image-missing");
        ++checked;
    };
    for (QAction* action : p.window->findChildren<QAction*>())
        // Qt's own (a line edit's clear button) aside.
        if (!action->icon().isNull() && !action->objectName().startsWith(QLatin1String("_q_")))
            check(Shown(action->icon(), 16), action->objectName() + QLatin1Char(' ') + action->text());
    for (QTreeWidget* tree : p.window->findChildren<QTreeWidget*>())
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if (!(*it)->icon(0).isNull())
                check(Shown((*it)->icon(0), 16), tree->objectName() + QLatin1Char(' ') + (*it)->text(0));
    for (QLabel* label : p.window->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^MessageInfo.X$"))))
        check(Normalised(label->pixmap().toImage()), label->objectName());
    // The views, the message actions, the folders and the four header pictures at least.
    EXPECT_GE(checked, 30);
}

// The other windows ask for these by name.
TEST(Images, TheOtherWindowsNamesHaveDrawings)
{
    ThemeScope scope(QString(), {});
    for (const char* name :
         {"phone", "media-flash", "go-home", "network-wireless", "system-search", "applications-internet",
          "dialog-question", "dialog-information", "preferences-system", "mail-message-new", "x-office-address-book",
          "audio-volume-high", "preferences-desktop-theme", "applications-other"}) {
        const std::string drawing = DrawingOf(Shown(Images::Theme(name), 16));
        EXPECT_EQ(drawing, name);
    }
}

} // namespace
