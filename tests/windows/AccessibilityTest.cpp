// What a screen reader and a keyboard-only user meet: every control of every window has a name in
// the accessibility tree, the lists' menus open from the keyboard, and what the lists' menus offer
// is in the menu bar as well.
#include "ProgramRig.h"
#include "windows/AboutWindow.h"
#include "windows/ContactWindow.h"
#include "windows/ContactsPage.h"
#include "windows/ContactsView.h"
#include "windows/ListMenu.h"
#include "windows/MessagesPage.h"
#include "windows/RegistrationWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/SimDataWindow.h"
#include "windows/UssdWindow.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <set>
#include <vector>

using rig::Program;
using rig::Sms;

namespace {

bool IsControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w);
}

// A picture with no text of its own says nothing unless it is named.
bool IsPicture(const QWidget* w)
{
    const auto* label = qobject_cast<const QLabel*>(w);
    return label && label->text().isEmpty() && !label->pixmap().isNull();
}

// The parts of a combo box or spin box belong to it, and speak through it.
bool IsPart(const QWidget* w)
{
    for (const QWidget* up = w->parentWidget(); up; up = up->parentWidget())
        if (qobject_cast<const QComboBox*>(up) || qobject_cast<const QAbstractSpinBox*>(up))
            return true;
    return false;
}

bool NeedsName(const QWidget* w, const QWidget* window)
{
    if (w->window() != window || !w->isVisible() || IsPart(w))
        return false;
    if (IsPicture(w))
        return true;
    // Buttons are pressed through the accessibility interface even where Tab does not reach them.
    const bool reachable = w->focusPolicy() != Qt::NoFocus || qobject_cast<const QAbstractButton*>(w);
    return IsControl(w) && w->isEnabled() && reachable;
}

QString Describe(const QWidget* w)
{
    return QString::fromLatin1(w->metaObject()->className()) + u'(' + w->objectName() + u')';
}

struct Walk
{
    QStringList unnamed;
    std::set<const QWidget*> reached;
};

// Down the accessibility tree as a screen reader goes; rows of the lists are data, not controls.
void WalkTree(QAccessibleInterface* node, const QWidget* window, Walk& walk, int depth = 0)
{
    if (!node || depth > 64)
        return;
    const auto* w = qobject_cast<const QWidget*>(node->object());
    if (w && NeedsName(w, window) && walk.reached.insert(w).second &&
        node->text(QAccessible::Name).remove(u'&').trimmed().isEmpty())
        walk.unnamed << Describe(w);
    if (w && (qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QComboBox*>(w)))
        return;
    for (int i = 0; i < node->childCount(); ++i)
        WalkTree(node->child(i), window, walk, depth + 1);
}

QChar Mnemonic(const QString& text)
{
    const QKeySequence key = QKeySequence::mnemonic(text);
    return key.isEmpty() ? QChar() : QChar(key[0].key()).toLower();
}

// Alt+letter does one thing in a window: no two shown buttons, labels or menus share a letter,
// and a label's letter leads somewhere.
void CheckMnemonics(QWidget* window, const QString& state)
{
    std::map<QChar, QStringList> owners;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisible() || IsPart(w))
            continue;
        QString text;
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            text = button->text();
        else if (const auto* label = qobject_cast<const QLabel*>(w)) {
            text = label->text();
            if (!Mnemonic(text).isNull()) {
                EXPECT_NE(label->buddy(), nullptr) << Describe(w).toStdString() << " in " << state.toStdString();
                if (label->buddy()) {
                    EXPECT_TRUE(label->buddy()->isVisible()) << Describe(w).toStdString();
                }
            }
        }
        if (!Mnemonic(text).isNull())
            owners[Mnemonic(text)] << Describe(w);
    }
    if (auto* main = qobject_cast<QMainWindow*>(window))
        for (QAction* top : main->menuBar()->actions())
            if (top->isVisible() && !Mnemonic(top->text()).isNull())
                owners[Mnemonic(top->text())] << top->text();
    for (const auto& [letter, who] : owners)
        EXPECT_EQ(who.size(), 1) << "Alt+" << QString(letter).toStdString() << " in " << state.toStdString() << ": "
                                 << who.join(u' ').toStdString();
}

