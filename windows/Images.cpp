#include "windows/Images.h"

#include "controller/MessageFolders.h"

#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace {

// A round badge with a letter: clear at 16 pixels, in the colours of its meaning.
QIcon Badge(QColor colour, QChar letter, bool outline = false)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (outline) {
        p.setPen(QPen(colour, 3));
        p.setBrush(Qt::white);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
    }
    p.drawRoundedRect(QRectF(3, 6, 26, 20), 4, 4);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(outline ? colour : QColor(Qt::white));
    p.drawText(QRectF(3, 6, 26, 20), Qt::AlignCenter, QString(letter));
    QIcon icon(pixmap);
    // The style would tint it with the highlight on a selected row, where its colour matters most.
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
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
    static QHash<QString, QIcon> cache;
    const QString key = QString::fromLatin1(name);
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    QIcon icon = QIcon::fromTheme(key);
    if (icon.isNull()) {
        const QChar letter = key.contains(QLatin1String("inbox"))       ? u'I'
                             : key.contains(QLatin1String("send"))      ? u'S'
                             : key.contains(QLatin1String("outbox"))    ? u'O'
                             : key.contains(QLatin1String("edit"))      ? u'D'
                             : key.contains(QLatin1String("new"))       ? u'T'
                             : key.contains(QLatin1String("important")) ? u'R'
                                                                        : key.at(0).toUpper();
        icon = Badge(QColor(0x3b, 0x6e, 0xa8), letter, true);
    }
    cache.insert(key, icon);
    return icon;
}

QIcon State(int image)
{
    static QHash<int, QIcon> cache;
    auto it = cache.find(image);
    if (it != cache.end())
        return *it;
    QIcon icon;
    switch (image) {
    case ImageRead: icon = Badge(QColor(0x8a, 0x8f, 0x98), u'\u2713', true); break;
    case ImageUnread: icon = Badge(QColor(0xd0, 0x2b, 0x2b), u'\u2709'); break;
    case ImageQueued: icon = Badge(QColor(0xe0, 0x9a, 0x1a), u'\u2192'); break;
    case ImageTemplate: icon = Badge(QColor(0x5a, 0x7d, 0x3c), u'T'); break;
    case ImageReport: icon = Badge(QColor(0x2e, 0x7d, 0x32), u'R'); break;
    case ImageError: icon = Badge(QColor(0xb7, 0x1c, 0x1c), u'!'); break;
    case ImageDraft: icon = Badge(QColor(0x60, 0x60, 0x60), u'D', true); break;
    // The read mark in the colour of the recipient's answer.
    case ImageDelivered: icon = Badge(QColor(0x2e, 0x7d, 0x32), u'\u2713'); break;
    case ImageDeliveryPending: icon = Badge(QColor(0xe0, 0x9a, 0x1a), u'\u2713', true); break;
    case ImageDeliveryFailed: icon = Badge(QColor(0xb7, 0x1c, 0x1c), u'\u00D7'); break;
    case 16: icon = Badge(QColor(0x1e, 0x6f, 0xb5), u'C'); break; // a contact
    default: icon = Badge(QColor(0x8a, 0x8f, 0x98), u' ', true); break;
    }
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
