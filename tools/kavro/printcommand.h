#pragma once

#include <QStringList>

#include <memory>

class QCoreApplication;
class QPrinter;
class QTextStream;

// kavro print target|session|protocol|progress: the program's printouts painted by
// the same renderers onto a PDF printer (A4 portrait, 300 dpi, the page
// rectangle being the printable area). On success one JSON line names the
// file and its page count.
class PrintCommand
{
public:
    // The tool's application object. "print" paints text, which needs a GUI
    // application; without a display it runs on the offscreen platform. All
    // other commands get a core application.
    static std::unique_ptr<QCoreApplication> createApplication(int &argc, char **argv);

    // The arguments after "print".
    static int run(const QStringList &arguments, QTextStream &out);

    // A PDF printer writing to `file`: A4 portrait, 300 dpi, not full page.
    static void setUpPrinter(QPrinter *printer, const QString &file);

private:
    static int target(const QStringList &arguments, QTextStream &out);
    static int session(const QStringList &arguments, QTextStream &out);
    static int protocol(const QStringList &arguments, QTextStream &out);
    static int progress(const QStringList &arguments, QTextStream &out);
};
