#pragma once
// Pictures that declare a great many pixels in few bytes, made at run time: what a
// hostile or careless document may hold.

#include <QByteArray>
#include <QtGlobal>

/// A PNG file of `width` x `height` pixels, 1-bit grey (a few bytes per row, compressed
/// to almost nothing): black left of column `split`, white from it on.
QByteArray HalfBlackPng(int width, int height, int split);

/// A GIF file declaring `width` x `height` pixels whose image data ends at once (a clear
/// code, then the end code): a few dozen bytes that decode as a damaged, black picture.
QByteArray EmptyGif(int width, int height);
