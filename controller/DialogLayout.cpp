#include "controller/DialogLayout.h"

#include <QSettings>
#include <QVariant>

#include <cstdint>
#include <limits>

namespace {

const QString kGroup = QStringLiteral("Layout");

// As the settings store reads its values: 32-bit integers, signed or not, stored as numbers or
// as decimal text; anything else counts as absent.
std::optional<int> ReadInt(const QSettings& store, const QString& key)
{
    const QVariant v = store.value(key);
    bool ok = false;
    qlonglong n = 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: n = v.toLongLong(&ok); break;
    case QMetaType::QString:
    case QMetaType::QByteArray: n = v.toString().trimmed().toLongLong(&ok, 10); break;
    default: return std::nullopt;
    }
    if (!ok || n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
}

} // namespace

DialogLayout DialogLayout::Read(QSettings& store, const QString& name)
{
    DialogLayout layout;
    store.beginGroup(kGroup);
    if (const auto header = ReadInt(store, name + QStringLiteral(".Header")))
        layout.Header = *header != 0;
    layout.Top = ReadInt(store, name + QStringLiteral(".Top"));
    layout.Left = ReadInt(store, name + QStringLiteral(".Left"));
    store.endGroup();
    return layout;
}

bool DialogLayout::Write(QSettings& store, const QString& name, const QRect& frame, bool withSize)
{
    store.beginGroup(kGroup);
    store.setValue(name + QStringLiteral(".Top"), frame.top());
    store.setValue(name + QStringLiteral(".Left"), frame.left());
    if (withSize) {
        store.setValue(name + QStringLiteral(".Width"), frame.width());
        store.setValue(name + QStringLiteral(".Height"), frame.height());
    }
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}
