#pragma once
// The image numbers of the folder rows (the medium state images), and the words a Sent row's
// delivery image shows as its tooltip. Both the folders and the delivery states use them.

#include <QString>

enum FolderImage : int {
    ImageRead = 0,
    ImageUnread = 1,
    ImageQueued = 8,
    ImageTemplate = 11,
    ImageReport = 12,
    ImageError = 13,
    ImageDraft = 14,
    // Sent rows whose parts asked for a status report (DeliveryStates).
    ImageDelivered = 17,
    ImageDeliveryPending = 18,
    ImageDeliveryFailed = 19,
};

// The words for a Sent row's delivery image (its tooltip); empty for any other image.
QString DeliveryText(int image);
