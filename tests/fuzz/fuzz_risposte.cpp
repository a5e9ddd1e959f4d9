// Every reader of map pages, reverse lookups and geocoder answers, on any bytes.
#include <QString>

#include <cstddef>
#include <cstdint>

#include "coords/risposte.h"

using namespace gm::coords;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    // Pages arrive decoded either way; both decodings reach the readers.
    const QByteArray byte(reinterpret_cast<const char*>(dati), qsizetype(n));
    for (const QString& pagina : {QString::fromUtf8(byte), QString::fromLatin1(byte)}) {
        (void)LeggiMappa(pagina);
        (void)RispostaNegata(pagina);
        (void)LinkMappaBianche(pagina);
        (void)LinkMappaInterattiva(pagina);
        Scheda s;
        (void)LeggiSchedaBianche(pagina, s);
        (void)LeggiPrimoAnnuncioGialle(pagina, QStringLiteral("MI"), s);
        (void)LinkMappaGialle(pagina);
        const QVector<Luogo> luoghi = LeggiRispostaGeocoder(pagina);
        if (luoghi.size() > kMaxCandidati) __builtin_trap();
        for (const Luogo& l : luoghi) (void)CoordinateFrammento(l.frammento);
        (void)HrefVicino(pagina, int(pagina.size() / 2));
        (void)UnisciIndirizzo(QStringLiteral("http://127.0.0.1"), pagina.left(200));
        const QString corto = pagina.left(300);
        (void)FormatoCoordinata(corto);
        (void)ConfrontaTesti(corto, pagina.mid(300, 300));
        QString via, civico, riscritta;
        SeparaCivico(corto, via, civico, riscritta);
        (void)PulisciCitta(corto);
        const Posizione p = CreaPosizione(corto, pagina.mid(300, 40));
        if (p.valida() && !CoordinatePlausibili(p.lat, p.lon)) __builtin_trap();
    }
    return 0;
}
