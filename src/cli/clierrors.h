#pragma once

#include <QString>

#include <exception>

// A command line that cannot be used as typed: unknown command or option, missing or extra
// arguments, a malformed value, no vault to work on. The program exits with status 2.
class UsageError : public std::exception
{
public:
    explicit UsageError(QString message) : m_message(std::move(message)) {}
    QString message() const { return m_message; }
    const char* what() const noexcept override { return "usage error"; }

private:
    QString m_message;
};

// A request the vault cannot satisfy although the command line was fine (an ambiguous memo id,
// a todo number past the end of the list). The program exits with status 1, as for the
// storage's own errors.
class CommandError : public std::exception
{
public:
    explicit CommandError(QString message) : m_message(std::move(message)) {}
    QString message() const { return m_message; }
    const char* what() const noexcept override { return "command error"; }

private:
    QString m_message;
};
