#pragma once
// Prints a message: the system print dialog, then the lines on the chosen printer, page by page
// inside a frame with the title and the page numbers. The layout rules are print_layout's; this
// is the drawing.

#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

class MessagePrinter : public QObject
{
    Q_OBJECT
public:
    using LogFunction = std::function<void(const QString&)>;
    // Lets the user choose and set up the printer; true to print. Tests replace the dialog.
    using DialogRunner = std::function<bool(QPrinter&)>;

    explicit MessagePrinter(QWidget* parent);
    ~MessagePrinter() override;

    void SetDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }
    // The print action: the dialog, and on OK the printout. The printer keeps the user's choice
    // for the next time.
    void SmsPrintActionExecute(const QString& documentName, const QString& title, const QStringList& lines,
                               const LogFunction& log);

    // Prints onto a printer already set up, logging each step; true when the job was completed.
    static bool Print(QPrinter& printer, const QString& documentName, const QString& title, const QStringList& lines,
                      const LogFunction& log);

    static QFont BodyFont();
    static QFont TitleFont();
    static QFont PageNumberFont();

private:
    QWidget* parent_;
    std::unique_ptr<QPrinter> printer_;
    DialogRunner runner_;
};
