// The shipped pictures: each number shows its own picture, in every size it is drawn in.
#include "windows/Images.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <functional>

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
