#include "windows/DebugPage.h"
#include "windows/PageTitle.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

DebugPage::DebugPage(QAction* registerAction, QWidget* parent) : QWidget(parent), register_(registerAction)
{
    setObjectName(QStringLiteral("DebugTabSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NewPageTitle(QStringLiteral("Network registration"), "HeaderDebug", this));

    auto* mode = new QGroupBox(QStringLiteral("Registration mode"), this);
    auto* modeLayout = new QGridLayout(mode);
    automatic_ = new QRadioButton(QStringLiteral("Automatic"), mode);
    automatic_->setObjectName(QStringLiteral("REG_AUTOMATIC"));
    manual_ = new QRadioButton(QStringLiteral("Manual"), mode);
    manual_->setObjectName(QStringLiteral("REG_MANUAL"));
    automatic_->setChecked(true);
    providerLabel_ = new QLabel(QStringLiteral("Provider ID:"), mode);
    providerLabel_->setObjectName(QStringLiteral("PROVIDER_ID_LABEL"));
    provider_ = new QLineEdit(mode);
    provider_->setObjectName(QStringLiteral("PROVIDER_ID"));
    provider_->setMaximumWidth(160);
    modeLayout->addWidget(automatic_, 0, 0);
    modeLayout->addWidget(manual_, 1, 0);
    modeLayout->addWidget(providerLabel_, 1, 1);
    modeLayout->addWidget(provider_, 1, 2);
    modeLayout->setColumnStretch(3, 1);
    layout->addWidget(mode);

    auto* classes = new QGroupBox(QStringLiteral("Minimal data class"), this);
    auto* classLayout = new QGridLayout(classes);
    const struct
    {
        const char* name;
        const char* caption;
        std::uint32_t bit;
    } boxes[] = {{"CHK_DATA_CLASS_NONE", "ALL", 0},      {"CHK_DATA_CLASS_GPRS", "GPRS", 0x1},
                 {"CHK_DATA_CLASS_EDGE", "EDGE", 0x2},   {"CHK_DATA_CLASS_UMTS", "UMTS", 0x4},
                 {"CHK_DATA_CLASS_HSDPA", "HSDPA", 0x8}, {"CHK_DATA_CLASS_HSUPA", "HSUPA", 0x10},
                 {"CHK_DATA_CLASS_LTE", "LTE", 0x20},    {"CHK_DATA_CLASS_5G_NSA", "5G NSA", 0x40},
                 {"CHK_DATA_CLASS_5G_SA", "5G SA", 0x80}};
    int i = 0;
    for (const auto& box : boxes) {
        auto* check = new QCheckBox(QString::fromLatin1(box.caption), classes);
        check->setObjectName(QString::fromLatin1(box.name));
        classLayout->addWidget(check, i / 3, i % 3);
        classes_.append({check, box.bit});
        ++i;
    }
    layout->addWidget(classes);

    auto* buttons = new QHBoxLayout;
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("NetRegButton"));
    button->setDefaultAction(register_);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    buttons->addWidget(button);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(automatic_, &QRadioButton::toggled, this, &DebugPage::ModeChanged);
    connect(provider_, &QLineEdit::textChanged, this, &DebugPage::ModeChanged);
    ModeChanged();
}

void DebugPage::ModeChanged()
{
    const bool manual = manual_->isChecked();
    providerLabel_->setEnabled(manual);
    provider_->setEnabled(manual);
    if (!manual) {
        provider_->blockSignals(true);
        provider_->clear();
        provider_->blockSignals(false);
        register_->setEnabled(true);
    } else {
        register_->setEnabled(!provider_->text().trimmed().isEmpty());
    }
}

bool DebugPage::Automatic() const
{
    return automatic_->isChecked();
}

QString DebugPage::ProviderId() const
{
    return provider_->text();
}

std::uint32_t DebugPage::DataClass() const
{
    std::uint32_t bits = 0;
    for (const auto& [box, bit] : classes_)
        if (box->isChecked())
            bits |= bit;
    return bits;
}
