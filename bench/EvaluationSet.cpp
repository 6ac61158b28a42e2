// SPDX-License-Identifier: GPL-3.0-or-later
#include "EvaluationSet.h"

#include "Code128Image.h"
#include "PictureImage.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cmath>
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

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Sentences of a licence Debian ships, wrapped to lines of about `width` characters.
QStringList licenceLines(QRandomGenerator& random, int count, int width)
{
    static const QStringList words = [] {
        QString text;
        for (const char* name : {"GPL-3", "Apache-2.0", "MPL-2.0", "LGPL-2.1", "GFDL-1.3"})
            text += readFile(QStringLiteral("/usr/share/common-licenses/") + QLatin1String(name)) +
                    QLatin1Char(' ');
        return text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }();
    QStringList lines;
    if (words.size() < 200)
        return sentences(random, count, 7);
    qsizetype at = qsizetype(random.bounded(quint32(words.size() - 200)));
    for (int i = 0; i < count; ++i) {
        QString line;
        while (line.size() < width)
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + words.at(at++);
        lines.append(line);
    }
    return lines;
}

// Translated messages of the programs Debian ships (gettext catalogues): real interface text
// by others, in English (the originals) or in `language`.
QStringList catalogue(const QString& language)
{
    QStringList messages;
    for (const char* domain : {"apt", "dpkg", "coreutils", "libc", "grep", "findutils", "adduser"}) {
        QFile file(QStringLiteral("/usr/share/locale/%1/LC_MESSAGES/%2.mo")
                       .arg(language.isEmpty() ? QStringLiteral("de") : language, QLatin1String(domain)));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        auto word = [&](qsizetype offset) {
            return offset + 4 <= data.size() ? qFromLittleEndian<quint32>(data.constData() + offset) : 0u;
        };
        if (word(0) != 0x950412deu)
            continue;
        const quint32 count = word(8), originals = word(12), translations = word(16);
        for (quint32 i = 1; i < count; ++i) {
            const quint32 table = (language.isEmpty() ? originals : translations) + 8 * i;
            const quint32 length = word(table), offset = word(table + 4);
            if (offset + length > quint32(data.size()))
                continue;
            const QString text = QString::fromUtf8(data.mid(offset, length)).simplified();
            static const QRegularExpression plain(QStringLiteral("^[\\p{L}][\\p{L} ,.'()-]{24,60}$"));
            if (plain.match(text).hasMatch())
                messages.append(text);
        }
    }
    return messages;
}

QStringList pick(QRandomGenerator& random, const QStringList& from, int count)
{
    QStringList lines;
    for (int i = 0; i < count && !from.isEmpty(); ++i)
        lines.append(from.at(qsizetype(random.bounded(quint32(from.size())))));
    return lines;
}

// A C++ line coloured as an editor would: keywords, strings, comments and numbers.
struct EditorTheme
{
    const char* name;
    QColor background, text, keyword, string, comment, number;
};

void drawCode(QPainter& painter, const QFont& font, QPoint at, const QString& line, const EditorTheme& theme)
{
    static const QRegularExpression token(QStringLiteral(
        "(//"
        ".*$)|(\"(?:[^\"\\\\]|\\\\.)*\"|'(?:[^'\\\\]|\\\\.)*')|(\\b\\d[\\w.]*)|(\\b[A-Za-z_]\\w*\\b)|(.)"));
    static const QStringList keywords =
        QStringLiteral(
            "if else for while return const static inline template typename class struct void int bool char "
            "auto namespace using typedef unsigned size_t noexcept constexpr public private protected "
            "virtual true false nullptr this operator extern #include #define #if #endif #ifdef long double")
            .split(QLatin1Char(' '));
    const QFontMetrics metrics(font);
    int x = at.x();
    auto it = token.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QColor colour = theme.text;
        if (!match.captured(1).isEmpty())
            colour = theme.comment;
        else if (!match.captured(2).isEmpty())
            colour = theme.string;
        else if (!match.captured(3).isEmpty())
            colour = theme.number;
        else if (keywords.contains(match.captured(4)))
            colour = theme.keyword;
        painter.setPen(colour);
        painter.drawText(QPoint(x, at.y()), match.captured(0));
        x += metrics.horizontalAdvance(match.captured(0));
    }
}

// Code lines from the C++ library headers the compiler ships.
QStringList headerLines(QRandomGenerator& random, int count)
{
    static const QStringList lines = [] {
        QStringList all;
        for (const char* name : {"stl_algo.h", "stl_vector.h", "basic_string.h", "stl_map.h"}) {
            const QStringList rows =
                readFile(QStringLiteral("/usr/include/c++/12/bits/") + QLatin1String(name))
                    .split(QLatin1Char('\n'));
            for (const QString& row : rows) {
                const QString line = QString(row).replace(QLatin1Char('\t'), QStringLiteral("    "));
                if (line.trimmed().size() >= 12 && line.size() <= 72 &&
                    !line.trimmed().startsWith(QLatin1Char('*')) &&
                    !line.trimmed().startsWith(QStringLiteral("/*")))
                    all.append(line);
            }
        }
        return all;
    }();
    if (lines.size() < count)
        return {};
    const qsizetype start = qsizetype(random.bounded(quint32(lines.size() - count)));
    return lines.mid(start, count);
}

