#pragma once
// Rectangles by their edges, as the window's formulas give them: left and top inclusive,
// right and bottom exclusive (the first pixel past the rectangle).

#include <QRect>
#include <ostream>

/// The rectangle from `left`, `top` up to (not including) `right`, `bottom`.
inline QRect FromEdges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}
/// The first column right of the rectangle.
inline int Right(const QRect& r) {
    return r.x() + r.width();
}
/// The first row below the rectangle.
inline int Bottom(const QRect& r) {
    return r.y() + r.height();
}

inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.left() << ", " << r.top() << ", " << Right(r) << ", " << Bottom(r) << ")";
}
