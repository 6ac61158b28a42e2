// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

class QImage;
class QRect;

namespace vellumix {

// Pixel preparation shared by the text and barcode passes.
namespace ScreenImage {

// 8-bit grey; transparent pixels are composited onto white first, as a viewer shows them.
QImage grey(const QImage& image);

// Dark-on-light everywhere: areas whose neighbourhood is dark (a dark theme, a dark sidebar in
// a light window) are inverted. radius is the half-width of the neighbourhood in pixels.
// darkRegions, when given, receives a mask of the inverted areas (255) when there are any.
QImage normalizePolarity(const QImage& grey, int radius, QImage* darkRegions = nullptr);

// Leptonica's linear-interpolation upscaling of 8-bit grey, optionally with unsharp masking;
// null on failure.
QImage scale(const QImage& grey, double factor, bool sharpen);

// Whether the paper of dark-on-light grey changes much across the image (a gradient, a photo),
// judged by the lightest level in each small area: Tesseract's global threshold then loses
// the text on the darker side.
bool unevenPaper(const QImage& grey);

// Areas of dark-on-light grey whose paper is darker than the rest by shade levels or more:
// bubbles, panels and selected rows, whose text a global threshold turns into solid blocks.
// Empty for a picture.
std::vector<QRect> panels(const QImage& grey, int shade);

// Whether most of the grey is dark: a dark theme's window.
bool darkPaper(const QImage& grey);

// Whether no level holds a fifth of the grey: a photograph's noise, where a screen's paper is
// flat.
bool photographed(const QImage& grey);

// Whether the edges of the text are soft: a capture scaled by a remote desktop or a video
// call, a screenshot resized, a camera out of focus.
bool blurred(const QImage& grey);

// Grey upscaled twice and strongly sharpened (unsharp masking), which gives blurred letters
// back their strokes; null on failure.
QImage sharpened(const QImage& grey);

// The angle in degrees, clockwise, that levels the text lines of dark-on-light grey; 0 where
// they are level already.
double skew(const QImage& grey);

// The image turned clockwise by degrees about its centre, at its size; what turns in at the
// corners is its middle grey.
QImage levelled(const QImage& image, double degrees);

// Dark buttons, bars and badges too small for polarity normalisation to invert: wide, solid
// areas of dark paper with something light inside.
std::vector<QRect> darkWidgets(const QImage& grey);

// Chips, buttons and cards of a colour image: areas of any colour but the window's with a rim
// all round, filled or drawn. Where painted is given (the image's grey), what lies outside a
// filled chip's rounded corners takes its shade there, and a drawn chip's outline the shade of
// its inside: at a crop's sides, either reads as letters. Empty for a texture.
std::vector<QRect> chips(const QImage& image, QImage* painted = nullptr);

// A panel's grey made dark on light (its usual level is the paper) and stretched so that the
// paper is white, and anything lighter (the panel's rim) white too.
QImage stretchToPaper(const QImage& grey);

// Dark-on-light grey with small specks of ink in its corners turned to paper, and ink all round
// the rest (a frame, a ring): a rounded panel's corners, outside it, draw Tesseract's text line
// from corner to corner, and a button's outline makes its label a picture.
QImage withoutCorners(const QImage& grey);

// Of the ink of dark-on-light grey (levels far below its paper), the share that lies outside
// boxes: text a reading left out, or a picture.
double inkOutside(const QImage& grey, const std::vector<QRect>& boxes);

// Whether text is drawn without anti-aliasing: nearly every pixel is paper or ink, hardly any
// lies between them.
bool hardEdged(const QImage& grey);

// Whether the first stroke in box of grey, up to the first column without ink, lies wholly in
// the upper part between the box's top and the baseline: a quote mark, not a letter's arm.
// True where the box is too small or too faint to tell.
bool raisedMarkFirst(const QImage& grey, const QRect& box, int baseline);

// Ink of grey the size of words, lines of about `height` pixels, outside the boxes of the
// lines read: words layout analysis left out.
std::vector<QRect> lostWords(const QImage& grey, const std::vector<QRect>& lines, int height);
// The same, for ink only `contrast` levels darker than the paper around it, however light the
// rest of the capture.
std::vector<QRect> faintWords(const QImage& grey, const std::vector<QRect>& lines, int height, int contrast);

// Whether box of grey holds a solid shape (an icon), not strokes: more than half of it is on the
// darker side of its levels' middle. False where it is too faint to tell.
bool solidShape(const QImage& grey, const QRect& box);

// The difference between the lightest and the darkest level within box of grey.
int contrast(const QImage& grey, const QRect& box);

// Light letters inside dark outlines (captions over a picture) as black on white, the picture
// gone: the lightest areas that the outlines close off from the image's edges, within a stroke
// of them. Null when there are none.
QImage outlinedInk(const QImage& grey);

// Whether grey is a picture: no shade of paper covers a tenth of it.
bool picture(const QImage& grey);

// In a picture (no shade of paper covers a tenth of grey), its lightest pixels as black on white:
// white letters over a photograph. Those within a little of the lightest two hundredth, and
// clearly lighter than nine tenths of the picture. Null for anything else.
QImage lightestInk(const QImage& grey);

} // namespace ScreenImage

} // namespace vellumix
