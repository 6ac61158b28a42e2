// SPDX-License-Identifier: GPL-3.0-or-later
// The image loader on arbitrary bytes, as from standard input or the clipboard.
#include "FuzzTarget.h"

#include "core/Errors.h"
#include "core/ImageLoader.h"

#include <QByteArray>
#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vellumix::fuzz::ensureApplication();
    try {
        const QImage image =
            vellumix::ImageLoader::loadData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        vellumix::fuzz::check(!image.isNull() &&
                              double(image.width()) * image.height() <= vellumix::ImageLoader::maximumPixels);
    } catch (const vellumix::Error&) {
    }
    return 0;
}
