#include "windows/LargeDisplay.h"

#include "app/Settings.h"
#include "windows/ActionSet.h"
#include "windows/MessagesPage.h"

#include <QAction>
#include <QFontInfo>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace {

// The sizes of the row images: small, medium (large buttons) and big (large rows too).
constexpr int RowImageSmall = 16, RowImageMedium = 24, RowImageBig = 32;

} // namespace

LargeDisplay::LargeDisplay(ActionSet& actions, const SettingsStore& settings, QObject* parent)
    : QObject(parent), actions_(actions), settings_(settings)
{ }

void LargeDisplay::Attach(QToolBar* tools, QWidget* pages, MessagesPage* messages, QTreeView* contacts, int folderPanel)
{
    tools_ = tools;
    pages_ = pages;
    messages_ = messages;
    contacts_ = contacts;
    folderPanel_ = folderPanel;
}

void LargeDisplay::ApplyButtons()
{
    const bool large = actions_[MainAction::LargeButtonsAction]->isChecked();
    const bool labels = actions_[MainAction::TextLabelsAction]->isChecked();
    actions_[MainAction::TextLabelsAction]->setEnabled(large);
    if (tools_) {
        tools_->setToolButtonStyle(large && labels ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
        tools_->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        const QSize button = large ? QSize(55, 45) : QSize(30, 28);
        for (QToolButton* b : tools_->findChildren<QToolButton*>())
            b->setMinimumSize(button);
    }
    messages_->SetTreeIconSize(large ? 32 : 16);
    ApplyRows();
}

void LargeDisplay::ApplyRows()
{
    int size = RowImageSmall;
    if (actions_[MainAction::LargeButtonsAction]->isChecked())
        size = actions_[MainAction::LargeRowsAction]->isChecked() ? RowImageBig : RowImageMedium;
    messages_->SetRowIconSize(size);
    contacts_->setIconSize(QSize(size, size));
}

void LargeDisplay::ApplyText()
{
    // Sizes are kept as the designed points of an 8-point desktop: scaled to this one.
    // The font as resolved: the desktop may have given it in pixels.
    const QString sample = QStringLiteral("XXXXXXXXXX");
    if (!baseFontSize_) {
        baseFontSize_ = std::max(1, qRound(QFontInfo(pages_->font()).pointSizeF()));
        baseSampleWidth_ = pages_->fontMetrics().horizontalAdvance(sample);
    }
    const bool on = actions_[MainAction::LargeTextAction]->isChecked();
    const int large = (settings_.LargeFont * baseFontSize_ + 4) / 8;
    if (on && settings_.LargeFont <= 0)
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
    messages_->SetFolderPanelWidth(folderPanel_ + std::max(0, growth));
    messages_->FitColumns();
}

int LargeDisplay::TextSize() const
{
    return actions_[MainAction::LargeTextAction]->isChecked() ? pages_->font().pointSize() : 0;
}
