#include "Keepsift/views/popover/PopoverPlacement.hpp"

#include <algorithm>

namespace keepsift::app {

QPoint popoverPosition(const QSize& popover, const QRect& icon, const QPoint& cursor,
                       const QRect& screen) {
    constexpr int gap = 4;
    const bool hasIcon = icon.isValid() && !icon.isEmpty();
    const QRect anchor = hasIcon ? icon : QRect(cursor, QSize(1, 1));
    const bool below = anchor.center().y() < screen.center().y();
    int x = anchor.center().x() - popover.width() / 2;
    int y = below ? anchor.bottom() + 1 + gap : anchor.top() - gap - popover.height();
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - popover.width()));
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - popover.height()));
    return {x, y};
}

} // namespace keepsift::app
