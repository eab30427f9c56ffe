#include "vaultlocation.h"

#include "cliarguments.h"
#include "librarypreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

QString existingFolder(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return {};
    return QDir::cleanPath(info.absoluteFilePath());
}

QString chosenFolder(const QString& path, const QString& source)
{
    const QString folder = existingFolder(path);
    if (folder.isEmpty())
        throw UsageError(QStringLiteral("找不到%1指定的笔记仓库文件夹“%2”。").arg(source, path));
    return folder;
}

} // namespace

// The application's preferences file is ~/.config/larch-notes/larch-notes.conf.
QString applicationSettingsOrganization()
{
    return QStringLiteral("larch-notes");
}

QString applicationSettingsName()
{
    return QStringLiteral("larch-notes");
}

QString locateVault(const QString& vaultOption, const QProcessEnvironment& environment,
                    QSettings& applicationSettings)
{
    if (!vaultOption.isEmpty())
        return chosenFolder(vaultOption, QStringLiteral(" --vault "));
    const QString fromEnvironment = environment.value(QStringLiteral("LARCH_VAULT"));
    if (!fromEnvironment.isEmpty())
        return chosenFolder(fromEnvironment, QStringLiteral("环境变量 LARCH_VAULT "));
    if (const std::optional<QString> remembered =
            LibraryPreferences::resolveStoredVault(applicationSettings)) {
        const QString folder = existingFolder(*remembered);
        if (folder.isEmpty())
            throw UsageError(QStringLiteral("找不到 Larch Notes 记住的笔记仓库文件夹“%1”。如果它在"
                                            "外接磁盘或网络位置上，请先连接；也可以用 --vault "
                                            "目录 指定仓库。")
                                 .arg(*remembered));
        return folder;
    }
    throw UsageError(QStringLiteral(
        "还没有选择笔记仓库。请用 --vault 目录 指定仓库文件夹，或设置环境变量 LARCH_VAULT，"
        "或先在 Larch Notes 中打开一个仓库。"));
}
