// The .xlsx and .ods readers on any bytes. The first byte chooses what the rest is: a whole zip
// container; the sheet part or the shared strings of an .xlsx, or the content of an .ods, packed
// into a stored zip, so that the XML reading is reached without first guessing valid deflate
// streams; or the bare input of the XML scanner, walked with every call the readers make.
#include <QByteArray>
#include <QString>

#include <zlib.h>

#include <cstddef>
#include <cstdint>

#include "io/fogli.h"
#include "io/scansione_xml.h"

namespace {
void U16(QByteArray& b, quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void U32(QByteArray& b, quint32 v) { U16(b, quint16(v)), U16(b, quint16(v >> 16)); }

// A zip with stored (uncompressed) entries.
QByteArray ZipMemorizzato(const QList<std::pair<QByteArray, QByteArray>>& parti) {
    QByteArray z, centrale;
    for (const auto& [nome, dati] : parti) {
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(dati.constData()), uInt(dati.size())));
        const quint32 posizione = quint32(z.size());
        U32(z, 0x04034b50);
        U16(z, 20), U16(z, 0), U16(z, 0), U16(z, 0), U16(z, 0);
        U32(z, crc), U32(z, quint32(dati.size())), U32(z, quint32(dati.size()));
        U16(z, quint16(nome.size())), U16(z, 0);
        z += nome + dati;
        U32(centrale, 0x02014b50);
        U16(centrale, 20), U16(centrale, 20), U16(centrale, 0), U16(centrale, 0), U16(centrale, 0), U16(centrale, 0);
        U32(centrale, crc), U32(centrale, quint32(dati.size())), U32(centrale, quint32(dati.size()));
        U16(centrale, quint16(nome.size())), U16(centrale, 0), U16(centrale, 0), U16(centrale, 0), U16(centrale, 0);
        U32(centrale, 0), U32(centrale, posizione);
        centrale += nome;
    }
    const quint32 inizio = quint32(z.size());
    z += centrale;
    U32(z, 0x06054b50);
    U16(z, 0), U16(z, 0), U16(z, quint16(parti.size())), U16(z, quint16(parti.size()));
    U32(z, quint32(centrale.size())), U32(z, inizio), U16(z, 0);
    return z;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    if (n < 1) return 0;
    const QByteArray resto(reinterpret_cast<const char*>(dati + 1), qsizetype(n - 1));
    QByteArray file;
    if (dati[0] % 5 == 4) {
        gm::ScansioneXml x(QByteArrayView(resto.constData(), resto.size()));
        QByteArray a;
        for (int k = 0;; ++k) {
            const auto e = x.avanti();
            if (e == gm::ScansioneXml::Fine || e == gm::ScansioneXml::Guasto) break;
            if (x.profondita() < 0 || x.profondita() > 1024) __builtin_trap();
            if (e == gm::ScansioneXml::Apertura) {
                x.attributo("r", a);
                x.ha("t");
                a.clear();
                if (k % 3 == 1) x.testoElemento(a, 100, {"rPh"});
                if (k % 3 == 2) x.salta();
                if (a.size() > 100) __builtin_trap();
            } else if (e == gm::ScansioneXml::Testo) {
                a.clear();
                x.testo(a, 50);
                if (a.size() > 50) __builtin_trap();
            }
        }
        return 0;
    }
    switch (dati[0] % 5) {
    case 0:
        file = resto;
        break;
    case 1:
        file = ZipMemorizzato({{"xl/workbook.xml", "<workbook><sheets><sheet r:id=\"a\" xmlns:r=\"r\"/></sheets></workbook>"},
                               {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"a\" Target=\"s.xml\"/></Relationships>"},
                               {"xl/sharedStrings.xml", "<sst><si><t>uno</t></si><si><r><t>d</t></r><r><t>ue</t></r></si></sst>"},
                               {"xl/s.xml", resto}});
        break;
    case 3:
        file = ZipMemorizzato({{"xl/workbook.xml", "<workbook><sheets><sheet r:id=\"a\" xmlns:r=\"r\"/></sheets></workbook>"},
                               {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"a\" Target=\"s.xml\"/></Relationships>"},
                               {"xl/sharedStrings.xml", resto},
                               {"xl/s.xml", "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c>"
                                            "<c t=\"s\"><v>2</v></c></row></sheetData></worksheet>"}});
        break;
    default:
        file = ZipMemorizzato({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", resto}});
        break;
    }
    gm::FoglioLetto foglio(300, 20);
    QString errore;
    if (!gm::LeggiCartellaZip(file, foglio, errore) && errore.isEmpty()) __builtin_trap();
    if (foglio.righe() > 300) __builtin_trap();
    (void)foglio.codifica();
    return 0;
}
