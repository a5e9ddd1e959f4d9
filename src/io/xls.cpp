// glib headers first: they use "signals" as a name, which Qt defines as a macro.
#include <gsf/gsf.h>

#include "io/xls.h"

#include <cstring>
#include <unordered_map>

namespace gm {

namespace {

constexpr int kMaxDatiRecord = 8224;

void U8(QByteArray& b, quint8 v) { b.append(char(v)); }
void U16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void U32(QByteArray& b, quint32 v) {
    U16(b, quint16(v & 0xFFFF));
    U16(b, quint16(v >> 16));
}
void Metti32(QByteArray& b, int pos, quint32 v) {
    for (int i = 0; i < 4; ++i) b[pos + i] = char((v >> (8 * i)) & 0xFF);
}

void Record(QByteArray& flusso, quint16 tipo, const QByteArray& dati) {
    U16(flusso, tipo);
    U16(flusso, quint16(dati.size()));
    flusso.append(dati);
}

QByteArray Bof(quint16 tipo) {
    QByteArray d;
    U16(d, 0x0600);
    U16(d, tipo);
    U16(d, 0x0DBB);  // build
    U16(d, 0x07CC);  // year
    U32(d, 0);
    U32(d, 0x00000006);
    return d;
}

bool Alto(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 0xFF) return true;
    return false;
}

// Short string with one-byte length (font and sheet names), compressed.
QByteArray StringaBreve(const char* s) {
    QByteArray d;
    U8(d, quint8(std::strlen(s)));
    U8(d, 0);
    d.append(s);
    return d;
}

QByteArray Font() {
    QByteArray d;
    U16(d, 200);     // height in twentieths of a point
    U16(d, 0);       // attributes
    U16(d, 0x7FFF);  // automatic colour
    U16(d, 400);     // normal weight
    U16(d, 0);       // no super/subscript
    U8(d, 0);        // no underline
    U8(d, 0);        // family
    U8(d, 0);        // character set
    U8(d, 0);
    d.append(StringaBreve("Arial"));
    return d;
}

QByteArray Xf(bool stile) {
    QByteArray d;
    U16(d, 0);                      // font
    U16(d, stile ? 0 : 49);         // number format; 49 is "@", text
    U16(d, stile ? 0xFFF5 : 0x0001);  // locked; style XF with no parent, or cell XF of style 0
    U8(d, 0x20);                    // bottom aligned
    U8(d, 0);                       // rotation
    U8(d, 0);                       // indent
    U8(d, stile ? 0xF4 : 0x04);     // attributes in use (cell XF: its own number format)
    U32(d, 0);                      // borders
    U32(d, 0);
    U16(d, 0x20C0);                 // pattern colours
    return d;
}

// Shared string table with its CONTINUE records, and the EXTSST index after it.
void ScriviSst(QByteArray& flusso, const QStringList& stringhe, quint32 totale) {
    const int unici = int(stringhe.size());
    const int perGruppo = std::max(8, unici / 128 + 1);
    QByteArray ext;
    U16(ext, quint16(perGruppo));

    int inizioRecord = int(flusso.size());
    QByteArray dati;
    U32(dati, totale);
    U32(dati, quint32(unici));
    bool primo = true;
    auto chiudi = [&] {
        Record(flusso, primo ? 0x00FC : 0x003C, dati);
        primo = false;
        dati.clear();
        inizioRecord = int(flusso.size());
    };

    for (int i = 0; i < unici; ++i) {
        const QString& s = stringhe[i];
        const bool alto = Alto(s);
        const int perCarattere = alto ? 2 : 1;
        if (kMaxDatiRecord - dati.size() < 3 + (s.isEmpty() ? 0 : perCarattere)) chiudi();
        if (i % perGruppo == 0) {
            const int nelRecord = 4 + int(dati.size());
            U32(ext, quint32(inizioRecord + nelRecord));
            U16(ext, quint16(nelRecord));
            U16(ext, 0);
        }
        U16(dati, quint16(s.size()));
        U8(dati, alto ? 1 : 0);
        int fatto = 0;
        while (fatto < s.size()) {
            const int posto = int(kMaxDatiRecord - dati.size()) / perCarattere;
            if (posto == 0) {
                chiudi();
                U8(dati, alto ? 1 : 0);  // a string split across records restarts with its flags
                continue;
            }
            const int n = std::min<int>(posto, int(s.size()) - fatto);
            for (int k = fatto; k < fatto + n; ++k) {
                const char16_t u = s[k].unicode();
                if (alto)
                    U16(dati, u);
                else
                    U8(dati, quint8(u));
            }
            fatto += n;
        }
    }
    chiudi();
    Record(flusso, 0x00FF, ext);
}

}  // namespace

