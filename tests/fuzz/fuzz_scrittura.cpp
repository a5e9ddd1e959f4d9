// Rows of any text through every writer: the OV2 index keeps its sizes, GPX and KML stay
// well-formed XML, nothing crashes. Imported tables bring such rows.
#include <QCoreApplication>
#include <QXmlStreamReader>

#include <cstddef>
#include <cstdint>

#include "io/formati.h"
#include "io/ov2.h"

namespace {
qint32 Int32(const QByteArray& b, qsizetype i) {
    quint32 v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | quint8(b[i + k]);
    return qint32(v);
}

// Each block's size covers exactly its records and inner blocks.
bool Blocchi(const QByteArray& f, qsizetype da, qsizetype a) {
    while (da < a) {
        if (da + 5 > a) return false;
        const qint32 lunghezza = Int32(f, da + 1);
        if (lunghezza < 14 || da + lunghezza > a) return false;
        if (f[da] == char(1) && !Blocchi(f, da + 21, da + lunghezza)) return false;
        if (f[da] != char(1) && f[da] != char(2)) return false;
        da += lunghezza;
    }
    return da == a;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    const QString testo = QString::fromUtf8(reinterpret_cast<const char*>(dati), qsizetype(n));
    QVector<gm::Record> righe;
    for (const QString& riga : testo.split(u'\n')) {
        const QStringList celle = riga.split(u'\t');
        gm::Record r;
        for (int k = 0; k < gm::kColonne && k < celle.size(); ++k) r[k] = celle[k];
        righe << r;
    }
    const gm::ContestoUscita c{righe.first()[0], righe.first()[1], {}, false};
    for (const gm::FormatoUscita* f : gm::FormatiUscita()) {
        QByteArray uscita;
        QString errore;
        if (!f->scrivi(righe, c, uscita, errore)) continue;
        if (f->estensione() == QLatin1String("ov2") && !Blocchi(uscita, 0, uscita.size())) __builtin_trap();
        if (f->estensione() == QLatin1String("gpx") || f->estensione() == QLatin1String("kml")) {
            QXmlStreamReader xml(uscita);
            while (!xml.atEnd()) xml.readNext();
            if (xml.hasError()) __builtin_trap();
        }
    }
    return 0;
}
