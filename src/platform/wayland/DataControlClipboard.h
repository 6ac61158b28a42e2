// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ClipboardWriter.h"

#include <QByteArray>
#include <QObject>

#include <memory>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;

namespace vellumix {

// The clipboard through the compositor's data control protocol (wlroots desktops, KWin), on a
// Wayland connection of its own: the selection is set without an input serial, so the text
// arrives although no window of ours has the focus. The text is served while this object lives.
class DataControlClipboard final : public QObject, public ClipboardWriter
{
    Q_OBJECT
public:
    // Null when there is no Wayland display or the compositor does not offer data control.
    static std::unique_ptr<DataControlClipboard> create();
    ~DataControlClipboard() override;

    bool setText(const QString& text) override;

private:
    explicit DataControlClipboard(wl_display* display);
    bool bind();
    void dispatch();
    void dropSource();

    static void
    global(void* self, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void send(void* self, zwlr_data_control_source_v1* source, const char* mimeType, int32_t fd);
    static void cancelled(void* self, zwlr_data_control_source_v1* source);
    static void finished(void* self, zwlr_data_control_device_v1* device);

    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_data_control_manager_v1* m_manager = nullptr;
    zwlr_data_control_device_v1* m_device = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;
    QByteArray m_text;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace vellumix
