#include "windows/Images.h"

#include "controller/MessageFolders.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace {

// The sizes the drawn pictures are rendered in (scripts/make-icons.py).
constexpr int kDrawnSizes[] = {16, 22, 24, 32, 48, 64};

QString DrawnFile(const QString& name, int size)
{
    return QStringLiteral(":/drawn/%1-%2.png").arg(name).arg(size);
}

// A picture drawn for the program; a name with no drawing gets the "missing" picture, so a
// mistyped name shows as that instead of an empty space. untinted: a selected row shows it as it
// is, where the style would tint it with the highlight.
QIcon Drawn(const QString& name, bool untinted = false)
{
    const QString known = QFile::exists(DrawnFile(name, kDrawnSizes[0])) ? name : QStringLiteral("image-missing");
    QIcon icon;
    for (int size : kDrawnSizes) {
        icon.addFile(DrawnFile(known, size), QSize(size, size));
        if (untinted)
            icon.addFile(DrawnFile(known, size), QSize(size, size), QIcon::Selected);
    }
    return icon;
}

// Whether the desktop names an icon theme; hicolor alone holds only programs' own icons.
bool DesktopHasTheme()
{
    const QString theme = QIcon::themeName();
    return !theme.isEmpty() && theme != QLatin1String("hicolor");
}

// One shipped picture in every size it was rendered in (the resources compiled into the program).
QIcon Shipped(const QString& name, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (int size : sizes)
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

} // namespace

namespace Images {

QIcon Theme(const char* name)
{
    // No cache of its own: Qt keeps the theme's icons, and the theme can change while running.
    const QString key = QString::fromLatin1(name);
    if (DesktopHasTheme()) {
        const QIcon icon = QIcon::fromTheme(key);
        // A theme entry the program cannot draw (an SVG theme without Qt's SVG support) counts as missing.
        if (!icon.isNull() && !icon.pixmap(16, 16).isNull())
            return icon;
    }
    return Drawn(key);
}

QIcon State(int image)
{
    static QHash<int, QIcon> cache;
    auto it = cache.find(image);
    if (it != cache.end())
        return *it;
    const char* name = "state-none";
    switch (image) {
    case ImageRead: name = "state-read"; break;
    case ImageUnread: name = "state-unread"; break;
    case ImageQueued: name = "state-queued"; break;
    case ImageTemplate: name = "state-template"; break;
    case ImageReport: name = "state-report"; break;
    case ImageError: name = "state-error"; break;
    case ImageDraft: name = "state-draft"; break;
    case ImageDelivered: name = "state-delivered"; break;
    case ImageDeliveryPending: name = "state-delivery-pending"; break;
    case ImageDeliveryFailed: name = "state-delivery-failed"; break;
    case 16: name = "state-contact"; break;
    default: break;
    }
    // A state's colour matters most on the selected row.
    const QIcon icon = Drawn(QString::fromLatin1(name), true);
    cache.insert(image, icon);
    return icon;
}

QIcon Signal(int image)
{
    static QHash<int, QIcon> cache;
    auto it = cache.find(image);
    if (it != cache.end())
        return *it;
    QPixmap pixmap(32, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const int bars = image <= 5 ? image : 0;
    for (int i = 0; i < 5; ++i) {
        const QRectF bar(2 + i * 6, 18 - (i + 1) * 3.4, 4, (i + 1) * 3.4);
        p.fillRect(bar, i < bars ? QColor(0x2e, 0x7d, 0x32) : QColor(0xc8, 0xc8, 0xc8));
    }
    if (image == 7 || image == 9) { // radio off, no device
        p.setPen(QPen(QColor(0xb7, 0x1c, 0x1c), 2.5));
        p.drawLine(QPointF(4, 3), QPointF(28, 18));
    } else if (image == 6) { // connected, no signal yet
        p.setPen(QPen(QColor(0x3b, 0x6e, 0xa8), 2));
        p.drawEllipse(QPointF(16, 10), 5, 5);
    }
    QIcon icon(pixmap);
    cache.insert(image, icon);
    return icon;
}

QIcon App(int icon)
{
    static QHash<int, QIcon> cache;
    if (icon < 0 || icon > 5)
        icon = 0;
    auto it = cache.find(icon);
    if (it == cache.end())
        it = cache.insert(icon, Shipped(QStringLiteral("app-%1").arg(icon), {16, 32, 48, 64, 128, 256}));
    return *it;
}

QIcon Tray(int image)
{
    static QHash<int, QIcon> cache;
    if (image < 0 || image > 9)
        return QIcon();
    auto it = cache.find(image);
    if (it == cache.end())
        it = cache.insert(image, Shipped(QStringLiteral("tray-%1").arg(image), {16, 22, 32, 48, 64}));
    return *it;
}

QIcon TrayImage(int image, int applicationIcon, int eventIcon, const QString& folder)
{
    // Every picture an icon file holds, so the notification area can pick its size.
    QImageReader reader(QDir(folder).filePath(QStringLiteral("TRAYICON%1.ico").arg(image + 1)));
    QIcon file;
    if (reader.canRead()) {
        do {
            const QImage picture = reader.read();
            if (!picture.isNull())
                file.addPixmap(QPixmap::fromImage(picture));
        } while (reader.jumpToNextImage());
    }
    if (!file.isNull())
        return file;
    if (image == 0 && applicationIcon >= 1)
        return App(applicationIcon);
    if (image == 1 && eventIcon > 0)
        return App(eventIcon);
    return Tray(image);
}

} // namespace Images
