// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include "capture/ScreenCaptureSource.h"
#include "core/TesseractEngine.h"
#include "model/AppModel.h"
#include "model/DesktopDialogCapture.h"
#include "model/HistoryStore.h"
#include "model/UserDefaults.h"
#include "shell/AppDelegate.h"
#include "shell/ShortcutManager.h"
#include "shell/SingleInstance.h"

#include <QApplication>

namespace vellumix {

Application::Application(Platform platform)
    : m_platform(std::move(platform)), m_defaults(std::make_unique<SettingsDefaults>()),
      m_engine(std::make_unique<TesseractEngine>()),
      m_capture(std::make_unique<ScreenCaptureSource>(*m_platform.activator, *m_platform.grabber)),
      m_dialogCapture(std::make_unique<DesktopDialogCapture>(*m_capture, *m_platform.grabber)),
      m_model(std::make_unique<AppModel>(
          *m_defaults, HistoryStore::defaultDirectory(), *m_engine, *m_dialogCapture, *m_platform.sound)),
      m_shortcuts(std::make_unique<ShortcutManager>(*m_defaults, *m_platform.hotKeys)),
      m_delegate(std::make_unique<AppDelegate>(
          *m_model, *m_shortcuts, *m_defaults, *m_platform.taskbar, *m_platform.notifier))
{
    m_model->setClipboard(m_platform.clipboard.get());
    QApplication::setWindowIcon(AppDelegate::symbol(QStringLiteral("vellumix")));
    m_delegate->setCaptureSettings(m_platform.captureSettings);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, m_delegate.get(), &AppDelegate::terminate);
}

Application::~Application() = default;

bool Application::start(SingleInstance& instance, const InstanceRequest& request)
{
    if (!instance.listen())
        return false;
    QObject::connect(&instance, &SingleInstance::requested, m_delegate.get(), &AppDelegate::handle);
    // The model refuses a capture while busy; the launch that asked must hear it.
    instance.setGate([model = m_model.get()](const InstanceRequest& asked) {
        using Verb = InstanceRequest::Verb;
        const bool capture = asked.verb == Verb::Capture || asked.verb == Verb::CaptureMultiple ||
                             asked.verb == Verb::CaptureFull;
        return !capture || model->canCapture();
    });
    m_delegate->launch();
    // A plain first launch has nothing more to do: the launch sequence chose the windows.
    if (request.verb != InstanceRequest::Verb::Reopen)
        m_delegate->handle(request);
    return true;
}

} // namespace vellumix
