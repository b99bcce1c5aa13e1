#pragma once
// The hidden Debug page: registration with a chosen mode, provider and minimal data class.

#include <QWidget>

#include <cstdint>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class DebugPage : public QWidget
{
    Q_OBJECT
public:
    // register: the page's registration action (its button triggers it).
    DebugPage(QAction* registerAction, QWidget* parent = nullptr);

    bool Automatic() const;
    QString ProviderId() const;
    // The bits of the checked data-class boxes; "ALL" adds nothing.
    std::uint32_t DataClass() const;

private:
    void ModeChanged();

    QAction* register_;
    QRadioButton* automatic_;
    QRadioButton* manual_;
    QLabel* providerLabel_;
    QLineEdit* provider_;
    QList<QPair<QCheckBox*, std::uint32_t>> classes_;
};
