#include "controller/DialogLayout.h"

#include "app/Settings.h"

#include <QSettings>
#include <QVariant>

#include <cstdint>

namespace {

const QString kGroup = QStringLiteral("Layout");

// As the settings store reads every value: its 32 bits, signed.
std::optional<int> ReadInt(const QSettings& store, const QString& key)
{
    const auto value = SettingsStore::ReadDword(store, key);
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
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
