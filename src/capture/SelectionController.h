// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplaySnapshot.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>

#include <functional>

namespace vellumix {

class SelectionView;
class WindowActivator;

// Owns the region-selection overlay: one SelectionView per frozen display, the regions chosen
// so far over all displays, undo, and the crop on finish. Lives as long as the application model
// and is reused for every opening; everything runs on the GUI thread.
class SelectionController final : public QObject
{
    Q_OBJECT
public:
    struct Region
    {
        int display = 0;
        QRectF rect; // in that display's view points: origin at its lower-left corner, y upwards
    };
    using Completion = std::function<void(QList<QImage>)>;

    static constexpr double minimumSide = 3.0;

    // `activator` must outlive the controller; null means focus is left to the window system.
    explicit SelectionController(WindowActivator* activator = nullptr, QObject* parent = nullptr);
    ~SelectionController() override;

    // Opens one overlay window per snapshot. In multiple mode regions are collected until the
    // user finishes; in single mode the first accepted region finishes. `completion` is called
    // exactly once per opening, with the cropped images in the order chosen, or with none when
    // the user cancelled. Opening while already open cancels the open overlay first.
    void begin(QList<DisplaySnapshot> snapshots, bool multiple, Completion completion);

    // A finished drag on a display; regions not wider and taller than minimumSide are ignored.
    void selected(int display, const QRectF& rect);
    void undo();
    // Closes the overlay; unless cancelled, crops and delivers the regions. After the overlay has
    // closed it only hands the focus back again.
    void finish(bool cancel);

    bool isOpen() const { return !m_views.isEmpty(); }
    bool multiple() const { return m_multiple; }
    const QList<Region>& regions() const { return m_regions; }
    QList<SelectionView*> panels() const;
    const QList<DisplaySnapshot>& snapshots() const { return m_snapshots; }

Q_SIGNALS:
    // After every change of the regions, for the views to repaint.
    void regionsChanged();
    void opened();
    void closed();

private:
    WindowActivator* m_activator;
    QList<QPointer<SelectionView>> m_views;
    QList<Region> m_regions;
    QList<DisplaySnapshot> m_snapshots;
    Completion m_completion;
    bool m_multiple = false;
    quint64 m_previousWindow = 0;
};

} // namespace vellumix
