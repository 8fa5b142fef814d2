#pragma once

#include <string_view>

#include <QPainter>
#include <QRect>
#include <QString>

namespace keepsift::app {

// The "Kept" / "Discard" capsule, small on photo cells and large in the comparison; and the
// position number beside it. Both are painted, not widgets, so a row of cells stays cheap.
struct PhotoBadge {
    static QString text(bool isKeeper, std::string_view language);
    // The capsule's rectangle with its top-left corner at `at`.
    static QRect bounds(QPoint at, bool isKeeper, std::string_view language, bool isLarge);
    static void paint(QPainter& painter, QPoint at, bool isKeeper, std::string_view language,
                      bool isLarge);
    // The number capsule with its top-right corner at `topRight`; nothing from 10 on.
    static QRect numberBounds(QPoint topRight, int position, bool isLarge);
    static void paintNumber(QPainter& painter, QPoint topRight, int position, bool isLarge);
};

} // namespace keepsift::app
