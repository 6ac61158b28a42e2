// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"

#include <QCoreApplication>

namespace vellumix {

const char* Error::what() const noexcept
{
    m_what = message().toUtf8();
    return m_what.constData();
}

VellumixError VellumixError::systemCapture(std::int32_t status, const QString& detail)
{
    VellumixError error(Kind::SystemCapture);
    error.m_status = status;
    error.m_detail = detail;
    return error;
}

QString VellumixError::message() const
{
    switch (m_kind) {
    case Kind::SystemCapture:
        return QCoreApplication::translate("vellumix::Error", "Screenshot capture failed (%1): %2")
            .arg(QString::number(m_status),
                 m_detail.isEmpty() ? QCoreApplication::translate("vellumix::Error", "No image was produced.")
                                    : m_detail);
    case Kind::InvalidImage:
        return QCoreApplication::translate("vellumix::Error", "This file could not be decoded as an image.");
    case Kind::NoText:
        return QCoreApplication::translate("vellumix::Error",
                                           "No readable text was found. Your clipboard has not changed.");
    case Kind::Permission:
        return QCoreApplication::translate(
            "vellumix::Error",
            "The desktop denied this capture. Allow Vellumix to capture the screen in your "
            "desktop's privacy settings, then try again.");
    case Kind::Capture:
        return QCoreApplication::translate(
            "vellumix::Error",
            "The display could not be captured. Check that your desktop allows screen capture.");
    case Kind::FileTooLarge:
        return QCoreApplication::translate(
            "vellumix::Error", "This input exceeds the 250 MB file or 80 megapixel image safety limit.");
    case Kind::InvalidPages:
        return QCoreApplication::translate("vellumix::Error",
                                           "Choose a valid page range within this document.");
    }
    return {};
}

} // namespace vellumix
