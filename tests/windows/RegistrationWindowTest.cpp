// The network registration window offscreen against the simulated modem: its pages and buttons,
// the operator scan as the user sees it, the row of data-class boxes, the warning that can be
// switched off for good, and a registration through the buttons.
#include "windows/RegistrationWindow.h"

#include "support/DeviceHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

using harness::Rig;
using harness::WaitFor;

namespace {

class RegistrationWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        sim::ModemConfig config;
        config.demoContents = false;
        config.scanDelayMs = 200;
        rig = std::make_unique<Rig>((dir.path() + "/modem").toStdString(), config);
        ASSERT_TRUE(rig->connected);
    }
    std::unique_ptr<TRegistrationWindow> Open()
    {
        auto w = std::make_unique<TRegistrationWindow>([this](const QString& text) { log << text; }, rig->service.get(),
                                                       rig->session->GetInterfaceID(), settings.get());
        w->show();
        return w;
    }
    static int Page(const TRegistrationWindow& w) { return w.Pages()->currentIndex(); }
    static QString Text(const TRegistrationWindow& w, const char* label)
    {
        return w.Label(QString::fromLatin1(label))->text();
    }
    static void DoubleClick(QWidget* widget)
    {
        const QPointF at(2, 2);
        QMouseEvent event(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<Rig> rig;
    QStringList log;
};

} // namespace

TEST_F(RegistrationWindowTest, PagesTitlesAndButtons)
{
    auto w = Open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Network registration"));
    for (const char* name : {"OperatorAuto",
                             "OperatorManual",
                             "OperatorListView",
                             "ProgressPanel",
                             "ProgressBar1",
                             "DataClassAuto",
                             "DataClassManual",
                             "CHK_DATA_CLASS_NONE",
                             "CHK_DATA_CLASS_5G",
                             "DataClassWarningPanel",
                             "DataClassWarningCheckBox",
                             "LabelA31",
                             "LabelA32",
                             "VerifyOperator",
                             "VerifyDataClass",
                             "RegisterButton",
                             "ProgressLabel2",
                             "ProgressBar2",
                             "LabelA41",
                             "LabelA42",
                             "StatusInfo",
                             "BackButton",
                             "NextButton",
                             "CloseButton",
                             "IMG004"})
        EXPECT_NE(w->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    QHeaderView* header = w->OperatorListView()->header();
    EXPECT_EQ(header->sectionSize(0), 60);
    EXPECT_EQ(header->sectionSize(1), 110);
    EXPECT_EQ(header->sectionSize(2), 150);

    // Back and Next as each page allows; the titles follow.
    const char* const titles[] = {"Welcome", "Operator selection", "Data class selection", "Registration", "Status"};
    const bool back[] = {false, true, true, true};
    const bool next[] = {true, true, true, false};
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(Page(*w), page);
        EXPECT_EQ(Text(*w, QStringLiteral("TitleA%1").arg(page).toLatin1().constData()), titles[page]);
        EXPECT_EQ(w->BackButton()->isEnabled(), back[page]);
        EXPECT_EQ(w->NextButton()->isEnabled(), next[page]);
        EXPECT_TRUE(w->CloseButton()->isEnabled());
        w->NextButton()->click();
    }
    EXPECT_EQ(Page(*w), 3) << "no Next from the review";
    EXPECT_EQ(Text(*w, "VerifyOperator"), QStringLiteral("Automatic selection"));
    EXPECT_TRUE(w->RegisterButton()->isEnabled());
    w->BackButton()->click();
    EXPECT_EQ(Page(*w), 2);

    // Escape closes.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
}

