#pragma once

#include <QException>
#include <QString>

// Base of every error the storage layer throws. Deriving from QException keeps the concrete
// type intact when the error crosses from the storage thread to an awaiting coroutine.
class StorageError : public QException
{
public:
    // The sentence shown to the user, in Chinese.
    virtual QString localizedDescription() const = 0;
    // The sentence without its final "。", to be quoted inside another sentence.
    QString clause() const;
    const char* what() const noexcept override;

protected:
    mutable QByteArray m_what;
};

class VaultError : public StorageError
{
public:
    // todoNotFound: a todo changed or removed elsewhere since the caller read the list.
    enum Code {
        invalidName,
        invalidPath,
        noteNotFound,
        conflict,
        unsupportedAttachment,
        todoNotFound
    };

    explicit VaultError(Code code) : m_code(code) {}
    Code code() const { return m_code; }
    QString localizedDescription() const override;

    void raise() const override { throw *this; }
    VaultError* clone() const override { return new VaultError(*this); }

private:
    Code m_code;
};

// A failure reported by the file system: which operation, on which path, and the system's reason.
class FileError : public StorageError
{
public:
    enum Operation { read, write, createFolder, move, list, lock, openVault };

    FileError(Operation operation, QString path, int systemError);
    FileError(Operation operation, QString path, QString reason);

    Operation operation() const { return m_operation; }
    QString path() const { return m_path; }
    QString reason() const { return m_reason; }
    QString localizedDescription() const override;

    void raise() const override { throw *this; }
    FileError* clone() const override { return new FileError(*this); }

    // The system's reason for an errno value, in Chinese where we know the case.
    static QString reasonForErrno(int systemError);

private:
    Operation m_operation;
    QString m_path;
    QString m_reason;
};
