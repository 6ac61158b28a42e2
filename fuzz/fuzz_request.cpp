// SPDX-License-Identifier: GPL-3.0-or-later
// A line on the instance socket, and launch arguments (split at NUL bytes).
#include "FuzzTarget.h"

#include "shell/InstanceRequest.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vellumix;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto request = InstanceRequest::decode(bytes)) {
        fuzz::check(request->verb != InstanceRequest::Verb::Open || QDir::isAbsolutePath(request->path));
        const QByteArray line = request->encode();
        fuzz::check(line.count('\n') == 1 && InstanceRequest::decode(line) == request);
    }
    QStringList arguments;
    for (const QByteArray& part : bytes.split('\0'))
        arguments.append(QString::fromUtf8(part));
    if (const auto request = InstanceRequest::fromArguments(arguments, QStringLiteral("/home/u")))
        fuzz::check(InstanceRequest::decode(request->encode()) == request);
    return 0;
}
