// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/DataControlClipboard.h"

#include "data-control-client.h"

#include <QSocketNotifier>
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <wayland-client.h>

namespace vellumix {

namespace {

// The names text is asked for by Wayland clients and by X11 clients through XWayland.
constexpr const char* textTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "TEXT",
                                     "STRING"};

// One paste in progress: the text goes out as fast as the reader takes it, without holding up
// the event loop while a slow or stuck reader lets its pipe fill.
struct Transfer
{
    int fd;
    QByteArray data;
    qsizetype written = 0;
    ~Transfer() { ::close(fd); }

    // Writes what the pipe takes now; false once the transfer is over, complete or not.
    bool writeSome()
    {
        // A reader that closes its end early must not end the process with SIGPIPE.
        sigset_t pipe, previous;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, &previous);
        bool open = true;
        while (open && written < data.size()) {
            const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
            if (n > 0)
                written += n;
            else if (n < 0 && errno == EAGAIN)
                break;
            else if (!(n < 0 && errno == EINTR))
                open = false;
        }
        const timespec now{};
        while (sigtimedwait(&pipe, nullptr, &now) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return open && written < data.size();
    }
};

} // namespace

std::unique_ptr<DataControlClipboard> DataControlClipboard::create()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return {};
    std::unique_ptr<DataControlClipboard> clipboard(new DataControlClipboard(display));
    if (!clipboard->bind())
        return {};
    return clipboard;
}

DataControlClipboard::DataControlClipboard(wl_display* display) : m_display(display) {}

DataControlClipboard::~DataControlClipboard()
{
    dropSource();
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    if (m_manager)
        zwlr_data_control_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

bool DataControlClipboard::bind()
{
    static const wl_registry_listener registryListener = {&DataControlClipboard::global,
                                                          [](void*, wl_registry*, uint32_t) {}};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    if (wl_display_roundtrip(m_display) < 0 || !m_seat || !m_manager)
        return false;
    static const zwlr_data_control_device_v1_listener deviceListener = {
        [](void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {},
        // Offers of the current selection are not read here.
        [](void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
            if (offer)
                zwlr_data_control_offer_v1_destroy(offer);
        },
        &DataControlClipboard::finished};
    m_device = zwlr_data_control_manager_v1_get_data_device(m_manager, m_seat);
    zwlr_data_control_device_v1_add_listener(m_device, &deviceListener, this);
    if (wl_display_roundtrip(m_display) < 0 || !m_device)
        return false;
    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &DataControlClipboard::dispatch);
    return true;
}

void DataControlClipboard::global(
    void* self, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* clipboard = static_cast<DataControlClipboard*>(self);
    if (!std::strcmp(interface, wl_seat_interface.name) && !clipboard->m_seat) {
        clipboard->m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (!std::strcmp(interface, zwlr_data_control_manager_v1_interface.name)) {
        clipboard->m_manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
}

bool DataControlClipboard::setText(const QString& text)
{
    if (!m_device || wl_display_get_error(m_display))
        return false;
    dropSource();
    static const zwlr_data_control_source_v1_listener sourceListener = {&DataControlClipboard::send,
                                                                        &DataControlClipboard::cancelled};
    m_text = text.toUtf8();
    m_source = zwlr_data_control_manager_v1_create_data_source(m_manager);
    zwlr_data_control_source_v1_add_listener(m_source, &sourceListener, this);
    for (const char* type : textTypes)
        zwlr_data_control_source_v1_offer(m_source, type);
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
    // The compositor has taken the selection unless it cancelled the source meanwhile.
    return wl_display_roundtrip(m_display) >= 0 && m_source;
}

void DataControlClipboard::dispatch()
{
    // A broken connection stays readable; setText() then reports the failure.
    if (wl_display_dispatch(m_display) < 0)
        m_notifier->setEnabled(false);
    else
        wl_display_flush(m_display);
}

void DataControlClipboard::dropSource()
{
    if (m_source)
        zwlr_data_control_source_v1_destroy(m_source);
    m_source = nullptr;
}

void DataControlClipboard::send(void* self, zwlr_data_control_source_v1*, const char*, int32_t fd)
{
    auto* clipboard = static_cast<DataControlClipboard*>(self);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    auto transfer = std::make_shared<Transfer>(fd, clipboard->m_text);
    if (!transfer->writeSome())
        return;
    // A child of the clipboard: the pipes still open are closed with it.
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Write, clipboard);
    connect(notifier, &QSocketNotifier::activated, notifier, [notifier, transfer] {
        if (transfer->writeSome())
            return;
        notifier->setEnabled(false);
        notifier->deleteLater();
    });
}

// Another client took the selection.
void DataControlClipboard::cancelled(void* self, zwlr_data_control_source_v1*)
{
    static_cast<DataControlClipboard*>(self)->dropSource();
}

void DataControlClipboard::finished(void* self, zwlr_data_control_device_v1* device)
{
    auto* clipboard = static_cast<DataControlClipboard*>(self);
    clipboard->dropSource();
    zwlr_data_control_device_v1_destroy(device);
    clipboard->m_device = nullptr;
}

} // namespace vellumix
