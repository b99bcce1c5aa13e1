// The main window's desktop actions: the web links, the menu entry, large buttons, text and rows,
// and the choice of the device interface.
#include "app/Prompts.h"
#include "app/Settings.h"
#include "controller/DeviceState.h"
#include "controller/ShellIntegration.h"
#include "windows/ContactsPage.h"
#include "windows/ContactsView.h"
#include "windows/DesktopShell.h"
#include "windows/Images.h"
#include "windows/MainWindow.h"
#include "windows/MessagesPage.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFontInfo>
#include <QLocale>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

namespace {

// The sizes of the row images: small, medium (large buttons) and big (large rows too).
constexpr int RowImageSmall = 16, RowImageMedium = 24, RowImageBig = 32;

} // namespace

void TMainWindow::BuildShellActions()
{
    struct Link
    {
        MainAction action;
        const char* caption;
        const char* hint;
        const char* link;
    };
    const Link links[] = {{MainAction::HomePageAction, "Home page", nullptr, "HomePage"},
                          {MainAction::OpenHelpAction, "Features", "Help", "Help"},
                          {MainAction::SupportAction, "Online support", "Support information", "Support"},
                          {MainAction::LicenseInfoAction, "License information", nullptr, "License"},
                          {MainAction::FaqAction, "Frequently Asked Questions", nullptr, "Faq"},
                          {MainAction::DownloadAction, "Download latest version", nullptr, "Download"}};
    for (const Link& l : links) {
        QAction* action = actions_.New(l.action, QString::fromLatin1(l.caption));
        if (l.hint)
            action->setStatusTip(QString::fromLatin1(l.hint));
        const QString name = QString::fromLatin1(l.link);
        // A link that cannot be opened fails quietly.
        connect(action, &QAction::triggered, this,
                [name] { QDesktopServices::openUrl(shell::WebLink(name, QLocale::system())); });
    }

    QAction* menuEntry = actions_.New(MainAction::StartMenuAddAction, QStringLiteral("Add to Start menu"));
    menuEntry->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));
    connect(menuEntry, &QAction::triggered, this, [this] { shell_->WriteDesktopEntry(settings_->ApplicationIcon); });
    addAction(menuEntry);

    QAction* select = actions_.New(MainAction::InterfaceSelectAction, QStringLiteral("Select interface"));
    select->setVisible(false);
    connect(select, &QAction::triggered, this, [this] {
        const std::optional<QString> id =
            prompts_->Input(QStringLiteral("Select interface"), QStringLiteral("Interface ID:"), QString());
        if (id)
            deviceState_->SelectInterface(*id);
    });

    actions_.NewToggles({
        {MainAction::LargeButtonsAction, "Large buttons", &settings_->LargeButtonsChecked},
        {MainAction::LargeTextAction, "Large text", &settings_->LargeTextChecked},
        {MainAction::LargeRowsAction, "Large rows", &settings_->LargeRows},
        {MainAction::TextLabelsAction, "Text labels", &settings_->ShowLabels},
        {MainAction::BalloonNotificationAction, "Balloon Notification", &settings_->ShowBalloonNotification},
        {MainAction::ToastNotificationAction, "Toast Notification", &settings_->ShowToastNotification},
        {MainAction::DataClassNotificationAction, "Data class notification", &settings_->ShowDataClassNotification},
    });
    Act(MainAction::LargeButtonsAction)->setStatusTip(QStringLiteral("Show large buttons"));
    connect(Act(MainAction::LargeButtonsAction), &QAction::triggered, this, &TMainWindow::ApplyLargeButtons);
    connect(Act(MainAction::LargeRowsAction), &QAction::triggered, this, &TMainWindow::ApplyLargeRows);
    connect(Act(MainAction::LargeTextAction), &QAction::triggered, this, &TMainWindow::ApplyLargeText);
    connect(Act(MainAction::TextLabelsAction), &QAction::triggered, this, &TMainWindow::ApplyLargeButtons);
    // Without a notification service there is nothing to switch on.
    Act(MainAction::ToastNotificationAction)->setEnabled(shell_->ToastsAvailable());
}

void TMainWindow::ApplyIcons(int applicationIcon, int eventIcon)
{
    shell_->ApplyIcons(applicationIcon, eventIcon, this);
}

void TMainWindow::StatusPanelDoubleClicked(int panel)
{
    if (panel == DeviceState::PanelSignal)
        deviceState_->ToggleSignalText();
    else if (panel == DeviceState::PanelDataClass)
        deviceState_->RefreshDataClass();
}

void TMainWindow::ApplyLargeButtons()
{
    const bool large = Act(MainAction::LargeButtonsAction)->isChecked();
    const bool labels = Act(MainAction::TextLabelsAction)->isChecked();
    QToolBar* tools = findChild<QToolBar*>(QStringLiteral("ToolBar"));
    Act(MainAction::TextLabelsAction)->setEnabled(large);
    if (tools) {
        tools->setToolButtonStyle(large && labels ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
        tools->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        const QSize button = large ? QSize(55, 45) : QSize(30, 28);
        for (QToolButton* b : tools->findChildren<QToolButton*>())
            b->setMinimumSize(button);
    }
    messagesPage_->SetTreeIconSize(large ? 32 : 16);
    ApplyLargeRows();
}

void TMainWindow::ApplyLargeRows()
{
    int size = RowImageSmall;
    if (Act(MainAction::LargeButtonsAction)->isChecked())
        size = Act(MainAction::LargeRowsAction)->isChecked() ? RowImageBig : RowImageMedium;
    messagesPage_->SetRowIconSize(size);
    contactsPage_->List().setIconSize(QSize(size, size));
}

void TMainWindow::ApplyLargeText()
{
    // Sizes are kept as the designed points of an 8-point desktop: scaled to this one.
    // The font as resolved: the desktop may have given it in pixels.
    const QString sample = QStringLiteral("XXXXXXXXXX");
    if (!baseFontSize_) {
        baseFontSize_ = std::max(1, qRound(QFontInfo(pages_->font()).pointSizeF()));
        baseSampleWidth_ = pages_->fontMetrics().horizontalAdvance(sample);
    }
    const bool on = Act(MainAction::LargeTextAction)->isChecked();
    const int large = (settings_->LargeFont * baseFontSize_ + 4) / 8;
    if (on && settings_->LargeFont <= 0)
        return;
    const int size = on ? large : baseFontSize_;
    if (qRound(QFontInfo(pages_->font()).pointSizeF()) == size)
        return;
    QFont font = pages_->font();
    font.setPointSize(size);
    pages_->setFont(font);
    // The folder panel widens by the text's growth over its normal width, whether or not the
    // layout has sized it yet.
    const int growth = pages_->fontMetrics().horizontalAdvance(sample) - baseSampleWidth_;
    messagesPage_->SetFolderPanelWidth(folderPanelBase_ + std::max(0, growth));
    messagesPage_->FitColumns();
}
