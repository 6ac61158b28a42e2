// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSource.h"
#include "capture/RegionTool.h"

#include <QObject>
#include <QPointer>
#include <QPromise>

#include <functional>
#include <memory>
#include <optional>

namespace vellumix {

class NativeRegionCapture;
class ScreenGrabber;
class SelectionController;
class WindowActivator;

// The capture roads on a desktop whose screens Qt can read back (X11): the region tool of the
// desktop for one region, the own overlay over frozen snapshots for several regions (and for one
// region when no tool is installed), the snapshots themselves for the full screen. Lives on the
// GUI thread; the overlay opens when the grabber has answered, inside the call when it answers at
// once.
class ScreenCaptureSource final : public CaptureSource
{
    Q_OBJECT
public:
    using ToolChoice = std::function<std::optional<RegionTool>()>;

    // `activator` and `grabber` must outlive the source. The tool is chosen anew for every region
    // capture, so a tool installed while the application runs is used; without `chooseTool` it is
    // the session's.
    ScreenCaptureSource(WindowActivator& activator,
                        ScreenGrabber& grabber,
                        QObject* parent = nullptr,
                        ToolChoice chooseTool = {});
    ~ScreenCaptureSource() override;

    QFuture<QList<QImage>> region() override;
    QFuture<QList<QImage>> regions() override;
    QFuture<QList<QImage>> fullScreen() override;
    // Closes an open overlay and stops a running region tool; neither delivers anything.
    void cancel() override;

    SelectionController& selection() const { return *m_selection; }

private:
    QFuture<QList<QImage>> overlay(bool multiple);

    ToolChoice m_chooseTool;
    ScreenGrabber& m_grabber;
    // The overlay's promise while its snapshots are on their way.
    std::shared_ptr<QPromise<QList<QImage>>> m_snapshotting;
    SelectionController* m_selection;
    QList<QPointer<NativeRegionCapture>> m_tools;
};

} // namespace vellumix
