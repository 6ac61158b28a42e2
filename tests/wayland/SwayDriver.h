// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Driving the tray application on the headless sway of tests/wayland/sway-session.sh (HEADLESS-1
// 1280x720 at scale 1, HEADLESS-2 to its right at scale 2): text on the outputs, the overlays
// sway shows, input through tests/wayland/wayland-input, the clipboard through wl-paste.

#include "../RunTool.h"

#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRect>

#include <optional>

namespace sway {

using namespace Qt::StringLiterals;

inline constexpr QSize layout(1920, 720);
inline constexpr auto appId = "io.github.vellumix.Vellumix";

using testtools::run;

inline std::optional<QString> swaymsg(const QString& command)
{
    return run(u"swaymsg"_s, {command});
}

// The outputs showing a full-screen window of ours, from sway's layout tree.
inline QStringList fullScreenOutputs(const QJsonObject& node, const QString& output = {})
{
    const QString here = node[u"type"_s] == u"output"_s ? node[u"name"_s].toString() : output;
    QStringList found;
    if (node[u"app_id"_s] == QLatin1String(appId) && node[u"fullscreen_mode"_s].toInt() == 1)
        found.append(here);
    for (const auto* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[QLatin1String(key)].toArray())
            found += fullScreenOutputs(child.toObject(), here);
    }
    return found;
}

inline QStringList overlays()
{
    const auto tree = run(u"swaymsg"_s, {u"-t"_s, u"get_tree"_s, u"-r"_s});
    QStringList outputs =
        fullScreenOutputs(QJsonDocument::fromJson(tree.value_or(QString()).toUtf8()).object());
    outputs.sort();
    return outputs;
}

inline QString clipboard()
{
    return run(u"wl-paste"_s, {u"-n"_s}).value_or(u"(no selection)"_s);
}

// An output's background: black text centred in `logical` on white, at the output's pixel density.
inline bool showText(const QString& output,
                     const QString& text,
                     const QRect& logical,
                     int scale,
                     const QString& file,
                     int pixelSize = 40)
{
    QImage image(QSize(1280, 720), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(pixelSize * scale);
    painter.setFont(font);
    painter.drawText(QRect(logical.topLeft() * scale, logical.size() * scale), Qt::AlignCenter, text);
    painter.end();
    return image.save(file) && swaymsg(u"output %1 bg %2 stretch"_s.arg(output, file)).has_value();
}

// The virtual pointer and keyboard; each command returns once the compositor has processed it.
class Input
{
public:
    explicit Input(const QString& program)
    {
        m_process.start(program, {QString::number(layout.width()), QString::number(layout.height())});
    }
    ~Input()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    bool command(const QString& line)
    {
        m_process.write(line.toUtf8() + '\n');
        QByteArray answer;
        while (!answer.contains('\n') && m_process.waitForReadyRead(5000))
            answer += m_process.readLine();
        return answer.trimmed() == "ok";
    }
    bool move(QPoint p) { return command(u"move %1 %2"_s.arg(p.x()).arg(p.y())); }
    // Corner to corner through the middle, as a hand would.
    bool drag(const QRect& region)
    {
        return move(region.topLeft()) && command(u"down"_s) && move(region.center()) &&
               move(region.bottomRight()) && command(u"up"_s);
    }
    bool key(const QString& name) { return command(u"key "_s + name); }

private:
    QProcess m_process;
};

} // namespace sway
