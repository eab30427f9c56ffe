#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class LibraryController;
class QSettings;

// The application's command line: `larch-notes [文件夹]`, plus --help and --version. The
// desktop file passes on the folder that a file manager or a launcher hands over.

// The text that --help or --version asks for, or nothing when neither is given. `arguments`
// start with the program; they are read before the application object exists, so that both
// work without a display.
std::optional<QString> launchInformation(const QStringList& arguments);

struct LaunchOptions
{
    QString vaultFolder;   // absolute and clean; empty: the remembered vault
    QString folderProblem; // why the folder given cannot be opened, for an alert; the remembered
                           // vault opens instead
    QString usageError;    // the command line cannot be used: print it and end with status 2
};

// Reads the command line left once Qt has taken its own options (`arguments` start with the
// program). A relative folder is taken from `workingDirectory`; a file: URL is accepted too.
LaunchOptions parseLaunchOptions(const QStringList& arguments, const QString& workingDirectory);

// The library of this run. With a folder from the command line, that folder is the vault; once
// it has loaded, it becomes the remembered vault, as a folder picked in the window does, so that
// the next start and `larch` use it too. A folder that cannot be loaded is not remembered.
// Without one, the remembered vault (or the first-run screen), as always.
std::unique_ptr<LibraryController> makeLibraryController(QSettings* settings,
                                                         const LaunchOptions& options);
