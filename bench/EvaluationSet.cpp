// SPDX-License-Identifier: GPL-3.0-or-later
#include "EvaluationSet.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace vellumix::bench {

namespace {

struct Theme
{
    const char* name;
    QColor background;
    QColor text;
};

const QStringList& words()
{
    static const QStringList list =
        QStringLiteral(
            "File Edit View Window Help Open Save Export Preferences Settings Account Profile Search "
            "Downloads Documents Pictures Music Videos Desktop Recent Favorites Shared Network Trash "
            "the quick brown fox jumps over lazy dog invoice total amount due payment received order "
            "shipping address customer support ticket status pending approved rejected meeting agenda "
            "notes project deadline review release version update install configure server database "
            "backup restore Monday Tuesday Wednesday Thursday Friday January February March April "
            "alice.smith@example.com https://example.org/docs 42 1,280.50 3.14 2026-03-18 14:05 "
            "#4521 (draft) [beta] 99% v2.7.1 ~/Projects/report.pdf $19.99 +49 30 1234567 Q3-2025")
            .split(QLatin1Char(' '));
    return list;
}

QStringList sentences(QRandomGenerator& random, int count, int wordsPerLine)
{
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        QStringList line;
        const int n = wordsPerLine - 1 + int(random.bounded(3));
        for (int w = 0; w < n; ++w)
            line.append(words().at(int(random.bounded(qsizetype(words().size())))));
        lines.append(line.join(QLatin1Char(' ')));
    }
    return lines;
}

QImage renderLines(const QStringList& lines, const QFont& font, const Theme& theme, qreal dpr)
{
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int lineHeight = int(metrics.height() * 1.4);
    const QSize logical(width + 24, lineHeight * int(lines.size()) + 16);
    QImage image((QSizeF(logical) * dpr).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(theme.background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(theme.text);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPoint(12, 8 + lineHeight * i + metrics.ascent()), lines.at(i));
    painter.end();
    image.setDevicePixelRatio(1.0);
    return image;
}

QFont pixelFont(const QString& family, int pixels)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setHintingPreference(QFont::PreferDefaultHinting);
    return font;
}

QImage qrCode(const QString& payload, int module)
{
    const ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                        .setMargin(0)
                                        .encode(payload.toStdString(), 0, 0);
    const int quiet = 4;
    QImage image((matrix.width() + 2 * quiet) * module, (matrix.height() + 2 * quiet) * module,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < matrix.height(); ++y)
        for (int x = 0; x < matrix.width(); ++x)
            if (matrix.get(x, y))
                painter.fillRect((x + quiet) * module, (y + quiet) * module, module, module, Qt::black);
    return image;
}