// Checks one state of a window: every control the user can reach has a name, and the tree
// reaches every one of them.
void CheckNames(QWidget* window, const QString& state)
{
    QApplication::processEvents();
    Walk walk;
    WalkTree(QAccessible::queryAccessibleInterface(window), window, walk);
    QStringList missing;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        // A menu bar offers every menu to a reader itself, its overflow button aside.
        if (NeedsName(w, window) && !walk.reached.count(w) && !qobject_cast<const QMenuBar*>(w->parentWidget()))
            missing << Describe(w);
    }
    EXPECT_FALSE(walk.reached.empty()) << state.toStdString();
    EXPECT_EQ(walk.unnamed.join(u' ').toStdString(), "") << "unnamed in " << state.toStdString();
    EXPECT_EQ(missing.join(u' ').toStdString(), "") << "outside the tree in " << state.toStdString();
    CheckMnemonics(window, state);
}

using Opener = void (*)(Program&);

struct WindowCase
{
    const char* name;
    Opener open;
};

void MainWindowPages(Program& p)
{
    TMainWindow& w = *p.window;
    p.modem->deliverSms(Sms("+15550100777", u"Hello there"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() > 0; }));
    DATABASE_CONTACTS_DATA contact;
    contact.Contact = QStringLiteral("Margaret Holloway");
    contact.Number = QStringLiteral("+15550100777");
    w.Database().InsertContact(contact);
    w.ContactsTab().Refresh();
    // A message shown, with its header pictures.
    w.Messages().SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(0));
    CheckNames(&w, QStringLiteral("Messages"));
    const std::pair<MainAction, const char*> pages[] = {{MainAction::ShowConversationsAction, "Conversations"},
                                                        {MainAction::ShowContactsAction, "Contacts"},
                                                        {MainAction::ShowStatusAction, "Status"},
                                                        {MainAction::ShowDeviceAction, "Device"},
                                                        {MainAction::ShowLogAction, "Log"},
                                                        {MainAction::ShowDebugAction, "Debug"}};
    for (const auto& [action, page] : pages) {
        w.Act(action)->trigger();
        CheckNames(&w, QString::fromLatin1(page));
    }
    // The Manual registration mode enables the provider box.
    w.findChild<QRadioButton*>(QStringLiteral("REG_MANUAL"))->click();
    CheckNames(&w, QStringLiteral("Debug, manual"));
    // Narrow, with a search typed: the overflow buttons and the search box's clear button show.
    w.Act(MainAction::ShowMessagesAction)->trigger();
    w.Messages().SearchBox()->setText(QStringLiteral("Hello"));
    w.resize(320, 400);
    CheckNames(&w, QStringLiteral("narrow, searching"));
}

void Composer(Program& p)
{
    bool ran = false;
    p.window->Runners().composer = [&](TMessageWindow& composer) {
        ran = true;
        composer.show();
        CheckNames(&composer, QStringLiteral("message page"));
        composer.ContactsButton()->click();
        CheckNames(&composer, QStringLiteral("contacts page"));
    };
    p.window->OpenComposer(QStringLiteral("New message"), QString(), QString());
    EXPECT_TRUE(ran);
}

void ContactEditor(Program& p)
{
    TContactWindow contact(p.window->Database(), p.prompts, *p.settings, 0, p.window.get());
    contact.OpenNew();
    contact.show();
    CheckNames(&contact, QStringLiteral("new contact"));
}

void Settings(Program& p)
{
    bool ran = false;
    p.window->Runners().settings = [&](TSettingsWindow& settings) {
        ran = true;
        settings.show();
        QTreeWidget* tree = settings.NavigationTree();
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            tree->setCurrentItem(tree->topLevelItem(i));
            CheckNames(&settings, tree->topLevelItem(i)->text(0));
        }
        settings.CancelButton()->click();
    };
    p.window->Act(MainAction::SettingsAction)->trigger();
    EXPECT_TRUE(ran);
}

void Ussd(Program& p)
{
    p.window->Act(MainAction::OpenUssdSessionAction)->trigger();
    TUssdWindow* ussd = p.window->UssdWindow();
    ASSERT_NE(ussd, nullptr);
    CheckNames(ussd, QStringLiteral("session"));
    ussd->ShowKeyboard();
    CheckNames(ussd, QStringLiteral("with keypad"));
    ussd->CloseButton()->click();
}

