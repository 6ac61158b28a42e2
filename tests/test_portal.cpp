// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's D-Bus services against the fakes of tests/dbus/fake_desktop.py, each run on a
// private session bus.
#include "ModelFixture.h"
#include "capture/ScreenCaptureSource.h"
#include "core/Cancellation.h"
#include "core/Errors.h"
#include "model/DesktopDialogCapture.h"
#include "model/UserDefaults.h"
#include "platform/PlatformLoader.h"
#include "platform/kde/KGlobalAccelHotKeyBackend.h"
#include "platform/portal/NotificationNotifier.h"
#include "platform/portal/PortalHotKeyBackend.h"
#include "platform/portal/PortalScreenGrabber.h"
#include "shell/ShortcutManager.h"
#include "support/Fakes.h"
#include "ui/SettingsView.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace vellumix;
using vellumix::testing::FakeActivator;
using vellumix::testing::FakeNotifier;
using vellumix::testing::ModelFixture;
using namespace Qt::StringLiterals;

namespace {

// The fake's control interface.
class Fake
{
public:
    Fake()
        : m_control(u"io.github.vellumix.Fake"_s,
                    u"/fake"_s,
                    u"io.github.vellumix.Fake"_s,
                    QDBusConnection::sessionBus())
    {
    }
    // Every setting at its default (see fake_desktop.py), then `settings`; forgets the calls.
    void configure(const QJsonObject& settings)
    {
        const QDBusMessage reply =
            m_control.call(u"Configure"_s, QString::fromUtf8(QJsonDocument(settings).toJson()));
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }
    // The arguments of each call of `member` so far, oldest first.
    QJsonArray calls(const QString& member)
    {
        const QDBusReply<QString> reply = m_control.call(u"Calls"_s, member);
        return QJsonDocument::fromJson(reply.value().toUtf8()).array();
    }
    void call(const QString& method, const QVariantList& arguments = {})
    {
        m_control.callWithArgumentList(QDBus::Block, method, arguments);
    }

private:
    QDBusInterface m_control;
};

// How a grab ended: "images", "cancelled" or the error's message.
QString outcome(QFuture<QList<QImage>> future)
{
    try {
        future.waitForFinished();
        return future.resultCount() == 1 ? u"images"_s : u"no result"_s;
    } catch (const Cancelled&) {
        return u"cancelled"_s;
    } catch (const Error& error) {
        return error.message();
    }
}

QRect layout()
{
    QRect united;
    for (const QScreen* screen : QGuiApplication::screens())
        united = united.united(screen->geometry());
    return united;
}

const QColor screenColours[] = {Qt::red, Qt::green, Qt::blue};

// Each shortcut row of the settings as the user sees it: the button's text, and the row's
// message after a " / " when it shows one; the desktop's own dialog offered or not.
QStringList shortcutRows(ShortcutManager& manager, bool* dialogOffered = nullptr)
{
    ModelFixture m;
    SettingsView view(m.model, manager, AutostartEntry());
    view.setSection(u"Shortcuts"_s);
    view.show();
    QStringList rows;
    for (int row = 0; row < 4; ++row) {
        auto* button = view.findChild<QPushButton*>(u"shortcut%1"_s.arg(row));
        auto* error = view.findChild<QLabel*>(u"shortcutError%1"_s.arg(row));
        button->click(); // must not start recording where the desktop owns the keys
        rows.append(button->text() + (error->isVisible() ? u" / "_s + error->text() : QString()));
    }
    if (view.recording())
        rows.append(u"recording"_s);
    if (dialogOffered) {
        auto* dialog = view.findChild<QPushButton*>(u"desktopSettings"_s);
        *dialogOffered = dialog->isVisible();
        if (*dialogOffered)
            dialog->click();
    }
    return rows;
}

} // namespace

class TestPortal : public QObject
{
    Q_OBJECT

