#include "io/icona.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cmath>
#include <optional>

namespace gm {

namespace {
constexpr QRgb kTrasparente = 0xFFFF00FF;  // magenta: not drawn by the devices
constexpr qint64 kMaxFileImmagine = 16 * 1024 * 1024;
constexpr int kMaxLatoImmagine = 2048;  // a picture for a 22-pixel icon; larger ones cost memory for nothing

// 5x7 letters and digits, one row a byte, most significant of the five bits on the left. Drawn
// from our own table, so the icon is the same wherever the program runs, fonts or not.
constexpr unsigned char kGlifi[36][7] = {
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}, {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}, {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}, {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11},
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}, {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}, {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}, {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},
    {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

// Strong colours that read well on a map, one per category by a sum of its letters.
constexpr QRgb kColori[] = {0xFF005AC8, 0xFFC81E1E, 0xFF008C3C, 0xFFD26E00, 0xFF78329F, 0xFF00828C};

// The glyph of the category's first letter or digit, accents dropped; -1 when it has none.
int Glifo(const QString& categoria) {
    for (QChar c : categoria.normalized(QString::NormalizationForm_D)) {
        const char16_t u = c.toUpper().unicode();
        if (u >= u'A' && u <= u'Z') return u - u'A';
        if (u >= u'0' && u <= u'9') return 26 + (u - u'0');
    }
    return -1;
}

QByteArray Bmp(const QImage& immagine) {
    QByteArray dati;
    QBuffer b(&dati);
    b.open(QIODevice::WriteOnly);
    QImage rgb = immagine.convertToFormat(QImage::Format_RGB888);
    // The resolution in the header would otherwise be the screen's, when there is one.
    rgb.setDotsPerMeterX(2835);
    rgb.setDotsPerMeterY(2835);
    rgb.save(&b, "BMP");
    return dati;
}

// The picture over magenta, scaled to fit and centred; a pixel more than half transparent is left
// transparent, the others are laid on white.
QImage Adatta(const QImage& letta) {
    // A damaged file may leave an indexed picture with fewer colours than its pixels name: the
    // table is completed (transparent black), so that no pixel reads past it.
    QImage originale = letta;
    const int colori = originale.format() == QImage::Format_Indexed8                                   ? 256
                       : originale.format() == QImage::Format_Mono || originale.format() == QImage::Format_MonoLSB ? 2
                                                                                                         : 0;
    if (colori > 0 && originale.colorCount() < colori) originale.setColorCount(colori);
    const QImage scalata = originale.scaled(kLatoIcona, kLatoIcona, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
    QImage icona(kLatoIcona, kLatoIcona, QImage::Format_RGB32);
    icona.fill(kTrasparente);
    const int x0 = (kLatoIcona - scalata.width()) / 2, y0 = (kLatoIcona - scalata.height()) / 2;
    for (int y = 0; y < scalata.height(); ++y)
        for (int x = 0; x < scalata.width(); ++x) {
            const QRgb p = scalata.pixel(x, y);
            const int a = qAlpha(p);
            if (a < 128) continue;
            const auto su = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
            icona.setPixel(x0 + x, y0 + y, qRgb(su(qRed(p)), su(qGreen(p)), su(qBlue(p))));
        }
    return icona;
}

std::optional<QImage> Leggi(const QString& percorso, QString* avviso) {
    const QString nome = QDir::toNativeSeparators(percorso);
    const auto rifiuta = [&](const QString& perche) {
        if (avviso) *avviso = QStringLiteral("Icona ") + nome + QStringLiteral(" non usata: ") + perche;
        return std::nullopt;
    };
    if (QFileInfo(percorso).size() > kMaxFileImmagine) return rifiuta(QStringLiteral("file troppo grande."));
    QImageReader lettore(percorso);
    const QSize lato = lettore.size();
    // An unknown size could be anything: the decoder would allocate before we can check.
    if (!lato.isValid()) return rifiuta(QStringLiteral("immagine non leggibile."));
    if (lato.width() > kMaxLatoImmagine || lato.height() > kMaxLatoImmagine)
        return rifiuta(QStringLiteral("immagine troppo grande."));
    QImage immagine;
    if (!lettore.read(&immagine) || immagine.isNull() || immagine.width() > kMaxLatoImmagine ||
        immagine.height() > kMaxLatoImmagine)
        return rifiuta(QStringLiteral("immagine non leggibile."));
    return immagine;
}
}  // namespace

QByteArray IconaPredefinita(const QString& categoria) {
    int somma = 0;
    for (QChar c : categoria) somma += c.toLower().unicode();
    const QRgb colore = kColori[somma % std::size(kColori)];
    const QRgb bordo = qRgb(qRed(colore) * 2 / 3, qGreen(colore) * 2 / 3, qBlue(colore) * 2 / 3);
    QImage icona(kLatoIcona, kLatoIcona, QImage::Format_RGB32);
    icona.fill(kTrasparente);
    const double centro = (kLatoIcona - 1) / 2.0;
    for (int y = 0; y < kLatoIcona; ++y)
        for (int x = 0; x < kLatoIcona; ++x) {
            const double d = std::hypot(x - centro, y - centro);
            if (d <= centro + 0.3) icona.setPixel(x, y, d > centro - 1.2 ? bordo : colore);
        }
    // The letter twice its size (10x14), in the middle.
    const int g = Glifo(categoria);
    if (g >= 0) {
        const int x0 = (kLatoIcona - 10) / 2, y0 = (kLatoIcona - 14) / 2;
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 5; ++c)
                if (kGlifi[g][r] & (0x10 >> c))
                    for (int dy = 0; dy < 2; ++dy)
                        for (int dx = 0; dx < 2; ++dx) icona.setPixel(x0 + 2 * c + dx, y0 + 2 * r + dy, 0xFFFFFFFF);
    }
    return Bmp(icona);
}

QByteArray IconaCategoria(const QString& categoria, const QString& cartella, QString* avviso) {
    // The name the files of the category carry, then the category as typed; never a path elsewhere.
    QString base = categoria;
    base.replace(u' ', u'-');
    QStringList nomi{base};
    if (categoria != base) nomi << categoria;
    const QDir dir(cartella);
    for (const QString& nome : nomi) {
        if (nome.isEmpty() || nome.contains(u'/') || nome.contains(u'\\')) continue;
        for (const char* estensione : {".bmp", ".png"}) {
            const QString percorso = dir.filePath(nome + QLatin1String(estensione));
            if (!QFileInfo(percorso).isFile()) continue;
            if (const std::optional<QImage> immagine = Leggi(percorso, avviso)) return Bmp(Adatta(*immagine));
            return IconaPredefinita(categoria);
        }
    }
    return IconaPredefinita(categoria);
}

}  // namespace gm
