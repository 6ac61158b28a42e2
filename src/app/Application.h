// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PlatformLoader.h"

#include <memory>

namespace vellumix {

class AppDelegate;
class AppModel;
class DesktopDialogCapture;
class OCREngine;
class ScreenCaptureSource;
class ShortcutManager;
class SingleInstance;
class UserDefaults;
struct InstanceRequest;

// The composition root of the tray application: the session's platform back-ends, the real
// store and engine, the capture source, the model over them, the shortcut manager and the shell.
class Application final
{
public:
    explicit Application(Platform platform);
    ~Application();

    // Starts answering later launches, runs the launch sequence and then the request of this
    // launch; false when another instance took the socket meanwhile.
    bool start(SingleInstance& instance, const InstanceRequest& request);

private:
    Platform m_platform;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<OCREngine> m_engine;
    std::unique_ptr<ScreenCaptureSource> m_capture;
    std::unique_ptr<DesktopDialogCapture> m_dialogCapture;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<ShortcutManager> m_shortcuts;
    std::unique_ptr<AppDelegate> m_delegate;
};

} // namespace vellumix
