#include "launchoptions.h"

#include "librarycontroller.h"
#include "librarypreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// Qt WebEngine takes the arguments after this one for Chromium.
const QLatin1String webEngineArguments("--webEngineArgs");

QString helpText()
{
    return QStringLiteral(
        "用法：larch-notes [文件夹]\n"
        "\n"
        "Larch Notes 把随手记录和 Markdown 文章以普通文件保存在你选择的文件夹（笔记仓库）里。\n"
        "\n"
        "  文件夹          作为笔记仓库打开这个文件夹，并记住它；不给出时打开上次的笔记仓库\n"
        "  -h, --help      显示帮助\n"
        "  -v, --version   显示版本\n"
        "\n"
        "命令行伙伴 larch 读写同一个笔记仓库，见 larch --help。\n");
}

} // namespace

std::optional<QString> launchInformation(const QStringList& arguments)
{
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--") || argument == webEngineArguments)
            break;
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help"))
            return helpText();
        if (argument == QLatin1String("-v") || argument == QLatin1String("--version"))
            return QStringLiteral("larch-notes %1\n").arg(QStringLiteral(LARCH_VERSION));
    }
    return std::nullopt;
}

LaunchOptions parseLaunchOptions(const QStringList& arguments, const QString& workingDirectory)
{
    LaunchOptions options;
    QStringList folders;
    bool optionsEnded = false;
    for (const QString& argument : arguments.mid(1)) {
        if (argument == webEngineArguments)
            break;
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith(QLatin1Char('-'))) {
            options.usageError =
                QStringLiteral("不认识的选项“%1”。用 larch-notes --help 查看用法。").arg(argument);
            return options;
        } else {
            folders.append(argument);
        }
    }
    if (folders.size() > 1) {
        options.usageError = QStringLiteral("只能给出一个文件夹。用 larch-notes --help 查看用法。");
        return options;
    }
    if (folders.isEmpty())
        return options;

    QString folder = folders.constFirst();
    if (folder.startsWith(QLatin1String("file:"))) {
        const QUrl url(folder);
        if (url.isLocalFile())
            folder = url.toLocalFile();
    }
    const QString absolute = QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(folder));
    const QFileInfo info(absolute);
    if (!info.exists())
        options.folderProblem = QStringLiteral("无法打开“%1”：找不到这个文件夹。").arg(absolute);
    else if (!info.isDir())
        options.folderProblem = QStringLiteral("无法打开“%1”：它不是文件夹。").arg(absolute);
    else
        options.vaultFolder = absolute;
    return options;
}

std::unique_ptr<LibraryController> makeLibraryController(QSettings* settings,
                                                         const LaunchOptions& options)
{
    if (options.vaultFolder.isEmpty())
        return std::make_unique<LibraryController>(settings);

    auto library = std::make_unique<LibraryController>(settings, options.vaultFolder);
    LibraryController* controller = library.get();
    const QString folder = controller->rootPath();
    // Remembered on the first load that succeeds (a retry after a failure counts); a vault picked
    // meanwhile was remembered by the switch itself.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection =
        QObject::connect(controller, &LibraryController::loadPhaseChanged, controller,
                         [controller, settings, folder, connection] {
                             if (controller->loadPhase() != LibraryController::LoadPhase::Ready)
                                 return;
                             if (controller->rootPath() == folder)
                                 LibraryPreferences::storeVault(*settings, folder);
                             QObject::disconnect(*connection);
                         });
    return library;
}
