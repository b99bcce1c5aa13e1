// 100,000 contacts (by default) on the Contacts page's list, shown offscreen: the time to read the
// contact index and show the page, to scroll to the end and to a few places between, to sort by
// a column, and how many contacts were read from the database for all of it.
// Usage: parlowen-contacts-bench [CONTACTS]

#include "controller/ContactsModel.h"
#include "storage/Database.h"
#include "windows/ContactsView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    QDatabase db(nullptr);
    if (!db.Open(dir.filePath(QStringLiteral("contacts.db"))))
        return 1;
    db.BeginTransaction();
    for (int i = 0; i < count; ++i) {
        DATABASE_CONTACTS_DATA c;
        c.Contact = QStringLiteral("Contact %1").arg((i * 7919) % count, 6, 10, QLatin1Char('0'));
        c.FirstName = QStringLiteral("First%1").arg(i % 977);
        c.FamilyName = QStringLiteral("Family%1").arg(i % 1231);
        c.Number = QStringLiteral("+1555%1").arg(i, 7, 10, QLatin1Char('0'));
        c.Group = i % 3 == 0 ? QStringLiteral("Work") : QStringLiteral("Friends");
        db.InsertContact(c);
    }
    db.EndTransaction();
    std::printf("stored: %d contacts\n", count);

    QElapsedTimer timer;
    timer.start();
    ContactsModel model(db);
    model.Refresh();
    ContactsView view(model, ContactsView::Columns::All);
    view.resize(900, 600);
    view.show();
    QApplication::processEvents();
    std::printf("page shown: %lld ms (index of %d contacts read)\n", static_cast<long long>(timer.elapsed()),
                model.rowCount());

    QScrollBar* bar = view.verticalScrollBar();
    timer.start();
    for (int step = 1; step <= 10; ++step) {
        bar->setValue(bar->maximum() * step / 10);
        QApplication::processEvents();
    }
    std::printf("scrolled to the end in ten jumps: %lld ms\n", static_cast<long long>(timer.elapsed()));

    timer.start();
    Q_EMIT view.header()->sectionClicked(1);
    QApplication::processEvents();
    std::printf("sorted by contact name: %lld ms\n", static_cast<long long>(timer.elapsed()));

    std::printf("contacts read from the database: %ld of %d\n", model.Fetches(), count);
    return model.Fetches() < count / 10 ? 0 : 1;
}
