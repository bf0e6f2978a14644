// tallyvol-htmltopdf INPUT.html OUTPUT.pdf|-
//
// Renders an HTML report to PDF so that the print command can print it; "-" writes the PDF to
// standard output. Runs without a screen (the caller selects Qt's offscreen platform). This is
// the only part of printing that uses Qt, which is why it is a program of its own: the core
// never links Qt. Exit status 0 on success, 1 when the input cannot be read or the PDF not
// written, 2 on a wrong command line; the reason goes to standard error.
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QString>
#include <QTextDocument>
#include <QtGlobal>

#include <cstdio>
#include <cstring>

namespace {

// Qt's own notices (a missing runtime directory and the like) would end up in the error text the
// user reads when printing fails; only serious ones are passed on.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
}

bool openOutput(QFile& output, const char* name) {
    if (std::strcmp(name, "-") == 0) {
        return output.open(1, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    }
    output.setFileName(QString::fromLocal8Bit(name));
    return output.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tallyvol-htmltopdf INPUT.html OUTPUT.pdf|-\n");
        return 2;
    }
    qInstallMessageHandler(quietMessages);
    // Keep our own arguments away from Qt's option parser.
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);

    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s: %s\n", argv[1], input.errorString().toLocal8Bit().constData());
        return 1;
    }
    // Reports are written in UTF-8 and say nothing about their encoding.
    QString html = QString::fromUtf8(input.readAll());

    QFile output;
    if (!openOutput(output, argv[2])) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[2], output.errorString().toLocal8Bit().constData());
        return 1;
    }
    {
        QPdfWriter writer(&output);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setCreator(QStringLiteral("Tallyvol"));
        QTextDocument document;
        document.setHtml(html);
        document.print(&writer);
    }
    if (!output.flush() || output.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[2], output.errorString().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
