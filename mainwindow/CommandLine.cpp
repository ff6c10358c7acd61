#include "mainwindow/CommandLine.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "mainwindow/Icons.h"
#include "mainwindow/VTR_MAIN.h"

namespace {

const QString Usage = QStringLiteral(
    "Usage: vantor [ARCHIVE]\n"
    "Opens the BIG archive ARCHIVE, or starts with no archive loaded.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n");

CommandLine Failure(const QString& what) {
    return {CommandLine::Action::Fail,
            "vantor: " + what + "\nTry 'vantor --help' for more information.\n", QString()};
}

}  // namespace

CommandLine ReadCommandLine(const QStringList& arguments) {
    QStringList archives;
    QString failure;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "-h" || argument == "--help")) {
            return {CommandLine::Action::Print, Usage, QString()};
        } else if (options && (argument == "-v" || argument == "--version")) {
            return {CommandLine::Action::Print, VTR_MAIN::NameAndVersion() + "\n", QString()};
        } else if (options && argument.startsWith('-') && argument != "-") {
            // Help asked for later on the line still wins, so the error waits until the end.
            if (failure.isEmpty()) failure = "unknown option '" + argument + "'";
        } else {
            archives << argument;
        }
    }
    if (!failure.isEmpty()) return Failure(failure);
    if (archives.size() > 1) return Failure("give one archive at most");
    if (archives.isEmpty() || archives[0].isEmpty()) return {};
    // The file dialog gives absolute paths; a relative one is taken from the working folder.
    return {CommandLine::Action::Run, QString(),
            QDir::cleanPath(QDir::current().absoluteFilePath(archives[0]))};
}

void StartWith(VTR_MAIN& window, const CommandLine& line) {
    window.show();
    if (line.archive.isEmpty()) return;
    const QString path = line.archive;
    QTimer::singleShot(0, &window, [&window, path] { window.LoadFile(path); });
}

int RunProgram(int argc, char** argv) {
    // --help and --version answer before the window system starts: they need no display.
    QStringList given;
    for (int i = 1; i < argc; ++i) given << QString::fromLocal8Bit(argv[i]);
    if (const CommandLine early = ReadCommandLine(given);
        early.action == CommandLine::Action::Print) {
        std::fputs(early.text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    QApplication application(argc, argv);  // takes out Qt's own options (-style, -platform, ...)
    QGuiApplication::setDesktopFileName(QStringLiteral("vantor"));
    QApplication::setWindowIcon(ProgramIcon());
    const CommandLine line = ReadCommandLine(QApplication::arguments().mid(1));
    if (line.action == CommandLine::Action::Fail) {
        std::fputs(line.text.toLocal8Bit().constData(), stderr);
        return 2;
    }
    VTR_MAIN window;
    StartWith(window, line);
    return QApplication::exec();
}
