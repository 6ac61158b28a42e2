// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds every file of the given folders (or the given files) to the target once, without
// libFuzzer, so that CI replays the corpora and reproducers with the ordinary compiler.
// Prints the inputs replayed, the slowest one, the peak memory and the largest single allocation;
// with --max-allocation-mb it fails when one input asked for more than that at once.
#include "FuzzTarget.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

#include <sys/resource.h>

namespace vellumix::fuzz {
std::size_t largestAllocation(); // AllocationMeter.cpp
void resetLargestAllocation();
} // namespace vellumix::fuzz

int main(int argc, char* argv[])
{
    using namespace vellumix::fuzz;
    double maximumMiB = 0.0;
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--max-allocation-mb") && i + 1 < argc) {
            maximumMiB = QString::fromLocal8Bit(argv[++i]).toDouble();
        } else if (QFileInfo(argument).isDir()) {
            QStringList found;
            QDirIterator it(argument, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                found.append(it.next());
            found.sort();
            files += found;
        } else {
            files.append(argument);
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "replay: no input files\n");
        return 2;
    }
    double slowest = 0.0;
    QString slowestName;
    std::size_t largest = 0;
    QString largestName;
    for (const QString& name : std::as_const(files)) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(name));
            return 2;
        }
        const QByteArray bytes = file.readAll();
        resetLargestAllocation();
        QElapsedTimer timer;
        timer.start();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               std::size_t(bytes.size()));
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (seconds > slowest) {
            slowest = seconds;
            slowestName = name;
        }
        if (largestAllocation() > largest) {
            largest = largestAllocation();
            largestName = name;
        }
    }
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const double largestMiB = double(largest) / (1024.0 * 1024.0);
    std::printf(
        "replayed %lld inputs; slowest %.3f s (%s); peak memory %.1f MiB; largest allocation %.1f MiB (%s)\n",
        static_cast<long long>(files.size()), slowest, qPrintable(QFileInfo(slowestName).fileName()),
        double(usage.ru_maxrss) / 1024.0, largestMiB, qPrintable(QFileInfo(largestName).fileName()));
    if (maximumMiB > 0.0 && largestMiB > maximumMiB) {
        std::printf("FAIL: %s asked for %.1f MiB at once, more than %.1f MiB\n", qPrintable(largestName),
                    largestMiB, maximumMiB);
        return 1;
    }
    return 0;
}