QByteArray FlussoBiff8(const QVector<QStringList>& righe) {
    const int nRighe = std::min<int>(int(righe.size()), kXlsMaxRighe);

    // Shared strings in order of first use, and the cells that point at them.
    // A cheap hash is enough for cell texts; one look-up per cell.
    struct Fnv {
        size_t operator()(const QString& s) const noexcept {
            size_t h = 1469598103934665603ULL;
            for (QChar c : s) h = (h ^ c.unicode()) * 1099511628211ULL;
            return h;
        }
    };
    std::unordered_map<QString, quint32, Fnv> indice;
    indice.reserve(size_t(nRighe) * 4);
    QStringList stringhe;
    struct Cella {
        quint16 riga, colonna;
        quint32 sst;
    };
    QVector<Cella> celle;
    int maxColonne = 0;
    for (int r = 0; r < nRighe; ++r) {
        const QStringList& riga = righe[r];
        const int nc = std::min<int>(int(riga.size()), kXlsMaxColonne);
        for (int c = 0; c < nc; ++c) {
            if (riga[c].isEmpty()) continue;
            const QString testo = riga[c].size() > kXlsMaxCaratteri ? riga[c].left(kXlsMaxCaratteri) : riga[c];
            const auto [it, nuova] = indice.try_emplace(testo, quint32(stringhe.size()));
            if (nuova) stringhe.append(testo);
            const quint32 k = it->second;
            celle.append({quint16(r), quint16(c), k});
            maxColonne = std::max(maxColonne, c + 1);
        }
    }

    QByteArray f;
    f.reserve(celle.size() * 14 + stringhe.size() * 24 + 4096);
    Record(f, 0x0809, Bof(0x0005));
    {
        QByteArray d;
        U16(d, 1200);  // strings are UTF-16
        Record(f, 0x0042, d);
    }
    {
        QByteArray d;
        U16(d, 0x0168);
        U16(d, 0x001E);
        U16(d, 0x3A5C);
        U16(d, 0x23BE);
        U16(d, 0x0038);  // horizontal and vertical scroll bars, sheet tabs
        U16(d, 0);       // active sheet
        U16(d, 0);       // first visible tab
        U16(d, 1);       // selected tabs
        U16(d, 0x0258);  // tab bar width ratio
        Record(f, 0x003D, d);
    }
    for (int i = 0; i < 5; ++i) Record(f, 0x0031, Font());
    for (int i = 0; i < 15; ++i) Record(f, 0x00E0, Xf(true));
    Record(f, 0x00E0, Xf(false));  // XF 15: the cells
    {
        QByteArray d;
        U16(d, 0x8000);  // built-in style of XF 0
        U8(d, 0);        // "Normal"
        U8(d, 0xFF);
        Record(f, 0x0293, d);
    }
    const int posBoundsheet = int(f.size()) + 4;
    {
        QByteArray d;
        U32(d, 0);  // patched below with the sheet's BOF offset
        U16(d, 0);  // visible worksheet
        d.append(StringaBreve("Foglio1"));
        Record(f, 0x0085, d);
    }
    ScriviSst(f, stringhe, quint32(celle.size()));
    Record(f, 0x000A, {});

    Metti32(f, posBoundsheet, quint32(f.size()));
    Record(f, 0x0809, Bof(0x0010));
    {
        QByteArray d;
        U32(d, 0);
        U32(d, quint32(celle.isEmpty() ? 0 : celle.last().riga + 1));
        U16(d, 0);
        U16(d, quint16(maxColonne));
        U16(d, 0);
        Record(f, 0x0200, d);
    }
    {
        QByteArray d;
        U16(d, 0x06B6);  // grid, headers, zeros, default colours, outline symbols, selected, shown
        U16(d, 0);
        U16(d, 0);
        U32(d, 0x40);
        U16(d, 0);
        U16(d, 0);
        U32(d, 0);
        Record(f, 0x023E, d);
    }
    QByteArray d;
    for (const Cella& c : celle) {
        d.clear();
        U16(d, c.riga);
        U16(d, c.colonna);
        U16(d, 15);
        U32(d, c.sst);
        Record(f, 0x00FD, d);
    }
    Record(f, 0x000A, {});
    return f;
}

QByteArray CartellaXls(const QVector<QStringList>& righe, QString* errore) {
    const QByteArray flusso = FlussoBiff8(righe);
    GsfOutput* memoria = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(memoria);
    QByteArray risultato;
    bool ok = false;
    if (ole) {
        GsfOutput* wb = gsf_outfile_new_child(ole, "Workbook", FALSE);
        if (wb) {
            ok = gsf_output_write(wb, size_t(flusso.size()), reinterpret_cast<const guint8*>(flusso.constData()));
            ok = gsf_output_close(wb) && ok;
            g_object_unref(wb);
        }
        ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
        g_object_unref(ole);
    }
    if (ok) {
        const guint8* byte = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memoria));
        const gsf_off_t n = gsf_output_size(memoria);
        if (byte && n > 0) risultato = QByteArray(reinterpret_cast<const char*>(byte), qsizetype(n));
    }
    if (!gsf_output_is_closed(memoria)) gsf_output_close(memoria);
    g_object_unref(memoria);
    if (risultato.isEmpty() && errore) *errore = QStringLiteral("Impossibile comporre la cartella Excel");
    return risultato;
}

}  // namespace gm
