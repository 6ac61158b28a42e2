// SPDX-License-Identifier: GPL-3.0-or-later
// Page geometry shared by the code that reads pages with qpdf; internal to the core library.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace vellumix::PDFService {

// What viewers and the renderer show: the crop box clipped to the media box.
QPDFObjectHandle::Rectangle visibleBox(QPDFPageObjectHelper& page);

} // namespace vellumix::PDFService
