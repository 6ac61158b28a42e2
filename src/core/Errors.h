// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <exception>

namespace vellumix {

// Every failure surfaces as an exception deriving from Error; the model shows message().
class Error : public std::exception
{
public:
    virtual QString message() const = 0;
    const char* what() const noexcept override;

private:
    mutable QByteArray m_what;
};

// The system's own refusals, with the texts the user sees.
class VellumixError final : public Error
{
public:
    enum class Kind { SystemCapture, InvalidImage, NoText, Permission, Capture, FileTooLarge, InvalidPages };

    explicit VellumixError(Kind kind) : m_kind(kind) {}
    static VellumixError systemCapture(std::int32_t status, const QString& detail);

    Kind kind() const { return m_kind; }
    std::int32_t status() const { return m_status; }
    QString detail() const { return m_detail; }
    QString message() const override;

private:
    Kind m_kind;
    std::int32_t m_status = 0;
    QString m_detail;
};

// A failure reported by a library or the operating system, carried with its own description.
class PlatformError final : public Error
{
public:
    explicit PlatformError(QString description) : m_description(std::move(description)) {}
    QString message() const override { return m_description; }

private:
    QString m_description;
};

} // namespace vellumix