TEST_F(RegistrationWindowTest, ARefusedScanChecksAutomaticAgain)
{
    rig->simulator->setRadio(false);
    std::shared_ptr<BroadbandInterface> iface;
    rig->service->GetInterface(rig->session->GetInterfaceID(), iface);
    std::int32_t radio = 1;
    ASSERT_TRUE(WaitFor([&] { return !Failed(iface->GetSoftwareRadioState(radio)) && radio == 0; }));
    auto w = Open();
    w->NextButton()->click();
    w->OperatorManual()->click();
    EXPECT_TRUE(w->OperatorAuto()->isChecked());
    EXPECT_FALSE(w->OperatorManual()->isChecked());
    EXPECT_FALSE(w->OperatorListView()->isEnabled());
    EXPECT_FALSE(w->ProgressPanel()->isVisible());
    EXPECT_TRUE(w->NextButton()->isEnabled());
    EXPECT_TRUE(log.contains(QStringLiteral("Network -> Registration -> ScanNetwork() -> Failed: ") +
                             QString::fromStdString(HresultText(Hr::RadioPowerOff))));
}

TEST_F(RegistrationWindowTest, AScanThenAManualRegistrationThroughTheButtons)
{
    auto w = Open();
    w->NextButton()->click();
    w->OperatorManual()->click();
    // The progress sits over the list, centred, 39 pixels below its top; everything else waits.
    ASSERT_TRUE(w->ProgressPanel()->isVisible());
    const QRect list = w->OperatorListView()->geometry();
    const QPoint listTop = w->OperatorListView()->parentWidget()->mapTo(w.get(), list.topLeft());
    const QPoint panelTop = w->ProgressPanel()->parentWidget()->mapTo(w.get(), w->ProgressPanel()->pos());
    EXPECT_EQ(panelTop.y() - listTop.y(), 39);
    EXPECT_LE(std::abs((panelTop.x() - listTop.x()) * 2 + w->ProgressPanel()->width() - list.width()), 1);
    EXPECT_FALSE(w->BackButton()->isEnabled());
    EXPECT_FALSE(w->NextButton()->isEnabled());
    EXPECT_FALSE(w->OperatorAuto()->isEnabled());
    EXPECT_TRUE(w->OperatorListView()->isEnabled());

    ASSERT_TRUE(WaitFor([&] { return !w->ProgressPanel()->isVisible(); }));
    QTreeWidget* operators = w->OperatorListView();
    ASSERT_EQ(operators->topLevelItemCount(), 3);
    EXPECT_EQ(operators->topLevelItem(0)->text(1), QStringLiteral("Simnet"));
    EXPECT_TRUE(operators->topLevelItem(0)->isSelected());
    EXPECT_FALSE(operators->topLevelItem(0)->icon(0).isNull());
    EXPECT_TRUE(operators->topLevelItem(1)->icon(0).isNull());
    EXPECT_TRUE(w->NextButton()->isEnabled());

    operators->setCurrentItem(operators->topLevelItem(1));
    EXPECT_EQ(w->Wizard().SelectedOperator(), 1);
    w->NextButton()->click();
    w->NextButton()->click();
    EXPECT_EQ(Text(*w, "VerifyOperator"), QStringLiteral("Parlo Mobile"));
    w->RegisterButton()->click();
    EXPECT_FALSE(w->RegisterButton()->isVisible());
    EXPECT_TRUE(w->Label(QStringLiteral("ProgressLabel2"))->isVisible());
    ASSERT_TRUE(WaitFor([&] { return Page(*w) == 4; }));
    EXPECT_TRUE(w->RegisterButton()->isVisibleTo(w->Pages()->widget(3)));
    EXPECT_EQ(Text(*w, "LabelA41"), QStringLiteral("The operation is completed successfully."));
    EXPECT_TRUE(w->StatusInfo()->toPlainText().startsWith(
        QStringLiteral("Provider ID: 00102\nProvider name: Parlo Mobile\nRegistration status: Roaming")))
        << w->StatusInfo()->toPlainText().toStdString();
    EXPECT_FALSE(w->NextButton()->isEnabled());

    // A double-click on the title reads the status again.
    w->StatusInfo()->clear();
    DoubleClick(w->Label(QStringLiteral("TitleA4")));
    EXPECT_TRUE(w->StatusInfo()->toPlainText().startsWith(QStringLiteral("Provider ID: 00102")));
}

