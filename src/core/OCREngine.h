// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Cancellation.h"
#include "core/Records.h"

#include <QImage>
#include <QStringList>

namespace vellumix {

// A recognition engine. recognize() blocks and is called off the GUI thread; implementations
// must allow calls from several threads. A cancelled token ends the call with Cancelled, never
// with a partial result; other failures throw an Error.
class OCREngine
{
public:
    virtual ~OCREngine() = default;

    virtual Recognition
    recognize(const QImage& image, const OCROptions& options, const CancelToken& cancel) = 0;
    virtual QStringList languages() const = 0;
};

} // namespace vellumix