    Fake fake;
    QTemporaryDir m_files;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QCOMPARE(QGuiApplication::screens().size(), 3);
    }

    // The whole layout, painted with one colour per screen at `scale`, comes back cut per screen
    // in the order asked, each at the image's scale, and the portal's file is gone.
    void screenshotCut_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("otherRequestPath");
        QTest::newRow("rendered at the largest scale") << 2.0 << false;
        QTest::newRow("rendered at scale 1") << 1.0 << false;
        QTest::newRow("answered on a request path of its own") << 2.0 << true;
    }
    void screenshotCut()
    {
        QFETCH(double, scale);
        QFETCH(bool, otherRequestPath);
        const QList<QScreen*> screens = QGuiApplication::screens();
        const QRect united = layout();
        QImage picture(united.size() * scale, QImage::Format_RGB32);
        picture.fill(Qt::black);
        {
            QPainter painter(&picture);
            painter.scale(scale, scale);
            painter.translate(-united.topLeft());
            for (qsizetype i = 0; i < screens.size(); ++i)
                painter.fillRect(screens[i]->geometry(), screenColours[i]);
        }
        const QTemporaryDir folder;
        const QString file = folder.filePath(u"out.png"_s);
        QVERIFY(picture.save(file));
        fake.configure({{u"screenshot_uri"_s, QUrl::fromLocalFile(file).toString()},
                        {u"other_request_path"_s, otherRequestPath}});

        PortalScreenGrabber grabber;
        const QList<QScreen*> asked{screens[2], screens[0], screens[1]};
        QFuture<QList<QImage>> future = grabber.grab(asked);
        QTRY_VERIFY(future.isFinished());
        QCOMPARE(outcome(future), u"images"_s);
        const QList<QImage> images = future.result();
        QCOMPARE(images.size(), asked.size());
        for (qsizetype i = 0; i < asked.size(); ++i) {
            const QImage& image = images[i];
            const QColor colour = screenColours[screens.indexOf(asked[i])];
            QCOMPARE(image.size(), asked[i]->geometry().size() * scale);
            QCOMPARE(image.devicePixelRatio(), scale);
            for (const QPoint corner :
                 {QPoint(0, 0), QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
                  QPoint(image.width() - 1, image.height() - 1)})
                QCOMPARE(image.pixelColor(corner), colour);
        }
        QVERIFY(!QFile::exists(file));

        const QJsonArray call = fake.calls(u"Screenshot"_s).at(0).toArray();
        QCOMPARE(call.at(0).toString(), QString());
        QCOMPARE(call.at(1).toObject().value(u"interactive"_s), QJsonValue(false));
        QVERIFY(!call.at(1).toObject().value(u"handle_token"_s).toString().isEmpty());
    }

    void screenshotEnds_data()
    {
        QTest::addColumn<QJsonObject>("settings");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("requestClosed");
        const QString denied = VellumixError(VellumixError::Kind::Permission).message();
        const QString failed = VellumixError(VellumixError::Kind::Capture).message();
        const QString missing = QUrl::fromLocalFile(QDir::home().filePath(u"missing.png"_s)).toString();
        QTest::newRow("cancelled by the user")
            << QJsonObject{{u"screenshot_response"_s, 1}} << u"cancelled"_s << false;
        QTest::newRow("refused") << QJsonObject{{u"screenshot_response"_s, 2}} << denied << false;
        // With a readable file, so that only the response code can fail it.
        const QString picture = m_files.filePath(u"screen.png"_s);
        QImage(4, 4, QImage::Format_RGB32).save(picture);
        QTest::newRow("ended otherwise")
            << QJsonObject{{u"screenshot_response"_s, 3},
                           {u"screenshot_uri"_s, QUrl::fromLocalFile(picture).toString()}}
            << failed << false;
        QTest::newRow("call refused")
            << QJsonObject{{u"screenshot_error"_s, u"org.freedesktop.portal.Error.NotAllowed"_s}} << failed
            << false;
        QTest::newRow("no file") << QJsonObject{} << failed << false;
        QTest::newRow("file unreadable") << QJsonObject{{u"screenshot_uri"_s, missing}} << failed << false;
        QTest::newRow("silent portal") << QJsonObject{{u"screenshot_silent"_s, true}} << failed << true;
    }
    void screenshotEnds()
    {
        QFETCH(QJsonObject, settings);
        QFETCH(QString, expected);
        QFETCH(bool, requestClosed);
        fake.configure(settings);
        PortalScreenGrabber grabber(300);
        QFuture<QList<QImage>> future = grabber.grab(QGuiApplication::screens());
        QTRY_VERIFY(future.isFinished());
        QCOMPARE(outcome(future), expected);
        if (requestClosed) {
            // The request the silent portal left open is closed on the path it was predicted at.
            QTRY_COMPARE(fake.calls(u"Request.Close"_s).size(), 1);
            const QString token =
                fake.calls(u"Screenshot"_s).at(0).toArray().at(1)[u"handle_token"_s].toString();
            QVERIFY(fake.calls(u"Request.Close"_s).at(0).toArray().at(0).toString().endsWith(u'/' + token));
        }
    }

    // A second message replaces the first (even when its id has not come back yet), both are
    // transient and expire with the toast's lifetime, and the one shown is closed; stop() closes
    // it and drops what was still queued.
    void notifications_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("closed after its lifetime") << false << QStringList{u"Copied"_s, u"Copied again"_s};
        QTest::newRow("stopped before the server answered") << true << QStringList{u"Copied"_s};
    }
    void notifications()
    {
        QFETCH(bool, stop);
        QFETCH(QStringList, shown);
        fake.configure({});
        auto fallback = std::make_unique<FakeNotifier>();
        FakeNotifier* toast = fallback.get();
        NotificationNotifier notifier(std::move(fallback));
        notifier.notify(u"Copied"_s);
        notifier.notify(u"Copied again"_s);
        if (stop)
            notifier.stop();
        QTRY_COMPARE_WITH_TIMEOUT(fake.calls(u"CloseNotification"_s).size(), 1, 10000);
        QCOMPARE(fake.calls(u"CloseNotification"_s).at(0)[0].toInt(), 1);
        const QJsonArray notes = fake.calls(u"Notify"_s);
        QCOMPARE(notes.size(), shown.size());
        for (qsizetype i = 0; i < notes.size(); ++i) {
            QCOMPARE(notes[i][1].toInt(), i == 0 ? 0 : 1);
            QCOMPARE(notes[i][3].toString(), shown[i]);
            QCOMPARE(notes[i][6][u"transient"_s], QJsonValue(true));
            QCOMPARE(notes[i][7].toInt(), Notifier::lifetimeMs);
        }
        QVERIFY(toast->shown.isEmpty());
        QCOMPARE(toast->stopped, stop ? 1 : 0);
    }

    // Without a notification server the message still reaches the user, through the fallback.
    void notificationFallback()
    {
        fake.configure({{u"notifications"_s, false}});
        auto fallback = std::make_unique<FakeNotifier>();
        FakeNotifier* toast = fallback.get();
        NotificationNotifier notifier(std::move(fallback));
        notifier.notify(u"Copied"_s);
        QTRY_COMPARE(toast->shown, QStringList{u"Copied"_s});
        notifier.stop();
        QCOMPARE(toast->stopped, 1);
    }

    void preferredTrigger_data()
    {
        QTest::addColumn<uint>("keycode");
        QTest::addColumn<uint>("modifiers");
        QTest::addColumn<QString>("trigger");
        const uint ctrl = Shortcut::Ctrl, alt = Shortcut::Alt, super = Shortcut::Super;
        QTest::newRow("letter with Super") << 45u << (ctrl | super) << u"CTRL+LOGO+k"_s;
        QTest::newRow("function key") << 71u << (alt | super) << u"ALT+LOGO+F5"_s;
        QTest::newRow("space") << 65u << ctrl << u"CTRL+space"_s;
        QTest::newRow("no key") << 0u << ctrl << QString();
    }
    void preferredTrigger()
    {
        QFETCH(uint, keycode);
        QFETCH(uint, modifiers);
        QFETCH(QString, trigger);
        QCOMPARE(PortalHotKeyBackend::preferredTrigger(keycode, modifiers), trigger);
    }

    // One session, one binding of all four with their descriptions and preferred triggers; what
    // the desktop did not bind is the manager's error, Activated runs only what it bound, a new
    // round is answered from the binding, and the session is closed when the back-end goes.
    void shortcuts_data()
    {
        QTest::addColumn<QStringList>("declined");
        QTest::addColumn<int>("bindResponse");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("version");
        QTest::newRow("all bound, version 2") << QStringList() << 0 << QString() << 2;
        QTest::newRow("one declined")
            << QStringList{u"capture-regions"_s} << 0
            << ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+2"_s, PortalHotKeyBackend::declined) << 1;
        QTest::newRow("dialog cancelled")
            << QStringList() << 1 << ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+1"_s, 1) << 1;
    }
    void shortcuts()
    {
        QFETCH(QStringList, declined);
        QFETCH(int, bindResponse);
        QFETCH(QString, error);
        QFETCH(int, version);
        fake.configure({{u"declined"_s, QJsonArray::fromStringList(declined)},
                        {u"bind_response"_s, bindResponse},
                        {u"shortcuts_version"_s, version}});
        MemoryDefaults store;
        auto backend = std::make_unique<PortalHotKeyBackend>();
        auto manager = std::make_unique<ShortcutManager>(store, *backend);
        QSignalSpy triggered(manager.get(), &ShortcutManager::triggered);
        QVERIFY(manager->isRegistering());
        QTRY_VERIFY(!manager->isRegistering());
        QCOMPARE(manager->error().value_or(QString()), error);
        QCOMPARE(backend->capabilities().testFlag(HotKeyBackend::Capability::DesktopDialog), version >= 2);

        QCOMPARE(fake.calls(u"CreateSession"_s).size(), 1);
        const QJsonArray binds = fake.calls(u"BindShortcuts"_s);
        QCOMPARE(binds.size(), 1);
        const QString session = binds[0][0].toString();
        QStringList sent;
        for (const QJsonValue& shortcut : binds[0][1].toArray()) {
            const auto action = ShortcutAction(sent.size());
            const QString name = ShortcutManager::actionDescription(action).first;
            QCOMPARE(shortcut[0].toString(), name);
            QCOMPARE(shortcut[1][u"description"_s].toString(),
                     ShortcutManager::actionDescription(action).second);
            QCOMPARE(shortcut[1][u"preferred_trigger"_s].toString(),
                     u"CTRL+ALT+SHIFT+%1"_s.arg(sent.size() + 1));
            sent.append(name);
        }
        QCOMPARE(sent.size(), 4);

        // The settings show what the desktop bound, or that it declined, and no recorder.
        bool dialogOffered = false;
        const QStringList rows = shortcutRows(*manager, &dialogOffered);
        for (qsizetype i = 0; i < sent.size(); ++i) {
            const bool bound = bindResponse == 0 && !declined.contains(sent[i]);
            QCOMPARE(rows[i], bound ? u"Press CTRL+ALT+SHIFT+%1"_s.arg(i + 1)
                                    : u"Not bound / "_s + ShortcutManager::declinedMessage());
        }
        QCOMPARE(rows.size(), 4);
        QCOMPARE(dialogOffered, version >= 2);
        QCOMPARE(fake.calls(u"ConfigureShortcuts"_s).size(), version >= 2 ? 1 : 0);
        if (version >= 2)
            QCOMPARE(fake.calls(u"ConfigureShortcuts"_s).at(0)[0].toString(), session);

        // Only what the desktop bound runs; signals arrive in order, so the second activation
        // being seen means the first was either handled or ignored.
        QList<ShortcutAction> expected;
        for (const ShortcutAction action : {ShortcutAction::CaptureRegions, ShortcutAction::OpenHistory}) {
            const QString name = ShortcutManager::actionDescription(action).first;
            fake.call(u"EmitActivated"_s, {name});
            if (bindResponse == 0 && !declined.contains(name))
                expected.append(action);
        }
        QTRY_COMPARE(triggered.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QCOMPARE(triggered[i][0].value<ShortcutAction>(), expected[i]);
        manager->reset();
        QVERIFY(!manager->isRegistering());
        QCOMPARE(manager->error().value_or(QString()), error);
        QCOMPARE(fake.calls(u"BindShortcuts"_s).size(), 1);

        manager.reset();
        backend.reset();
        QTRY_COMPARE(fake.calls(u"Session.Close"_s).size(), 1);
        QCOMPARE(fake.calls(u"Session.Close"_s).at(0)[0].toString(), session);
        QCOMPARE(triggered.size(), expected.size());
    }

    // A binding the user removes later in the desktop's settings is reported as lost.
    void shortcutRemovedLater()
    {
        fake.configure({});
        MemoryDefaults store;
        PortalHotKeyBackend backend;
        ShortcutManager manager(store, backend);
        QTRY_VERIFY(!manager.isRegistering());
        QCOMPARE(manager.error(), std::nullopt);
        fake.call(u"EmitAllRemoved"_s);
        QTRY_VERIFY(manager.error().has_value());
        QCOMPARE(backend.boundTrigger(1), QString());
    }

    // On Wayland the portal roads are chosen when a session bus is there; the shortcuts go to the
    // GlobalShortcuts portal, else to KDE's kglobalaccel, else nowhere with the reason.
    void platformChoice_data()
    {
        QTest::addColumn<QJsonObject>("settings");
        QTest::addColumn<int>("plasma");
        QTest::addColumn<QString>("service");
        const QJsonObject both{{u"kglobalaccel"_s, true}};
        QTest::newRow("portal with GlobalShortcuts") << both << 6 << u"BindShortcuts"_s;
        QTest::newRow("Plasma 5: kglobalaccel first") << both << 5 << u"doRegister"_s;
        QTest::newRow("kglobalaccel")
            << QJsonObject{{u"shortcuts"_s, false}, {u"kglobalaccel"_s, true}} << 6 << u"doRegister"_s;
        QTest::newRow("neither") << QJsonObject{{u"shortcuts"_s, false}} << 5 << QString();
    }
    void platformChoice()
    {
        QFETCH(QJsonObject, settings);
        QFETCH(int, plasma);
        QFETCH(QString, service);
        fake.configure(settings);
        Platform platform = loadPlatform(Session{SessionType::Wayland, false, Desktop::Kde, plasma});
        QVERIFY(dynamic_cast<PortalScreenGrabber*>(platform.grabber.get()));
        QVERIFY(dynamic_cast<NotificationNotifier*>(platform.notifier.get()));
        MemoryDefaults store;
        ShortcutManager manager(store, *platform.hotKeys);
        QTRY_VERIFY(!manager.isRegistering());
        for (const QString& member : {u"BindShortcuts"_s, u"doRegister"_s})
            QCOMPARE(fake.calls(member).size(), member == service ? (member == u"doRegister"_s ? 4 : 1) : 0);
        if (service.isEmpty()) {
            QCOMPARE(manager.error(), std::optional(PlatformText::waylandWithoutShortcuts()));
            QCOMPARE(platform.hotKeys->capabilities(), HotKeyBackend::Capabilities());
        } else {
            QCOMPARE(manager.error(), std::nullopt);
        }
    }

    // KDE's service gets our combinations as the defaults; what it assigned shows in the settings,
    // a press runs the action it was assigned to, and the actions turn inactive when we go.
    void kglobalaccel()
    {
        fake.configure({{u"kglobalaccel"_s, true}, {u"declined"_s, QJsonArray{u"capture-regions"_s}}});
        MemoryDefaults store;
        auto backend = std::make_unique<KGlobalAccelHotKeyBackend>(std::nullopt);
        auto manager = std::make_unique<ShortcutManager>(store, *backend);
        QSignalSpy triggered(manager.get(), &ShortcutManager::triggered);
        QTRY_VERIFY(!manager->isRegistering());
        QCOMPARE(manager->error(), std::optional(ShortcutManager::refusedMessage(
                                       u"Ctrl+Alt+Shift+2"_s, KGlobalAccelHotKeyBackend::declined)));
        QCOMPARE(shortcutRows(*manager),
                 (QStringList{u"Ctrl+Alt+Shift+1"_s, u"Not bound / "_s + ShortcutManager::declinedMessage(),
                              u"Ctrl+Alt+Shift+3"_s, u"Ctrl+Alt+Shift+4"_s}));

        for (const QString& action : {u"capture-regions"_s, u"show-workspace"_s})
            fake.call(u"EmitPressed"_s, {action});
        QTRY_COMPARE(triggered.size(), 1);
        QCOMPARE(triggered[0][0].value<ShortcutAction>(), ShortcutAction::OpenWorkspace);
        manager.reset();
        backend.reset();
        QTRY_COMPARE(fake.calls(u"setInactive"_s).size(), 4);
    }

    void keyCombinations_data()
    {
        QTest::addColumn<uint>("keycode");
        QTest::addColumn<uint>("modifiers");
        QTest::addColumn<int>("combination");
        QTest::newRow("letter with Super") << 45u << uint(Shortcut::Ctrl | Shortcut::Super)
                                           << (Qt::CTRL | Qt::META | Qt::Key_K).toCombined();
        QTest::newRow("function key") << 71u << uint(Shortcut::Alt) << (Qt::ALT | Qt::Key_F5).toCombined();
        QTest::newRow("page down") << 117u << uint(Shortcut::Ctrl)
                                   << (Qt::CTRL | Qt::Key_PageDown).toCombined();
        QTest::newRow("no key") << 0u << uint(Shortcut::Ctrl) << 0;
    }
    void keyCombinations()
    {
        QFETCH(uint, keycode);
        QFETCH(uint, modifiers);
        QFETCH(int, combination);
        QCOMPARE(KGlobalAccelHotKeyBackend::qtCombination(keycode, modifiers), combination);
    }

    // A desktop that refuses to hand out the screens without asking: the capture goes on through
    // its dialog, whose image is the one region, with no overlay; later captures go there at once.
    void dialogRoad_data()
    {
        QTest::addColumn<int>("response");
        QTest::addColumn<int>("images");
        QTest::newRow("region chosen") << 0 << 1;
        QTest::newRow("Escape in the dialog") << 2 << 0;
    }
    void dialogRoad()
    {
        QFETCH(int, response);
        QFETCH(int, images);
        const QTemporaryDir folder;
        FakeActivator activator;
        PortalScreenGrabber grabber;
        ScreenCaptureSource inner(activator, grabber, nullptr, [] { return std::optional<RegionTool>(); });
        DesktopDialogCapture source(inner, grabber);
        QSignalSpy overlay(&source, &CaptureSource::waitingForUser);
        for (const bool first : {true, false}) {
            const QString file = folder.filePath(u"region.png"_s);
            QImage region(120, 40, QImage::Format_RGB32);
            region.fill(Qt::yellow);
            QVERIFY(region.save(file));
            fake.configure({{u"refuse_noninteractive"_s, true},
                            {u"screenshot_response"_s, response},
                            {u"screenshot_uri"_s, QUrl::fromLocalFile(file).toString()}});
            QFuture<QList<QImage>> future = source.regions();
            QTRY_VERIFY(future.isFinished());
            QCOMPARE(future.result().size(), images);
            if (images)
                QCOMPARE(future.result().first().size(), region.size());
            QStringList asked;
            for (const QJsonValue& call : fake.calls(u"Screenshot"_s))
                asked.append(call[1][u"interactive"_s].toBool() ? u"dialog"_s : u"plain"_s);
            QCOMPARE(asked, first ? QStringList({u"plain"_s, u"dialog"_s}) : QStringList{u"dialog"_s});
        }
        QCOMPARE(overlay.size(), 0);
    }
};

QTEST_MAIN(TestPortal)
#include "test_portal.moc"
