// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the engine's tests and the recognition benchmark.

#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>

// A photograph's stand-in: soft blobs of colour over a base, with sensor grain.
inline QImage pictureImage(QRandomGenerator& random, QSize size, QColor base)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(base);
    QPainter painter(&picture);
    for (int b = 0; b < 14; ++b) {
        const QPointF centre(random.bounded(size.width()), random.bounded(size.height()));
        QRadialGradient blob(centre, 60 + random.bounded(160));
        blob.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), int(random.bounded(200)),
                                           40 + int(random.bounded(215))));
        blob.setColorAt(1, Qt::transparent);
        painter.fillRect(picture.rect(), blob);
    }
    painter.end();
    for (int y = 0; y < picture.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int n = int(random.bounded(25)) - 12;
            row[x] = qRgb(std::clamp(qRed(row[x]) + n, 0, 255), std::clamp(qGreen(row[x]) + n, 0, 255),
                          std::clamp(qBlue(row[x]) + n, 0, 255));
        }
    }
    return picture;
}
