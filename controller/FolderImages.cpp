#include "controller/FolderImages.h"

QString DeliveryText(int image)
{
    switch (image) {
    case ImageDelivered: return QStringLiteral("Delivered");
    case ImageDeliveryPending: return QStringLiteral("Delivery pending");
    case ImageDeliveryFailed: return QStringLiteral("Not delivered");
    default: return QString();
    }
}
