// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

namespace vellumix {

class AppDelegate;
class AppModel;
class CaptureSource;
class HotKeyBackend;
class OCREngine;
class ShortcutManager;
class SingleInstance;
class SoundPlayer;
class TaskbarHints;
class UserDefaults;
struct InstanceRequest;

// The composition root of the tray application: the real store, engine, sound, hot keys and
// taskbar hints, the model over them, the shortcut manager and the shell.
class Application final
{
public:
    explicit Application(CaptureSource& capture);
    ~Application();

    // Starts answering later launches, runs the launch sequence and then the request of this
    // launch; false when another instance took the socket meanwhile.
    bool start(SingleInstance& instance, const InstanceRequest& request);

private:
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<OCREngine> m_engine;
    std::unique_ptr<SoundPlayer> m_sound;
    std::unique_ptr<HotKeyBackend> m_hotKeys;
    std::unique_ptr<TaskbarHints> m_taskbar;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<ShortcutManager> m_shortcuts;
    std::unique_ptr<AppDelegate> m_delegate;
};

} // namespace vellumix
