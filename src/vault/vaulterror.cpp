#include "vaulterror.h"

#include <QDir>

#include <cerrno>
#include <cstring>

const char* StorageError::what() const noexcept
{
    m_what = localizedDescription().toUtf8();
    return m_what.constData();
}

QString StorageError::clause() const
{
    QString text = localizedDescription();
    if (text.endsWith(QStringLiteral("。")))
        text.chop(1);
    return text;
}

QString VaultError::localizedDescription() const
{
    switch (m_code) {
    case invalidName:
        return QStringLiteral("名称不能为空，也不能包含斜杠或冒号。");
    case invalidPath:
        return QStringLiteral("资料库路径无效。");
    case noteNotFound:
        return QStringLiteral("找不到这篇笔记。");
    case conflict:
        return QStringLiteral("文件已在其他应用中修改，请重新载入后再编辑。");
    case unsupportedAttachment:
        return QStringLiteral("暂不支持这种图片格式。");
    case todoNotFound:
        return QStringLiteral("找不到这项待办，它可能已在别处被修改或删除。");
    }
    return {};
}

FileError::FileError(Operation operation, QString path, int systemError)
    : FileError(operation, std::move(path), reasonForErrno(systemError))
{
}

FileError::FileError(Operation operation, QString path, QString reason)
    : m_operation(operation), m_path(std::move(path)), m_reason(std::move(reason))
{
}

QString FileError::localizedDescription() const
{
    QString verb;
    switch (m_operation) {
    case read:
        verb = QStringLiteral("读取");
        break;
    case write:
        verb = QStringLiteral("写入");
        break;
    case createFolder:
        verb = QStringLiteral("创建文件夹");
        break;
    case move:
        verb = QStringLiteral("移动");
        break;
    case list:
        verb = QStringLiteral("列出");
        break;
    case lock:
        verb = QStringLiteral("锁定");
        break;
    case openVault:
        verb = QStringLiteral("打开笔记仓库");
        break;
    }
    return QStringLiteral("无法%1“%2”：%3。").arg(verb, QDir::toNativeSeparators(m_path), m_reason);
}

QString FileError::reasonForErrno(int systemError)
{
    switch (systemError) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有访问权限");
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case EEXIST:
        return QStringLiteral("目标已存在");
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
    case EDQUOT:
        return QStringLiteral("超出磁盘配额");
    case EROFS:
        return QStringLiteral("文件系统是只读的");
    case EISDIR:
        return QStringLiteral("这是一个文件夹");
    case ENOTDIR:
        return QStringLiteral("路径中的某一部分不是文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("名称过长");
    case EIO:
        return QStringLiteral("输入输出错误");
    case EXDEV:
        return QStringLiteral("不能跨文件系统移动");
    case ENOTEMPTY:
        return QStringLiteral("文件夹不是空的");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("打开的文件过多");
    default:
        return QString::fromLocal8Bit(std::strerror(systemError));
    }
}
