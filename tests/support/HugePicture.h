#pragma once
// Pictures that declare a great many pixels in few bytes, made at run time: what a
// hostile or careless document may hold.

#include <QByteArray>
#include <QtGlobal>

/// A PNG file of `width` x `height` pixels, 1-bit grey (a few bytes per row, compressed
/// to almost nothing): black left of column `split`, white from it on.
QByteArray HalfBlackPng(int width, int height, int split);