void About(Program& p)
{
    bool ran = false;
    p.window->Runners().about = [&](TAboutWindow& about) {
        ran = true;
        about.show();
        CheckNames(&about, QStringLiteral("about"));
        about.CloseButton()->click();
    };
    p.window->Act(MainAction::AboutAction)->trigger();
    EXPECT_TRUE(ran);
}

void Registration(Program& p)
{
    bool ran = false;
    p.window->Runners().registration = [&](TRegistrationWindow& reg) {
        ran = true;
        reg.show();
        CheckNames(&reg, QStringLiteral("welcome"));
        reg.NextButton()->click();
        reg.OperatorManual()->click();
        WaitFor([&] { return reg.OperatorListView()->topLevelItemCount() > 0; }, 10000);
        CheckNames(&reg, QStringLiteral("operators"));
        reg.NextButton()->click();
        reg.DataClassManual()->click();
        CheckNames(&reg, QStringLiteral("data classes"));
        reg.CloseButton()->click();
    };
    p.window->Act(MainAction::RegistrationAction1)->trigger();
    EXPECT_TRUE(ran);
}

void SimData(Program& p)
{
    bool ran = false;
    p.window->Act(MainAction::ShowContactsAction)->trigger();
    p.window->Runners().simData = [&](TSimDataWindow& sim) {
        ran = true;
        sim.show();
        CheckNames(&sim, QStringLiteral("welcome"));
        sim.NextButton()->click();
        WaitFor([&] { return !sim.Wizard().Busy(); });
        CheckNames(&sim, QStringLiteral("memory"));
        sim.NextButton()->click();
        WaitFor([&] { return !sim.Wizard().Busy(); });
        CheckNames(&sim, QStringLiteral("contacts"));
        sim.CloseButton()->click();
    };
    p.window->Act(MainAction::ContactsSimAction)->trigger();
    EXPECT_TRUE(ran);
}

class WindowNames : public ::testing::TestWithParam<WindowCase>
{ };

TEST_P(WindowNames, EveryControlHasANameAScreenReaderSays)
{
    Program p(true);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    GetParam().open(p);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowNames,
                         ::testing::Values(WindowCase{"MainWindow", MainWindowPages}, WindowCase{"Composer", Composer},
                                           WindowCase{"ContactEditor", ContactEditor}, WindowCase{"Settings", Settings},
                                           WindowCase{"Ussd", Ussd}, WindowCase{"About", About},
                                           WindowCase{"Registration", Registration}, WindowCase{"SimData", SimData}),
                         [](const auto& info) { return std::string(info.param.name); });

// A menu as its entries' names, "-" for a separator.
QString Entries(const QMenu* menu)
{
    QStringList names;
    for (const QAction* action : menu->actions())
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names.join(u' ');
}

// A key pressed where the focus is, the window made active first so that Alt+letter reaches it.
void Press(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QApplication::processEvents();
    QWidget* target = QApplication::focusWidget() && QApplication::focusWidget()->window() == window
                          ? QApplication::focusWidget()
                          : window;
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    QApplication::processEvents();
}

bool HasFocusIn(const QWidget* widget)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == widget || widget->isAncestorOf(focus));
}

void ComposerKeys(Program& p)
{
    bool ran = false;
    p.window->Runners().composer = [&](TMessageWindow& composer) {
        ran = true;
        composer.show();
        composer.MessageText()->setFocus();
        ASSERT_FALSE(HasFocusIn(composer.NumberBox()));
        Press(&composer, Qt::Key_T, Qt::AltModifier);
        EXPECT_TRUE(HasFocusIn(composer.NumberBox())) << "Alt+T: the recipient";
        Press(&composer, Qt::Key_C, Qt::AltModifier);
        QTest::qWait(200); // a mnemonic presses its button with a short animation
        EXPECT_TRUE(composer.ContactsList()->isVisible()) << "Alt+C: the contacts";
        Press(&composer, Qt::Key_B, Qt::AltModifier);
        QTest::qWait(200);
        EXPECT_TRUE(composer.MessageText()->isVisible()) << "Alt+B: back to the message";
        Press(&composer, Qt::Key_Escape);
        EXPECT_FALSE(composer.isVisible()) << "Escape closes an untouched message";
        EXPECT_EQ(composer.result(), QDialog::Rejected);
    };
    p.window->OpenComposer(QStringLiteral("New message"), QString(), QString());
    EXPECT_TRUE(ran);
}

