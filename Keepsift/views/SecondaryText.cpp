#include "Keepsift/views/SecondaryText.hpp"

namespace keepsift::app {

QLabel* secondaryLabel(const QFont& font, QWidget* parent, float alpha) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    QPalette palette = label->palette();
    QColor ink = palette.color(QPalette::WindowText);
    ink.setAlphaF(alpha);
    palette.setColor(QPalette::WindowText, ink);
    label->setPalette(palette);
    return label;
}

QLabel* wrappingLabel(const QFont& font, QWidget* parent, float alpha) {
    QLabel* label = secondaryLabel(font, parent, alpha);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);
    return label;
}

} // namespace keepsift::app
