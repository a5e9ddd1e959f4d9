// The icon a TomTom device shows beside the points of an OV2 file: a 22x22 BMP with the file's
// base name.
#pragma once

#include <QByteArray>
#include <QString>

namespace gm {

inline constexpr int kLatoIcona = 22;

// The icon of a category: the user's own picture CATEGORY.bmp or CATEGORY.png from the folder
// (scaled to fit), else a coloured disc with the category's initial. A 24-bit BMP; magenta, which
// the devices show as transparent, fills what the picture leaves uncovered. *avviso says why a
// picture found in the folder was not used.
QByteArray IconaCategoria(const QString& categoria, const QString& cartella, QString* avviso = nullptr);

// The default icon alone.
QByteArray IconaPredefinita(const QString& categoria);

}  // namespace gm