QString number(int n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QList<EvaluationImage> evaluationSet()
{
    QRandomGenerator random(20260318);
    QList<EvaluationImage> set;
    const QStringList proportional = {QStringLiteral("DejaVu Sans"), QStringLiteral("Nimbus Sans"),
                                      QStringLiteral("DejaVu Serif"), QStringLiteral("Nimbus Roman")};
    const QList<int> sizes = {9, 10, 11, 12, 13, 14, 16};
    const QList<Theme> themes = {
        {"light", QColor(0xff, 0xff, 0xff), QColor(0x1d, 0x1d, 0x1f)},
        {"dark", QColor(0x1e, 0x1e, 0x1e), QColor(0xd4, 0xd4, 0xd4)},
        {"tinted", QColor(0xdb, 0xe9, 0xf7), QColor(0x1a, 0x3a, 0x5a)},
        {"grey", QColor(0x3c, 0x3f, 0x41), QColor(0xa9, 0xb7, 0xc6)},
    };

    // Every theme gets the same texts in the same fonts, so that themes compare directly.
    int index = 0;
    for (int size : sizes) {
        const QString family = proportional.at(index++ % proportional.size());
        const QStringList lines = sentences(random, 4, 6);
        for (const Theme& theme : themes)
            set.append({QLatin1String(theme.name),
                        QLatin1String(theme.name) + QLatin1Char('-') + number(size),
                        renderLines(lines, pixelFont(family, size), theme, 1.0),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
    }
    for (int size : {9, 11, 13}) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            const QStringList lines = sentences(random, 4, 6);
            set.append({QStringLiteral("dpr2"),
                        QStringLiteral("dpr2-") + QLatin1String(theme.name) + QLatin1Char('-') + number(size),
                        renderLines(lines, pixelFont(proportional.at(index++ % 4), size), theme, 2.0),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }

    const QStringList code = {
        QStringLiteral("for (int i = 0; i < items.size(); ++i) {"),
        QStringLiteral("    total += items[i].price * 1.19;"),
        QStringLiteral("}"),
        QStringLiteral("if (user.isAdmin() && !locked) return 0x7f;"),
        QStringLiteral("const auto path = \"/etc/hosts\"; // read-only"),
        QStringLiteral("$ git commit -m \"Fix #42: null check\""),
    };
    for (int size : {11, 12, 13, 14}) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            const QString family =
                size % 2 ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("Nimbus Mono PS");
            set.append({QStringLiteral("code"),
                        QStringLiteral("code-") + QLatin1String(theme.name) + QLatin1Char('-') + number(size),
                        renderLines(code, pixelFont(family, size), theme, 1.0),
                        code.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }

    const QStringList german = {
        QStringLiteral("Größere Änderungen werden übernommen, sobald Sie speichern."),
        QStringLiteral("Bitte prüfen Sie die Straße und die Hausnummer."),
        QStringLiteral("Für Rückfragen stehen wir Ihnen gerne zur Verfügung."),
        QStringLiteral("Überweisung über 1.280,50 € am Dienstag, 18. März"),
    };
    for (int size : {10, 12, 14}) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            set.append(
                {QStringLiteral("german"),
                 QStringLiteral("german-") + QLatin1String(theme.name) + QLatin1Char('-') + number(size),
                 renderLines(german, pixelFont(proportional.at(index++ % 4), size), theme, 1.0),
                 german.join(QLatin1Char('\n')),
                 {},
                 QStringLiteral("deu")});
        }
    }

    // A light window with a dark sidebar: the sidebar's labels are what plain binarisation loses.
    for (int size : {11, 12, 13, 14}) {
        const QFont font = pixelFont(proportional.at(index++ % 2), size);
        const QStringList side = sentences(random, 6, 2);
        const QStringList main = sentences(random, 6, 6);
        const QImage left = renderLines(side, font, themes.at(1), 1.0);
        const QImage right = renderLines(main, font, themes.at(0), 1.0);
        QImage window(left.width() + right.width() + 20, std::max(left.height(), right.height()),
                      QImage::Format_RGB32);
        window.fill(Qt::white);
        QPainter painter(&window);
        painter.fillRect(0, 0, left.width() + 8, window.height(), themes.at(1).background);
        painter.drawImage(0, 0, left);
        painter.drawImage(left.width() + 20, 0, right);
        painter.end();
        set.append({QStringLiteral("sidebar"),
                    QStringLiteral("sidebar-") + number(size),
                    window,
                    (side + main).join(QLatin1Char('\n')),
                    {},
                    {}});
    }

    const QStringList payloads = {QStringLiteral("https://example.org/vellumix"),
                                  QStringLiteral("WIFI:S:Office;T:WPA;P:correct horse;;"),
                                  QStringLiteral("Invoice 4521 total 1280.50 EUR"),
                                  QStringLiteral("Hello, QR")};
    for (int i = 0; i < payloads.size(); ++i) {
        QImage image = qrCode(payloads.at(i), 3 + i % 2);
        if (i % 2)
            image.invertPixels(); // a light-on-dark code, as in a dark theme
        set.append(
            {QStringLiteral("qr"), QStringLiteral("qr-") + number(i), image, {}, {payloads.at(i)}, {}});
    }
    return set;
}

EvaluationImage latencyRegion()
{
    QRandomGenerator random(600120);
    const QStringList lines = sentences(random, 3, 7);
    QImage rendered = renderLines(lines, pixelFont(QStringLiteral("DejaVu Sans"), 13),
                                  {"light", Qt::white, QColor(0x1d, 0x1d, 0x1f)}, 1.0);
    QImage region(600, 120, QImage::Format_RGB32);
    region.fill(Qt::white);
    QPainter painter(&region);
    painter.drawImage(0, 0, rendered);
    painter.end();
    return {
        QStringLiteral("latency"), QStringLiteral("region"), region, lines.join(QLatin1Char('\n')), {}, {}};
}

QImage sampleImage()
{
    const QStringList lines = {
        QStringLiteral("Vellumix reads the text on your screen."),
        QStringLiteral("Everything stays on this computer: no network, ever."),
        QStringLiteral("Invoice #4521 · total 1,280.50 EUR · due 2026-03-18"),
    };
    const Theme light{"light", QColor(0xfa, 0xfa, 0xfa), QColor(0x20, 0x20, 0x24)};
    const QImage text = renderLines(lines, pixelFont(QStringLiteral("DejaVu Sans"), 15), light, 1.0);
    const QImage code = qrCode(QStringLiteral("https://example.org/vellumix"), 3);
    QImage image(text.width() + code.width() + 16, std::max(text.height(), code.height()) + 16,
                 QImage::Format_RGB32);
    image.fill(light.background);
    QPainter painter(&image);
    painter.drawImage(0, 8, text);
    painter.drawImage(text.width() + 8, 8, code);
    painter.end();
    return image;
}

double characterErrorRate(const QString& expected, const QString& actual)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QString a = QString(expected).replace(space, QStringLiteral(" ")).trimmed();
    const QString b = QString(actual).replace(space, QStringLiteral(" ")).trimmed();
    if (a.isEmpty())
        return b.isEmpty() ? 0.0 : 1.0;
    std::vector<int> row(std::size_t(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[std::size_t(j)];
            row[std::size_t(j)] = std::min(
                {above + 1, row[std::size_t(j - 1)] + 1, diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
        }
    }
    return double(row.back()) / double(a.size());
}

} // namespace vellumix::bench
