// SPDX-License-Identifier: GPL-3.0-or-later
// What every fuzz target shares: its entry point and an application like the one it runs in.
#pragma once

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace vellumix::fuzz {

// Both programs run a GUI application (image plugins may need fonts); no display is used.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "vellumix-fuzz";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Decoders warn about every broken input; the fuzzer's own output is what matters.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    new QGuiApplication(argc, argv);
}

// A broken invariant is a finding, like a crash.
inline void check(bool invariant)
{
    if (!invariant)
        std::abort();
}

// The input as a file named `name` in `dir`, for readers that take a path.
inline QString
writeInput(const QTemporaryDir& dir, const QString& name, const std::uint8_t* data, std::size_t size)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    check(file.open(QIODevice::WriteOnly) &&
          file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    return path;
}

} // namespace vellumix::fuzz
