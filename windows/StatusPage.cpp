#include "windows/StatusPage.h"
#include "windows/PageTitle.h"

#include "controller/ModemManagerLink.h"
#include "device/Broadband.h"
#include "windows/WaitCursor.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

StatusPage::StatusPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    title_ = NewPageTitle(QStringLiteral("Status"), "HeaderDeviceStatus", this);
    layout->addWidget(title_);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("StatusListView"));
    list_->setAccessibleName(title_->text());
    list_->setColumnCount(3);
    list_->setHeaderHidden(true);
    list_->setColumnWidth(0, 23);
    list_->setColumnWidth(1, 200);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    layout->addWidget(list_);
}

void StatusPage::Fill(StatusView view, MobileBroadband& device, const ModemManagerLink& modemManager)
{
    static const char* const titles[] = {"Status", "Providers", "Preferred providers"};
    title_->setText(QString::fromLatin1(titles[static_cast<int>(view)]));
    list_->setAccessibleName(title_->text()); // read out by the title it is shown under
    list_->clear();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); // pending messages once
    WaitCursor wait;
    list_->setUpdatesEnabled(false);
    switch (view) {
    case StatusView::Status:
        device.ListDeviceStatus();
        ListSharing(modemManager);
        break;
    case StatusView::Providers: device.ListVisibleProviders(); break;
    case StatusView::PreferredProviders: device.ListPreferredProviders(); break;
    }
    list_->setUpdatesEnabled(true);
}

void StatusPage::AddGroup(const QString& title)
{
    auto* group = new QTreeWidgetItem(list_, {title});
    QFont font = group->font(0);
    font.setBold(true);
    group->setFont(0, font);
    group->setFirstColumnSpanned(true);
    group->setExpanded(true);
}

void StatusPage::AddItem(const QString& name, const QString& value)
{
    QTreeWidgetItem* group = list_->topLevelItem(list_->topLevelItemCount() - 1);
    if (!group)
        group = new QTreeWidgetItem(list_);
    new QTreeWidgetItem(group, {QString(), name, value});
    group->setExpanded(true);
}

void StatusPage::ListSharing(const ModemManagerLink& modemManager)
{
    if (!modemManager.Manages())
        return;
    AddGroup(QStringLiteral("ModemManager"));
    AddItem(QStringLiteral("Modem"), modemManager.ModemPath());
    AddItem(QStringLiteral("Messages"),
            QStringLiteral("Deleted from the SIM through ModemManager, so that its list stays true"));
}