void UssdKeys(Program& p)
{
    p.window->Act(MainAction::OpenUssdSessionAction)->trigger();
    QPointer<TUssdWindow> ussd = p.window->UssdWindow();
    ASSERT_NE(ussd, nullptr);
    ussd->CloseButton()->setFocus();
    Press(ussd, Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(HasFocusIn(ussd->MessageText())) << "Alt+R: the request";
    Press(ussd, Qt::Key_Escape);
    // Closed, it goes away.
    EXPECT_TRUE(!ussd || !ussd->isVisible()) << "Escape closes an idle session";
    EXPECT_EQ(p.window->UssdWindow(), nullptr);
}

void AboutKeys(Program& p)
{
    bool ran = false;
    p.window->Runners().about = [&](TAboutWindow& about) {
        ran = true;
        about.show();
        Press(&about, Qt::Key_Return);
        EXPECT_FALSE(about.isVisible()) << "Enter closes it";
    };
    p.window->Act(MainAction::AboutAction)->trigger();
    EXPECT_TRUE(ran);
}

void ContactEditorKeys(Program& p)
{
    TContactWindow contact(p.window->Database(), p.prompts, *p.settings, 0, p.window.get());
    contact.OpenNew();
    contact.show();
    // The picture's menu from the keyboard.
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        contact.PictureLabel()->setFocus();
        Press(&contact, key, modifiers);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "the picture's menu by key " << key;
        EXPECT_EQ(Entries(menu).toStdString(), "ImageLoadAction ImageSaveAction ImageClearAction");
        menu->close();
        QApplication::processEvents();
    }
    contact.FieldEdit(ContactField::Name)->setFocus();
    Press(&contact, Qt::Key_Escape);
    EXPECT_FALSE(contact.isVisible()) << "Escape closes an untouched new contact";
}

class WindowKeys : public ::testing::TestWithParam<WindowCase>
{ };

TEST_P(WindowKeys, MnemonicsEscapeAndEnterWork)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    GetParam().open(p);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowKeys,
                         ::testing::Values(WindowCase{"Composer", ComposerKeys}, WindowCase{"Ussd", UssdKeys},
                                           WindowCase{"About", AboutKeys},
                                           WindowCase{"ContactEditor", ContactEditorKeys}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ListCase
{
    const char* name;
    int folder; // -1: the Contacts page's list
    const char* menu;
    const char* entries;
};

enum class Request { MenuKey, ShiftF10, RightClick, PlainF10 };

struct ListMenuCase
{
    ListCase list;
    Request request;
};

QAbstractItemView* ShowList(Program& p, const ListCase& list)
{
    TMainWindow& w = *p.window;
    if (list.folder < 0) {
        DATABASE_CONTACTS_DATA contact;
        contact.Contact = QStringLiteral("Ben Okafor");
        contact.Number = QStringLiteral("+15550100702");
        w.Database().InsertContact(contact);
        w.ContactsTab().Refresh();
        w.Act(MainAction::ShowContactsAction)->trigger();
        return &w.ContactsTab().List();
    }
    w.Act(MainAction::ShowMessagesAction)->trigger();
    w.Messages().ShowFolder(static_cast<Folder>(list.folder));
    return w.Messages().List(static_cast<Folder>(list.folder));
}

class ListMenus : public ::testing::TestWithParam<ListMenuCase>
{ };

TEST_P(ListMenus, OpenFromTheKeyboardAtTheCurrentRowAsAMenuAScreenReaderSees)
{
    const ListCase& list = GetParam().list;
    const Request request = GetParam().request;
    Program p(true);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.window->resize(900, 600);
    QAbstractItemView* view = ShowList(p, list);
    ASSERT_NE(view, nullptr);
    if (list.folder == static_cast<int>(Folder::Inbox)) {
        ASSERT_TRUE(WaitFor([&] { return view->model()->rowCount() > 0; }));
    }
    if (view->model()->rowCount() > 0)
        view->setCurrentIndex(view->model()->index(0, 0));
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);

    const QRect row = view->visualRect(view->currentIndex());
    switch (request) {
    case Request::MenuKey: QTest::keyClick(view, Qt::Key_Menu); break;
    case Request::ShiftF10: QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier); break;
    case Request::PlainF10: QTest::keyClick(view, Qt::Key_F10); break;
    case Request::RightClick: {
        const QPoint at = view->viewport()->rect().center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &click);
        break;
    }
    }
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (request == Request::PlainF10) {
        EXPECT_EQ(menu, nullptr) << "F10 alone is the menu bar's key";
        return;
    }
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->objectName(), QString::fromLatin1(list.menu));
    EXPECT_EQ(Entries(menu).toStdString(), list.entries);
    if (request != Request::RightClick) {
        // Under the current row, or the list's corner without one.
        const QPoint expected =
            view->viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() : view->viewport()->rect().topLeft());
        EXPECT_EQ(menu->pos(), expected);
    }
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::PopupMenu);
    EXPECT_EQ(reader->childCount(), static_cast<int>(menu->actions().size()));
    menu->close();
}

