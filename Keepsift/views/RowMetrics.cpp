#include "Keepsift/views/RowMetrics.hpp"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>

#include "Keepsift/views/PhotoTexts.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/layout/RowLayout.hpp"

namespace keepsift::app {

RowMetrics::RowMetrics(std::string language) : language_(std::move(language)) {
    QPushButton button(QStringLiteral("Compare all"));
    QCheckBox box(QStringLiteral("Select group"));
    headerHeight_ = std::max(button.sizeHint().height(), box.sizeHint().height());
    lineHeight_ = QFontMetrics(ViewFonts::caption()).lineSpacing();
    scrollBarHeight_ = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

int RowMetrics::wrappedHeight(const ReviewPhoto& photo, int side) {
    // The text depends only on who decided and why.
    const int code = photo.isUsers ? (photo.isKeeper ? 100 : 101)
                                   : (photo.reason ? static_cast<int>(*photo.reason) : 102);
    const long long key = static_cast<long long>(side) * 128 + code;
    if (auto found = wrapped_.find(key); found != wrapped_.end()) return found->second;
    const QString text = PhotoTexts::reason(photo, language_);
    const QRect box = QFontMetrics(ViewFonts::caption())
                          .boundingRect(QRect(0, 0, side, 100000), Qt::TextWordWrap, text);
    const int height = std::max(lineHeight_, box.height());
    wrapped_.emplace(key, height);
    return height;
}

int RowMetrics::reasonHeight(const ReviewGroup& group, int side) {
    int tallest = lineHeight_;
    for (const auto& photo : group.photos)
        tallest = std::max(tallest, wrappedHeight(photo, side));
    return tallest;
}

int RowMetrics::cellHeight(const ReviewGroup& group, int side) {
    return cellPadding + side + cellSpacing + reasonHeight(group, side) + cellPadding;
}

int RowMetrics::stripHeight(const ReviewGroup& group, int side, double available) {
    int height = cellHeight(group, side);
    if (RowLayout::overflows(static_cast<int>(group.photos.size()), side, available))
        height += stripScrollPadding + scrollBarHeight_;
    return height;
}

int RowMetrics::rowHeight(const ReviewGroup& group, int side, double available) {
    return stripTop() + stripHeight(group, side, available) + padding;
}

} // namespace keepsift::app
