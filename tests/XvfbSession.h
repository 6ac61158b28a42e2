// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace Qt::StringLiterals;

// A private Xvfb server on a free display (-displayfd) with openbox managing it. DISPLAY and
// the xcb platform are set for the QApplication created afterwards; both processes end with
// the session.
class XvfbSession
{
public:
    XvfbSession(std::initializer_list<const char*> tools)
    {
        for (const char* tool : tools) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                std::fprintf(stderr, "%s is not installed\n", tool);
                return;
            }
        }
        m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1280x800x24"_s,
                                   u"-nolisten"_s, u"tcp"_s});
        QByteArray number;
        while (!number.contains('\n') && m_server.waitForReadyRead(10000))
            number += m_server.readAllStandardOutput();
        if (number.trimmed().isEmpty()) {
            std::fprintf(stderr, "Xvfb did not start\n");
            return;
        }
        qputenv("DISPLAY", ':' + number.trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
        m_windowManager.start(u"openbox"_s, {u"--sm-disable"_s});
        m_ready = m_windowManager.waitForStarted() && waitForWindowManager();
    }

    ~XvfbSession()
    {
        for (QProcess* process : {&m_windowManager, &m_server}) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished(1000);
        }
    }

    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    bool isReady() const { return m_ready; }

private:
    // The window manager announces itself on the root window once it manages the screen.
    bool waitForWindowManager() const
    {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const char name[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        bool managed = false;
        for (int attempt = 0; atom && attempt < 100 && !managed; ++attempt) {
            xcb_get_property_reply_t* property = xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
                nullptr);
            managed = property && xcb_get_property_value_length(property) > 0;
            std::free(property);
            if (!managed)
                QThread::msleep(50);
        }
        std::free(atom);
        xcb_disconnect(connection);
        return managed;
    }

    QProcess m_server;
    QProcess m_windowManager;
    bool m_ready = false;
};

// main() of a suite on its own session, which must be up before the application connects.
#define VELLUMIX_XVFB_TEST_MAIN(TestClass, ...)                                                              \
    int main(int argc, char* argv[])                                                                         \
    {                                                                                                        \
        XvfbSession session({__VA_ARGS__});                                                                  \
        if (!session.isReady())                                                                              \
            return 1;                                                                                        \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