const ListCase kLists[] = {
    {"Inbox", 0, "SmsMenu1", "SmsReplyAction SmsForwardAction SmsDeleteAction SmsSetAsUnreadAction"},
    {"Sent", 1, "SmsMenu2", "SmsReplyAction SmsForwardAction SmsDeleteAction"},
    {"Outbox", 2, "SmsMenu3", "SmsOpenAction SmsRetryAction SmsDeleteAction"},
    {"Drafts", 3, "SmsMenu4", "SmsOpenAction SmsDeleteAction"},
    {"Templates", 4, "SmsMenu4", "SmsOpenAction SmsDeleteAction"},
    {"Reports", 5, "SmsMenu5", "SmsDeleteAction"},
    {"Contacts", -1, "ContactsMenu",
     "ContactsMessageAction - ContactsOpenAction ContactsDeleteAction - ContactsNewAction - ContactsImportAction "
     "ContactsExportAction - ContactsSimAction"}};

std::vector<ListMenuCase> AllListMenuCases()
{
    std::vector<ListMenuCase> cases;
    for (const ListCase& list : kLists)
        for (Request request : {Request::MenuKey, Request::ShiftF10, Request::RightClick, Request::PlainF10})
            cases.push_back({list, request});
    return cases;
}

std::string ListMenuCaseName(const ::testing::TestParamInfo<ListMenuCase>& info)
{
    const char* const requests[] = {"MenuKey", "ShiftF10", "RightClick", "PlainF10"};
    return std::string(info.param.list.name) + requests[static_cast<int>(info.param.request)];
}

INSTANTIATE_TEST_SUITE_P(Lists, ListMenus, ::testing::ValuesIn(AllListMenuCases()), ListMenuCaseName);

bool InMenus(const QList<QAction*>& actions, const QAction* wanted)
{
    for (const QAction* action : actions)
        if (action == wanted || (action->menu() && InMenus(action->menu()->actions(), wanted)))
            return true;
    return false;
}

TEST(MenuBar, HoldsEveryEntryOfTheListsOwnMenus)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TMainWindow& w = *p.window;
    QStringList missing;
    for (const ListCase& list : kLists) {
        const QAbstractItemView* view = list.folder < 0 ? static_cast<QAbstractItemView*>(&w.ContactsTab().List())
                                                        : w.Messages().List(static_cast<Folder>(list.folder));
        const QMenu* menu = list_menu::Of(view);
        ASSERT_NE(menu, nullptr) << list.name;
        EXPECT_EQ(menu->objectName(), QString::fromLatin1(list.menu));
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && !InMenus(w.menuBar()->actions(), action))
                missing << action->objectName();
    }
    EXPECT_EQ(missing.join(u' ').toStdString(), "");
    for (MainAction name : {MainAction::SmsRetryAction, MainAction::SmsSetAsUnreadAction, MainAction::SmsOpenAction})
        EXPECT_TRUE(InMenus(w.menuBar()->actions(), w.Act(name))) << w.Act(name)->objectName().toStdString();
}

TEST(MenuBar, MessageEntriesRestAwayFromTheMessagesPage)
{
    Program p(true);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TMainWindow& w = *p.window;
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() > 0; }));
    // A read message: it can be set as unread.
    w.Messages().SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(0));
    QAction* unread = w.Act(MainAction::SmsSetAsUnreadAction);
    ASSERT_TRUE(unread->isEnabled());
    for (MainAction page : {MainAction::ShowContactsAction, MainAction::ShowLogAction}) {
        w.Act(page)->trigger();
        EXPECT_FALSE(unread->isEnabled()) << w.Act(page)->objectName().toStdString();
        w.Act(MainAction::ShowMessagesAction)->trigger();
        EXPECT_TRUE(unread->isEnabled());
    }
}

} // namespace
