#pragma once

#include <QString>

#include <stdexcept>

// A data file that is missing, unreadable, unwritable or malformed; the message is for the player.
class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};
