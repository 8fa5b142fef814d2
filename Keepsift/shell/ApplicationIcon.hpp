#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <array>

namespace keepsift::app {

// Keepsift's own picture, the one the desktop menu and the windows show: a scalable drawing
// built into the binary, and pictures of it at the sizes an icon theme holds.
struct ApplicationIcon {
    // The name an icon theme knows it by, as the desktop entry's Icon key says.
    static constexpr const char* name = "com.ambervale.keepsift";
    static constexpr std::array<int, 8> sides{16, 22, 24, 32, 48, 64, 128, 256};

    static QByteArray scalable();
    // A square picture of the given side in pixels; transparent around the drawing.
    static QImage render(int side);
    // Every size, for the windows' title bars and task lists.
    static QIcon icon();
};

} // namespace keepsift::app
