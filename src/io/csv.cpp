#include "io/csv.h"

#include <QFile>

#include "io/file_testo.h"

namespace gm {

namespace {
constexpr qint64 kMaxFileCsv = 64LL * 1024 * 1024;

bool SoloCifre(const QString& s) {
    if (s.isEmpty()) return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QChar Separatore(const QString& testo, qsizetype& inizio) {
    inizio = 0;
    if (testo.startsWith(QLatin1String("sep="), Qt::CaseInsensitive) && testo.size() > 4) {
        const QChar s = testo[4];
        inizio = testo.indexOf(u'\n');
        inizio = inizio < 0 ? testo.size() : inizio + 1;
        return s;
    }
    // Count outside quotes over the first few lines.
    int conta[3] = {0, 0, 0};
    const QChar candidati[3] = {u';', u',', u'\t'};
    bool virgolette = false;
    int righe = 0;
    for (qsizetype i = 0; i < testo.size() && righe < 5; ++i) {
        const QChar c = testo[i];
        if (c == u'"') virgolette = !virgolette;
        if (virgolette) continue;
        if (c == u'\n') ++righe;
        for (int k = 0; k < 3; ++k)
            if (c == candidati[k]) ++conta[k];
    }
    int meglio = 0;
    for (int k = 1; k < 3; ++k)
        if (conta[k] > conta[meglio]) meglio = k;
    return candidati[meglio];
}
}  // namespace

FoglioXls AnalizzaCsv(const QString& testo, int maxRighe, int maxColonne) {
    FoglioXls foglio;
    qsizetype i = 0;
    const QChar sep = Separatore(testo, i);
    QVector<CellaXls> riga;
    QString campo;
    bool citato = false;     // the field began with a quote
    bool virgolette = false;  // inside quotes now
    auto chiudiCampo = [&] {
        if (riga.size() < maxColonne) {
            CellaXls c;
            c.numero = !citato && SoloCifre(campo);
            c.testo = campo.size() > kXlsMaxCaratteri ? campo.left(kXlsMaxCaratteri) : campo;
            riga.append(c);
        }
        campo.clear();
        citato = false;
    };
    auto chiudiRiga = [&] {
        chiudiCampo();
        if (foglio.size() < maxRighe) foglio.append(riga);
        riga.clear();
    };
    const qsizetype n = testo.size();
    bool vuota = true;  // nothing on this line yet
    for (; i < n && foglio.size() < maxRighe; ++i) {
        const QChar c = testo[i];
        if (virgolette) {
            if (c == u'"') {
                if (i + 1 < n && testo[i + 1] == u'"') {
                    campo.append(u'"');
                    ++i;
                } else {
                    virgolette = false;
                }
            } else if (c == u'\r' || c == u'\n') {
                // A line end inside a cell: the table holds one line per record.
                if (!(c == u'\n' && i > 0 && testo[i - 1] == u'\r')) campo.append(u' ');
            } else if (campo.size() <= kXlsMaxCaratteri) {
                campo.append(c);
            }
            continue;
        }
        if (c == u'"' && campo.isEmpty() && !citato) {
            virgolette = citato = true;
            vuota = false;
        } else if (c == sep) {
            chiudiCampo();
            vuota = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && testo[i + 1] == u'\n') ++i;
            chiudiRiga();
            vuota = true;
        } else if (campo.size() <= kXlsMaxCaratteri) {
            campo.append(c);
            vuota = false;
        }
    }
    if (!vuota && foglio.size() < maxRighe) chiudiRiga();
    return foglio;
}

bool LeggiCsv(const QString& percorso, int maxRighe, int maxColonne, FoglioXls& foglio, QString* errore) {
    foglio.clear();
    QFile f(percorso);
    auto fallisci = [&](const QString& perche) {
        if (errore) *errore = perche;
        return false;
    };
    if (!f.exists()) return fallisci(QStringLiteral("il file non esiste"));
    if (f.size() > kMaxFileCsv) return fallisci(QStringLiteral("il file è troppo grande"));
    if (!f.open(QIODevice::ReadOnly)) return fallisci(QStringLiteral("il file non si può leggere"));
    QString testo;
    if (!DecodificaTesto(f.read(kMaxFileCsv), testo, errore)) return false;
    foglio = AnalizzaCsv(testo, maxRighe, maxColonne);
    return true;
}

}  // namespace gm