TEST_F(RegistrationWindowTest, TheDataClassBoxesShareOneRowWithEqualGaps)
{
    auto w = Open();
    w->NextButton()->click();
    w->NextButton()->click();
    QWidget* page = w->Pages()->currentWidget();
    auto row = [&] {
        std::vector<QRect> boxes;
        for (int i = 0; i < DataClassBoxCount; ++i) {
            QCheckBox* check = w->DataClassCheckBox(static_cast<DataClassBox>(i));
            if (check->isVisible())
                boxes.push_back(QRect(check->parentWidget()->mapTo(page, check->pos()), check->size()));
        }
        return boxes;
    };
    auto expectEvenRow = [&](std::size_t count) {
        const auto boxes = row();
        ASSERT_EQ(boxes.size(), count);
        EXPECT_EQ(boxes.front().left(), 24);
        EXPECT_NEAR(boxes.back().right() + 1, page->width() - 18, 1);
        const int gap = boxes[1].left() - boxes[0].right();
        for (std::size_t i = 1; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].top(), boxes[0].top());
            EXPECT_NEAR(boxes[i].left() - boxes[i - 1].right(), gap, 1) << i;
        }
    };
    EXPECT_FALSE(w->DataClassCheckBox(DataClassBox::Custom)->isVisible());
    EXPECT_FALSE(w->DataClassCheckBox(DataClassBox::FiveG)->isVisible());
    expectEvenRow(7);
    for (int i = 0; i < DataClassBoxCount; ++i)
        EXPECT_FALSE(w->DataClassCheckBox(static_cast<DataClassBox>(i))->isEnabled());

    DoubleClick(w->Label(QStringLiteral("IMG004")));
    EXPECT_TRUE(w->DataClassCheckBox(DataClassBox::Custom)->isVisible());
    EXPECT_EQ(w->DataClassCheckBox(DataClassBox::Custom)->text(), QStringLiteral("CUSTOM"));
    EXPECT_TRUE(w->DataClassCheckBox(DataClassBox::FiveG)->isVisible());
    QApplication::processEvents();
    expectEvenRow(9);

    w->DataClassManual()->click();
    w->DataClassCheckBox(DataClassBox::FiveG)->click();
    w->DataClassCheckBox(DataClassBox::Gprs)->click();
    EXPECT_EQ(w->Wizard().DataClassBits(), 0xC1u);
    w->NextButton()->click();
    EXPECT_EQ(Text(*w, "VerifyDataClass"), QStringLiteral("GPRS, 5G NSA, 5G SA"));
}

TEST_F(RegistrationWindowTest, TheWarningCanBeSwitchedOffForGood)
{
    EXPECT_FALSE(settings->contains(QStringLiteral("Settings/ShowDataClassWarning")));
    {
        auto w = Open();
        w->NextButton()->click();
        w->NextButton()->click();
        w->DataClassManual()->click();
        EXPECT_TRUE(w->DataClassWarningPanel()->isVisible());
        EXPECT_TRUE(w->DataClassCheckBox(DataClassBox::Lte)->isEnabled());
        w->DataClassAuto()->click();
        EXPECT_FALSE(w->DataClassWarningPanel()->isVisible());
        EXPECT_FALSE(w->DataClassCheckBox(DataClassBox::Lte)->isEnabled());
        w->DataClassManual()->click();
        w->DataClassWarningCheckBox()->click();
        EXPECT_TRUE(w->DataClassWarningCheckBox()->isChecked());
        w->CloseButton()->click();
        EXPECT_FALSE(w->isVisible());
    }
    EXPECT_EQ(settings->value(QStringLiteral("Settings/ShowDataClassWarning")).toInt(), 0);
    {
        auto w = Open();
        w->NextButton()->click();
        w->NextButton()->click();
        w->DataClassManual()->click();
        EXPECT_FALSE(w->DataClassWarningPanel()->isVisible());
        EXPECT_TRUE(w->DataClassCheckBox(DataClassBox::Lte)->isEnabled());
        w->CloseButton()->click();
    }
    EXPECT_EQ(settings->value(QStringLiteral("Settings/ShowDataClassWarning")).toInt(), 0);
}
