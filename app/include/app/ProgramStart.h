#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace orvek::ui {

// What the command line asks of the window.
struct CommandLine {
    QString startFolder; // --start-folder DIR; empty when not given
    bool help = false;
    QString error; // a usage error, or empty
};
CommandLine parseCommandLine(const QStringList& arguments);
QString usageText();

// Chooses the window's start folder (the option, else ORVEK_START_FOLDER, else the program's
// folder in the user's data location), creates it and brings the bundled files from dataFolder
// into it. Returns the folder with a trailing "/"; problems that still let the window open
// (a file that could not be updated, bundled files that were not found beside a folder already
// filled) are added to warnings. Raises OrvekError when the folder cannot be made usable.
QString prepareStartFolder(const QString& option, const QString& dataFolder, QStringList& warnings);

// SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl+C in a terminal) close the window the way
// its close box does, so its working files are cleared before the program ends with status 0.
void closeOnTerminationSignals(QWidget* window);

} // namespace orvek::ui