// Web addresses in the licences and the names of the packages installed: real strings of the
// kind that fill a settings dialog's fields.
QStringList fieldValues()
{
    static const QStringList values = [] {
        QStringList all;
        static const QRegularExpression address(QStringLiteral("https?://[\\w./-]+[\\w/]"));
        for (const char* name : {"GPL-3", "Apache-2.0", "MPL-2.0", "LGPL-2.1", "GFDL-1.3"}) {
            const QString text =
                readFile(QStringLiteral("/usr/share/common-licenses/") + QLatin1String(name));
            for (const QRegularExpressionMatch& match : address.globalMatch(text))
                all.append(match.captured());
        }
        for (const QString& package :
             QDir(QStringLiteral("/usr/share/doc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            all.append(QStringLiteral("/usr/share/doc/%1/copyright").arg(package));
        all.removeDuplicates();
        return all;
    }();
    return values;
}

// Tight crops of single words, a name dragged round in a list or a field: identifiers from the
// library headers, package names and interface words, with a pixel or two of margin at most.
// Settings dialogs: labels beside bordered fields, a check box and two buttons, one in the accent
// colour. Prose in two columns of unequal length under a heading narrower than both.
void appendLaterClasses(QList<EvaluationImage>& set,
                        QRandomGenerator& random,
                        const QStringList& proportional)
{
    static const QRegularExpression identifier(QStringLiteral("[A-Za-z_][\\w:.-]{3,}"));
    QStringList names;
    for (const QString& line : headerLines(random, 40))
        for (const QRegularExpressionMatch& match : identifier.globalMatch(line))
            names.append(match.captured());
    for (const QString& package :
         QDir(QStringLiteral("/usr/share/doc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        names.append(package);
    names += words();
    const QStringList families = proportional + QStringList{QStringLiteral("DejaVu Sans Mono")};
    for (int i = 0; i < 8; ++i) {
        const QString word = pick(random, names, 1).value(0);
        const QFont font = pixelFont(families.at(i % families.size()), 12 + 2 * (i % 4));
        const QRect tight = QFontMetrics(font).tightBoundingRect(word);
        const int margin = i % 3;
        const bool darkTheme = i % 2 == 1;
        QImage image(tight.width() + 2 * margin + 1, tight.height() + 2 * margin + 1, QImage::Format_RGB32);
        image.fill(darkTheme ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xff, 0xff, 0xff));
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(darkTheme ? QColor(0xd4, 0xd4, 0xd4) : QColor(0x1d, 0x1d, 0x1f));
        painter.drawText(margin - tight.left(), margin - tight.top(), word);
        painter.end();
        set.append({QStringLiteral("word"), QStringLiteral("word-") + number(i), image, word, {}, {}});
    }

    const QList<QColor> accents = {QColor(0xe6, 0x61, 0x00), QColor(0x35, 0x84, 0xe4),
                                   QColor(0x26, 0xa2, 0x69), QColor(0xc0, 0x1c, 0x28)};
    const QList<QStringList> buttons = {{QStringLiteral("Cancel"), QStringLiteral("Save")},
                                        {QStringLiteral("Reset"), QStringLiteral("Apply")},
                                        {QStringLiteral("Close"), QStringLiteral("Export")},
                                        {QStringLiteral("Back"), QStringLiteral("Install")}};
    for (int i = 0; i < 4; ++i) {
        const bool darkTheme = i % 2 == 0;
        const QColor window = darkTheme ? QColor(0x2b, 0x2b, 0x2b) : QColor(0xf6, 0xf5, 0xf4);
        const QColor text = darkTheme ? QColor(0xee, 0xee, 0xee) : QColor(0x24, 0x1f, 0x31);
        const QColor field = darkTheme ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xff, 0xff, 0xff);
        const QColor border = darkTheme ? QColor(0x4a, 0x4a, 0x4a) : QColor(0xc0, 0xbf, 0xbc);
        const QFont font = pixelFont(proportional.at(i % proportional.size()), 13 + i % 3);
        const QFontMetrics metrics(font);
        const int row = metrics.height() + 18;
        QStringList expected;
        QImage image(680, 70 + 6 * row, QImage::Format_RGB32);
        image.fill(window);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(font);
        painter.setPen(text);
        int y = 14;
        for (int r = 0; r < 4; ++r) {
            const QStringList label =
                pick(random, catalogue({}), 1).value(0).split(QLatin1Char(' ')).mid(0, 2);
            const QString value = pick(random, fieldValues(), 1).value(0);
            const QRect box(250, y, 400, row - 8);
            painter.setPen(QPen(border, 1));
            painter.setBrush(field);
            painter.drawRoundedRect(box, 4, 4);
            painter.setPen(text);
            painter.drawText(24, y + (row - 8 + metrics.ascent() - metrics.descent()) / 2,
                             label.join(QLatin1Char(' ')) + QLatin1Char(':'));
            painter.drawText(QRect(box.left() + 8, box.top(), box.width() - 16, box.height()),
                             Qt::AlignVCenter | Qt::AlignLeft, metrics.elidedText(value, Qt::ElideNone, 384));
            expected.append(label.join(QLatin1Char(' ')) + QStringLiteral(": ") + value);
            y += row;
        }
        const QString option = pick(random, catalogue({}), 1).value(0);
        const QRect tick(24, y + 4, row - 20, row - 20);
        painter.setPen(QPen(darkTheme ? text : border, 1));
        painter.setBrush(accents.at(i));
        painter.drawRoundedRect(tick, 3, 3);
        painter.setPen(text);
        painter.drawText(tick.right() + 12,
                         tick.top() + (tick.height() + metrics.ascent() - metrics.descent()) / 2, option);
        expected.append(option);
        y += row + 10;
        const QStringList& pair = buttons.at(i);
        int x = image.width() - 24;
        for (int b = int(pair.size()) - 1; b >= 0; --b) {
            const int width = metrics.horizontalAdvance(pair.at(b)) + 36;
            x -= width;
            const QRect button(x, y, width, row);
            painter.setPen(Qt::NoPen);
            painter.setBrush(b == 1 ? accents.at(i)
                                    : (darkTheme ? QColor(0x45, 0x45, 0x45) : QColor(0xde, 0xdd, 0xda)));
            painter.drawRoundedRect(button, 6, 6);
            painter.setPen(b == 1 ? QColor(Qt::white) : text);
            painter.drawText(button, Qt::AlignCenter, pair.at(b));
            x -= 12;
        }
        expected.append(pair.join(QLatin1Char(' ')));
        painter.end();
        set.append({QStringLiteral("dialog"),
                    QStringLiteral("dialog-") + number(i),
                    image.copy(0, 0, image.width(), y + row + 14),
                    expected.join(QLatin1Char('\n')),
                    {},
                    {}});
    }

    for (int i = 0; i < 4; ++i) {
        const bool darkTheme = i % 2 == 1;
        const QColor paper = darkTheme ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xff, 0xff, 0xff);
        const QColor ink = darkTheme ? QColor(0xd4, 0xd4, 0xd4) : QColor(0x1d, 0x1d, 0x1f);
        const QFont font = pixelFont(proportional.at(i % proportional.size()), 13 + i);
        QFont heading = font;
        heading.setPixelSize(font.pixelSize() * 2);
        heading.setBold(true);
        const QFontMetrics metrics(font), headingMetrics(heading);
        const QStringList left = licenceLines(random, 10, 38), right = licenceLines(random, 5 + i, 38);
        const QString title = licenceLines(random, 1, 14).value(0);
        int column = 0;
        for (const QString& line : left + right)
            column = std::max(column, metrics.horizontalAdvance(line));
        const int gutter = 20 + 6 * i, top = headingMetrics.height() + 24;
        QImage image(16 + 2 * column + gutter + 16, top + 10 * metrics.lineSpacing() + 12,
                     QImage::Format_RGB32);
        image.fill(paper);
        QPainter painter(&image);
        painter.setPen(ink);
        painter.setFont(heading);
        painter.drawText(16, 12 + headingMetrics.ascent(), title);
        painter.setFont(font);
        for (int l = 0; l < left.size(); ++l)
            painter.drawText(16, top + metrics.ascent() + l * metrics.lineSpacing(), left.at(l));
        for (int l = 0; l < right.size(); ++l)
            painter.drawText(16 + column + gutter, top + metrics.ascent() + l * metrics.lineSpacing(),
                             right.at(l));
        painter.end();
        set.append({QStringLiteral("article"),
                    QStringLiteral("article-") + number(i),
                    image,
                    (QStringList{title} + left + right).join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    // White letters straight on a grainy photograph, no outline, some with a soft shadow: a
    // wallpaper's caption, a frame of a video.
    for (int i = 0; i < 4; ++i) {
        const QColor base = QColor::fromHsv(int(random.bounded(360)), 100, 70 + int(random.bounded(80)));
        QImage photo = pictureImage(random, {900, 200}, base);
        const int grain = 12 + 8 * i;
        for (int y = 0; y < photo.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) {
                auto noisy = [&](int level) {
                    return std::clamp(level + int(random.bounded(2 * grain + 1)) - grain, 0, 255);
                };
                const int red = noisy(qRed(row[x])), green = noisy(qGreen(row[x]));
                row[x] = qRgb(red, green, noisy(qBlue(row[x])));
            }
        }
        const QStringList lines = licenceLines(random, 2, 40 + 4 * i);
        const QFont font = pixelFont(proportional.at(i % proportional.size()), 20 + 2 * i);
        const QFontMetrics metrics(font);
        QPainter painter(&photo);
        painter.setFont(font);
        for (int l = 0; l < lines.size(); ++l) {
            const QPoint at(24, 50 + metrics.ascent() + l * int(metrics.height() * 1.5));
            if (i % 2 == 1) {
                painter.setPen(QColor(0, 0, 0, 140));
                painter.drawText(at + QPoint(2, 2), lines.at(l));
            }
            painter.setPen(Qt::white);
            painter.drawText(at, lines.at(l));
        }
        painter.end();
        set.append({QStringLiteral("photo"),
                    QStringLiteral("photo-") + number(i),
                    photo,
                    lines.join(QLatin1Char('\n')),
                    {},
                    {}});
    }
}

} // namespace

// A Gaussian blur of sigma pixels, row then column: a capture through a video call or a remote
// desktop, or a screenshot resized.
QImage blurredImage(const QImage& source, double sigma)
{
    const int radius = int(std::ceil(3 * sigma));
    std::vector<double> kernel;
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel.emplace_back(std::exp(-i * i / (2 * sigma * sigma)));
    for (double& weight : kernel)
        weight /= sum;
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    for (const bool rows : {true, false}) {
        const QImage from = image;
        for (int y = 0; y < image.height(); ++y) {
            QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                double r = 0.0, g = 0.0, b = 0.0;
                for (int i = -radius; i <= radius; ++i) {
                    const QRgb pixel = rows ? from.pixel(std::clamp(x + i, 0, image.width() - 1), y)
                                            : from.pixel(x, std::clamp(y + i, 0, image.height() - 1));
                    const double weight = kernel[std::size_t(i + radius)];
                    r += weight * qRed(pixel);
                    g += weight * qGreen(pixel);
                    b += weight * qBlue(pixel);
                }
                out[x] = qRgb(int(std::lround(r)), int(std::lround(g)), int(std::lround(b)));
            }
        }
    }
    return image;
}

// Blurred captures, and single words on chips and outlined buttons, the look of a label dragged
// round in a toolbar or a list of tags.
void appendBlurredAndButtons(QList<EvaluationImage>& set,
                             QRandomGenerator& random,
                             const QStringList& proportional)
{
    const QList<Theme> themes = {{"light", QColor(0xff, 0xff, 0xff), QColor(0x1d, 0x1d, 0x1f)},
                                 {"dark", QColor(0x1e, 0x1e, 0x1e), QColor(0xd4, 0xd4, 0xd4)}};
    int face = 0;
    for (const double sigma : {0.9, 1.2, 1.5}) {
        for (const Theme& theme : themes) {
            const QStringList lines = licenceLines(random, 4, 45 + int(random.bounded(20)));
            const QImage clean = renderLines(
                lines, pixelFont(proportional.at(face++ % 4), 12 + int(random.bounded(3))), theme, 1.0);
            set.append({QStringLiteral("blurred"),
                        QStringLiteral("blurred-%1-%2").arg(int(sigma * 10)).arg(QLatin1String(theme.name)),
                        blurredImage(clean, sigma),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }
    const QList<QColor> accents = {QColor(0xe9, 0x54, 0x20), QColor(0x35, 0x84, 0xe4),
                                   QColor(0x26, 0xa2, 0x69), QColor(0xc0, 0x1c, 0x28),
                                   QColor(0x1e, 0x1e, 0x2e), QColor(0x30, 0x30, 0x30)};
    for (int i = 0; i < 8; ++i) {
        const QString word = pick(random, words(), 1).value(0);
        const QFont font = pixelFont(proportional.at(i % 2 ? 0 : 1), 14 + 2 * (i % 3));
        const QFontMetrics metrics(font);
        const bool chip = i % 2 == 0;
        const QSize size(metrics.horizontalAdvance(word) + 28, metrics.height() + 18);
        QImage image(size, QImage::Format_RGB32);
        image.fill(i % 4 == 3 ? QColor(0x18, 0x18, 0x25) : QColor(0xff, 0xff, 0xff));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF body = QRectF(QPointF(0, 0), size).adjusted(2.5, 2.5, -2.5, -2.5);
        painter.setBrush(accents.at(i % accents.size()));
        painter.setPen(chip ? QPen(Qt::NoPen) : QPen(QColor(0x88, 0x88, 0x88), 1.0));
        const double round = chip ? body.height() / 2 : 5.0;
        painter.drawRoundedRect(body, round, round);
        painter.setFont(font);
        painter.setPen(i % 4 == 3 ? QColor(0x89, 0xb4, 0xfa) : QColor(Qt::white));
        painter.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, word);
        painter.end();
        set.append({QStringLiteral("buttons"), QStringLiteral("buttons-") + number(i), image, word, {}, {}});
    }
}

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

    // Coloured backgrounds in every hue: light text on saturated mid-tones (selected rows,
    // buttons, notices) and dark text on lighter saturated colours.
    for (int hue = 0; hue < 360; hue += 30) {
        for (bool lightText : {true, false}) {
            const double value =
                lightText ? 0.5 + 0.35 * random.generateDouble() : 0.8 + 0.2 * random.generateDouble();
            const QColor background =
                QColor::fromHsvF(float(hue) / 360.0f, lightText ? 0.75f : 0.6f, float(value));
            const Theme theme{"colour", background, lightText ? QColor(Qt::white) : QColor(0x1d, 0x1d, 0x1f)};
            const QStringList lines = licenceLines(random, 3, 40 + int(random.bounded(25)));
            const int size = 11 + int(random.bounded(7));
            set.append({QStringLiteral("colour"),
                        QStringLiteral("colour-%1-%2")
                            .arg(hue, 3, 10, QLatin1Char('0'))
                            .arg(lightText ? u"light" : u"dark"),
                        renderLines(lines, pixelFont(proportional.at(index++ % 4), size), theme, 1.0),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }

    // Syntax-coloured code from real headers in light and dark editor themes.
    const QList<EditorTheme> editors = {
        {"light", QColor(0xff, 0xff, 0xff), QColor(0x00, 0x00, 0x00), QColor(0x00, 0x00, 0xff),
         QColor(0xa3, 0x15, 0x15), QColor(0x00, 0x80, 0x00), QColor(0x09, 0x86, 0x58)},
        {"dark", QColor(0x1e, 0x1e, 0x1e), QColor(0xd4, 0xd4, 0xd4), QColor(0x56, 0x9c, 0xd6),
         QColor(0xce, 0x91, 0x78), QColor(0x6a, 0x99, 0x55), QColor(0xb5, 0xce, 0xa8)},
        {"solarized", QColor(0xfd, 0xf6, 0xe3), QColor(0x65, 0x7b, 0x83), QColor(0x85, 0x99, 0x00),
         QColor(0x2a, 0xa1, 0x98), QColor(0x93, 0xa1, 0xa1), QColor(0xd3, 0x36, 0x82)},
        {"monokai", QColor(0x27, 0x28, 0x22), QColor(0xf8, 0xf8, 0xf2), QColor(0xf9, 0x26, 0x72),
         QColor(0xe6, 0xdb, 0x74), QColor(0x75, 0x71, 0x5e), QColor(0xae, 0x81, 0xff)},
    };
    for (int i = 0; i < 8; ++i) {
        const EditorTheme& theme = editors.at(i % editors.size());
        const QStringList lines = headerLines(random, 8);
        if (lines.isEmpty())
            break;
        const QFont font = pixelFont(
            i % 2 ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("Nimbus Mono PS"), 12 + i % 4);
        const QFontMetrics metrics(font);
        int width = 0;
        for (const QString& line : lines)
            width = std::max(width, metrics.horizontalAdvance(line));
        const int lineHeight = int(metrics.height() * 1.35);
        QImage image(width + 24, lineHeight * int(lines.size()) + 16, QImage::Format_RGB32);
        image.fill(theme.background);
        QPainter painter(&image);
        painter.setFont(font);
        for (int l = 0; l < lines.size(); ++l)
            drawCode(painter, font, QPoint(12, 8 + lineHeight * l + metrics.ascent()), lines.at(l), theme);
        painter.end();
        set.append({QStringLiteral("syntax"),
                    QStringLiteral("syntax-") + QLatin1String(theme.name) + QLatin1Char('-') + number(i),
                    image,
                    lines.join(QLatin1Char('\n')),
                    {},
                    {}});
    }

    // Text beside a QR code and a barcode, in random layouts.
    for (int i = 0; i < 6; ++i) {
        QImage image(1000, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        const QString qrPayload = QStringLiteral("https://example.org/item/%1").arg(1000 + i);
        const QString barPayload = QStringLiteral("VX-%1").arg(482910 + 7 * i);
        const QImage qr = qrCode(qrPayload, 8).scaled(300, 300);
        const bool qrLeft = i % 2 == 0;
        const int qrX = qrLeft ? 20 + int(random.bounded(40)) : 660 + int(random.bounded(20));
        painter.drawImage(qrX, 50 + int(random.bounded(40)), qr);
        const int columnX = qrLeft ? 380 + int(random.bounded(40)) : 20 + int(random.bounded(40));
        const QImage bar = code128Image(barPayload, {400, 100 + int(random.bounded(30))});
        const int barY = 40 + int(random.bounded(80));
        painter.drawImage(columnX, barY, bar);
        const QStringList lines = licenceLines(random, 1 + i % 2, 22);
        const QFont font = pixelFont(proportional.at(index++ % 4), 24 + int(random.bounded(8)));
        painter.setFont(font);
        painter.setPen(QColor(0x1d, 0x1d, 0x1f));
        const QFontMetrics metrics(font);
        for (int l = 0; l < lines.size(); ++l)
            painter.drawText(columnX,
                             barY + bar.height() + 40 + metrics.ascent() + int(metrics.height() * 1.3) * l,
                             lines.at(l));
        painter.end();
        set.append({QStringLiteral("codes-text"),
                    QStringLiteral("codes-text-") + number(i),
                    image,
                    lines.join(QLatin1Char('\n')),
                    {qrPayload, barPayload},
                    {}});
    }

    // Interface screenshots: a list with a highlighted row, a two-column settings list, a table.
    const QStringList messages = catalogue({});
    const QList<QColor> accents = {QColor(0x2f, 0x6f, 0xd6), QColor(0x35, 0x84, 0xe4),
                                   QColor(0xe9, 0x54, 0x20), QColor(0x26, 0xa2, 0x69)};
    for (int i = 0; i < 6 && messages.size() > 20; ++i) {
        const bool darkTheme = i % 3 == 2;
        const Theme theme = darkTheme ? themes.at(1) : themes.at(0);
        const QFont font = pixelFont(proportional.at(index++ % 2), 12 + i % 3);
        const QFontMetrics metrics(font);
        const int rowHeight = metrics.height() + 12;
        const QStringList rows = pick(random, messages, 6);
        QStringList expected;
        QImage image(i % 2 ? 760 : 520, rowHeight * 7 + 10, QImage::Format_RGB32);
        image.fill(theme.background);
        QPainter painter(&image);
        painter.setFont(font);
        const int selected = int(random.bounded(6));
        for (int r = 0; r < rows.size(); ++r) {
            const int y = 8 + r * rowHeight;
            QColor pen = theme.text;
            if (r == selected) {
                painter.fillRect(4, y, image.width() - 8, rowHeight, accents.at(i % accents.size()));
                pen = Qt::white;
            } else if (i % 2 && r % 2) {
                painter.fillRect(4, y, image.width() - 8, rowHeight,
                                 darkTheme ? QColor(0x2a, 0x2a, 0x2a) : QColor(0xf2, 0xf2, 0xf2));
            }
            painter.setPen(pen);
            const int baseline = y + 6 + metrics.ascent();
            if (i % 2) { // two columns: a setting and its value, or a table row
                const QString value = QStringLiteral("%1 MB").arg(random.bounded(900) + 10);
                painter.drawText(16, baseline, rows.at(r).left(60));
                painter.drawText(image.width() - 16 - metrics.horizontalAdvance(value), baseline, value);
                expected.append(rows.at(r).left(60).trimmed() + QLatin1Char(' ') + value);
            } else {
                painter.drawText(16, baseline, rows.at(r));
                expected.append(rows.at(r));
            }
        }
        painter.end();
        set.append({QStringLiteral("ui"),
                    QStringLiteral("ui-") + number(i),
                    image,
                    expected.join(QLatin1Char('\n')),
                    {},
                    {}});
    }

    // German, French, Spanish and Russian interface text with no language given.
    for (const char* language : {"de", "fr", "es", "ru"}) {
        const QStringList translated = catalogue(QLatin1String(language));
        for (int i = 0; i < 2 && translated.size() > 20; ++i) {
            const QStringList lines = pick(random, translated, 4);
            const Theme& theme = themes.at(i);
            set.append({QStringLiteral("auto-language"),
                        QStringLiteral("auto-") + QLatin1String(language) + QLatin1Char('-') + number(i),
                        renderLines(lines, pixelFont(proportional.at(index++ % 4), 12 + 2 * i), theme, 1.0),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }

    // How screens and shared pictures really look: fractional display scales, JPEG copies,
    // LCD subpixel rendering, bold and italic styles. A generator of their own, so that the
    // classes above keep their images.
    QRandomGenerator other(20261207);
    int face = 0;
    for (double dpr : {1.25, 1.5, 1.75}) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            const QStringList lines = licenceLines(other, 4, 50 + int(other.bounded(20)));
            const int size = 10 + int(other.bounded(4));
            set.append({QStringLiteral("scaled"),
                        QStringLiteral("scaled-%1-%2").arg(int(dpr * 100)).arg(QLatin1String(theme.name)),
                        renderLines(lines, pixelFont(proportional.at(face++ % 4), size), theme, dpr),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }
    for (int quality : {45, 60, 75}) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            const QStringList lines = licenceLines(other, 4, 45 + int(other.bounded(20)));
            const QImage clean = renderLines(
                lines, pixelFont(proportional.at(face++ % 4), 12 + int(other.bounded(4))), theme, 1.0);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            clean.save(&buffer, "JPG", quality);
            set.append({QStringLiteral("jpeg"),
                        QStringLiteral("jpeg-%1-%2").arg(quality).arg(QLatin1String(theme.name)),
                        QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB32),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }
    // Subpixel rendering: coverage drawn three times as wide, one column per colour channel.
    for (int size : {10, 12, 14}) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            const QStringList lines = licenceLines(other, 4, 45 + int(other.bounded(20)));
            QFont font = pixelFont(proportional.at(face++ % 4), size);
            font.setStretch(300);
            const QImage coverage = renderLines(lines, font, {"mask", Qt::black, Qt::white}, 1.0);
            QImage image(coverage.width() / 3, coverage.height(), QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y) {
                const QRgb* in = reinterpret_cast<const QRgb*>(coverage.constScanLine(y));
                QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
                auto mix = [](int from, int to, int amount) { return from + (to - from) * amount / 255; };
                for (int x = 0; x < image.width(); ++x)
                    out[x] = qRgb(mix(theme.background.red(), theme.text.red(), qGray(in[3 * x])),
                                  mix(theme.background.green(), theme.text.green(), qGray(in[3 * x + 1])),
                                  mix(theme.background.blue(), theme.text.blue(), qGray(in[3 * x + 2])));
            }
            set.append({QStringLiteral("subpixel"),
                        QStringLiteral("subpixel-%1-%2").arg(size).arg(QLatin1String(theme.name)),
                        image,
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }
    for (int style = 0; style < 3; ++style) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            const QStringList lines = licenceLines(other, 4, 40 + int(other.bounded(20)));
            QFont font = pixelFont(proportional.at(face++ % 4), style == 2 ? 22 : 12 + int(other.bounded(4)));
            font.setBold(style != 1);
            font.setItalic(style != 0);
            set.append({QStringLiteral("styled"),
                        QStringLiteral("styled-%1-%2").arg(style).arg(QLatin1String(theme.name)),
                        renderLines(lines, font, theme, 1.0),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }
    // Secondary text: placeholders, captions and timestamps in low contrast.
    const QList<Theme> faint = {{"faint-light", QColor(0xff, 0xff, 0xff), QColor(0x8e, 0x8e, 0x93)},
                                {"faint-grey", QColor(0xf2, 0xf2, 0xf2), QColor(0x8a, 0x8a, 0x8a)},
                                {"faint-dark", QColor(0x1e, 0x1e, 0x1e), QColor(0x7a, 0x7a, 0x7a)}};
    for (const Theme& theme : faint) {
        for (int size : {11, 13}) {
            const QStringList lines = licenceLines(other, 3, 40 + int(other.bounded(20)));
            set.append({QStringLiteral("faint"),
                        QLatin1String(theme.name) + QLatin1Char('-') + number(size),
                        renderLines(lines, pixelFont(proportional.at(face++ % 4), size), theme, 1.0),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }
    // A spreadsheet: ruled cells, a header row, numbers right-aligned.
    for (int i = 0; i < 4; ++i) {
        const QFont font = pixelFont(proportional.at(face++ % 2), 12 + i);
        const QFontMetrics metrics(font);
        const int rows = 6, columns = 4, cellHeight = metrics.height() + 10, cellWidth = 150 + 10 * i;
        QImage image(columns * cellWidth + 1, rows * cellHeight + 1, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.fillRect(0, 0, image.width(), cellHeight, QColor(0xe8, 0xea, 0xed));
        QStringList expected;
        for (int r = 0; r < rows; ++r) {
            QStringList cells;
            for (int c = 0; c < columns; ++c) {
                const QString cell = r == 0   ? words().at(int(other.bounded(40)))
                                     : c == 0 ? words().at(int(other.bounded(60)))
                                              : QString::number(other.bounded(100000) / 100.0, 'f', 2);
                const QRect box(c * cellWidth + 6, r * cellHeight, cellWidth - 12, cellHeight);
                painter.setPen(QColor(0x20, 0x21, 0x24));
                painter.drawText(box, Qt::AlignVCenter | (c == 0 || r == 0 ? Qt::AlignLeft : Qt::AlignRight),
                                 cell);
                cells.append(cell);
            }
            expected.append(cells.join(QLatin1Char(' ')));
        }
        painter.setPen(QColor(0xc0, 0xc4, 0xc8));
        for (int r = 0; r <= rows; ++r)
            painter.drawLine(0, r * cellHeight, image.width(), r * cellHeight);
        for (int c = 0; c <= columns; ++c)
            painter.drawLine(c * cellWidth, 0, c * cellWidth, image.height());
        painter.end();
        set.append({QStringLiteral("grid"),
                    QStringLiteral("grid-") + number(i),
                    image,
                    expected.join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    // Text over a gradient, as on banners and title bars.
    for (int i = 0; i < 4; ++i) {
        const QStringList lines = licenceLines(other, 3, 40 + int(other.bounded(15)));
        const bool lightText = i % 2 == 1;
        const QFont font = pixelFont(proportional.at(face++ % 4), 13 + i);
        QImage image = renderLines(lines, font, {"g", Qt::white, Qt::black}, 1.0);
        QLinearGradient gradient(0, 0, image.width(), image.height());
        const QColor from = QColor::fromHsv(int(other.bounded(360)), 90, lightText ? 120 : 250);
        const QColor to = QColor::fromHsv(int(other.bounded(360)), 140, lightText ? 70 : 200);
        gradient.setColorAt(0, from);
        gradient.setColorAt(1, to);
        QImage banner(image.size(), QImage::Format_RGB32);
        QPainter painter(&banner);
        painter.fillRect(banner.rect(), gradient);
        painter.setFont(font);
        painter.setPen(lightText ? Qt::white : QColor(0x1d, 0x1d, 0x1f));
        const QFontMetrics metrics(font);
        const int lineHeight = int(metrics.height() * 1.4);
        for (int l = 0; l < lines.size(); ++l)
            painter.drawText(QPoint(12, 8 + lineHeight * l + metrics.ascent()), lines.at(l));
        painter.end();
        set.append({QStringLiteral("gradient"),
                    QStringLiteral("gradient-") + number(i),
                    banner,
                    lines.join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    // Looks of their own generator again: aliased fonts, a web page with a heading and links,
    // subtitles over a photograph, and an article in two columns.
    QRandomGenerator more(20261208);
    for (int size : {10, 12, 14}) {
        for (const Theme& theme : {themes.at(0), themes.at(1)}) {
            const QStringList lines = licenceLines(more, 4, 45 + int(more.bounded(20)));
            QFont font = pixelFont(proportional.at(face++ % 4), size);
            font.setStyleStrategy(QFont::NoAntialias);
            font.setHintingPreference(QFont::PreferFullHinting);
            set.append({QStringLiteral("aliased"),
                        QStringLiteral("aliased-%1-%2").arg(size).arg(QLatin1String(theme.name)),
                        renderLines(lines, font, theme, 1.0),
                        lines.join(QLatin1Char('\n')),
                        {},
                        {}});
        }
    }
    for (int i = 0; i < 4; ++i) {
        const Theme& theme = themes.at(i % 2);
        const QColor link = i % 2 ? QColor(0x8a, 0xb4, 0xf8) : QColor(0x1a, 0x0d, 0xab);
        QFont heading = pixelFont(proportional.at(face % 4), 22 + 2 * i);
        heading.setBold(true);
        const QFont body = pixelFont(proportional.at(face++ % 4), 13 + i % 3);
        const QFontMetrics headingMetrics(heading), bodyMetrics(body);
        const QStringList title = licenceLines(more, 1, 24);
        const QStringList lines = licenceLines(more, 5, 55 + int(more.bounded(15)));
        int width = headingMetrics.horizontalAdvance(title.first());
        for (const QString& line : lines)
            width = std::max(width, bodyMetrics.horizontalAdvance(line));
        const int lineHeight = int(bodyMetrics.height() * 1.5);
        QImage image(width + 32, headingMetrics.height() * 2 + lineHeight * int(lines.size()) + 16,
                     QImage::Format_RGB32);
        image.fill(theme.background);
        QPainter painter(&image);
        painter.setFont(heading);
        painter.setPen(theme.text);
        painter.drawText(16, 12 + headingMetrics.ascent(), title.first());
        int y = 12 + headingMetrics.height() * 2;
        for (const QString& line : lines) {
            int x = 16;
            const QStringList parts = line.split(QLatin1Char(' '));
            for (int w = 0; w < parts.size(); ++w) {
                const bool linked = (w + i) % 5 == 2;
                QFont font = body;
                font.setUnderline(linked);
                painter.setFont(font);
                painter.setPen(linked ? link : theme.text);
                painter.drawText(x, y + bodyMetrics.ascent(), parts.at(w));
                x += bodyMetrics.horizontalAdvance(parts.at(w) + QLatin1Char(' '));
            }
            y += lineHeight;
        }
        painter.end();
        set.append({QStringLiteral("web"),
                    QStringLiteral("web-") + number(i),
                    image,
                    (title + lines).join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    for (int i = 0; i < 4; ++i) {
        const QColor base = QColor::fromHsv(int(more.bounded(360)), 80, 60 + int(more.bounded(120)));
        QImage photo = pictureImage(more, {960, 300}, base);
        const QStringList lines = pick(more, catalogue({}), 2);
        QFont font = pixelFont(proportional.at(face++ % 2), 24 + 2 * i);
        font.setBold(i % 2 == 0);
        const QFontMetrics metrics(font);
        QPainter painter(&photo);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int l = 0; l < lines.size(); ++l) {
            QPainterPath path;
            const int x = (photo.width() - metrics.horizontalAdvance(lines.at(l))) / 2;
            path.addText(x, 180 + l * int(metrics.height() * 1.25), font, lines.at(l));
            painter.strokePath(path, QPen(Qt::black, 3 + i % 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.fillPath(path, i == 3 ? QColor(0xff, 0xe0, 0x40) : QColor(Qt::white));
        }
        painter.end();
        set.append({QStringLiteral("subtitle"),
                    QStringLiteral("subtitle-") + number(i),
                    photo,
                    lines.join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    for (int i = 0; i < 4; ++i) {
        const Theme& theme = themes.at(i % 3 == 2 ? 1 : 0);
        const QFont font = pixelFont(proportional.at(face++ % 4), 12 + i);
        const QStringList left = licenceLines(more, 8, 34);
        const QStringList right = licenceLines(more, 8, 34);
        const QImage a = renderLines(left, font, theme, 1.0);
        const QImage b = renderLines(right, font, theme, 1.0);
        QImage page(a.width() + b.width() + 24 + 8 * i, std::max(a.height(), b.height()),
                    QImage::Format_RGB32);
        page.fill(theme.background);
        QPainter painter(&page);
        painter.drawImage(0, 0, a);
        painter.drawImage(page.width() - b.width(), 0, b);
        painter.end();
        set.append({QStringLiteral("columns"),
                    QStringLiteral("columns-") + number(i),
                    page,
                    (left + right).join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    // A chat: bubbles on both sides, one below the other, read in the conversation's order.
    for (int i = 0; i < 4; ++i) {
        const bool darkTheme = i % 2 == 1;
        const QFont font = pixelFont(proportional.at(face++ % 2), 13 + i % 3);
        const QFontMetrics metrics(font);
        const QStringList said = pick(more, catalogue({}), 6);
        QImage image(720, 30 + 6 * (2 * metrics.height() + 34), QImage::Format_RGB32);
        image.fill(darkTheme ? QColor(0x12, 0x12, 0x14) : QColor(0xff, 0xff, 0xff));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(font);
        QStringList expected;
        int y = 16;
        for (int m = 0; m < said.size(); ++m) {
            const bool mine = (m + i) % 2 == 1;
            // Long messages wrap onto a second line, as a bubble's width allows.
            const QStringList words = said.at(m).split(QLatin1Char(' '));
            const qsizetype half = words.size() > 5 ? words.size() / 2 : words.size();
            QStringList lines = {words.mid(0, half).join(QLatin1Char(' '))};
            if (half < words.size())
                lines.append(words.mid(half).join(QLatin1Char(' ')));
            int width = 0;
            for (const QString& line : lines)
                width = std::max(width, metrics.horizontalAdvance(line));
            const QRect bubble(mine ? image.width() - width - 40 : 12, y, width + 28,
                               int(lines.size()) * metrics.height() + 16);
            const QColor fill = mine ? QColor(0x00, 0x7a, 0xff)
                                     : (darkTheme ? QColor(0x2c, 0x2c, 0x2e) : QColor(0xe9, 0xe9, 0xeb));
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRoundedRect(bubble, 14, 14);
            painter.setPen(mine || darkTheme ? QColor(Qt::white) : QColor(0x1d, 0x1d, 0x1f));
            for (int l = 0; l < lines.size(); ++l)
                painter.drawText(bubble.left() + 14,
                                 bubble.top() + 8 + metrics.ascent() + l * metrics.height(), lines.at(l));
            expected += lines;
            y = bubble.bottom() + 10;
        }
        painter.end();
        set.append({QStringLiteral("chat"),
                    QStringLiteral("chat-") + number(i),
                    image.copy(0, 0, image.width(), std::min(image.height(), y + 6)),
                    expected.join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    // Toolbars and side lists: small drawn icons beside their labels, and a large heading.
    for (int i = 0; i < 4; ++i) {
        const bool darkTheme = i % 2 == 1;
        const Theme& theme = themes.at(darkTheme ? 1 : 0);
        const QFont font = pixelFont(proportional.at(face++ % 2), 13 + i % 2);
        QFont heading = font;
        heading.setPixelSize(30 + 4 * i);
        heading.setBold(true);
        const QFontMetrics metrics(font), headingMetrics(heading);
        const QStringList title = pick(more, catalogue({}), 1);
        const QStringList labels = pick(more, catalogue({}), 5);
        const int rowHeight = metrics.height() + 14;
        int width = headingMetrics.horizontalAdvance(title.first());
        for (const QString& label : labels)
            width = std::max(width, 40 + metrics.horizontalAdvance(label));
        QImage image(width + 40, headingMetrics.height() + 30 + rowHeight * int(labels.size()),
                     QImage::Format_RGB32);
        image.fill(theme.background);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(heading);
        painter.setPen(theme.text);
        painter.drawText(16, 10 + headingMetrics.ascent(), title.first());
        for (int r = 0; r < labels.size(); ++r) {
            const int y = headingMetrics.height() + 24 + r * rowHeight;
            const QRectF icon(16, y + 2, rowHeight - 18, rowHeight - 18);
            painter.setPen(QPen(theme.text, 1.6));
            painter.setBrush(Qt::NoBrush);
            switch ((r + i) % 5) {
            case 0: // a magnifier
                painter.drawEllipse(icon.adjusted(0, 0, -4, -4));
                painter.drawLine(icon.bottomRight() - QPointF(5, 5), icon.bottomRight());
                break;
            case 1: // a menu
                for (int l = 0; l < 3; ++l)
                    painter.drawLine(QPointF(icon.left(), icon.top() + 2 + l * icon.height() / 3),
                                     QPointF(icon.right(), icon.top() + 2 + l * icon.height() / 3));
                break;
            case 2: // a folder
                painter.drawPolygon(QPolygonF{icon.bottomLeft(), icon.topLeft() + QPointF(0, 3),
                                              icon.topLeft() + QPointF(5, 3), icon.topLeft() + QPointF(7, 5),
                                              icon.topRight() + QPointF(0, 5), icon.bottomRight()});
                break;
            case 3: // a check mark
                painter.drawPolyline(QPolygonF{icon.topLeft() + QPointF(1, icon.height() / 2),
                                               icon.topLeft() + QPointF(icon.width() / 3, icon.height() - 2),
                                               icon.topRight() + QPointF(-1, 2)});
                break;
            default: // a filled dot, as a status light
                painter.setBrush(QColor(0x34, 0xc7, 0x59));
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(icon.adjusted(2, 2, -2, -2));
            }
            painter.setFont(font);
            painter.setPen(theme.text);
            painter.drawText(int(icon.right()) + 12, y + 7 + metrics.ascent() - 4, labels.at(r));
        }
        painter.end();
        set.append({QStringLiteral("icons"),
                    QStringLiteral("icons-") + number(i),
                    image,
                    (title + labels).join(QLatin1Char('\n')),
                    {},
                    {}});
    }
    // Tiny and huge text, a terminal's coloured code on black, and a tab bar of spaced labels.
    for (int i = 0; i < 4; ++i) {
        const Theme& theme = themes.at(i % 2);
        const QStringList small = licenceLines(more, 3, 40);
        set.append({QStringLiteral("tiny"),
                    QStringLiteral("tiny-") + number(i),
                    renderLines(small, pixelFont(proportional.at(face++ % 4), 8), theme, 1.0),
                    small.join(QLatin1Char('\n')),
                    {},
                    {}});
        const QStringList big = licenceLines(more, 2, 18);
        set.append({QStringLiteral("huge"),
                    QStringLiteral("huge-") + number(i),
                    renderLines(big, pixelFont(proportional.at(face++ % 4), 44 + 8 * i), theme, 1.0),
                    big.join(QLatin1Char('\n')),
                    {},
                    {}});
        const QStringList session = headerLines(more, 6);
        const Theme terminal{"terminal", QColor(0x0c, 0x0c, 0x0c),
                             i % 2 ? QColor(0x33, 0xff, 0x66) : QColor(0xff, 0xb0, 0x00)};
        set.append(
            {QStringLiteral("terminal"),
             QStringLiteral("terminal-") + number(i),
             renderLines(session, pixelFont(QStringLiteral("DejaVu Sans Mono"), 12 + i), terminal, 1.0),
             session.join(QLatin1Char('\n')),
             {},
             {}});
        const QStringList tabs = pick(more, words(), 6);
        set.append({QStringLiteral("tabs"),
                    QStringLiteral("tabs-") + number(i),
                    renderLines({tabs.join(QStringLiteral("      "))},
                                pixelFont(proportional.at(face++ % 2), 13), theme, 1.0),
                    tabs.join(QLatin1Char(' ')),
                    {},
                    {}});
    }
    // Classes added later draw from a generator of their own, so the images above stay as they were.
    QRandomGenerator later(20261209);
    appendLaterClasses(set, later, proportional);
    QRandomGenerator latest(20261210);
    appendBlurredAndButtons(set, latest, proportional);
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
