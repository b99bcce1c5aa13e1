#include "windows/MainStatusBar.h"

#include "controller/DeviceState.h"
#include "windows/StatusPanels.h"

#include <QStatusBar>

MainStatusBar::MainStatusBar(QStatusBar* bar, std::function<void(int)> onDoubleClick, QObject* parent) : QObject(parent)
{
    for (int i = 0; i < DeviceState::PanelCount; ++i) {
        auto clicked = [onDoubleClick, i, bar] {
            // A temporary message covers the panels.
            if (bar->currentMessage().isEmpty())
                onDoubleClick(i);
        };
        if (i == DeviceState::PanelSignal) {
            signal_ = new SignalPanel(clicked, bar);
            signal_->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
            bar->addWidget(signal_);
            continue;
        }
        const bool last = i == DeviceState::PanelMessage;
        panels_[i] = new ClickablePanel(clicked, bar);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panels_[i]->setAlignment(i == DeviceState::PanelModel || last ? Qt::AlignLeft | Qt::AlignVCenter
                                                                      : Qt::AlignCenter);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        bar->addWidget(panels_[i], last ? 1 : 0);
    }
    // The widths and texts come with the first Show.
}

QString MainStatusBar::Text(int panel) const
{
    return panel == DeviceState::PanelSignal ? signal_->DrawnText() : panels_[panel]->text();
}

QWidget* MainStatusBar::Widget(int panel) const
{
    return panel == DeviceState::PanelSignal ? static_cast<QWidget*>(signal_) : panels_[panel];
}

int MainStatusBar::TextWidth(const QString& text) const
{
    return panels_[DeviceState::PanelModel]->fontMetrics().horizontalAdvance(text);
}

void MainStatusBar::Show(const DeviceState& state, const QString& unread)
{
    for (int i = 0; i < DeviceState::PanelCount; ++i) {
        if (i == DeviceState::PanelSignal)
            continue;
        QString text = state.Panel(i);
        if (i == DeviceState::PanelMessage && text.isEmpty())
            text = unread;
        panels_[i]->setText(text);
        if (i == DeviceState::PanelMessage)
            panels_[i]->setMinimumWidth(state.PanelWidth(i));
        else
            panels_[i]->setFixedWidth(state.PanelWidth(i));
        panels_[i]->setVisible(state.PanelWidth(i) > 0);
    }
    signal_->Set(state.SignalImage(), state.SignalText(), state.ShowSignalText());
    signal_->setFixedWidth(state.PanelWidth(DeviceState::PanelSignal));
}

void MainStatusBar::ShowUnread(const DeviceState& state, const QString& unread)
{
    // A device message in the panel stands until the device clears it.
    if (state.Panel(DeviceState::PanelMessage).isEmpty())
        panels_[DeviceState::PanelMessage]->setText(unread);
}
