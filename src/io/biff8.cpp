// The cells of an Excel 97-2003 workbook (BIFF8) as the program that saved it left them: shared
// and inline strings, numbers, and the cached results of formulas. FreeXL leaves formula cells
// empty, so the Workbook stream is read here, over libgsf's OLE2 reader.
// glib headers first: they use "signals" as a name, which Qt defines as a macro.
#include <gsf/gsf.h>

#include "io/fogli.h"

#include <QHash>
#include <QSet>

#include <cstring>
#include <vector>

namespace gm {

namespace {

enum : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kFilepass = 0x002F,
    kDatemode = 0x0022,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kBoundsheet = 0x0085,
    kMulrk = 0x00BD,
    kRstring = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelsst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolerr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

struct Rec {
    quint16 tipo;
    qsizetype inizio;  // of the data, in the stream
    quint16 lung;
};

quint16 L16(const char* p) { return quint16(quint8(p[0]) | (quint8(p[1]) << 8)); }
quint32 L32(const char* p) { return quint32(L16(p)) | (quint32(L16(p + 2)) << 16); }
double LDouble(const char* p) {
    quint64 u = quint64(L32(p)) | (quint64(L32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

double Rk(quint32 rk) {
    double v;
    if (rk & 2) {
        v = double(qint32(rk) >> 2);
    } else {
        const quint64 u = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&v, &u, sizeof v);
    }
    return (rk & 1) ? v / 100.0 : v;
}

// Bytes spread over a record and the CONTINUE records after it. Characters of a string that
// crosses into the next record start again with a flags byte that says their width.
class Pezzi {
public:
    Pezzi(const QByteArray& flusso, std::vector<std::pair<qsizetype, int>> pezzi)
        : f(flusso.constData()), pezzi(std::move(pezzi)) {}
    bool byte(quint8& v) {
        if (!avanti()) return false;
        v = quint8(f[pezzi[i].first + pos++]);
        return true;
    }
    bool u16(quint16& v) {
        quint8 a, b;
        if (!byte(a) || !byte(b)) return false;
        v = quint16(a | (b << 8));
        return true;
    }
    bool u32(quint32& v) {
        quint16 a, b;
        if (!u16(a) || !u16(b)) return false;
        v = quint32(a) | (quint32(b) << 16);
        return true;
    }
    bool salta(quint32 n) {
        while (n > 0) {
            if (!avanti()) return false;
            const quint32 qui = std::min<quint32>(n, quint32(pezzi[i].second - pos));
            pos += int(qui);
            n -= qui;
        }
        return true;
    }
    // An XLUnicodeRichExtendedString (SST) or, without rich and phonetic parts, a plain one.
    bool stringa(QString& s, quint32 cch) {
        quint8 flags;
        if (!byte(flags)) return false;
        const bool ricca = flags & 0x08, estesa = flags & 0x04;
        bool alto = flags & 0x01;
        quint16 corse = 0;
        quint32 ext = 0;
        if (ricca && !u16(corse)) return false;
        if (estesa && !u32(ext)) return false;
        s.clear();
        s.reserve(int(std::min<quint32>(cch, 32767)));
        while (cch > 0) {
            if (pos >= pezzi[i].second) {
                if (i + 1 >= pezzi.size()) return false;
                ++i;
                pos = 0;
                if (pezzi[i].second == 0) continue;
                alto = quint8(f[pezzi[i].first + pos++]) & 0x01;
                continue;
            }
            const char* p = f + pezzi[i].first + pos;
            const int resto = pezzi[i].second - pos;
            const quint32 n = std::min<quint32>(cch, quint32(alto ? resto / 2 : resto));
            if (n == 0) return false;  // half a UTF-16 character before a record boundary
            if (alto)
                for (quint32 k = 0; k < n; ++k) s.append(QChar(L16(p + 2 * k)));
            else
                for (quint32 k = 0; k < n; ++k) s.append(QChar(char16_t(quint8(p[k]))));
            pos += int(alto ? 2 * n : n);
            cch -= n;
        }
        return salta(quint32(corse) * 4) && salta(ext);
    }

private:
    bool avanti() {
        while (pos >= pezzi[i].second) {
            if (i + 1 >= pezzi.size()) return false;
            ++i;
            pos = 0;
        }
        return true;
    }
    const char* f;
    std::vector<std::pair<qsizetype, int>> pezzi;
    size_t i = 0;
    int pos = 0;
};

class Biff8 {
public:
    Biff8(const QByteArray& flusso, FoglioLetto& foglio) : s(flusso), foglio(foglio) {}

    bool leggi(QString& errore) {
        if (!globali(errore)) return false;
        return foglioAttivo(errore);
    }

private:
    bool record(qsizetype& pos, Rec& r) const {
        if (s.size() - pos < 4) return false;
        r.tipo = L16(s.constData() + pos);
        r.lung = L16(s.constData() + pos + 2);
        r.inizio = pos + 4;
        if (s.size() - r.inizio < r.lung) return false;
        pos = r.inizio + r.lung;
        return true;
    }
    const char* dati(const Rec& r) const { return s.constData() + r.inizio; }

    // The record r with the CONTINUE records after it; pos moves past them.
    std::vector<std::pair<qsizetype, int>> conSeguiti(const Rec& r, qsizetype& pos) const {
        std::vector<std::pair<qsizetype, int>> pezzi{{r.inizio, r.lung}};
        Rec c;
        qsizetype p = pos;
        while (record(p, c) && c.tipo == kContinue) {
            pezzi.push_back({c.inizio, c.lung});
            pos = p;
        }
        return pezzi;
    }

    bool globali(QString& errore) {
        qsizetype pos = 0;
        Rec r;
        if (!record(pos, r) || r.tipo != kBof || r.lung < 4 || L16(dati(r)) != 0x0600) {
            errore = QStringLiteral("la cartella Excel è in un formato troppo vecchio (prima di Excel 97): "
                                    "salvala come .xls 97-2003, .xlsx o .ods");
            return false;
        }
        QHash<int, QString> formati;
        while (record(pos, r)) {
            const char* d = dati(r);
            switch (r.tipo) {
            case kEof:
                return true;
            case kFilepass:
                errore = QStringLiteral("la cartella Excel è protetta da password");
                return false;
            case kDatemode:
                if (r.lung >= 2) dal1904 = L16(d) == 1;
                break;
            case kWindow1:
                if (r.lung >= 12) attivo = L16(d + 10);
                break;
            case kBoundsheet:
                if (r.lung >= 6) fogli.append({L32(d), quint8(d[5])});
                break;
            case kFormat:
                if (r.lung >= 5) {
                    Pezzi p(s, {{r.inizio + 4, r.lung - 4}});
                    QString codice;
                    if (p.stringa(codice, L16(d + 2))) formati.insert(L16(d), codice);
                }
                break;
            case kXf:
                if (r.lung >= 4) {
                    const int f = L16(d + 2);
                    bool data = (f >= 14 && f <= 22) || (f >= 45 && f <= 47), ora = f >= 18 && f <= 22;
                    if (formati.contains(f)) TipoFormato(formati.value(f), data, ora);
                    xf.append(quint8((data ? 1 : 0) | (ora ? 2 : 0)));
                }
                break;
            case kSst:
                if (!tabella(r, pos)) {
                    errore = QStringLiteral("la tabella dei testi della cartella Excel è danneggiata");
                    return false;
                }
                break;
            default:
                break;
            }
        }
        errore = QStringLiteral("la cartella Excel è danneggiata (finisce prima dei fogli)");
        return false;
    }

    bool tabella(const Rec& r, qsizetype& pos) {
        if (r.lung < 8) return false;
        const quint32 unici = L32(dati(r) + 4);
        auto pezzi = conSeguiti(r, pos);
        pezzi[0].first += 8;
        pezzi[0].second -= 8;
        Pezzi p(s, std::move(pezzi));
        // Each string takes at least three bytes: a false count cannot make us reserve much.
        sst.reserve(int(std::min<quint32>(unici, quint32(s.size() / 3))));
        for (quint32 k = 0; k < unici; ++k) {
            quint16 cch;
            QString t;
            if (!p.u16(cch) || !p.stringa(t, cch)) return k > 0;  // keep what was readable
            sst.append(t);
        }
        return true;
    }

    bool foglioAttivo(QString& errore) {
        // The sheet the workbook shows first, else the first worksheet.
        int scelto = -1;
        if (attivo < fogli.size() && fogli[attivo].second == 0) scelto = attivo;
        for (int k = 0; scelto < 0 && k < fogli.size(); ++k)
            if (fogli[k].second == 0) scelto = k;
        if (scelto < 0) {
            errore = QStringLiteral("la cartella Excel non contiene fogli di lavoro");
            return false;
        }
        qsizetype pos = fogli[scelto].first;
        Rec r;
        if (pos >= s.size() || !record(pos, r) || r.tipo != kBof) {
            errore = QStringLiteral("la cartella Excel è danneggiata (il foglio non si trova)");
            return false;
        }
        qint64 formulaRiga = -1, formulaColonna = -1;  // a string formula waits for its STRING
        while (record(pos, r)) {
            const char* d = dati(r);
            if (r.tipo != kString && r.tipo != kContinue && r.tipo != 0x04BC /* SHRFMLA */ &&
                r.tipo != 0x0221 /* ARRAY */ && r.tipo != 0x0236 /* TABLE */)
                formulaRiga = -1;
            switch (r.tipo) {
            case kEof:
                return true;
            case kNumber:
                if (r.lung >= 14) numero(L16(d), L16(d + 2), L16(d + 4), LDouble(d + 6));
                break;
            case kRk:
                if (r.lung >= 10) numero(L16(d), L16(d + 2), L16(d + 4), Rk(L32(d + 6)));
                break;
            case kMulrk:
                if (r.lung >= 6) {
                    const quint16 riga = L16(d), prima = L16(d + 2);
                    const int n = (r.lung - 6) / 6;
                    for (int k = 0; k < n; ++k)
                        numero(riga, prima + k, L16(d + 4 + 6 * k), Rk(L32(d + 6 + 6 * k)));
                }
                break;
            case kLabelsst:
                if (r.lung >= 10) {
                    const quint32 k = L32(d + 6);
                    if (k < quint32(sst.size())) foglio.testo(L16(d), L16(d + 2), sst[int(k)]);
                }
                break;
            case kLabel:
            case kRstring:
                if (r.lung >= 9) {
                    Pezzi p(s, {{r.inizio + 8, r.lung - 8}});
                    QString t;
                    if (p.stringa(t, L16(d + 6))) foglio.testo(L16(d), L16(d + 2), t);
                }
                break;
            case kBoolerr:
                if (r.lung >= 8 && d[7] == 0) foglio.testo(L16(d), L16(d + 2), d[6] ? QStringLiteral("VERO") : QStringLiteral("FALSO"));
                break;
            case kFormula:
                if (r.lung >= 20) {
                    const quint16 riga = L16(d), colonna = L16(d + 2);
                    if (L16(d + 12) != 0xFFFF) {
                        numero(riga, colonna, L16(d + 4), LDouble(d + 6));
                    } else if (d[6] == 0) {
                        formulaRiga = riga;
                        formulaColonna = colonna;
                    } else if (d[6] == 1) {
                        foglio.testo(riga, colonna, d[8] ? QStringLiteral("VERO") : QStringLiteral("FALSO"));
                    }
                }
                break;
            case kString:
                if (formulaRiga >= 0 && r.lung >= 3) {
                    const quint16 cch = L16(d);
                    auto pezzi = conSeguiti(r, pos);
                    pezzi[0].first += 2;
                    pezzi[0].second -= 2;
                    Pezzi p(s, std::move(pezzi));
                    QString t;
                    if (p.stringa(t, cch)) foglio.testo(formulaRiga, formulaColonna, t);
                    formulaRiga = -1;
                }
                break;
            default:
                break;
            }
            if (foglio.troppoGrande()) {
                errore = QStringLiteral("il foglio ha troppe celle");
                return false;
            }
        }
        return true;  // a sheet cut short keeps the cells read so far
    }

    void numero(qint64 riga, qint64 colonna, quint16 indiceXf, double v) {
        const quint8 tipo = indiceXf < xf.size() ? xf[indiceXf] : 0;
        if (tipo & 1) {
            const QString t = TestoData(v, dal1904, tipo & 2);
            if (!t.isEmpty()) {
                foglio.testo(riga, colonna, t);
                return;
            }
        }
        foglio.numero(riga, colonna, v);
    }

    const QByteArray& s;
    FoglioLetto& foglio;
    bool dal1904 = false;
    int attivo = 0;
    QVector<std::pair<quint32, quint8>> fogli;  // stream offset of its BOF, kind (0 worksheet)
    QVector<quint8> xf;                          // per XF: 1 date, 2 time
    QStringList sst;
};

// The Workbook stream of an OLE2 file, bounded by the file's own size.
bool Flusso(const QByteArray& file, QByteArray& flusso, QString& errore) {
    GError* err = nullptr;
    GsfInput* mem = gsf_input_memory_new(reinterpret_cast<const guint8*>(file.constData()), gsf_off_t(file.size()), FALSE);
    if (!mem) return false;
    GsfInfile* ole = gsf_infile_msole_new(mem, &err);
    if (err) g_error_free(err);
    bool ok = false;
    if (ole) {
        GsfInput* wb = gsf_infile_child_by_name(ole, "Workbook");
        if (!wb) wb = gsf_infile_child_by_name(ole, "WORKBOOK");
        if (wb) {
            const gsf_off_t n = gsf_input_size(wb);
            // A stream can repeat sectors of the file but not hold more than a few times its size.
            if (n > 0 && n <= gsf_off_t(file.size()) * 4 + 4096) {
                flusso.resize(qsizetype(n));
                ok = gsf_input_read(wb, size_t(n), reinterpret_cast<guint8*>(flusso.data())) != nullptr;
            }
            g_object_unref(wb);
        } else if (GsfInput* vecchio = gsf_infile_child_by_name(ole, "Book")) {
            g_object_unref(vecchio);
            errore = QStringLiteral("la cartella Excel è in un formato troppo vecchio (Excel 5/95): "
                                    "salvala come .xls 97-2003, .xlsx o .ods");
        }
        g_object_unref(ole);
    }
    g_object_unref(mem);
    if (!ok && errore.isEmpty())
        errore = QStringLiteral("il file è danneggiato o non è una cartella Excel leggibile");
    return ok;
}

}  // namespace

bool LeggiBiff8(const QByteArray& file, FoglioLetto& foglio, QString& errore) {
    QByteArray flusso;
    if (!Flusso(file, flusso, errore)) return false;
    return Biff8(flusso, foglio).leggi(errore);
}

}  // namespace gm
