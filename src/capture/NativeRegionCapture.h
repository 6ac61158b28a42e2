// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/RegionTool.h"

#include <QFuture>
#include <QImage>
#include <QObject>

#include <functional>
#include <memory>

namespace vellumix {

// Single-region capture through the desktop's region tool: each capture runs the tool once in
// a fresh private folder ("Vellumix-Capture-" + UUID under the temporary directory), judges how
// it ended and loads the PNG it wrote. The folder is removed whatever the outcome.
class NativeRegionCapture final : public QObject
{
    Q_OBJECT
public:
    // Decodes the written file under the image safety limits; runs on a worker thread and throws
    // an Error for a file it refuses.
    using ImageLoad = std::function<QImage(const QString& path)>;

    static constexpr qsizetype detailLength = 500;

    NativeRegionCapture(RegionTool tool, ImageLoad load, QObject* parent = nullptr);
    ~NativeRegionCapture() override;

    // Gives the region; a null image when the user gave up the selection (not an error); or fails
    // with an Error (VellumixError::systemCapture when the tool failed) or with Cancelled.
    [[nodiscard]] QFuture<QImage> capture();
    // Cancels every capture still running: a running tool is terminated, one not yet launched is
    // never launched. Safe from any thread.
    void cancel();

    // A decoder without limits beyond Qt's own, for callers that have none of their own.
    static QImage plainLoad(const QString& path);
    // The first `length` user-perceived characters of `text`.
    static QString truncated(const QString& text, qsizetype length);

private:
    struct Run;
    void judge(const std::shared_ptr<Run>& run, int status, const QString& error);
    void end(const std::shared_ptr<Run>& run);

    RegionTool m_tool;
    ImageLoad m_load;
    QList<std::shared_ptr<Run>> m_runs;
};

} // namespace vellumix
